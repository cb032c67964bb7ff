#include "platform/qt/LinuxProgramPaths.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kivrano::platform {

namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// Mount table fields escape blanks, tabs, newlines and backslashes as \ooo.
std::string unescapeMountField(std::string_view field) {
    std::string result;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            result.push_back(static_cast<char>(value));
            i += 3;
        } else {
            result.push_back(field[i]);
        }
    }
    return result;
}

bool under(const std::string& path, std::string_view folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

}  // namespace

LinuxProgramPaths::Environment LinuxProgramPaths::currentEnvironment() {
    Environment environment;
    environment.kivranoHome = variable("KIVRANO_HOME");
    environment.xdgDataHome = variable("XDG_DATA_HOME");
    environment.home = variable("HOME");
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) environment.executableDirectory = executable.parent_path();
    std::ifstream mounts("/proc/self/mounts");
    std::ostringstream text;
    text << mounts.rdbuf();
    environment.mounts = text.str();
    return environment;
}

std::filesystem::path LinuxProgramPaths::programDirectory() const {
    if (m_environment.kivranoHome) {
        auto home = std::filesystem::path(*m_environment.kivranoHome).lexically_normal();
        if (!home.has_filename() && home != home.root_path()) home = home.parent_path();
        return home;
    }
    std::error_code error;
    if (!m_environment.executableDirectory.empty() &&
        std::filesystem::is_directory(m_environment.executableDirectory / "Profiles", error))
        return m_environment.executableDirectory;
    std::filesystem::path data;
    if (m_environment.xdgDataHome)
        data = *m_environment.xdgDataHome;
    else if (m_environment.home)
        data = std::filesystem::path(*m_environment.home) / ".local" / "share";
    else
        data = std::filesystem::temp_directory_path();
    return data / "Kivrano";
}

std::vector<std::filesystem::path> LinuxProgramPaths::diskMountPoints(std::string_view mounts) {
    std::vector<std::filesystem::path> points;
    std::istringstream lines{std::string(mounts)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if (!(fields >> source >> target)) continue;
        source = unescapeMountField(source);
        target = unescapeMountField(target);
        const bool device = source.rfind("/dev/", 0) == 0;
        const bool media =
            under(target, "/media") || under(target, "/mnt") || under(target, "/run/media");
        if (!device && !media) continue;
        if (std::find(points.begin(), points.end(), target) == points.end())
            points.emplace_back(target);
    }
    return points;
}

std::vector<std::filesystem::path> LinuxProgramPaths::otherDisks() const {
    const auto program = programDirectory();
    std::vector<std::filesystem::path> disks{program, program / "Profiles"};
    for (const auto& point : diskMountPoints(m_environment.mounts)) {
        for (auto folder : {point, point / "Profiles"}) {
            if (std::find(disks.begin(), disks.end(), folder) == disks.end())
                disks.push_back(folder);
        }
    }
    return disks;
}

}  // namespace kivrano::platform
