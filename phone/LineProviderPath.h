#pragma once

#include <filesystem>
#include <string>

namespace kivrano {

namespace platform {
class SettingsStore;
}

// The file name of the provider installed with the program (calls through ModemManager).
inline constexpr const char* kDefaultLineProvider = "libkivrano-modemmanager.so";

// The telephony provider library to bind: the settings value "TelephonyProvider" when it is
// set, else the provider installed with the program in `programDir`/../lib/kivrano, else
// the one beside the program. Without any, the installed place is returned, so that the
// trace names where the provider was looked for.
std::string lineProviderPath(platform::SettingsStore& settings,
                             const std::filesystem::path& programDir);

}  // namespace kivrano
