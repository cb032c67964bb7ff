#pragma once

#include "platform/ProgramPaths.h"

namespace kivrano::platform {

// A fresh program directory with an empty Profiles folder under the system's temporary
// folder, removed with everything in it when the object goes.
class TempProgramPaths : public ProgramPaths {
public:
    TempProgramPaths();
    ~TempProgramPaths() override;
    TempProgramPaths(const TempProgramPaths&) = delete;
    TempProgramPaths& operator=(const TempProgramPaths&) = delete;

    std::filesystem::path programDirectory() const override { return m_root; }
    std::filesystem::path profileDirectory() const override { return m_root / "Profiles"; }
    std::vector<std::filesystem::path> otherDisks() const override { return m_otherDisks; }

    void setOtherDisks(std::vector<std::filesystem::path> disks) {
        m_otherDisks = std::move(disks);
    }

private:
    std::filesystem::path m_root;
    std::vector<std::filesystem::path> m_otherDisks;
};

}  // namespace kivrano::platform
