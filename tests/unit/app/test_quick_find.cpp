#include "app/QuickFind.h"

#include "vault/CDic.h"
#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

class QuickFindTest : public ::testing::Test {
protected:
    TreeNode folder(const std::string& name) {
        const TreeNode node = tree.insertFolder({name, 0});
        index.indexText(name, node);
        return node;
    }
    TreeNode item(TreeNode in, const std::string& title, const std::string& address = {}) {
        auto record = std::make_unique<VaultItem>();
        record->title = title;
        record->address = address;
        const TreeNode node = tree.insertItem(in, std::move(record));
        index.indexText(title, node);
        index.indexText(address, node);
        return node;
    }
    std::vector<TreeNode> nodes(const std::vector<QuickFind::Line>& lines) {
        std::vector<TreeNode> listed;
        for (const auto& line : lines) listed.push_back(line.node);
        return listed;
    }

    VaultTree tree;
    CDic index;
    std::vector<TreeNode> selected;
    QuickFind find{index, tree, [this](TreeNode node) {
                       if (!tree.contains(node)) return false;
                       selected.push_back(node);
                       return true;
                   }};
};

TEST_F(QuickFindTest, ListsInKeyOrderEachEntryOnceSelectingEachAsItGoes) {
    const TreeNode bar = folder("Bar");
    const TreeNode barn = item(bar, "Barn", "https://barn.example");
    const TreeNode bank = item(bar, "Online Bank", "https://web.example/ba");
    const TreeNode dot = item(bar, "ba.Gallery");
    item(bar, "Cash");

    // Keys in byte order ("ba." before "ban" before "bar"); "bar", indexed before "barn",
    // comes before it; the Bank item matches by its title and its address and is listed once.
    for (const char* typed : {"ba", "BA", "bA"}) {
        selected.clear();
        EXPECT_EQ(nodes(find.search(typed)), (std::vector<TreeNode>{dot, bank, bar, barn}))
            << typed;
        EXPECT_EQ(selected, (std::vector<TreeNode>{dot, bank, bar, barn})) << typed;
    }
    EXPECT_EQ(nodes(find.search("bar")), (std::vector<TreeNode>{bar, barn}));
    EXPECT_EQ(nodes(find.search("ex")), (std::vector<TreeNode>{barn, bank}));

    // Nothing typed, or nothing found: no lines, nothing selected, and Go only closes.
    for (const char* typed : {"", "zz", "bankx"}) {
        selected.clear();
        EXPECT_TRUE(find.search(typed).empty()) << typed;
        EXPECT_TRUE(selected.empty()) << typed;
        EXPECT_EQ(find.goTarget(-1), std::nullopt) << typed;
    }
}

TEST_F(QuickFindTest, ThirtyLinesThenTheOverflowLineWhichGoesNowhere) {
    const TreeNode accounts = folder("Accounts");
    std::vector<TreeNode> items;
    for (int i = 0; i < 40; ++i) items.push_back(item(accounts, "Shop " + std::to_string(100 + i)));

    const auto& lines = find.search("shop");
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(nodes(lines), [&] {
        std::vector<TreeNode> first(items.begin(), items.begin() + 30);
        first.push_back(kNoNode);
        return first;
    }());
    EXPECT_EQ(lines.back().text, QStringLiteral("<< Too Many Results >>"));
    EXPECT_EQ(selected.back(), items[29]);  // the last hit listed
    EXPECT_EQ(find.goTarget(30), kNoNode);
    EXPECT_EQ(find.goTarget(4), items[4]);
    EXPECT_EQ(find.goTarget(-1), items[0]);  // nothing chosen: the first line

    // Exactly thirty distinct hits, however many words match: no overflow line.
    for (int i = 30; i < 40; ++i) tree.remove(items[static_cast<std::size_t>(i)]);
    EXPECT_EQ(find.search("shop").size(), 30u);
}

TEST_F(QuickFindTest, EditsAfterIndexingAreFollowed) {
    const TreeNode mail = folder("Mail");
    const TreeNode box = item(mail, "Mail Box");
    const TreeNode gone = item(mail, "Mailer");
    tree.remove(gone);  // deleted after it was indexed: skipped, not selected
    selected.clear();
    EXPECT_EQ(nodes(find.search("mail")), (std::vector<TreeNode>{mail, box}));
    EXPECT_EQ(selected, (std::vector<TreeNode>{mail, box}));
}

TEST_F(QuickFindTest, LinesCutTitlesAtThirtyAndAddressesAtTwentyCharacters) {
    const TreeNode f = folder("F");
    struct Case {
        std::string title;
        std::string address;
        QString line;
    };
    const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    std::string ae;
    for (int i = 0; i < 40; ++i) ae += "\xC3\xA4";  // "ä" forty times
    const Case cases[] = {
        {forty, "https://example.com/login",
         QStringLiteral("abcdefghijklmnopqrstuvwxyz0123   [ https://example.com/ ]")},
        {"Short", "", QStringLiteral("Short   [  ]")},
        {ae, ae,
         QString(30, QChar(0xE4)) + QStringLiteral("   [ ") + QString(20, QChar(0xE4)) +
             QStringLiteral(" ]")},
        // Not UTF-8: one character per byte, as Windows-1252 shows it.
        {"Caf\xE9", "", QStringLiteral(u"Café   [  ]")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuickFind::lineText(tree, item(f, c.title, c.address)), c.line) << c.title;
    EXPECT_EQ(QuickFind::lineText(tree, folder(forty)),
              QStringLiteral("abcdefghijklmnopqrstuvwxyz0123   << FOLDER >>"));
}

}  // namespace
