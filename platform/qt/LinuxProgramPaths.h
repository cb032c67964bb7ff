#pragma once

#include "platform/ProgramPaths.h"

#include <optional>
#include <string>
#include <string_view>

namespace kivrano::platform {

// The program directory is $KIVRANO_HOME; else the executable's folder when it holds a
// Profiles folder (a portable copy); else $XDG_DATA_HOME/Kivrano.
class LinuxProgramPaths : public ProgramPaths {
public:
    struct Environment {
        std::optional<std::string> kivranoHome;
        std::optional<std::string> xdgDataHome;
        std::optional<std::string> home;
        std::filesystem::path executableDirectory;
        std::string mounts;  // the text of /proc/self/mounts
    };

    LinuxProgramPaths() : LinuxProgramPaths(currentEnvironment()) {}
    explicit LinuxProgramPaths(Environment environment) : m_environment(std::move(environment)) {}

    std::filesystem::path programDirectory() const override;
    std::filesystem::path profileDirectory() const override {
        return programDirectory() / "Profiles";
    }
    // The program directory and its Profiles folder, then each mounted disk with and without
    // Profiles.
    std::vector<std::filesystem::path> otherDisks() const override;

    static Environment currentEnvironment();
    // Mount points of real disks and removable media, in mount order.
    static std::vector<std::filesystem::path> diskMountPoints(std::string_view mounts);

private:
    Environment m_environment;
};

}  // namespace kivrano::platform
