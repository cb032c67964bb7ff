#include "app/ApplicationChoice.h"

#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <deque>

using namespace kivrano;

namespace {

const std::string kFull = "CComboContainer cannot accomodate strings in the input ComboBox";

// An Application dialog over a small table, with a file-open dialog answered from a script.
struct ApplicationDialog : ::testing::Test {
    VaultSettings settings;
    std::int32_t tableSelection = -1;
    kivrano::testing::ScriptedPrompter prompter;
    std::deque<std::optional<std::string>> chosen;
    std::vector<std::string> initialPaths;

    void SetUp() override {
        settings.applicationTable = {"/usr/bin/firefox", "/usr/bin/thunderbird", "/opt/Putty"};
    }

    ApplicationChoice open(std::int32_t appChoice, std::int32_t appIndex) {
        return ApplicationChoice(settings, tableSelection, prompter, chooser(), appChoice,
                                 appIndex);
    }

    ApplicationChoice::ProgramChooser chooser() {
        return [this](const std::string& initial) -> std::optional<std::string> {
            initialPaths.push_back(initial);
            if (chosen.empty()) throw std::logic_error("unexpected file dialog");
            auto answer = chosen.front();
            chosen.pop_front();
            return answer;
        };
    }

    void fillTable(std::size_t count) {
        settings.applicationTable.clear();
        for (std::size_t i = 0; i < count; ++i)
            settings.applicationTable.push_back("/bin/tool" + std::to_string(i));
    }
};

}  // namespace

TEST(ApplicationLabel, FollowsTheChoice) {
    VaultSettings settings;
    settings.applicationTable = {"/usr/bin/firefox"};
    const std::string browser = "Web browser (Firefox)";
    EXPECT_EQ(applicationLabel(settings, 0, 0, browser), browser);
    EXPECT_EQ(applicationLabel(settings, 1, 0, browser), "Email");
    EXPECT_EQ(applicationLabel(settings, 2, 0, browser), "/usr/bin/firefox");
    EXPECT_EQ(applicationLabel(settings, 2, -1, browser), "Not Set");
    // An index beyond the table (a damaged file) must not be read.
    EXPECT_EQ(applicationLabel(settings, 2, 1, browser), "Not Set");
}

TEST(ApplicationPaths, CompareWithoutCaseButNeverLoseBytes) {
    EXPECT_TRUE(samePathIgnoringCase("/Opt/PuTTY", "/opt/putty"));
    EXPECT_TRUE(samePathIgnoringCase("/home/\xC3\x89lise/app", "/HOME/\xC3\xA9lise/APP"));
    EXPECT_FALSE(samePathIgnoringCase("/opt/putty", "/opt/putty2"));
    // Single-byte texts: two different non-ASCII bytes never compare equal.
    EXPECT_FALSE(samePathIgnoringCase("/opt/\xE9", "/opt/\xE8"));
    EXPECT_TRUE(samePathIgnoringCase("/OPT/\xE9", "/opt/\xE9"));
}

TEST_F(ApplicationDialog, OpeningFillsThePathBoxOnlyForAnApplication) {
    auto browser = open(0, 1);
    EXPECT_FALSE(browser.pathControlsEnabled());
    EXPECT_EQ(browser.text(), "");

    auto app = open(2, 1);
    EXPECT_TRUE(app.pathControlsEnabled());
    EXPECT_EQ(app.lines(), settings.applicationTable);
    EXPECT_EQ(app.selectedLine(), 1);
    EXPECT_EQ(app.text(), "/usr/bin/thunderbird");

    // Switching to a browser empties the text; back to an application fills it again.
    app.setChoice(1);
    EXPECT_FALSE(app.pathControlsEnabled());
    EXPECT_EQ(app.text(), "");
    app.setChoice(2);
    EXPECT_EQ(app.text(), "/usr/bin/thunderbird");
}

TEST_F(ApplicationDialog, AnItemWithoutApplicationStartsOnTheLastChosenEntry) {
    tableSelection = 2;
    auto app = open(2, -1);
    EXPECT_EQ(app.selectedLine(), 2);
    EXPECT_EQ(app.text(), "/opt/Putty");

    // A remembered entry that the table no longer holds selects nothing.
    tableSelection = 7;
    EXPECT_EQ(open(2, -1).selectedLine(), -1);
}

TEST_F(ApplicationDialog, OkWithABrowserChoiceLeavesTheTableAndIndexAlone) {
    auto dialog = open(2, 2);
    dialog.setChoice(1);
    auto result = dialog.accept();
    EXPECT_EQ(result.appChoice, 1);
    EXPECT_EQ(result.appIndex, 2);
    EXPECT_EQ(settings.applicationTable.size(), 3u);
    EXPECT_EQ(tableSelection, -1);
}

TEST_F(ApplicationDialog, OkTakesTheSelectedTypedOrClearedPath) {
    struct Case {
        const char* name;
        int selectLine;  // -1: type the text instead
        std::string typed;
        std::int32_t appIndex;
        std::size_t tableSize;
    };
    const Case cases[] = {
        {"selected line", 2, "", 2, 3},
        {"typed, equal to a line but for case", -1, "/USR/BIN/Thunderbird", 1, 3},
        {"typed, new path appended", -1, "/usr/bin/chromium", 3, 4},
        {"cleared: no application", -1, "", -1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        tableSelection = 0;
        auto dialog = open(2, 0);
        if (c.selectLine >= 0)
            dialog.selectLine(c.selectLine);
        else
            dialog.setTypedText(c.typed);
        auto result = dialog.accept();
        EXPECT_EQ(result.appChoice, 2);
        EXPECT_EQ(result.appIndex, c.appIndex);
        EXPECT_EQ(tableSelection, c.appIndex);
        EXPECT_EQ(settings.applicationTable.size(), c.tableSize);
        // An equal path keeps the stored spelling.
        EXPECT_EQ(settings.applicationTable[1], "/usr/bin/thunderbird");
        if (c.tableSize == 4) {
            EXPECT_EQ(settings.applicationTable[3], "/usr/bin/chromium");
        }
    }
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ApplicationDialog, ATypedPathNeedsRoomForOneMoreThanTheTableHolds) {
    // 98 entries: the 99th may still be typed in.
    fillTable(98);
    auto roomy = open(2, -1);
    roomy.setTypedText("/usr/bin/new");
    EXPECT_EQ(roomy.accept().appIndex, 98);
    EXPECT_TRUE(prompter.messages.empty());

    // 99 entries: refused, and the item keeps the application it had, not the table's last
    // choice (which belongs to whichever item was edited last).
    fillTable(99);
    tableSelection = 40;
    auto full = open(0, 5);
    full.setChoice(2);
    full.setTypedText("/usr/bin/other");
    auto result = full.accept();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kFull});
    EXPECT_EQ(result.appChoice, 0);
    EXPECT_EQ(result.appIndex, 5);
    EXPECT_EQ(settings.applicationTable.size(), 99u);
    EXPECT_EQ(tableSelection, 40);
}

TEST_F(ApplicationDialog, BrowseSelectsAnExistingLineOrAppendsOne) {
    chosen = {std::string("/OPT/PUTTY"), std::string("/usr/bin/gimp"), std::nullopt};
    auto dialog = open(2, 1);
    dialog.browse();
    EXPECT_EQ(initialPaths.back(), "/usr/bin/thunderbird");  // the item's current application
    EXPECT_EQ(dialog.selectedLine(), 2);
    EXPECT_EQ(dialog.lines().size(), 3u);

    dialog.browse();
    EXPECT_EQ(dialog.lines().size(), 4u);
    EXPECT_EQ(dialog.selectedLine(), 3);
    EXPECT_EQ(dialog.text(), "/usr/bin/gimp");
    EXPECT_EQ(settings.applicationTable.size(), 3u) << "the table changes only on OK";

    dialog.browse();  // cancelled: nothing changes
    EXPECT_EQ(dialog.selectedLine(), 3);

    auto result = dialog.accept();
    EXPECT_EQ(result.appIndex, 3);
    EXPECT_EQ(settings.applicationTable.back(), "/usr/bin/gimp");
}

TEST_F(ApplicationDialog, ABrowsedLineTypedAgainReachesTheTable) {
    chosen = {std::string("/usr/bin/gimp")};
    auto dialog = open(2, 0);
    dialog.browse();
    // The user then types the same path by hand: the item must not point past the table.
    dialog.setTypedText("/usr/bin/GIMP");
    auto result = dialog.accept();
    EXPECT_EQ(result.appIndex, 3);
    ASSERT_EQ(settings.applicationTable.size(), 4u);
    EXPECT_EQ(settings.applicationTable[3], "/usr/bin/gimp");
}

TEST_F(ApplicationDialog, BrowseNeverOffersMoreLinesThanTheTableCanHold) {
    fillTable(99);
    chosen = {std::string("/usr/bin/a"), std::string("/usr/bin/b")};
    auto dialog = open(2, -1);
    dialog.browse();
    EXPECT_EQ(dialog.lines().size(), 100u);
    dialog.browse();
    EXPECT_EQ(dialog.lines().size(), 100u);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kFull});
    EXPECT_EQ(dialog.text(), "/usr/bin/a");
    EXPECT_EQ(dialog.accept().appIndex, 99);
    EXPECT_EQ(settings.applicationTable.size(), 100u);
}

TEST_F(ApplicationDialog, ChangeForAllItemsReplacesTheEntryAtOnce) {
    prompter.yesNoAnswers = {true};
    chosen = {std::string("/usr/bin/icedove")};
    auto dialog = open(2, 1);
    dialog.changeForAllItems();
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].rfind("Every items using the same application", 0), 0u);
    EXPECT_EQ(initialPaths.back(), "/usr/bin/thunderbird");
    EXPECT_EQ(dialog.text(), "/usr/bin/icedove");
    EXPECT_EQ(dialog.lines()[1], "/usr/bin/icedove");
    EXPECT_EQ(dialog.selectedLine(), 1);
    // Already in the table, before any OK.
    EXPECT_EQ(settings.applicationTable[1], "/usr/bin/icedove");
}

TEST_F(ApplicationDialog, ChangeForAllItemsNeedsASelectedPathAndAYes) {
    auto typed = open(2, 1);
    typed.setTypedText("/usr/bin/typed");
    typed.changeForAllItems();  // no selected line: nothing is asked
    auto cleared = open(2, -1);
    cleared.changeForAllItems();  // no text
    EXPECT_TRUE(prompter.questions.empty());

    prompter.yesNoAnswers = {false, true};
    chosen = {std::nullopt};
    auto dialog = open(2, 1);
    dialog.changeForAllItems();  // No
    dialog.changeForAllItems();  // Yes, then the file dialog is cancelled
    EXPECT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(settings.applicationTable[1], "/usr/bin/thunderbird");
    EXPECT_EQ(dialog.text(), "/usr/bin/thunderbird");
}
