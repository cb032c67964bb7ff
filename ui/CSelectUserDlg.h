#pragma once

#include "app/SelectUser.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPoint;
class QPushButton;

namespace kivrano {

// "Select User", the sign-in: the profiles of a folder, the password of the chosen one, and
// adding, removing, renaming profiles and looking on other disks. The rules are SelectUser's;
// this window shows the list and collects the user's choices.
class CSelectUserDlg : public QDialog {
    Q_OBJECT

public:
    // The windows the dialog opens in turn. An empty hook opens the program's own dialog;
    // tests answer through them instead.
    struct Hooks {
        std::function<std::optional<NewUserEntry>(QWidget* parent, Prompter&)> newUser;
        std::function<std::optional<std::string>(QWidget* parent, Prompter&)> rename;
        std::function<std::string(QWidget* parent, const std::string& text)> visualKeyboard;
        // Pops the "Other disks" menu up with its top-left corner at a screen position and
        // returns the chosen entry (null when the menu was dismissed).
        std::function<QAction*(QMenu& menu, const QPoint& at)> popUpMenu;
        // "Download data from &network server": fetches a data file into the folder listed;
        // true when the last attempt succeeded. Without it the button is greyed.
        std::function<bool(QWidget* parent, const std::filesystem::path& directory)> download;
    };

    CSelectUserDlg(SelectUser& logic, Prompter& prompter, Hooks hooks = {},
                   QWidget* parent = nullptr);

    // Lists the profiles, shows the dialog modally and returns the chosen profile file, its
    // password and the merge flag; nothing when the user cancelled.
    static std::optional<SignIn> choose(QWidget* parent, const platform::ProgramPaths& paths,
                                        platform::SettingsStore& settings, Prompter& prompter,
                                        Hooks hooks = {});

    // The buttons' actions, as their clicks run them.
    void okClicked();
    void addNewUserClicked();
    void removeUserClicked();
    void renameClicked();
    void otherDisksClicked();
    void visualKeyboardClicked();
    void downloadClicked();

    QLineEdit* passwordEdit() const { return m_password; }
    QCheckBox* mergeBox() const { return m_merge; }
    QListWidget* userList() const { return m_list; }
    QPushButton* otherDisksButton() const { return m_otherDisks; }

private:
    void readControls();
    void showList();
    void listSelectionChanged();
    void acceptIfSignedIn(bool signedIn);

    SelectUser& m_logic;
    Prompter& m_prompter;
    Hooks m_hooks;
    QLineEdit* m_password;
    QCheckBox* m_merge;
    QListWidget* m_list;
    QPushButton* m_otherDisks;
};

}  // namespace kivrano
