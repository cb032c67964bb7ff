#pragma once

#include "net/NetworkDialog.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QDialog>

#include <filesystem>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kivrano {

// "Network": fetches a data file from the data server or from any web address into the
// profile folder as "from_network". The rules are NetworkDialog's; this window shows the
// fields and hands over what the user typed.
class CNetworkDlg : public QDialog {
    Q_OBJECT

public:
    CNetworkDlg(NetworkDialog& logic, DownloadRunner& runner, QWidget* parent = nullptr);

    // Shows the dialog for the profile folder directory, with the [Network] addresses of the
    // settings; true when a download brought a file.
    static bool download(QWidget* parent, platform::SettingsStore& settings, platform::Shell& shell,
                         const std::filesystem::path& directory,
                         const std::string& settingsLocation);

    // The buttons' actions, as their clicks run them.
    void downloadNowClicked();
    void doesntWorkClicked();
    void getFreeIdClicked();

    QLineEdit* addressEdit() const { return m_address; }
    QLineEdit* idEdit() const { return m_id; }
    QLineEdit* emailEdit() const { return m_email; }
    QRadioButton* ourServerButton() const { return m_ourServer; }
    QRadioButton* otherLocationButton() const { return m_otherLocation; }
    QCheckBox* backupBox() const { return m_backup; }
    QPushButton* downloadButton() const { return m_downloadNow; }

protected:
    // Entering a field picks the source it belongs to.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readControls();

    NetworkDialog& m_logic;
    DownloadRunner& m_runner;
    QLineEdit* m_address;
    QLineEdit* m_id;
    QLineEdit* m_email;
    QRadioButton* m_ourServer;
    QRadioButton* m_otherLocation;
    QCheckBox* m_backup;
    QPushButton* m_downloadNow;
};

}  // namespace kivrano
