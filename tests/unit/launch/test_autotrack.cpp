#include "launch/AutoTrack.h"

#include "launch/WorkHistory.h"
#include "platform/fake/FakeWindowSystem.h"
#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kivrano;

namespace {

TEST(AutoTrackScores, UrlScore) {
    struct Case {
        const char* window;
        const char* item;
        std::size_t score;
    };
    const Case cases[] = {
        // 16 equal host characters and "login" shared by the paths: 2 x 16 + 5.
        {"https://www.mybank.co.kr/login.asp", "www.mybank.co.kr/login", 37},
        {"http://www.example.com", "example.com", 22},         // schemes dropped, hosts end alike
        {"https://Example.com/", "https://example.com/", 20},  // case counts
        {"a.com/x/y", "b.com/x/z", 10},                        // "moc." and "x/"
        {"site.example extra/bar", "site.example/bar", 27},    // host cut at its first space
        {"www.site.example", "site.example.org", 0},
        {"", "www.site.example", 0},
        // Characters compared whole from the end: the shared lead byte of "ä" and "ö" counts.
        {"\xC3\xA4.example", "\xC3\xB6.example", 18},
        {"\x80\x80.a", "\x80.a", 6},  // stray continuation bytes stand alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " vs " + c.item);
        EXPECT_EQ(urlScore(c.window, c.item), c.score);
    }
}

TEST(AutoTrackScores, TitleScore) {
    struct Case {
        const char* window;
        const char* item;
        std::size_t score;
    };
    const Case cases[] = {
        {"Bank login", "Bank login", 10},
        {"My Bank - Web Browser", "Bank", 4},
        {"Bank", "My Bank", 4},  // the item's title may be the longer one
        {"abcd", "axcx", 2},     // equal bytes need not be adjacent
        {"Ax", "A", 1},
        // The alignment of the item's first byte with the window's last byte is not tried.
        {"xA", "A", 0},
        {"A", "A", 0},
        {"Mail", "", 0},
        {"", "Mail", 0},
        {"bank", "BANK", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " vs " + c.item);
        EXPECT_EQ(titleScore(c.window, c.item), c.score);
    }
}

class AutoTrackStep : public ::testing::Test {
protected:
    TreeNode addItem(TreeNode folder, const std::string& title, const std::string& address) {
        auto item = std::make_unique<VaultItem>();
        item->title = title;
        item->address = address;
        return tree.insertItem(folder, std::move(item));
    }
    void SetUp() override {
        const TreeNode web = tree.insertFolder({"Web", 0});
        const TreeNode work = tree.insertFolder({"Work", 0});
        bank = addItem(web, "Bank of Zork", "https://online.zorkbank.example/login");
        mail = addItem(web, "Mail", "https://mail.example/");
        wiki = addItem(work, "Team wiki", "wiki.corp.example");
        tracker.setEnabled(true);
    }
    void front(const std::string& title, const std::string& address = {}) {
        windows.addWindow(++lastWindow, {title, "Browser", address, 0});
    }

    VaultTree tree;
    WorkHistory history;
    platform::FakeWindowSystem windows;
    AutoTrack tracker{windows};
    TreeNode bank = kNoNode, mail = kNoNode, wiki = kNoNode;
    platform::WindowId lastWindow = 10;
};

TEST_F(AutoTrackStep, SelectsByTitleAloneAndRecordsIt) {
    front("Team wiki - Start page - Web Browser");
    EXPECT_EQ(tracker.step(tree, history), wiki);
    EXPECT_EQ(tree.selection(), wiki);
    EXPECT_EQ(history.entries(), std::vector<TreeNode>{wiki});
    EXPECT_EQ(tracker.lastSeen(), (WindowPage{"", "Team wiki - Start page - Web Browser"}));
}

TEST_F(AutoTrackStep, AddressWeighsMoreThanTitle) {
    // The title names the wiki, the address is the bank's.
    front("Team wiki", "https://online.zorkbank.example/login?next=1");
    EXPECT_EQ(tracker.step(tree, history), bank);
}

TEST_F(AutoTrackStep, TheAddressCountsTwice) {
    // The address shares only the bank's path; the title is the wiki's. Counted once the
    // address would lose, counted twice it wins.
    const std::string title = "Team wiki";
    const std::string address = "q/login";
    const std::size_t bankUrl = urlScore(address, "https://online.zorkbank.example/login");
    const std::size_t bankTitle = titleScore(title, "Bank of Zork");
    const std::size_t wikiScore =
        2 * urlScore(address, "wiki.corp.example") + titleScore(title, "Team wiki");
    ASSERT_LT(bankUrl + bankTitle, wikiScore);
    ASSERT_GT(2 * bankUrl + bankTitle, wikiScore);
    front(title, address);
    EXPECT_EQ(tracker.step(tree, history), bank);
}

TEST_F(AutoTrackStep, LeavesAHandMadeSelectionWhileTheWindowIsUnchanged) {
    front("Bank of Zork - Sign in");
    EXPECT_EQ(tracker.step(tree, history), bank);
    tree.select(mail);
    EXPECT_EQ(tracker.step(tree, history), kNoNode);
    EXPECT_EQ(tree.selection(), mail);
    // Another window with the same title and address counts as unchanged as well.
    front("Bank of Zork - Sign in");
    EXPECT_EQ(tracker.step(tree, history), kNoNode);
    front("Bank of Zork - Accounts");
    EXPECT_EQ(tracker.step(tree, history), bank);
    EXPECT_EQ(history.entries(), (std::vector<TreeNode>{bank}));
}

TEST_F(AutoTrackStep, StopsWithoutScoring) {
    struct Case {
        const char* name;
        bool enabled;
        const char* title;
        const char* address;
        bool remembered;  // taken as the last window seen
    };
    const Case cases[] = {
        {"off", false, "Bank of Zork", "", false},
        {"page still loading", true, "Blank - Microsoft Internet Explorer", "", false},
        {"our own window", true, "Kivrano - Bank of Zork", "", true},
        {"no byte in common", true, "#", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.select(mail);
        tracker.setEnabled(c.enabled);
        const WindowPage before = tracker.lastSeen();
        front(c.title, c.address);
        EXPECT_EQ(tracker.step(tree, history), kNoNode);
        EXPECT_EQ(tree.selection(), mail);
        EXPECT_EQ(tracker.lastSeen(), (c.remembered ? WindowPage{c.address, c.title} : before));
    }
    EXPECT_TRUE(history.entries().empty());
}

TEST_F(AutoTrackStep, TieGoesToTheFirstItemInTreeOrder) {
    // "Mail" and the wiki's title score alike against "Mail Team"; both folders are searched
    // in order, so the first folder's item wins, also when the later one is selected.
    tree.select(wiki);
    front("Mail Team");
    ASSERT_EQ(titleScore("Mail Team", "Mail"), titleScore("Mail Team", "Team wiki"));
    EXPECT_EQ(tracker.step(tree, history), mail);
    // Already selected: nothing to do, nothing recorded again.
    tree.select(wiki);
    front("Team wiki!");
    EXPECT_EQ(tracker.step(tree, history), kNoNode);
    EXPECT_EQ(history.entries(), std::vector<TreeNode>{mail});
}

TEST_F(AutoTrackStep, ReadsTheForegroundWindowsOwner) {
    windows.addWindow(20, {"Wiki - Web Browser", "Browser", "wiki.corp.example/x", 0});
    windows.addWindow(21, {"Save As", "Dialog", "", 20});
    EXPECT_EQ(tracker.readForeground(), (WindowPage{"wiki.corp.example/x", "Wiki - Web Browser"}));
}

TEST(AutoTrackReader, FirstPageIsTheFirstUnownedWindowBelowOursShowingAnAddress) {
    platform::FakeWindowSystem windows;
    windows.addWindow(30, {"Old page", "Browser", "old.example", 0});
    windows.addWindow(31, {"Editor", "Text", "", 0});
    windows.addWindow(32, {"Popup", "Browser", "popup.example", 31});
    windows.addWindow(33, {"Current page", "Browser", "current.example", 0});
    windows.activateMainWindow();
    windows.addWindow(34, {"Panel above us", "Browser", "panel.example", 0});
    windows.bringToTop(platform::FakeWindowSystem::kMainWindow);
    windows.bringToTop(34);  // stacking: 34, our window, 33, 32, 31, 30
    AutoTrack tracker(windows);
    EXPECT_EQ(tracker.readFirstPage(), (WindowPage{"current.example", "Current page"}));
}

}  // namespace
