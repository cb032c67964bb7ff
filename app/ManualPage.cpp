#include "app/ManualPage.h"

namespace kivrano {

std::filesystem::path findManualPage(const std::filesystem::path& programDirectory,
                                     std::initializer_list<std::string_view> candidates) {
    std::filesystem::path expected;
    for (const std::string_view candidate : candidates) {
        const std::filesystem::path page = (programDirectory / candidate).lexically_normal();
        std::error_code error;
        if (std::filesystem::is_regular_file(page, error)) return page;
        if (expected.empty()) expected = page;
    }
    return expected;
}

}  // namespace kivrano
