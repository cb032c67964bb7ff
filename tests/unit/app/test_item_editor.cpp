#include "app/ItemEditor.h"

#include "platform/fake/FakeWindowSystem.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace kivrano;
using platform::FakeWindowSystem;

namespace {

const std::string kNotInteger = "Please enter an integer.";
const std::string kOutOfRange = "Please enter an integer between -128 and 127.";

struct ItemEditorPages : ::testing::Test {
    kivrano::testing::ScriptedPrompter prompter;
    CKivranoDoc doc{prompter};
    FakeWindowSystem windows;
    VaultItem item;

    // An item as read from a file: every field the editor shows is set.
    void SetUp() override {
        item.state = 1;
        item.title = "Bank";
        item.address = "https://bank.example/login";
        item.id = "alice";
        item.password = "s3cret";
        item.launchKey = {0x74, HotKeyValue::kCtrl};
        item.tabCount = {1, -2, 0, 3, 0, 0, 0, 0};
        item.enterCount = {0, 1, 0, 0, 0, 0, 0, 2};
        item.etcName[1] = "PIN";
        item.etcText[1] = "1234";
        item.hideEtc[1] = 1;
        item.memo = "line 1\nline 2";
        doc.settings().applicationTable = {"/usr/bin/firefox", "/usr/bin/putty"};
    }

    // A browser window directly below our main window, as the user left it to add an item.
    void openBrowserBelowMain(const std::string& title, const std::string& address) {
        windows.addWindow(20, {title, "Navigator", address, 0});
        windows.addWindow(FakeWindowSystem::kMainWindow, {"Kivrano", "KivranoClass", "", 0});
    }
};

}  // namespace

TEST_F(ItemEditorPages, ANewItemTakesTheOpenPageBelowTheProgram) {
    struct Case {
        const char* title;
        const char* expected;
    };
    const Case cases[] = {
        {"Log in - Microsoft Internet Explorer", "Log in"},
        {"Log in - Netscape", "Log in"},
        {"A - B - Microsoft Internet Explorer - Netscape", "A - B"},
        {"Log in \xE2\x80\x94 Mozilla Firefox", "Log in"},
        {"Log in - Mozilla Firefox", "Log in"},
        {"Log in - Chromium", "Log in"},
        {"Log in - Google Chrome", "Log in"},
        {"Log in - Brave", "Log in"},
        {"Log in \xE2\x80\x94 Web", "Log in"},
        {"Plain page title", "Plain page title"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        FakeWindowSystem desktop;
        desktop.addWindow(20, {c.title, "IEFrame", "https://bank.example/", 0});
        desktop.addWindow(FakeWindowSystem::kMainWindow, {"Kivrano", "KivranoClass", "", 0});
        VaultItem fresh;
        ItemEditorSession editor(fresh, doc, &desktop, prompter);
        const BasicPageValues& shown = editor.showBasicPage();
        EXPECT_EQ(shown.title, c.expected);
        EXPECT_EQ(shown.address, "https://bank.example/");
        EXPECT_EQ(fresh.title, c.expected) << "kept in the item even when the editor is cancelled";
        EXPECT_EQ(fresh.state, 1);
    }
}

TEST_F(ItemEditorPages, CaptureSkipsWindowsAboveTheProgramOwnedWindowsAndPagesWithoutAddress) {
    windows.addWindow(30, {"Far page - Microsoft Internet Explorer", "IEFrame", "https://far/", 0});
    windows.addWindow(31, {"Owned", "Dialog", "https://owned/", 30});
    windows.addWindow(32, {"Terminal", "XTerm", "", 0});
    windows.addWindow(FakeWindowSystem::kMainWindow, {"Kivrano", "KivranoClass", "", 0});
    windows.addWindow(40, {"Above us", "IEFrame", "https://above/", 0});

    VaultItem fresh;
    ItemEditorSession editor(fresh, doc, &windows, prompter);
    editor.showBasicPage();
    EXPECT_EQ(fresh.title, "Far page");
    EXPECT_EQ(fresh.address, "https://far/");
}

TEST_F(ItemEditorPages, WithoutAnOpenPageANewItemStartsEmpty) {
    windows.addWindow(32, {"Terminal", "XTerm", "", 0});
    windows.addWindow(FakeWindowSystem::kMainWindow, {"Kivrano", "KivranoClass", "", 0});
    VaultItem fresh;
    fresh.title = "left over";
    ItemEditorSession editor(fresh, doc, &windows, prompter);
    editor.showBasicPage();
    EXPECT_EQ(fresh.title, "");
    EXPECT_EQ(fresh.address, "");

    VaultItem noReader;
    noReader.address = "x";
    ItemEditorSession blind(noReader, doc, nullptr, prompter);
    EXPECT_EQ(blind.showBasicPage().address, "");
    EXPECT_EQ(noReader.state, 1);
}

TEST_F(ItemEditorPages, AnItemIsCapturedOnlyOnce) {
    openBrowserBelowMain("Page - Microsoft Internet Explorer", "https://page/");
    ItemEditorSession editor(item, doc, &windows, prompter);
    EXPECT_EQ(editor.showBasicPage().title, "Bank") << "an existing item is never captured";

    VaultItem fresh;
    {
        ItemEditorSession first(fresh, doc, &windows, prompter);
        first.showBasicPage();
    }
    fresh.title = "Renamed";
    ItemEditorSession second(fresh, doc, &windows, prompter);
    EXPECT_EQ(second.showBasicPage().title, "Renamed");
}

TEST_F(ItemEditorPages, PagesShowTheItem) {
    item.appChoice = 2;
    item.appIndex = 1;
    ItemEditorSession editor(item, doc, &windows, prompter);
    const BasicPageValues& basic = editor.showBasicPage();
    EXPECT_EQ(basic.password, "s3cret");
    EXPECT_EQ(basic.launchKey, item.launchKey);
    EXPECT_EQ(basic.tabCount, (std::array<std::string, 2>{"1", "-2"}));
    EXPECT_EQ(basic.enterCount, (std::array<std::string, 2>{"0", "1"}));
    EXPECT_FALSE(basic.hideId);
    EXPECT_TRUE(basic.hidePassword);
    EXPECT_EQ(basic.appLabel, "/usr/bin/putty");

    const EtcPageValues& etc = editor.showEtcPage();
    EXPECT_EQ(etc.name[1], "PIN");
    EXPECT_TRUE(etc.hide[1]);
    EXPECT_EQ(etc.tabCount[1], "3");    // tabCount index 3 = Etc2
    EXPECT_EQ(etc.enterCount[5], "2");  // enterCount index 7 = Etc6
    EXPECT_EQ(etc.memo, "line 1\nline 2");
}

TEST_F(ItemEditorPages, StartPageAndLastPage) {
    struct Case {
        ItemEditorMode mode;
        int row;
        std::int32_t lastPage;
        int expected;
    };
    const Case cases[] = {
        {ItemEditorMode::Add, -1, 1, ItemEditorSession::kBasicPage},
        {ItemEditorMode::Modify, -1, 1, ItemEditorSession::kEtcPage},
        {ItemEditorMode::Modify, -1, 0, ItemEditorSession::kBasicPage},
        {ItemEditorMode::Modify, 2, 1, ItemEditorSession::kBasicPage},  // Password row
        {ItemEditorMode::Modify, 3, 0, ItemEditorSession::kEtcPage},    // Etc1 row
        {ItemEditorMode::Modify, 9, 0, ItemEditorSession::kEtcPage},    // Memo row
    };
    for (const Case& c : cases) {
        item.lastPage = c.lastPage;
        EXPECT_EQ(ItemEditorSession::startPage(item, {c.mode, c.row}), c.expected)
            << "row " << c.row << " lastPage " << c.lastPage;
    }

    // Showing a page records it at once, so a cancelled editor still remembers it.
    item.lastPage = 0;
    {
        ItemEditorSession editor(item, doc, &windows, prompter);
        editor.showBasicPage();
        editor.showEtcPage();
        editor.close();
    }
    EXPECT_EQ(item.lastPage, 1);
    EXPECT_FALSE(doc.isModified());
}

TEST(ItemEditorCounts, ParseCount) {
    struct Case {
        const char* text;
        ItemEditorSession::CountError error;
        int value;
    };
    const Case cases[] = {
        {"0", ItemEditorSession::CountError::None, 0},
        {" -128 ", ItemEditorSession::CountError::None, -128},
        {"+127", ItemEditorSession::CountError::None, 127},
        {"128", ItemEditorSession::CountError::OutOfRange, 0},
        {"-129", ItemEditorSession::CountError::OutOfRange, 0},
        {"99999999999999999999999", ItemEditorSession::CountError::OutOfRange, 0},
        {"", ItemEditorSession::CountError::NotInteger, 0},
        {"-", ItemEditorSession::CountError::NotInteger, 0},
        {"1.5", ItemEditorSession::CountError::NotInteger, 0},
        {"3x", ItemEditorSession::CountError::NotInteger, 0},
        {"- 3", ItemEditorSession::CountError::NotInteger, 0},
    };
    for (const Case& c : cases) {
        std::int8_t value = 99;
        EXPECT_EQ(ItemEditorSession::parseCount(c.text, value), c.error) << '"' << c.text << '"';
        if (c.error == ItemEditorSession::CountError::None) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST_F(ItemEditorPages, TheFirstBadCountBoxIsReportedAndNothingIsWritten) {
    ItemEditorSession editor(item, doc, &windows, prompter);
    editor.showBasicPage();
    editor.basic().enterCount[0] = "128";
    editor.basic().tabCount[1] = "abc";
    EXPECT_EQ(editor.checkPage(ItemEditorSession::kBasicPage),
              (CountBox{ItemEditorSession::kBasicPage, 0, true}));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kOutOfRange});

    editor.basic().enterCount[0] = "0";
    EXPECT_EQ(editor.checkPage(ItemEditorSession::kBasicPage),
              (CountBox{ItemEditorSession::kBasicPage, 1, false}));
    EXPECT_EQ(prompter.messages.back(), kNotInteger);

    editor.showEtcPage();
    editor.etc().tabCount[4] = "-200";
    EXPECT_EQ(editor.checkPage(ItemEditorSession::kEtcPage),
              (CountBox{ItemEditorSession::kEtcPage, 4, false}));
    EXPECT_EQ(item.tabCount[6], 0);
}

TEST_F(ItemEditorPages, OkWritesOnlyWhatDiffersAndMarksTheDocument) {
    ItemEditorSession editor(item, doc, &windows, prompter);
    editor.showBasicPage();
    EXPECT_FALSE(editor.writeBack()) << "nothing edited";
    EXPECT_FALSE(doc.isModified());

    editor.basic().password = "n3w";
    editor.basic().tabCount[1] = " 5";
    editor.basic().hideId = true;
    editor.basic().launchKey = {0x41, HotKeyValue::kCtrl | HotKeyValue::kAlt};
    EXPECT_TRUE(editor.writeBack());
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(item.password, "n3w");
    EXPECT_EQ(item.tabCount[1], 5);
    EXPECT_EQ(item.hideId, 1);
    EXPECT_EQ(item.launchKey, (HotKeyValue{0x41, 6}));
    EXPECT_EQ(item.etcText[1], "1234") << "the Etc page was never shown";
}

TEST_F(ItemEditorPages, WriteBackRules) {
    struct Case {
        const char* name;
        void (*edit)(BasicPageValues&, EtcPageValues&);
        bool changed;
        void (*check)(const VaultItem&);
    };
    const Case cases[] = {
        {"hide flags compare as true/false",
         [](BasicPageValues& b, EtcPageValues&) { b.hidePassword = true; }, false,
         [](const VaultItem& i) { EXPECT_EQ(i.hidePassword, 7); }},
        {"appIndex is taken only for an application",
         [](BasicPageValues& b, EtcPageValues&) {
             b.appChoice = 1;
             b.appIndex = 0;
         },
         true,
         [](const VaultItem& i) {
             EXPECT_EQ(i.appChoice, 1);
             EXPECT_EQ(i.appIndex, 1);
         }},
        {"application chosen",
         [](BasicPageValues& b, EtcPageValues&) {
             b.appChoice = 2;
             b.appIndex = 0;
         },
         true,
         [](const VaultItem& i) {
             EXPECT_EQ(i.appChoice, 2);
             EXPECT_EQ(i.appIndex, 0);
         }},
        {"Etc row and memo",
         [](BasicPageValues&, EtcPageValues& e) {
             e.text[5] = "extra";
             e.enterCount[0] = "-1";
             e.hide[1] = false;
             e.hideMemo = true;
         },
         true,
         [](const VaultItem& i) {
             EXPECT_EQ(i.etcText[5], "extra");
             EXPECT_EQ(i.enterCount[2], -1);
             EXPECT_EQ(i.hideEtc[1], 0);
             EXPECT_EQ(i.hideMemo, 1);
         }},
        {"same counts typed differently",
         [](BasicPageValues& b, EtcPageValues& e) {
             b.tabCount[0] = "+1";
             e.tabCount[1] = "003";
         },
         false, [](const VaultItem&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        item.hidePassword = 7;
        item.appChoice = 0;
        item.appIndex = 1;
        doc.setModified(false);
        ItemEditorSession editor(item, doc, &windows, prompter);
        editor.showBasicPage();
        editor.showEtcPage();
        c.edit(editor.basic(), editor.etc());
        EXPECT_EQ(editor.writeBack(), c.changed);
        EXPECT_EQ(doc.isModified(), c.changed);
        c.check(item);
    }
}

TEST_F(ItemEditorPages, ClearAllEmptiesOnlyTheSiteInformation) {
    ItemEditorSession editor(item, doc, &windows, prompter);
    BasicPageValues values = editor.showBasicPage();
    ItemEditorSession::clearSiteInformation(values);
    EXPECT_EQ(values.title + values.address + values.id + values.password, "");
    EXPECT_EQ(values.tabCount[0], "1");
    EXPECT_EQ(values.launchKey, item.launchKey);
    EXPECT_TRUE(values.hidePassword);
}

TEST_F(ItemEditorPages, AChangedApplicationTableMarksTheDocumentWhateverTheEnding) {
    {
        ItemEditorSession editor(item, doc, &windows, prompter);
        editor.showBasicPage();
        editor.close();
    }
    EXPECT_FALSE(doc.isModified());
    {
        ItemEditorSession editor(item, doc, &windows, prompter);
        editor.showBasicPage();
        doc.settings().applicationTable[1] = "/usr/bin/kitty";  // "Change for All Items"
        editor.close();                                         // then Cancel
    }
    EXPECT_TRUE(doc.isModified());
}
