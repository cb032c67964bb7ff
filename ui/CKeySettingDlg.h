#pragma once

#include "app/TreeCommands.h"

#include <QDialog>

#include <array>

class QLineEdit;

namespace kivrano {
class HotKeyEdit;
}

namespace kivrano {

// "Hot Key Setting": the eleven global hotkeys, one key control each.
class CHotKeySettingDlg : public QDialog {
    Q_OBJECT

public:
    using Keys = std::array<HotKeyValue, kGlobalHotKeyCount>;

    explicit CHotKeySettingDlg(const Keys& keys, QWidget* parent = nullptr);

    // What the controls hold now, in hotkey id order.
    Keys keys() const;
    // The control of hotkey id (0..10), for tests.
    QLineEdit* keyEdit(int id) const;

private:
    std::array<HotKeyEdit*, kGlobalHotKeyCount> m_edits{};
};

// Runs a new Hot Key Setting dialog for the command.
class QtHotKeySettingDialog : public HotKeySettingDialog {
public:
    explicit QtHotKeySettingDialog(QWidget* parent) : m_parent(parent) {}
    bool run(std::array<HotKeyValue, kGlobalHotKeyCount>& keys) override;

private:
    QWidget* m_parent;
};

}  // namespace kivrano
