#include "ui/CKeySettingDlg.h"
#include "ui/DialogButtons.h"

#include "ui/HotKeyEdit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

namespace {

constexpr std::array<const char*, kGlobalHotKeyCount> kLabels = {"ID",
                                                                 "Password",
                                                                 "Etc 1",
                                                                 "Etc 2",
                                                                 "Etc 3",
                                                                 "Etc 4",
                                                                 "Etc 5",
                                                                 "Etc 6",
                                                                 "Memo",
                                                                 "Showing/Hiding This Program",
                                                                 "Connect to Clipboard Address"};

}  // namespace

CHotKeySettingDlg::CHotKeySettingDlg(const Keys& keys, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Hot Key Setting"));
    auto* form = new QFormLayout;
    for (std::size_t id = 0; id < m_edits.size(); ++id) {
        auto* edit = new HotKeyEdit(this);
        edit->setValue(keys[id]);
        form->addRow(QString::fromUtf8(kLabels[id]), edit);
        m_edits[id] = edit;
    }
    QDialogButtonBox* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CHotKeySettingDlg::Keys CHotKeySettingDlg::keys() const {
    Keys keys{};
    for (std::size_t id = 0; id < m_edits.size(); ++id) keys[id] = m_edits[id]->value();
    return keys;
}

QLineEdit* CHotKeySettingDlg::keyEdit(int id) const {
    if (id < 0 || id >= kGlobalHotKeyCount) return nullptr;
    return m_edits[static_cast<std::size_t>(id)];
}

bool QtHotKeySettingDialog::run(std::array<HotKeyValue, kGlobalHotKeyCount>& keys) {
    CHotKeySettingDlg dialog(keys, m_parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    keys = dialog.keys();
    return true;
}

}  // namespace kivrano
