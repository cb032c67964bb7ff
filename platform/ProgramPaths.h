#pragma once

#include <filesystem>
#include <vector>

namespace kivrano::platform {

class ProgramPaths {
public:
    virtual ~ProgramPaths() = default;

    // Where the program keeps its own files; ends without a separator.
    virtual std::filesystem::path programDirectory() const = 0;
    // programDirectory()/Profiles: one data file per user profile.
    virtual std::filesystem::path profileDirectory() const = 0;
    // The folders offered under "Other disks", in menu order.
    virtual std::vector<std::filesystem::path> otherDisks() const = 0;
};

}  // namespace kivrano::platform
