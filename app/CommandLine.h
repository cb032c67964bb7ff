#pragma once

#include "platform/InstanceRequest.h"

#include <QStringList>

#include <optional>
#include <string>

namespace kivrano {

// What the program was asked to do on its command line.
struct CommandLine {
    bool showHelp = false;
    bool showVersion = false;
    std::string file;  // a ".kvr" file to open, as the shell hands it over
    // --hotkey or --launch-key: a hotkey for the running copy to act on, as if pressed.
    std::optional<platform::InstanceRequest> request;
    std::string error;  // a usage error, to print with the help text
    std::string helpText;
};

// Parses the program's arguments (the first is the program itself).
CommandLine parseCommandLine(const QStringList& arguments);

inline constexpr const char* kProductName = "Kivrano";
inline constexpr const char* kProductVersion = "0.1.0";

}  // namespace kivrano
