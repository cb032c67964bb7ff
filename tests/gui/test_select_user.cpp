#include "ui/CNewUserDlg.h"
#include "ui/CRenameDlg.h"
#include "ui/CSelectUserDlg.h"

#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/TempProgramPaths.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace kivrano;
namespace fs = std::filesystem;
using kivrano::testing::ScriptedPrompter;

namespace {

std::string msg(StringId id) {
    return std::string(text(id));
}

class SelectUserDialogTest : public ::testing::Test {
protected:
    platform::TempProgramPaths paths;
    platform::MemorySettingsStore settings;
    ScriptedPrompter prompter;
    SelectUser logic{paths, settings, prompter};
    CSelectUserDlg::Hooks hooks;

    void profile(const std::string& fileName, const fs::path& folder = {}) {
        const fs::path dir = folder.empty() ? paths.profileDirectory() : folder;
        fs::create_directories(dir);
        std::ofstream(dir / fileName, std::ios::binary) << "KVR data";
    }

    // The dialog as the sign-in opens it: the profiles listed first.
    std::unique_ptr<CSelectUserDlg> open() {
        logic.listProfiles();
        return std::make_unique<CSelectUserDlg>(logic, prompter, hooks);
    }

    static QPushButton* button(CSelectUserDlg& dialog, const char* name) {
        auto* found = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QStringList shown(CSelectUserDlg& dialog) {
        QStringList names;
        for (int i = 0; i < dialog.userList()->count(); ++i)
            names << dialog.userList()->item(i)->text();
        return names;
    }

    static QString current(CSelectUserDlg& dialog) {
        const auto selected = dialog.userList()->selectedItems();
        return selected.isEmpty() ? QStringLiteral("<none>") : selected.front()->text();
    }
};

}  // namespace

TEST_F(SelectUserDialogTest, ShowsEveryControlWithItsText) {
    profile("Bob.kvr");
    profile("alice.kvr");
    auto dialog = open();

    EXPECT_EQ(dialog->windowTitle(), "Select User");
    const std::pair<const char*, const char*> buttons[] = {
        {"ok", "&OK"},
        {"cancel", "&Cancel"},
        {"addNewUser", "&Add New User"},
        {"removeUser", "&Remove User"},
        {"rename", "R&ename"},
        {"otherDisks", "O&ther disks"},
        {"visualKeyboard", "&Visual Keyboard"},
        {"download", "Download data from &network server"},
    };
    for (const auto& [name, label] : buttons) {
        QPushButton* b = button(*dialog, name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromLatin1(label));
        EXPECT_EQ(b->isDefault(), std::string(name) == "ok") << name;
    }
    EXPECT_EQ(dialog->mergeBox()->text(), "Merge with current &data");
    EXPECT_FALSE(dialog->mergeBox()->isChecked());
    EXPECT_EQ(dialog->passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog->passwordEdit()->text().isEmpty());
    EXPECT_EQ(dialog->focusWidget(), dialog->passwordEdit());
    bool labelled = false;
    for (auto* label : dialog->findChildren<QLabel*>())
        labelled |=
            label->text() == "Encryption &Password" && label->buddy() == dialog->passwordEdit();
    EXPECT_TRUE(labelled);

    EXPECT_EQ(shown(*dialog), (QStringList{"alice", "bob"}));
    EXPECT_EQ(current(*dialog), "alice");
    EXPECT_EQ(dialog->userList()->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(SelectUserDialogTest, EnterSignsInWithTheChosenUserPasswordAndMerge) {
    profile("alice.kvr");
    profile("bob.kvr");
    auto dialog = open();
    dialog->show();

    dialog->userList()->setCurrentRow(1);
    QTest::keyClicks(dialog->passwordEdit(), "pa55 word");
    dialog->mergeBox()->setChecked(true);
    QTest::keyClick(dialog->passwordEdit(), Qt::Key_Return);

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const auto signIn = logic.result();
    ASSERT_TRUE(signIn);
    EXPECT_EQ(signIn->path, paths.profileDirectory() / "bob.kvr");
    EXPECT_EQ(signIn->password, "pa55 word");
    EXPECT_TRUE(signIn->merge);
}

TEST_F(SelectUserDialogTest, OkWithoutASelectionStaysOpen) {
    auto dialog = open();
    dialog->show();
    ASSERT_EQ(dialog->userList()->count(), 0);

    button(*dialog, "ok")->click();

    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::NoSelectedUser)}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), QDialog::Accepted);

    // A double-click on a name signs in like OK.
    profile("carol.kvr");
    auto again = open();
    again->show();
    QListWidget* list = again->userList();
    const QPoint centre = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(again->result(), QDialog::Accepted);
    ASSERT_TRUE(logic.result());
    EXPECT_EQ(logic.result()->userName, "carol");
}

TEST_F(SelectUserDialogTest, AddNewUserSignsInOrRefusesADuplicate) {
    profile("alice.kvr");
    std::vector<std::string> answers = {"ALICE", "Carol"};
    int asked = 0;
    hooks.newUser = [&](QWidget*, Prompter&) -> std::optional<NewUserEntry> {
        if (asked >= 2) return std::nullopt;  // Cancel
        NewUserEntry entry;
        entry.id = answers[static_cast<std::size_t>(asked++)];
        entry.password = entry.confirm = "fresh";
        return entry;
    };
    auto dialog = open();
    dialog->show();
    QTest::keyClicks(dialog->passwordEdit(), "typed before");

    button(*dialog, "addNewUser")->click();
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::UserNameExists)}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(shown(*dialog), (QStringList{"alice"}));

    button(*dialog, "addNewUser")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(shown(*dialog), (QStringList{"alice", "Carol"}));
    EXPECT_EQ(current(*dialog), "Carol");
    EXPECT_EQ(dialog->passwordEdit()->text(), "fresh");
    ASSERT_TRUE(logic.result());
    EXPECT_EQ(logic.result()->path, paths.profileDirectory() / "Carol.kvr");
    EXPECT_EQ(logic.result()->password, "fresh");
}

TEST_F(SelectUserDialogTest, RemoveAndRenameActOnTheSelectedName) {
    profile("alice.kvr");
    profile("bob.kvr");
    std::optional<std::string> newName = "zoe";
    int renameAsked = 0;
    hooks.rename = [&](QWidget*, Prompter&) {
        ++renameAsked;
        return newName;
    };
    auto dialog = open();

    dialog->userList()->setCurrentRow(1);
    prompter.yesNoAnswers = {true};
    button(*dialog, "removeUser")->click();
    EXPECT_EQ(prompter.questions, (std::vector<std::string>{msg(StringId::ReallyRemoveUser)}));
    EXPECT_EQ(shown(*dialog), (QStringList{"alice"}));
    EXPECT_FALSE(fs::exists(paths.profileDirectory() / "bob.kvr"));

    // Nothing selected now: Rename says so without asking for a name.
    button(*dialog, "rename")->click();
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::NoSelectedUser)}));
    EXPECT_EQ(renameAsked, 0);

    dialog->userList()->setCurrentRow(0);
    button(*dialog, "rename")->click();
    EXPECT_EQ(renameAsked, 1);
    EXPECT_EQ(shown(*dialog), (QStringList{"zoe"}));
    EXPECT_EQ(current(*dialog), "zoe");
    EXPECT_TRUE(fs::exists(paths.profileDirectory() / "zoe.kvr"));

    newName.reset();  // the Rename dialog cancelled: nothing happens
    button(*dialog, "rename")->click();
    EXPECT_EQ(shown(*dialog), (QStringList{"zoe"}));
}

TEST_F(SelectUserDialogTest, OtherDisksMenuOpensBesideTheButtonAndListsTheChoice) {
    const fs::path usb = paths.programDirectory() / "usb & stick";
    paths.setOtherDisks(
        {paths.programDirectory(), paths.profileDirectory(), usb, usb / "Profiles"});
    profile("home.kvr");
    profile("Erin.kvr", usb / "Profiles");
    QStringList entries;
    QPoint shownAt;
    QString pick = QStringLiteral("<none>");
    hooks.popUpMenu = [&](QMenu& menu, const QPoint& at) -> QAction* {
        shownAt = at;
        entries.clear();
        QAction* chosen = nullptr;
        for (QAction* action : menu.actions()) {
            entries << action->text();
            if (action->text() == pick) chosen = action;
        }
        return chosen;
    };
    auto dialog = open();
    dialog->show();

    button(*dialog, "otherDisks")->click();
    const QString usbText = QString::fromStdString(usb.string()).replace("&", "&&");
    EXPECT_EQ(entries, (QStringList{"Current Directory", "Current Directory\\Profiles", usbText,
                                    usbText + "/Profiles"}));
    QPushButton* other = dialog->otherDisksButton();
    EXPECT_EQ(shownAt, other->mapToGlobal(QPoint(other->width(), 0)));
    EXPECT_EQ(shown(*dialog), (QStringList{"home"}));  // dismissed: nothing changes

    pick = usbText + "/Profiles";
    button(*dialog, "otherDisks")->click();
    EXPECT_EQ(shown(*dialog), (QStringList{"erin"}));
    button(*dialog, "ok")->click();
    ASSERT_TRUE(logic.result());
    EXPECT_EQ(logic.result()->path, usb / "Profiles" / "Erin.kvr");
}

TEST_F(SelectUserDialogTest, VisualKeyboardTextBecomesThePasswordAndSignsIn) {
    std::string handedIn;
    hooks.visualKeyboard = [&](QWidget*, const std::string& text) {
        handedIn = text;
        return text + "+keys";
    };
    auto dialog = open();
    dialog->show();
    QTest::keyClicks(dialog->passwordEdit(), "typed");

    // No profile to sign in to: the text stays in the field and "No Selected User." follows.
    button(*dialog, "visualKeyboard")->click();
    EXPECT_EQ(handedIn, "typed");
    EXPECT_EQ(dialog->passwordEdit()->text(), "typed+keys");
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::NoSelectedUser)}));
    EXPECT_TRUE(dialog->isVisible());

    profile("alice.kvr");
    auto second = open();
    second->show();
    button(*second, "visualKeyboard")->click();
    EXPECT_EQ(second->result(), QDialog::Accepted);
    ASSERT_TRUE(logic.result());
    EXPECT_EQ(logic.result()->password, "+keys");
}

TEST_F(SelectUserDialogTest, DownloadRelistsOnlyAfterASuccessfulDownload) {
    profile("zed.kvr");
    auto idle = open();
    EXPECT_FALSE(button(*idle, "download")->isEnabled());  // greyed where nothing is wired in

    fs::path downloadedInto;
    bool succeed = false;
    hooks.download = [&](QWidget*, const fs::path& directory) {
        downloadedInto = directory;
        if (succeed) profile("from_network.kvr", directory);
        return succeed;
    };
    auto dialog = open();
    EXPECT_TRUE(button(*dialog, "download")->isEnabled());
    button(*dialog, "download")->click();
    EXPECT_EQ(downloadedInto, paths.profileDirectory());
    EXPECT_EQ(shown(*dialog), (QStringList{"zed"}));

    succeed = true;
    button(*dialog, "download")->click();
    EXPECT_EQ(shown(*dialog), (QStringList{"from_network", "zed"}));
    EXPECT_EQ(current(*dialog), "from_network");
}

TEST(NewUserDialog, StaysOpenUntilThePasswordsMatch) {
    ScriptedPrompter prompter;
    CNewUserDlg dialog(prompter);
    EXPECT_EQ(dialog.windowTitle(), "New User");
    EXPECT_EQ(dialog.idEdit()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.confirmEdit()->echoMode(), QLineEdit::Password);
    dialog.show();

    QTest::keyClicks(dialog.idEdit(), "Dana");
    QTest::keyClicks(dialog.passwordEdit(), "Secret");
    QTest::keyClicks(dialog.confirmEdit(), "secret");
    QTest::keyClick(dialog.confirmEdit(), Qt::Key_Return);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::PasswordsDontMatch)}));
    EXPECT_TRUE(dialog.isVisible());

    dialog.confirmEdit()->setText("Secret");
    QTest::keyClick(dialog.confirmEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const NewUserEntry entry = dialog.entry();
    EXPECT_EQ(entry.id, "Dana");
    EXPECT_EQ(entry.password, "Secret");
}

TEST(RenameDialog, RefusesANameWithAFolderSeparator) {
    ScriptedPrompter prompter;
    CRenameUserDlg dialog(prompter);
    EXPECT_EQ(dialog.windowTitle(), "Rename");
    bool labelled = false;
    for (auto* label : dialog.findChildren<QLabel*>())
        labelled |= label->text() == "Enter a new name please";
    EXPECT_TRUE(labelled);
    dialog.show();

    QTest::keyClicks(dialog.nameEdit(), "a/b");
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{msg(StringId::UserNameHasSeparator)}));
    EXPECT_TRUE(dialog.isVisible());

    dialog.nameEdit()->setText("\xC3\xA9mile");
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.newName(), "\xC3\xA9mile");
}
