#pragma once

#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace kivrano {

// Where Help finds the HTML manual: each candidate is a path relative to the folder of the
// running program (an installed program's share/doc, then the build tree's copy). The
// first that exists is the manual; when none does, the first candidate, so that the
// message names where the manual was expected.
std::filesystem::path findManualPage(const std::filesystem::path& programDirectory,
                                     std::initializer_list<std::string_view> candidates);

}  // namespace kivrano
