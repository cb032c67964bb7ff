#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

namespace kivrano {

class Prompter;

// "Rename": the new name of a profile. The Select User dialog renames the file.
class CRenameUserDlg : public QDialog {
    Q_OBJECT

public:
    explicit CRenameUserDlg(Prompter& prompter, QWidget* parent = nullptr);

    // Shows the dialog modally; the new name after OK, nothing after Cancel.
    static std::optional<std::string> ask(QWidget* parent, Prompter& prompter);

    std::string newName() const;
    // OK: stays open, with a message, while the name cannot be a file name.
    void accept() override;

    QLineEdit* nameEdit() const { return m_name; }

private:
    Prompter& m_prompter;
    QLineEdit* m_name;
};

}  // namespace kivrano
