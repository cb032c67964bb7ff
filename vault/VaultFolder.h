#pragma once

#include <cstdint>
#include <string>

namespace kivrano {

// A top-level group of items. In memory a folder is a top-level node of VaultTree: its
// name is the node's text and its unprotected value the node's data.
struct VaultFolder {
    std::string name;
    // 0: contents encrypted under the user's password; nonzero (the menu stores 2):
    // encrypted under the no-password key, readable without the password.
    std::int32_t unprotected = 0;

    static constexpr std::int32_t kUnprotectedByMenu = 2;
};

}  // namespace kivrano
