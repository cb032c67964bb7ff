#include "net/NetworkEndpoints.h"

#include <string_view>

namespace kivrano {

namespace {

std::string trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    return text.substr(start);
}

}  // namespace

NetworkEndpoints readNetworkEndpoints(platform::SettingsStore& settings) {
    NetworkEndpoints endpoints;
    const auto key = settings.open(platform::SettingsStore::Open::Existing);
    if (!key) return endpoints;
    const auto read = [&key](const char* name) {
        return trimmed(key->readString(std::string(networkkeys::kGroup) + "/" + name).value_or(""));
    };
    endpoints.uploadEndpoint = read(networkkeys::kUploadEndpoint);
    endpoints.securityFaqPage = read(networkkeys::kSecurityFaqPage);
    endpoints.primaryServerBase = read(networkkeys::kPrimaryServerBase);
    endpoints.backupServerBase = read(networkkeys::kBackupServerBase);
    endpoints.backupNoticePage = read(networkkeys::kBackupNoticePage);
    endpoints.signUpPage = read(networkkeys::kSignUpPage);
    return endpoints;
}

std::string endpointMissingMessage(const std::string& what, const char* key,
                                   const std::string& settingsLocation) {
    return "This installation has no address for " + what + ". Add the line \"" + key +
           "=<address>\" to the [" + networkkeys::kGroup + "] group of \"" + settingsLocation +
           "\" and try again.";
}

}  // namespace kivrano
