#pragma once

#include "app/TreeCommands.h"

#include <QDialog>

class QLineEdit;

namespace kivrano {

// "Folder Name": one edit for the name of a new or renamed folder.
class CFolderNameDlg : public QDialog {
    Q_OBJECT

public:
    explicit CFolderNameDlg(QWidget* parent = nullptr);

    void setName(const QString& name);
    QString name() const;
    QLineEdit* nameEdit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

// Runs a new Folder Name dialog for each question the folder commands ask.
class QtFolderNameDialog : public FolderNameDialog {
public:
    explicit QtFolderNameDialog(QWidget* parent) : m_parent(parent) {}
    std::optional<std::string> run(const std::string& text) override;

private:
    QWidget* m_parent;
};

}  // namespace kivrano
