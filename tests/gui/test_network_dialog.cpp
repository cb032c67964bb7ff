#include "ui/CDownloadProgressDlg.h"
#include "ui/CNetworkDlg.h"

#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kivrano;
using kivrano::testing::ScriptedPrompter;

namespace {

class RecordingRunner : public DownloadRunner {
public:
    DownloadOutcome run(const Job& job) override {
        return job([](const DownloadProgress&) { return true; });
    }
};

class AnsweringDownloader : public Downloader {
public:
    explicit AnsweringDownloader(std::vector<std::string>& asked) : m_asked(asked) {}
    DownloadOutcome downloadToFile(const std::string& address, const std::filesystem::path&,
                                   const ProgressReport&) override {
        m_asked.push_back(address);
        return {DownloadOutcome::Result::Downloaded, {}};
    }

private:
    std::vector<std::string>& m_asked;
};

class NetworkDialogWindowTest : public ::testing::Test {
protected:
    NetworkDialogWindowTest() {
        settings.values()["NetworkAddress"] = std::string("http://files.example/last.kvr");
        settings.values()["UserId"] = std::string("joe");
        logic.load();
    }

    void focusInto(QWidget* widget) {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(widget, &focusIn);
    }

    NetworkEndpoints endpoints = [] {
        NetworkEndpoints e;
        e.primaryServerBase = "https://data.example.org/files/";
        return e;
    }();
    platform::MemorySettingsStore settings;
    platform::RecordingShell shell;
    ScriptedPrompter prompter;
    std::vector<std::string> asked;
    NetworkDialog logic{
        settings, shell, prompter, endpoints, "/cfg/Kivrano.ini", "/p/Profiles", [this] {
            return std::make_unique<AnsweringDownloader>(asked);
        }};
    RecordingRunner runner;
};

TEST_F(NetworkDialogWindowTest, ShowsTheLastAddressAndIdWithTheirControls) {
    CNetworkDlg dialog(logic, runner);
    EXPECT_EQ(dialog.windowTitle(), "Network");
    EXPECT_EQ(dialog.addressEdit()->text(), "http://files.example/last.kvr");
    EXPECT_EQ(dialog.idEdit()->text(), "joe");
    EXPECT_EQ(dialog.emailEdit()->text(), "");
    EXPECT_EQ(dialog.emailEdit()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog.ourServerButton()->isChecked());
    EXPECT_FALSE(dialog.backupBox()->isChecked());
    EXPECT_TRUE(dialog.downloadButton()->isDefault());
    EXPECT_EQ(dialog.focusWidget(), dialog.idEdit());
    QStringList texts;
    for (auto* b : dialog.findChildren<QAbstractButton*>()) texts << b->text();
    for (auto* l : dialog.findChildren<QLabel*>()) texts << l->text();
    for (const char* expected :
         {"Read from &our server", "Server Access &ID", "Email as &Password",
          "Read from other &location", "&Specify the web address where your data file is stored.",
          "Read from &backup server", "&Download Now", "&Close", "Doesn't work?", "Get Free ID"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(NetworkDialogWindowTest, EnteringAFieldPicksItsSourceAndDownloadNowAsksIt) {
    CNetworkDlg dialog(logic, runner);
    dialog.show();
    focusInto(dialog.addressEdit());
    EXPECT_TRUE(dialog.otherLocationButton()->isChecked());
    EXPECT_FALSE(dialog.ourServerButton()->isChecked());
    dialog.addressEdit()->setText(QStringLiteral("  http://files.example/new.kvr "));
    dialog.downloadButton()->click();
    EXPECT_EQ(asked, std::vector<std::string>{"http://files.example/new.kvr"});
    EXPECT_TRUE(logic.downloaded());
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{std::string(text(StringId::DownloadSucceeded))});

    focusInto(dialog.emailEdit());
    EXPECT_TRUE(dialog.ourServerButton()->isChecked());
    EXPECT_FALSE(dialog.otherLocationButton()->isChecked());
    dialog.emailEdit()->setText(QStringLiteral("a@b.example"));
    dialog.backupBox()->setChecked(false);
    dialog.downloadButton()->click();
    EXPECT_EQ(asked.back(), "https://data.example.org/files/joe_a@b.example.bin");
    EXPECT_TRUE(dialog.isVisible());  // it stays open for another attempt
}

TEST(DownloadProgressWindow, RunsTheJobOffThisThreadShowsItsProgressAndCancels) {
    const auto uiThread = std::this_thread::get_id();
    std::thread::id jobThread;
    QString shownWhileRunning;
    QTimer::singleShot(0, [&] {
        CDownloadProgressDlg* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<CDownloadProgressDlg*>(w); found && found->isVisible())
                window = found;
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->label()->text().contains("of"); }, 10000));
        shownWhileRunning = window->label()->text();
        window->cancelButton()->click();
    });
    const DownloadOutcome outcome =
        CDownloadProgressDlg::run(nullptr, [&](const ProgressReport& report) {
            jobThread = std::this_thread::get_id();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < deadline) {
                if (!report({1536, 4096}))
                    return DownloadOutcome{DownloadOutcome::Result::Cancelled, {}};
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return DownloadOutcome{};
        });
    EXPECT_EQ(outcome.result, DownloadOutcome::Result::Cancelled);
    EXPECT_NE(jobThread, uiThread);
    EXPECT_EQ(shownWhileRunning, "Received 2 KB of 4 KB");
}

}  // namespace
