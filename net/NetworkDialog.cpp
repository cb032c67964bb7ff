#include "net/NetworkDialog.h"

#include "net/AddressText.h"
#include "vault/Strings.h"

namespace kivrano {

namespace {

constexpr const char* kNetworkAddress = "NetworkAddress";
constexpr const char* kUserId = "UserId";

}  // namespace

NetworkDialog::NetworkDialog(platform::SettingsStore& settings, platform::Shell& shell,
                             Prompter& prompter, NetworkEndpoints endpoints,
                             std::string settingsLocation, std::filesystem::path directory,
                             DownloaderFactory makeDownloader)
    : m_settings(settings),
      m_shell(shell),
      m_prompter(prompter),
      m_endpoints(std::move(endpoints)),
      m_settingsLocation(std::move(settingsLocation)),
      m_target(std::move(directory) / kTargetName),
      m_makeDownloader(std::move(makeDownloader)) {}

void NetworkDialog::load() {
    const auto key = m_settings.open(platform::SettingsStore::Open::CreateIfMissing);
    if (!key) return;
    if (auto address = key->readString(kNetworkAddress)) m_address = std::move(*address);
    if (auto id = key->readString(kUserId)) m_id = std::move(*id);
}

void NetworkDialog::setEmail(const std::string& email) {
    secureWipe(m_email);
    m_email = email;
}

const std::string& NetworkDialog::serverBase() const {
    return m_useBackup ? m_endpoints.backupServerBase : m_endpoints.primaryServerBase;
}

std::vector<std::string> NetworkDialog::requestAddresses() const {
    if (m_source == Source::OtherLocation) return {m_address};
    std::string base = serverBase();
    if (base.empty()) return {};
    if (base.back() != '/') base += '/';
    const std::string id = encodePathSegment(m_id);
    std::string email = encodePathSegment(m_email);
    std::vector<std::string> addresses{base + id + "_" + email + ".bin",
                                       base + id + "=" + email + ".kvr"};
    secureWipe(email);
    return addresses;
}

void NetworkDialog::downloadNow(DownloadRunner& runner) {
    m_downloaded = false;
    std::vector<std::string> addresses = requestAddresses();
    if (addresses.empty()) {
        m_prompter.message(
            m_useBackup ? endpointMissingMessage("the backup data server",
                                                 networkkeys::kBackupServerBase, m_settingsLocation)
                        : endpointMissingMessage("the data server", networkkeys::kPrimaryServerBase,
                                                 m_settingsLocation),
            Prompter::Icon::Exclamation);
        return;
    }

    // The worker has a connection of its own for this attempt; the second name is asked
    // only when the first failed, not when the user cancelled.
    const DownloadOutcome outcome = runner.run([&](const ProgressReport& progress) {
        const std::unique_ptr<Downloader> downloader = m_makeDownloader();
        DownloadOutcome last;
        for (const std::string& address : addresses) {
            last = downloader->downloadToFile(address, m_target, progress);
            if (last.result != DownloadOutcome::Result::Failed) break;
        }
        return last;
    });
    for (std::string& address : addresses) secureWipe(address);

    if (m_source == Source::OtherLocation)
        store(kNetworkAddress, m_address);
    else
        store(kUserId, m_id);

    switch (outcome.result) {
        case DownloadOutcome::Result::Downloaded:
            m_downloaded = true;
            m_downloadedAny = true;
            m_prompter.message(std::string(text(StringId::DownloadSucceeded)),
                               Prompter::Icon::Information);
            break;
        case DownloadOutcome::Result::Failed: {
            std::string message(text(StringId::DownloadFailed));
            if (!outcome.reason.empty()) message += "\n\n" + outcome.reason;
            m_prompter.message(message, Prompter::Icon::Error);
            break;
        }
        case DownloadOutcome::Result::Cancelled: break;  // the user saw the progress end
    }
}

void NetworkDialog::doesntWork() {
    if (m_endpoints.backupNoticePage.empty()) {
        m_prompter.message(
            endpointMissingMessage("the backup-server notice page", networkkeys::kBackupNoticePage,
                                   m_settingsLocation),
            Prompter::Icon::Information);
        return;
    }
    m_prompter.message(
        std::string(text(StringId::BackupServerNotice)) + m_endpoints.backupNoticePage,
        Prompter::Icon::Information);
}

void NetworkDialog::getFreeId() {
    if (m_endpoints.signUpPage.empty()) {
        m_prompter.message(endpointMissingMessage("the sign-up page", networkkeys::kSignUpPage,
                                                  m_settingsLocation),
                           Prompter::Icon::Exclamation);
        return;
    }
    if (!platform::Shell::succeeded(m_shell.open(m_endpoints.signUpPage, "")))
        m_prompter.message("The sign-up page " + m_endpoints.signUpPage +
                               " could not be opened. Open it in a web browser yourself.",
                           Prompter::Icon::Error);
}

void NetworkDialog::store(const char* name, const std::string& value) {
    // A setting that cannot be stored only means the field starts empty next time.
    if (const auto key = m_settings.open(platform::SettingsStore::Open::CreateIfMissing))
        key->writeString(name, value);
}

}  // namespace kivrano
