#pragma once

#include "app/FindSearch.h"
#include "app/TreeCommands.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kivrano {

class VaultTree;
namespace platform {
class SettingsStore;
}

// "Find": searches the ticked fields for a text and lists every matching item (and folder);
// the chosen result ends the dialog with OK. Its options start from their defaults at every
// opening; the result list's column widths are kept in the settings.
class CFindDlg : public QDialog {
    Q_OBJECT

public:
    // The check boxes under "Find &In", in their order.
    enum Field { Title, Address, Id, Password, Etc, Memo, Folder, FieldCount };

    // The settings must outlive the dialog: its destruction stores the column widths.
    CFindDlg(const VaultTree& tree, platform::SettingsStore& settings, QWidget* parent = nullptr);
    ~CFindDlg() override;

    // The result gone to, once the dialog ended with OK.
    TreeNode chosenNode() const { return m_chosen; }

    QLineEdit* findEdit() const { return m_findEdit; }
    QCheckBox* caseBox() const { return m_caseSensitive; }
    QCheckBox* fieldBox(Field field) const { return m_fields[static_cast<std::size_t>(field)]; }
    QTreeWidget* resultList() const { return m_results; }
    QPushButton* startButton() const { return m_start; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void start();
    void goToSelected();
    FindQuery query() const;

    const VaultTree& m_tree;
    platform::SettingsStore& m_settings;
    QLineEdit* m_findEdit;
    QCheckBox* m_caseSensitive;
    std::array<QCheckBox*, FieldCount> m_fields{};
    QTreeWidget* m_results;
    QPushButton* m_start;
    bool m_widthsSet = false;
    TreeNode m_chosen = kNoNode;
};

// Runs a new Find dialog for each Find command.
class QtFindDialog : public FindDialog {
public:
    QtFindDialog(const VaultTree& tree, platform::SettingsStore& settings, QWidget* parent)
        : m_tree(tree), m_settings(settings), m_parent(parent) {}
    std::optional<TreeNode> run() override;

private:
    const VaultTree& m_tree;
    platform::SettingsStore& m_settings;
    QWidget* m_parent;
};

}  // namespace kivrano
