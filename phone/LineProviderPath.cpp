#include "phone/LineProviderPath.h"

#include "platform/SettingsStore.h"

#include <system_error>

namespace kivrano {

std::string lineProviderPath(platform::SettingsStore& settings,
                             const std::filesystem::path& programDir) {
    if (const auto key = settings.open(platform::SettingsStore::Open::Existing))
        if (const auto configured = key->readString("TelephonyProvider");
            configured && !configured->empty())
            return *configured;
    const std::filesystem::path installed =
        (programDir / ".." / "lib" / "kivrano" / kDefaultLineProvider).lexically_normal();
    const std::filesystem::path beside = programDir / kDefaultLineProvider;
    std::error_code error;
    if (!std::filesystem::exists(installed, error) && std::filesystem::exists(beside, error))
        return beside.string();
    return installed.string();
}

}  // namespace kivrano
