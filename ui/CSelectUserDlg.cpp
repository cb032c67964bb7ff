#include "ui/CSelectUserDlg.h"

#include "platform/qt/VaultText.h"
#include "ui/CNewUserDlg.h"
#include "ui/CRenameDlg.h"
#include "ui/CVisualKeyboardDlg.h"
#include "ui/DialogButtons.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// A menu entry shows '&' as itself, not as a mnemonic.
QString menuText(const std::string& label) {
    return platform::fromVaultText(label).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

CSelectUserDlg::CSelectUserDlg(SelectUser& logic, Prompter& prompter, Hooks hooks, QWidget* parent)
    : QDialog(parent), m_logic(logic), m_prompter(prompter), m_hooks(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Select User"));

    // Created in tab order: the password takes the focus first.
    auto* passwordLabel = new QLabel(QStringLiteral("Encryption &Password"), this);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    passwordLabel->setBuddy(m_password);
    m_merge = new QCheckBox(QStringLiteral("Merge with current &data"), this);
    m_merge->setObjectName(QStringLiteral("merge"));
    auto* keyboard =
        makeButton(QStringLiteral("&Visual Keyboard"), QStringLiteral("visualKeyboard"), this);
    auto* download = makeButton(QStringLiteral("Download data from &network server"),
                                QStringLiteral("download"), this);
    download->setEnabled(bool(m_hooks.download));  // greyed where no download is offered
    auto* ok = makeButton(QStringLiteral("&OK"), QStringLiteral("ok"), this);
    ok->setDefault(true);
    auto* cancel = makeButton(QStringLiteral("&Cancel"), QStringLiteral("cancel"), this);
    auto* add = makeButton(QStringLiteral("&Add New User"), QStringLiteral("addNewUser"), this);
    auto* remove = makeButton(QStringLiteral("&Remove User"), QStringLiteral("removeUser"), this);
    auto* rename = makeButton(QStringLiteral("R&ename"), QStringLiteral("rename"), this);
    m_otherDisks = makeButton(QStringLiteral("O&ther disks"), QStringLiteral("otherDisks"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("users"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {ok, cancel, add, remove, rename, m_otherDisks})
        buttons->addWidget(button);
    buttons->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);

    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(passwordLabel);
    passwordRow->addWidget(m_password, 1);
    passwordRow->addWidget(keyboard);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(passwordRow);
    layout->addWidget(m_merge);
    layout->addWidget(download);

    connect(ok, &QPushButton::clicked, this, &CSelectUserDlg::okClicked);
    connect(cancel, &QPushButton::clicked, this, &CSelectUserDlg::reject);
    connect(add, &QPushButton::clicked, this, &CSelectUserDlg::addNewUserClicked);
    connect(remove, &QPushButton::clicked, this, &CSelectUserDlg::removeUserClicked);
    connect(rename, &QPushButton::clicked, this, &CSelectUserDlg::renameClicked);
    connect(m_otherDisks, &QPushButton::clicked, this, &CSelectUserDlg::otherDisksClicked);
    connect(keyboard, &QPushButton::clicked, this, &CSelectUserDlg::visualKeyboardClicked);
    connect(download, &QPushButton::clicked, this, &CSelectUserDlg::downloadClicked);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            &CSelectUserDlg::listSelectionChanged);
    // A double-click on a name signs in as OK does.
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CSelectUserDlg::okClicked);

    showList();
    m_password->setFocus();
}

std::optional<SignIn> CSelectUserDlg::choose(QWidget* parent, const platform::ProgramPaths& paths,
                                             platform::SettingsStore& settings, Prompter& prompter,
                                             Hooks hooks) {
    SelectUser logic(paths, settings, prompter);
    logic.listProfiles();
    CSelectUserDlg dialog(logic, prompter, std::move(hooks), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return logic.result();
}

void CSelectUserDlg::okClicked() {
    readControls();
    acceptIfSignedIn(m_logic.accept());
}

void CSelectUserDlg::addNewUserClicked() {
    std::optional<NewUserEntry> entry =
        m_hooks.newUser ? m_hooks.newUser(this, m_prompter) : CNewUserDlg::ask(this, m_prompter);
    if (!entry) return;
    readControls();
    const bool signedIn = m_logic.addNewUser(*entry);
    showList();
    if (signedIn) m_password->setText(platform::fromVaultText(entry->password));
    acceptIfSignedIn(signedIn);
}

void CSelectUserDlg::removeUserClicked() {
    m_logic.removeSelected();
    showList();
}

void CSelectUserDlg::renameClicked() {
    if (!m_logic.checkSelected()) return;
    std::optional<std::string> name =
        m_hooks.rename ? m_hooks.rename(this, m_prompter) : CRenameUserDlg::ask(this, m_prompter);
    if (!name) return;
    m_logic.renameSelected(*name);
    showList();
}

void CSelectUserDlg::otherDisksClicked() {
    const std::vector<DiskChoice> choices = m_logic.otherDisks();
    QMenu menu(this);
    menu.setToolTipsVisible(true);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        QAction* action = menu.addAction(menuText(choices[i].label));
        action->setData(static_cast<qulonglong>(i));
        action->setToolTip(QFile::decodeName(choices[i].directory.c_str()));
    }
    const QPoint at = m_otherDisks->mapToGlobal(QPoint(m_otherDisks->width(), 0));
    QAction* chosen = m_hooks.popUpMenu ? m_hooks.popUpMenu(menu, at) : menu.exec(at);
    if (!chosen) return;
    const auto index = static_cast<std::size_t>(chosen->data().toULongLong());
    if (index >= choices.size()) return;
    m_logic.listDirectory(choices[index].directory);
    showList();
}

void CSelectUserDlg::visualKeyboardClicked() {
    readControls();
    std::string text = m_hooks.visualKeyboard ? m_hooks.visualKeyboard(this, m_logic.password())
                                              : CVisualKeyboardDlg::enter(this, m_logic.password());
    m_password->setText(platform::fromVaultText(text));
    m_logic.setPassword(text);
    secureWipe(text);
    acceptIfSignedIn(m_logic.accept());
}

void CSelectUserDlg::downloadClicked() {
    if (!m_hooks.download) return;
    if (m_hooks.download(this, m_logic.directory())) {
        m_logic.afterDownload();
        showList();
    }
}

void CSelectUserDlg::readControls() {
    std::string typed = platform::toVaultText(m_password->text());
    m_logic.setPassword(typed);
    secureWipe(typed);
    m_logic.setMerge(m_merge->isChecked());
}

void CSelectUserDlg::showList() {
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const auto& entry : m_logic.entries())
        m_list->addItem(platform::fromVaultText(entry.name));
    if (const auto selected = m_logic.selection()) {
        const int row = static_cast<int>(*selected);
        m_list->setCurrentRow(row);
        m_list->scrollToItem(m_list->item(row));
    } else {
        m_list->clearSelection();
    }
}

void CSelectUserDlg::listSelectionChanged() {
    const auto selected = m_list->selectedItems();
    if (selected.isEmpty())
        m_logic.select(std::nullopt);
    else
        m_logic.select(static_cast<std::size_t>(m_list->row(selected.front())));
}

void CSelectUserDlg::acceptIfSignedIn(bool signedIn) {
    if (signedIn) QDialog::accept();
}

}  // namespace kivrano
