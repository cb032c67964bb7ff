#pragma once

#include <cstdint>

namespace kivrano {

// Handle of a node of the folder and item tree. 0 means "no node". Handles are never
// 0..10 (those are the global hotkey ids, and an item's launching key is registered under
// its node's handle) and are never reused while the program runs.
using TreeNode = std::uint32_t;
inline constexpr TreeNode kNoNode = 0;

}  // namespace kivrano
