#pragma once

#include "platform/SettingsStore.h"

#include <string>

namespace kivrano {

// The addresses of the deployment's web service, from the [Network] group of the program's
// settings. An empty address is one the installation has not set.
struct NetworkEndpoints {
    std::string uploadEndpoint;     // the upload form posts the data file here
    std::string securityFaqPage;    // "Why is it secure?"
    std::string primaryServerBase;  // data files are fetched below this address
    std::string backupServerBase;   // the same on the backup server
    std::string backupNoticePage;   // named by "Doesn't work?"
    std::string signUpPage;         // opened by "Get Free ID"
};

// The settings' names of the addresses above, as written in the settings file.
namespace networkkeys {
inline constexpr const char* kGroup = "Network";
inline constexpr const char* kUploadEndpoint = "UploadEndpoint";
inline constexpr const char* kSecurityFaqPage = "SecurityFaqPage";
inline constexpr const char* kPrimaryServerBase = "PrimaryServerBase";
inline constexpr const char* kBackupServerBase = "BackupServerBase";
inline constexpr const char* kBackupNoticePage = "BackupNoticePage";
inline constexpr const char* kSignUpPage = "SignUpPage";
}  // namespace networkkeys

// Reads the [Network] group; what is missing stays empty.
NetworkEndpoints readNetworkEndpoints(platform::SettingsStore& settings);

// The message for a control whose address is not set: which key to add, and where.
std::string endpointMissingMessage(const std::string& what, const char* key,
                                   const std::string& settingsLocation);

}  // namespace kivrano
