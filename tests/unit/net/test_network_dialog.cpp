#include "net/NetworkDialog.h"

#include "LoopbackServer.h"
#include "net/CHttpDownloader.h"
#include "platform/fake/CapturedDebugSink.h"
#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "support/ScratchDirectory.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>

namespace kivrano {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedPrompter;
using Result = DownloadOutcome::Result;

// Runs the job at once, as if the user only watched.
class ImmediateRunner : public DownloadRunner {
public:
    DownloadOutcome run(const Job& job) override {
        ++runs;
        return job([](const DownloadProgress&) { return true; });
    }
    int runs = 0;
};

// Records the addresses asked and answers from a script.
class ScriptedDownloader : public Downloader {
public:
    ScriptedDownloader(std::vector<std::string>& asked, std::deque<DownloadOutcome>& answers)
        : m_asked(asked), m_answers(answers) {}
    DownloadOutcome downloadToFile(const std::string& address, const fs::path& target,
                                   const ProgressReport&) override {
        m_asked.push_back(address + " -> " + target.string());
        DownloadOutcome answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

private:
    std::vector<std::string>& m_asked;
    std::deque<DownloadOutcome>& m_answers;
};

class NetworkDialogTest : public ::testing::Test {
protected:
    NetworkDialogTest() {
        endpoints.primaryServerBase = "https://data.example.org/files/";
        endpoints.backupServerBase = "https://backup.example.org/files";  // no final slash
        endpoints.backupNoticePage = "https://data.example.org/backup.html";
        endpoints.signUpPage = "https://data.example.org/signup.html";
    }

    std::unique_ptr<NetworkDialog> dialog() {
        auto d = std::make_unique<NetworkDialog>(
            settings, shell, prompter, endpoints, "/cfg/Kivrano.ini", "/p/Profiles",
            [this] { return std::make_unique<ScriptedDownloader>(asked, answers); });
        d->load();
        return d;
    }
    std::optional<std::string> stored(const std::string& name) {
        auto it = settings.values().find(name);
        if (it == settings.values().end()) return std::nullopt;
        return std::get<std::string>(it->second);
    }

    NetworkEndpoints endpoints;
    platform::MemorySettingsStore settings;
    platform::RecordingShell shell;
    ScriptedPrompter prompter;
    ImmediateRunner runner;
    std::vector<std::string> asked;
    std::deque<DownloadOutcome> answers;
};

TEST_F(NetworkDialogTest, OurServerIsAskedForTheIdAndEmailUnderTwoNames) {
    const struct {
        std::string id;
        std::string email;
        bool backup;
        std::vector<std::string> addresses;
    } cases[] = {
        {"joe",
         "E",
         false,
         {"https://data.example.org/files/joe_E.bin", "https://data.example.org/files/joe=E.kvr"}},
        {"joe",
         "joe+x@mail.example",
         true,
         {"https://backup.example.org/files/joe_joe+x@mail.example.bin",
          "https://backup.example.org/files/joe=joe+x@mail.example.kvr"}},
        // Nothing typed can lead to another server or path.
        {"../j o",
         "@evil.example/x?y#z%",
         false,
         {"https://data.example.org/files/..%2Fj%20o_@evil.example%2Fx%3Fy%23z%25.bin",
          "https://data.example.org/files/..%2Fj%20o=@evil.example%2Fx%3Fy%23z%25.kvr"}},
    };
    for (const auto& c : cases) {
        auto d = dialog();
        d->setId(c.id);
        d->setEmail(c.email);
        d->setUseBackupServer(c.backup);
        EXPECT_EQ(d->requestAddresses(), c.addresses) << c.id;
    }
}

TEST_F(NetworkDialogTest, TheSecondNameIsAskedOnlyWhenTheFirstFailed) {
    auto d = dialog();
    d->setId("joe");
    d->setEmail("E");
    answers = {{Result::Failed, "The server answered with status 404 instead of the file."},
               {Result::Downloaded, {}}};
    d->downloadNow(runner);
    EXPECT_EQ(asked,
              (std::vector<std::string>{
                  "https://data.example.org/files/joe_E.bin -> /p/Profiles/from_network.kvr",
                  "https://data.example.org/files/joe=E.kvr -> /p/Profiles/from_network.kvr"}));
    EXPECT_TRUE(d->downloaded());
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{std::string(text(StringId::DownloadSucceeded))});
    EXPECT_EQ(stored("UserId"), "joe");
    EXPECT_EQ(runner.runs, 1);

    // A cancel stops there, with nothing to say; a failure says why, without the e-mail.
    asked.clear();
    prompter.messages.clear();
    answers = {{Result::Cancelled, {}}};
    d->downloadNow(runner);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(d->downloaded());
    EXPECT_TRUE(d->downloadedAny());  // the file of the first attempt is still there
    EXPECT_TRUE(prompter.messages.empty());

    answers = {{Result::Failed, "first"}, {Result::Failed, "The server could not be reached."}};
    d->downloadNow(runner);
    EXPECT_FALSE(d->downloaded());
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{std::string(text(StringId::DownloadFailed)) +
                                       "\n\nThe server could not be reached."});
}

TEST_F(NetworkDialogTest, TheAddressIsRememberedEvenWhenItsDownloadFailed) {
    auto d = dialog();
    EXPECT_EQ(d->address(), "http://your url here");
    EXPECT_EQ(d->id(), "");
    d->setSource(NetworkDialog::Source::OtherLocation);
    d->setAddress("http://files.example/ann.kvr");
    d->setId("joe");  // not used for another location, so not stored
    answers = {{Result::Failed, "The server could not be reached."}};
    d->downloadNow(runner);
    EXPECT_EQ(asked, std::vector<std::string>{
                         "http://files.example/ann.kvr -> /p/Profiles/from_network.kvr"});
    EXPECT_FALSE(d->downloaded());

    settings.values()["UserId"] = std::string("ann");
    auto again = dialog();
    EXPECT_EQ(again->address(), "http://files.example/ann.kvr");
    EXPECT_EQ(again->id(), "ann");
}

TEST_F(NetworkDialogTest, AnAddressNotSetIsExplainedInsteadOfTried) {
    endpoints = {};
    auto d = dialog();
    d->downloadNow(runner);
    d->setUseBackupServer(true);
    d->downloadNow(runner);
    d->doesntWork();
    d->getFreeId();
    ASSERT_EQ(prompter.messages.size(), 4u);
    const char* keys[] = {
        "PrimaryServerBase=", "BackupServerBase=", "BackupNoticePage=", "SignUpPage="};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(prompter.messages[i].find(keys[i]), std::string::npos) << prompter.messages[i];
        EXPECT_NE(prompter.messages[i].find("[Network] group of \"/cfg/Kivrano.ini\""),
                  std::string::npos);
    }
    EXPECT_EQ(runner.runs, 0);
    EXPECT_TRUE(shell.calls().empty());
}

TEST_F(NetworkDialogTest, DoesntWorkNamesTheNoticePageAndGetFreeIdOpensTheSignUpPage) {
    auto d = dialog();
    d->doesntWork();
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{std::string(text(StringId::BackupServerNotice)) +
                                       "https://data.example.org/backup.html"});
    d->getFreeId();
    EXPECT_EQ(shell.calls(), (std::vector<platform::RecordingShell::Call>{
                                 {"https://data.example.org/signup.html", ""}}));
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(NetworkDialogOverTheWire, TheEmailReachesTheServerEncodedAndNeverTheTraceOrAMessage) {
    const kivrano::testing::ScratchDirectory scratch("kivrano-net");
    const fs::path& work = scratch.path();
    fs::create_directories(work / "served");
    fs::create_directories(work / "Profiles");
    const std::string vault = readFile(fs::path(KIVRANO_FIXTURE_DIR) / "current-KVR2.04.kvr");
    // The server keeps the file under the decoded name; only the ".kvr" name exists.
    std::ofstream(work / "served" / "jo e=a?b#c@x.org.kvr", std::ios::binary) << vault;
    testing::LoopbackServer server(work / "served");

    NetworkEndpoints endpoints;
    endpoints.primaryServerBase = server.address("/files/");
    platform::MemorySettingsStore settings;
    platform::RecordingShell shell;
    ScriptedPrompter prompter;
    platform::CapturedDebugSink trace;
    ImmediateRunner runner;
    NetworkDialog d(
        settings, shell, prompter, endpoints, "/cfg/Kivrano.ini", work / "Profiles",
        [&trace] { return std::make_unique<CHttpDownloader>(CHttpDownloader::Options{}, &trace); });
    d.setId("jo e");
    d.setEmail("a?b#c@x.org");
    d.downloadNow(runner);

    EXPECT_TRUE(d.downloaded());
    EXPECT_EQ(readFile(work / "Profiles" / "from_network.kvr"), vault);
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/files/jo%20e_a%3Fb%23c@x.org.bin",
                                                           "/files/jo%20e=a%3Fb%23c@x.org.kvr"}));

    d.setEmail("not?there@x.org");
    d.downloadNow(runner);
    EXPECT_FALSE(d.downloaded());
    EXPECT_FALSE(trace.text().empty());
    for (const std::string secret : {"a?b#c", "a%3Fb", "not?there", "not%3Fthere"}) {
        EXPECT_EQ(trace.text().find(secret), std::string::npos) << trace.text();
        for (const auto& message : prompter.messages)
            EXPECT_EQ(message.find(secret), std::string::npos) << message;
    }
}

}  // namespace
}  // namespace kivrano
