#pragma once

#include "net/Downloader.h"
#include "net/NetworkEndpoints.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "vault/Prompter.h"
#include "vault/Secure.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivrano {

// Runs a download while the user watches: the desktop shows its progress with a Cancel
// button and keeps the program responsive; tests run it at once.
class DownloadRunner {
public:
    using Job = std::function<DownloadOutcome(const ProgressReport&)>;
    virtual ~DownloadRunner() = default;
    virtual DownloadOutcome run(const Job& job) = 0;
};

// The Network dialog without its window: fetches a data file from the deployment's data
// server (by Server Access ID and e-mail) or from any web address into the listed profile
// folder as "from_network.kvr". The e-mail serves as the password: it is wiped when done
// and never appears in a message.
class NetworkDialog {
public:
    enum class Source { OurServer = 0, OtherLocation = 1 };
    using DownloaderFactory = std::function<std::unique_ptr<Downloader>()>;

    static constexpr const char* kDefaultAddress = "http://your url here";
    static constexpr const char* kTargetName = "from_network.kvr";

    NetworkDialog(platform::SettingsStore& settings, platform::Shell& shell, Prompter& prompter,
                  NetworkEndpoints endpoints, std::string settingsLocation,
                  std::filesystem::path directory, DownloaderFactory makeDownloader);
    ~NetworkDialog() { secureWipe(m_email); }
    NetworkDialog(const NetworkDialog&) = delete;
    NetworkDialog& operator=(const NetworkDialog&) = delete;

    // The address and the ID used last time.
    void load();

    const std::string& address() const { return m_address; }
    void setAddress(std::string address) { m_address = std::move(address); }
    const std::string& id() const { return m_id; }
    void setId(std::string id) { m_id = std::move(id); }
    void setEmail(const std::string& email);
    Source source() const { return m_source; }
    void setSource(Source source) { m_source = source; }
    bool useBackupServer() const { return m_useBackup; }
    void setUseBackupServer(bool useBackup) { m_useBackup = useBackup; }
    const std::filesystem::path& target() const { return m_target; }
    // Whether the last Download Now brought a file.
    bool downloaded() const { return m_downloaded; }
    // Whether any Download Now did: a later failed or cancelled attempt leaves that file in
    // place, so the profile list must still show it.
    bool downloadedAny() const { return m_downloadedAny; }

    // The addresses Download Now asks, in order: for our server the ".bin" name, then the
    // ".kvr" one. Empty when the server's address is not set.
    std::vector<std::string> requestAddresses() const;

    // Download Now: fetches, tells the user how it went, and remembers the address or ID.
    void downloadNow(DownloadRunner& runner);
    // "Doesn't work?"
    void doesntWork();
    // "Get Free ID"
    void getFreeId();

private:
    const std::string& serverBase() const;
    void store(const char* name, const std::string& value);

    platform::SettingsStore& m_settings;
    platform::Shell& m_shell;
    Prompter& m_prompter;
    NetworkEndpoints m_endpoints;
    std::string m_settingsLocation;
    std::filesystem::path m_target;
    DownloaderFactory m_makeDownloader;

    std::string m_address = kDefaultAddress;
    std::string m_id;
    std::string m_email;
    Source m_source = Source::OurServer;
    bool m_useBackup = false;
    bool m_downloaded = false;
    bool m_downloadedAny = false;
};

}  // namespace kivrano
