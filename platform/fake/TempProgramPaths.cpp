#include "platform/fake/TempProgramPaths.h"

#include <random>
#include <stdexcept>
#include <string>

namespace kivrano::platform {

TempProgramPaths::TempProgramPaths() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("kivrano-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_root = candidate;
            std::filesystem::create_directory(m_root / "Profiles");
            m_otherDisks = {m_root, m_root / "Profiles"};
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary program directory");
}

TempProgramPaths::~TempProgramPaths() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

}  // namespace kivrano::platform
