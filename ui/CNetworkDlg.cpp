#include "ui/CNetworkDlg.h"

#include "net/CHttpDownloader.h"
#include "net/NetworkEndpoints.h"
#include "platform/qt/StderrDebugSink.h"
#include "platform/qt/VaultText.h"
#include "ui/CDownloadProgressDlg.h"
#include "ui/DialogButtons.h"
#include "ui/QtPrompter.h"
#include "vault/Secure.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// Shows the download's progress over the Network dialog.
class ProgressWindowRunner : public DownloadRunner {
public:
    explicit ProgressWindowRunner(QWidget* parent) : m_parent(parent) {}
    DownloadOutcome run(const Job& job) override {
        return CDownloadProgressDlg::run(m_parent, job);
    }
    void setParent(QWidget* parent) { m_parent = parent; }

private:
    QWidget* m_parent;
};

}  // namespace

CNetworkDlg::CNetworkDlg(NetworkDialog& logic, DownloadRunner& runner, QWidget* parent)
    : QDialog(parent), m_logic(logic), m_runner(runner) {
    setWindowTitle(QStringLiteral("Network"));

    // Created in tab order.
    auto* ourGroup = new QGroupBox(this);
    m_ourServer = new QRadioButton(QStringLiteral("Read from &our server"), ourGroup);
    m_ourServer->setObjectName(QStringLiteral("ourServer"));
    auto* idLabel = new QLabel(QStringLiteral("Server Access &ID"), ourGroup);
    m_id = new QLineEdit(platform::fromVaultText(m_logic.id()), ourGroup);
    m_id->setObjectName(QStringLiteral("id"));
    idLabel->setBuddy(m_id);
    auto* emailLabel = new QLabel(QStringLiteral("Email as &Password"), ourGroup);
    m_email = new QLineEdit(ourGroup);
    m_email->setObjectName(QStringLiteral("email"));
    m_email->setEchoMode(QLineEdit::Password);
    emailLabel->setBuddy(m_email);
    m_backup = new QCheckBox(QStringLiteral("Read from &backup server"), ourGroup);
    m_backup->setObjectName(QStringLiteral("backup"));
    m_backup->setChecked(m_logic.useBackupServer());
    auto* doesntWork =
        makeButton(QStringLiteral("Doesn't work?"), QStringLiteral("doesntWork"), ourGroup);
    auto* getFreeId =
        makeButton(QStringLiteral("Get Free ID"), QStringLiteral("getFreeId"), ourGroup);

    auto* otherGroup = new QGroupBox(this);
    m_otherLocation = new QRadioButton(QStringLiteral("Read from other &location"), otherGroup);
    m_otherLocation->setObjectName(QStringLiteral("otherLocation"));
    auto* addressLabel = new QLabel(
        QStringLiteral("&Specify the web address where your data file is stored."), otherGroup);
    m_address = new QLineEdit(platform::fromVaultText(m_logic.address()), otherGroup);
    m_address->setObjectName(QStringLiteral("address"));
    addressLabel->setBuddy(m_address);

    m_downloadNow =
        makeButton(QStringLiteral("&Download Now"), QStringLiteral("downloadNow"), this);
    m_downloadNow->setDefault(true);
    auto* close = makeButton(QStringLiteral("&Close"), QStringLiteral("close"), this);

    // One choice across the two groups.
    auto* sources = new QButtonGroup(this);
    sources->addButton(m_ourServer);
    sources->addButton(m_otherLocation);
    (m_logic.source() == NetworkDialog::Source::OurServer ? m_ourServer : m_otherLocation)
        ->setChecked(true);

    auto* fields = new QGridLayout;
    fields->addWidget(idLabel, 0, 0);
    fields->addWidget(m_id, 0, 1);
    fields->addWidget(emailLabel, 1, 0);
    fields->addWidget(m_email, 1, 1);
    auto* ourButtons = new QHBoxLayout;
    ourButtons->addWidget(m_backup);
    ourButtons->addStretch();
    ourButtons->addWidget(doesntWork);
    ourButtons->addWidget(getFreeId);
    auto* ourLayout = new QVBoxLayout(ourGroup);
    ourLayout->addWidget(m_ourServer);
    ourLayout->addLayout(fields);
    ourLayout->addLayout(ourButtons);

    auto* otherLayout = new QVBoxLayout(otherGroup);
    otherLayout->addWidget(m_otherLocation);
    otherLayout->addWidget(addressLabel);
    otherLayout->addWidget(m_address);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_downloadNow);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ourGroup);
    layout->addWidget(otherGroup);
    layout->addLayout(buttons);

    for (QLineEdit* edit : {m_id, m_email, m_address}) edit->installEventFilter(this);
    connect(m_downloadNow, &QPushButton::clicked, this, &CNetworkDlg::downloadNowClicked);
    connect(close, &QPushButton::clicked, this, &CNetworkDlg::reject);
    connect(doesntWork, &QPushButton::clicked, this, &CNetworkDlg::doesntWorkClicked);
    connect(getFreeId, &QPushButton::clicked, this, &CNetworkDlg::getFreeIdClicked);

    m_id->setFocus();
}

bool CNetworkDlg::download(QWidget* parent, platform::SettingsStore& settings,
                           platform::Shell& shell, const std::filesystem::path& directory,
                           const std::string& settingsLocation) {
    QtPrompter prompter(parent);
    platform::StderrDebugSink trace;  // with KIVRANO_DEBUG=1: host and outcome, never the path
    NetworkDialog logic(
        settings, shell, prompter, readNetworkEndpoints(settings), settingsLocation, directory,
        [&trace] { return std::make_unique<CHttpDownloader>(CHttpDownloader::Options{}, &trace); });
    logic.load();
    ProgressWindowRunner runner(parent);
    CNetworkDlg dialog(logic, runner, parent);
    prompter.setParent(&dialog);
    runner.setParent(&dialog);
    dialog.exec();
    return logic.downloadedAny();
}

void CNetworkDlg::downloadNowClicked() {
    readControls();
    m_logic.downloadNow(m_runner);  // the progress window keeps this dialog out of reach meanwhile
    m_logic.setEmail({});           // no copy of the password waits for the next attempt
}

void CNetworkDlg::doesntWorkClicked() {
    m_logic.doesntWork();
}

void CNetworkDlg::getFreeIdClicked() {
    m_logic.getFreeId();
}

bool CNetworkDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_address)
            m_otherLocation->setChecked(true);
        else if (watched == m_id || watched == m_email)
            m_ourServer->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void CNetworkDlg::readControls() {
    m_logic.setAddress(platform::toVaultText(m_address->text().trimmed()));
    m_logic.setId(platform::toVaultText(m_id->text()));
    std::string email = platform::toVaultText(m_email->text());
    m_logic.setEmail(email);
    secureWipe(email);
    m_logic.setUseBackupServer(m_backup->isChecked());
    m_logic.setSource(m_otherLocation->isChecked() ? NetworkDialog::Source::OtherLocation
                                                   : NetworkDialog::Source::OurServer);
}

}  // namespace kivrano
