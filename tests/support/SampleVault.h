#pragma once

#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <cstddef>
#include <string>

namespace kivrano::testing {

// A small vault that touches every field: two folders (the second unprotected), an item
// with every text and count filled (negative counts included), one with a title only, an
// application item, launching keys, and an application table with an unreferenced entry
// and a repeated one.
struct SampleVault {
    VaultTree tree;
    VaultSettings settings;
    TreeNode mail = kNoNode;     // protected folder "Mail"
    TreeNode shared = kNoNode;   // unprotected folder "Shared Things" (value 2)
    TreeNode full = kNoNode;     // every field set
    TreeNode bare = kNoNode;     // title only
    TreeNode program = kNoNode;  // application item
};
SampleVault makeSampleVault();

// A generated vault of folders x items with every text field filled (about 300 bytes of
// text per item); for benchmarks and size tests.
void fillGeneratedVault(VaultTree& tree, VaultSettings& settings, std::size_t folders,
                        std::size_t itemsPerFolder, unsigned seed = 1);

}  // namespace kivrano::testing
