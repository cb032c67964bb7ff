#include "launch/ItemLauncher.h"
#include "launch/WebBrowser.h"

#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/RecordingShell.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace kivrano;
using Call = platform::RecordingShell::Call;
using Outcome = ItemLauncher::Outcome;

namespace {

std::string msg(StringId id) {
    return std::string(text(id));
}

constexpr const char* kBrowser = "/usr/bin/x-www-browser";
constexpr const char* kOtherProgram = "/opt/other/bin/editor";

struct LaunchCase {
    const char* name;
    std::int32_t appChoice;
    std::int32_t appIndex;
    std::string address;
    std::string failingTarget;  // the shell refuses this target; empty = every open succeeds
    bool otherProgramInFront;
    std::vector<Call> calls;
    std::vector<std::string> messages;
    Outcome outcome;
};

class ItemLaunchTable : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(ItemLaunchTable, OpensTheTargetOrSaysWhyNot) {
    const LaunchCase& c = GetParam();
    platform::RecordingShell shell;
    platform::FakeWindowSystem windows;
    kivrano::testing::ScriptedPrompter prompter;
    if (c.otherProgramInFront) windows.addWindow(7, {"Editor", "Other", "", 0});
    if (!c.failingTarget.empty()) shell.setResult(c.failingTarget, platform::Shell::kFileNotFound);
    std::vector<std::string> table{"/usr/bin/prog", ""};
    const std::vector<std::string> tableBefore = table;

    VaultItem item;
    item.appChoice = c.appChoice;
    item.appIndex = c.appIndex;
    item.address = c.address;
    ItemLauncher launcher(shell, windows, prompter);

    EXPECT_EQ(launcher.launch(item, table), c.outcome);
    EXPECT_EQ(shell.calls(), c.calls);
    EXPECT_EQ(prompter.messages, c.messages);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(table, tableBefore);
}

// The wording is the browser module's; it names whatever x-www-browser leads to here.
const std::string kCannotRunBrowser = cannotRunBrowserMessage(kBrowser);

INSTANTIATE_TEST_SUITE_P(
    PerChoice, ItemLaunchTable,
    ::testing::Values(
        // Built-in browser: the address is the browser's command line, even when empty.
        LaunchCase{"BrowserWithAddress",
                   0,
                   -1,
                   "https://bank.example/login",
                   "",
                   false,
                   {{kBrowser, "https://bank.example/login"}},
                   {},
                   Outcome::Opened},
        LaunchCase{
            "BrowserEmptyAddress", 0, -1, "", "", false, {{kBrowser, ""}}, {}, Outcome::Opened},
        LaunchCase{"BrowserFails",
                   0,
                   -1,
                   "https://bank.example/",
                   kBrowser,
                   false,
                   {{kBrowser, "https://bank.example/"}},
                   {kCannotRunBrowser},
                   Outcome::Failed},
        // E-mail or default browser: the "@" and "/" rule.
        LaunchCase{"PlainMailAddress",
                   1,
                   -1,
                   "bob@mail.example",
                   "",
                   false,
                   {{"mailto:bob@mail.example", ""}},
                   {},
                   Outcome::Opened},
        LaunchCase{"AtBeforeSlashIsMail",
                   1,
                   -1,
                   "bob@mail.example/x",
                   "",
                   false,
                   {{"mailto:bob@mail.example/x", ""}},
                   {},
                   Outcome::Opened},
        LaunchCase{"SlashBeforeAtIsWeb",
                   1,
                   -1,
                   "https://site.example/~bob@home",
                   "",
                   false,
                   {{"https://site.example/~bob@home", ""}},
                   {},
                   Outcome::Opened},
        LaunchCase{"NoAtIsWeb",
                   1,
                   -1,
                   "www.site.example",
                   "",
                   false,
                   {{"www.site.example", ""}},
                   {},
                   Outcome::Opened},
        LaunchCase{"MailtoGetsSecondPrefix",
                   1,
                   -1,
                   "mailto:bob@mail.example",
                   "",
                   false,
                   {{"mailto:mailto:bob@mail.example", ""}},
                   {},
                   Outcome::Opened},
        LaunchCase{"EmptyAddress",
                   1,
                   -1,
                   "",
                   "",
                   false,
                   {},
                   {msg(StringId::AddressFieldBlank)},
                   Outcome::NothingToOpen},
        LaunchCase{"DefaultFails",
                   1,
                   -1,
                   "www.site.example",
                   "www.site.example",
                   false,
                   {{"www.site.example", ""}},
                   {msg(StringId::CannotConnect)},
                   Outcome::Failed},
        // Application table entry, with the address as its parameters.
        LaunchCase{"Application",
                   2,
                   0,
                   "-u bob host",
                   "",
                   false,
                   {{"/usr/bin/prog", "-u bob host"}},
                   {},
                   Outcome::Opened},
        LaunchCase{"NoApplicationWeInFront",
                   2,
                   -1,
                   "x",
                   "",
                   false,
                   {},
                   {msg(StringId::ApplicationFieldBlank)},
                   Outcome::NothingToOpen},
        LaunchCase{"NoApplicationOtherInFrontIsSilent",
                   2,
                   -1,
                   "x",
                   "",
                   true,
                   {},
                   {},
                   Outcome::NothingToOpen},
        LaunchCase{"EmptyEntry",
                   2,
                   1,
                   "x",
                   "",
                   true,
                   {},
                   {msg(StringId::ApplicationFieldBlank)},
                   Outcome::NothingToOpen},
        LaunchCase{"IndexPastTable",
                   2,
                   5,
                   "x",
                   "",
                   false,
                   {},
                   {msg(StringId::ApplicationFieldBlank)},
                   Outcome::NothingToOpen},
        LaunchCase{"UnknownChoice", 3, 0, "x", "", false, {}, {}, Outcome::NothingToOpen}),
    [](const ::testing::TestParamInfo<LaunchCase>& param) {
        return std::string(param.param.name);
    });

TEST(ItemLauncher, BrowserMessageSaysSoWhenNoneIsInstalled) {
    platform::RecordingShell shell;
    platform::FakeWindowSystem windows;
    kivrano::testing::ScriptedPrompter prompter;
    shell.setBuiltInBrowser("");
    shell.setResult("", platform::Shell::kFileNotFound);
    VaultItem item;
    item.address = "https://bank.example/";
    std::vector<std::string> table;
    EXPECT_EQ(ItemLauncher(shell, windows, prompter).launch(item, table), Outcome::Failed);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], text(StringId::NoWebBrowser));
}

// A program that cannot be started: the user may pick another one, which then serves every
// item sharing the entry; nothing is launched again.
struct MissingProgramCase {
    const char* name;
    bool answer;
    std::optional<std::string> chosen;
    std::vector<std::string> tableAfter;
    Outcome outcome;
};

class MissingProgram : public ::testing::TestWithParam<MissingProgramCase> {};

TEST_P(MissingProgram, AsksAndReplacesTheSharedEntry) {
    const MissingProgramCase& c = GetParam();
    platform::RecordingShell shell;
    platform::FakeWindowSystem windows;
    kivrano::testing::ScriptedPrompter prompter;
    shell.setResult("/usr/bin/gone", platform::Shell::kFileNotFound);
    prompter.yesNoAnswers.push_back(c.answer);
    std::vector<std::string> offered;
    ItemLauncher launcher(shell, windows, prompter, [&](const std::string& initial) {
        offered.push_back(initial);
        return c.chosen;
    });
    std::vector<std::string> table{"/usr/bin/keep", "/usr/bin/gone"};
    VaultItem item;
    item.appChoice = VaultItem::kAppChoiceApplication;
    item.appIndex = 1;
    item.address = "--open file";

    EXPECT_EQ(launcher.launch(item, table), c.outcome);
    EXPECT_EQ(shell.calls(), (std::vector<Call>{{"/usr/bin/gone", "--open file"}}));
    EXPECT_EQ(prompter.questions,
              std::vector<std::string>{msg(StringId::ApplicationMissingQuestion)});
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(table, c.tableAfter);
    EXPECT_EQ(offered,
              c.answer ? std::vector<std::string>{"/usr/bin/gone"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Answers, MissingProgram,
                         ::testing::Values(MissingProgramCase{"YesAndChosen",
                                                              true,
                                                              std::string(kOtherProgram),
                                                              {"/usr/bin/keep", kOtherProgram},
                                                              Outcome::ApplicationReplaced},
                                           MissingProgramCase{"YesButCancelled",
                                                              true,
                                                              std::nullopt,
                                                              {"/usr/bin/keep", "/usr/bin/gone"},
                                                              Outcome::Failed},
                                           MissingProgramCase{"No",
                                                              false,
                                                              std::string(kOtherProgram),
                                                              {"/usr/bin/keep", "/usr/bin/gone"},
                                                              Outcome::Failed}),
                         [](const ::testing::TestParamInfo<MissingProgramCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
