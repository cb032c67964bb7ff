#include "app/InfoList.h"
#include "launch/FieldActions.h"

#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "support/SampleVault.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <gtest/gtest.h>

using namespace kivrano;
using kivrano::testing::makeSampleVault;
using kivrano::testing::SampleVault;
using kivrano::testing::ScriptedPrompter;
using platform::RecordingShell;
using Call = RecordingShell::Call;

namespace {

struct InfoListFixture : ::testing::Test {
    SampleVault vault = makeSampleVault();
    RecordingShell shell;
    platform::MemoryClipboard clipboard;
    ScriptedPrompter prompter;
    InfoList list{shell, clipboard, prompter};

    VaultItem& full() { return *vault.tree.item(vault.full); }
};

}  // namespace

TEST_F(InfoListFixture, TenRowsWithNamesMaskingAndHotkeys) {
    vault.settings.globalHotKeys[kHotKeyMemo] = {0x70, HotKeyValue::kAlt | HotKeyValue::kShift};
    full().etcName[2].clear();
    full().password = "abc";
    list.show(vault.tree, vault.full, vault.settings);

    const auto& rows = list.rows();
    ASSERT_EQ(rows.size(), 10u);
    struct Expected {
        const char* name;
        const char* content;
        const char* hotkey;
    };
    // Sample item: ID, password, Etc2, Etc6 and the memo hidden; launching key Ctrl+Shift+M.
    const Expected expected[10] = {
        {"Address", "https://mail.example.com/login?x=1", "Ctrl+Shift+M"},
        {"ID", "*****************", "Ctrl+1"},
        {"Password", "***", "Ctrl+2"},
        {"Name1", "Text number 1", "Ctrl+3"},
        {"Name2", "*************", "Ctrl+4"},
        {" ", "Text number 3", "Ctrl+5"},
        {"Name4", "Text number 4", "Ctrl+6"},
        {"Name5", "Text number 5", "Ctrl+7"},
        {"Name6", "*************", "Ctrl+8"},
        {"Memo", "******************", "Alt+Shift+F1"},
    };
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].name, expected[i].name);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].content, expected[i].content);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].hotkey, expected[i].hotkey);
    }
    EXPECT_TRUE(rows[2].masked);
    EXPECT_FALSE(rows[0].masked);
}

TEST_F(InfoListFixture, UnmaskedMemoShowsOnOneLineAndUnsetKeysShowNothing) {
    full().hideMemo = 0;
    full().memo = "one\r\ntwo\nthree\rfour";
    full().launchKey = {};
    list.show(vault.tree, vault.full, vault.settings);
    EXPECT_EQ(list.rows()[InfoList::kMemoRow].content, "one two three four");
    EXPECT_EQ(list.rows()[0].hotkey, "");
    // The value behind the row keeps its line breaks.
    EXPECT_EQ(InfoList::fieldValue(full(), InfoList::kMemoRow), "one\r\ntwo\nthree\rfour");
}

TEST(InfoListMask, OneAsteriskPerShownCharacter) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"abc", "***"},
        {"p\xC3\xA4ss", "****"},          // UTF-8 "päss"
        {"\xF0\x9F\x94\x91key", "****"},  // a 4-byte character and three letters
        {"\xE4\xE4", "**"},               // Windows-1252 bytes, not UTF-8
    };
    for (const auto& [text, mask] : cases) EXPECT_EQ(InfoList::masked(text), mask) << text;
}

TEST_F(InfoListFixture, FieldValuesAreUnmaskedAndOutOfRangeRowsAreEmpty) {
    const VaultItem& item = full();
    EXPECT_EQ(InfoList::fieldValue(item, 0), item.address);
    EXPECT_EQ(InfoList::fieldValue(item, 1), item.id);
    EXPECT_EQ(InfoList::fieldValue(item, 2), item.password);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(InfoList::fieldValue(item, 3 + k), item.etcText[static_cast<std::size_t>(k)]);
    EXPECT_EQ(InfoList::fieldValue(item, 9), item.memo);
    EXPECT_EQ(InfoList::fieldValue(item, -1), "");
    EXPECT_EQ(InfoList::fieldValue(item, 10), "");
}

TEST_F(InfoListFixture, FolderOrNothingShowsNoRows) {
    list.show(vault.tree, vault.full, vault.settings);
    list.show(vault.tree, vault.mail, vault.settings);
    EXPECT_TRUE(list.rows().empty());
    EXPECT_EQ(list.shownItem(), kNoNode);
    list.show(vault.tree, kNoNode, vault.settings);
    EXPECT_TRUE(list.rows().empty());
    EXPECT_FALSE(list.memoTip(InfoList::kMemoRow));
}

TEST_F(InfoListFixture, CopyPutsTheUnmaskedTextOnTheClipboard) {
    full().password = "abc";
    list.show(vault.tree, vault.full, vault.settings);
    ASSERT_EQ(list.rows()[2].content, "***");
    list.copyToClipboard(vault.full, 2);
    EXPECT_EQ(clipboard.content(), "abc");
    EXPECT_FALSE(clipboard.isOpen());

    // Every field but the address is a secret: hidden from clipboard managers and cleared.
    for (int row = 0; row < InfoList::kRowCount; ++row) {
        list.copyToClipboard(vault.full, row);
        EXPECT_EQ(clipboard.contentIsSecret(), row != 0) << row;
    }

    list.copyToClipboard(vault.full, -1);  // a click below the last row
    EXPECT_EQ(clipboard.content(), "");

    clipboard.setContent("kept");
    clipboard.setOpenable(false);  // another program holds the clipboard
    list.copyToClipboard(vault.full, 2);
    EXPECT_EQ(clipboard.content(), "kept");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(InfoListFixture, ActionsOnAnItemThatLeftTheTreeDoNothing) {
    list.show(vault.tree, vault.full, vault.settings);
    vault.tree.remove(vault.full);
    EXPECT_EQ(list.shownItem(), kNoNode);
    list.copyToClipboard(vault.full, 2);
    list.openWeb(vault.full, 0);
    list.run(vault.full, 0);
    EXPECT_EQ(clipboard.content(), std::nullopt);
    EXPECT_TRUE(shell.calls().empty());
    EXPECT_FALSE(list.memoTip(InfoList::kMemoRow));
    EXPECT_FALSE(list.dragText(vault.full, 1));
}

TEST_F(InfoListFixture, WebEmailAndRunOpenTheFieldText) {
    shell.setBuiltInBrowser("/opt/browser");
    list.show(vault.tree, vault.full, vault.settings);
    list.openWeb(vault.full, 0);
    list.sendEmail(vault.full, 1);
    list.run(vault.full, 3);
    const std::vector<Call> expected{
        {"/opt/browser", "https://mail.example.com/login?x=1"},
        {"mailto:alice@example.com", ""},
        {"Text number 1", ""},
    };
    EXPECT_EQ(shell.calls(), expected);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(FieldOpener, FailuresShowTheirMessages) {
    // Every result of 32 or less is a failure, for all three actions alike.
    for (const int result : {0, 2, 31, 32}) {
        SCOPED_TRACE(result);
        RecordingShell shell;
        ScriptedPrompter prompter;
        FieldOpener opener(shell, prompter);
        shell.setBuiltInBrowser("");  // no browser installed
        shell.setResult("", result);
        shell.setResult("mailto:bob@example.com", result);
        shell.setResult("/no/such/100%s", result);

        EXPECT_FALSE(opener.openWeb("https://example.com"));
        EXPECT_FALSE(opener.sendEmail("bob@example.com"));
        EXPECT_FALSE(opener.run("/no/such/100%s"));
        const std::vector<std::string> expected{
            std::string(text(StringId::NoWebBrowser)),
            "Error occurred while trying to email to this address: bob@example.com.",
            "Error occurred while trying to run a program in this path: /no/such/100%s.",
        };
        EXPECT_EQ(prompter.messages, expected);
    }
    RecordingShell shell;
    ScriptedPrompter prompter;
    shell.setResult("/bin/x", 33);
    EXPECT_TRUE(FieldOpener(shell, prompter).run("/bin/x"));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(FieldOpener, BrowserPathFillsTheMessage) {
    RecordingShell shell;
    ScriptedPrompter prompter;
    shell.setBuiltInBrowser("/usr/bin/gone");
    shell.setResult("/usr/bin/gone", 2);
    FieldOpener(shell, prompter).openWeb("x");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].rfind("Cannot execute the Web browser (gone) - Its path is "
                                         "reported /usr/bin/gone\nCheck",
                                         0),
              0u);
}

TEST_F(InfoListFixture, MemoTipOnlyOverTheMemoRowEvenWhenMasked) {
    ASSERT_EQ(full().hideMemo, 1);
    list.show(vault.tree, vault.full, vault.settings);
    EXPECT_EQ(list.memoTip(InfoList::kMemoRow), full().memo);
    for (const int row : {-1, 0, 2, 8}) EXPECT_FALSE(list.memoTip(row)) << row;
}

TEST_F(InfoListFixture, DragTextIsTheUnmaskedFieldOfARow) {
    list.show(vault.tree, vault.full, vault.settings);
    EXPECT_EQ(list.dragText(vault.full, 2), full().password);
    EXPECT_FALSE(list.dragText(vault.full, -1));
    EXPECT_FALSE(list.dragText(vault.mail, 0));
}

TEST(InfoListMenu, EntriesInOrderWithSendGreyed) {
    std::vector<std::string> texts;
    for (const FieldMenuEntry& entry : InfoList::actionMenu()) {
        const std::string text(entry.text);
        texts.push_back(text.substr(0, text.find('\t')));
        EXPECT_EQ(entry.enabled, entry.action != FieldAction::Send) << text;
    }
    const std::vector<std::string> expected{
        "&Copy to clipboard",
        "",
        "&View/Modify",
        "",
        "&Web - connect to this address",
        "&Email - email to this address",
        "&Run - run program at this location",
        "",
        "C&all - call to this phone number (using modem)",
        "&Hangup - hangup the current call",
        "&Send over phone line (under development)",
    };
    EXPECT_EQ(texts, expected);
}

TEST(InfoListColumns, StoredWidthsAndTheirValidation) {
    using Widths = InfoList::ColumnWidths;
    struct Case {
        std::optional<std::int32_t> w1, w2, w3;
        Widths expected;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, {60, 128, 65}},
        {100, 200, 300, {100, 200, 300}},
        {100, std::nullopt, 0, {100, 128, 0}},  // a missing value keeps its default
        {3000, 0, 0, {3000, 0, 0}},
        {3001, 200, 300, {60, 128, 65}},
        {100, -1, 300, {60, 128, 65}},
        {3, 3, 3, {60, 128, 65}},  // too narrow to find again
        {4, 3, 3, {4, 3, 3}},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore store;
        auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
        if (c.w1) key->writeInt("ColumnWidth1", *c.w1);
        if (c.w2) key->writeInt("ColumnWidth2", *c.w2);
        if (c.w3) key->writeInt("ColumnWidth3", *c.w3);
        EXPECT_EQ(InfoList::loadColumnWidths(store), c.expected)
            << c.w1.value_or(-99) << " " << c.w2.value_or(-99) << " " << c.w3.value_or(-99);
    }

    platform::MemorySettingsStore unreadable;
    unreadable.setReadOnly(true);  // cannot even be created
    EXPECT_EQ(InfoList::loadColumnWidths(unreadable), InfoList::kDefaultWidths);
    EXPECT_FALSE(InfoList::saveColumnWidths(unreadable, {1, 2, 3}));

    platform::MemorySettingsStore store;
    EXPECT_TRUE(InfoList::saveColumnWidths(store, {70, 140, 80}));
    EXPECT_EQ(InfoList::loadColumnWidths(store), (Widths{70, 140, 80}));
    EXPECT_EQ(std::get<std::int32_t>(store.values().at("ColumnWidth2")), 140);
}
