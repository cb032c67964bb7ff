#pragma once

#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace kivrano::testing {

// Writes a vault in any of the twelve versions, in the old DES format or the Blowfish
// format, the way the programs that wrote those files laid them out. Test-only: the
// program itself writes only "BF01" / "KVR2.04".
struct VersionedWriteOptions {
    std::string_view version = "KVR2.04";
    bool legacyFormat = true;
    std::string_view formatMark = "BF01";  // for the Blowfish format
};

std::vector<std::uint8_t> writeVersioned(const VaultTree& tree, const VaultSettings& settings,
                                         std::string_view password,
                                         const VersionedWriteOptions& options);

// One string of the old format: plain length (with its terminating zero), cipher length,
// then the zero-terminated text DES-encrypted in 8-byte blocks.
void appendLegacyString(std::vector<std::uint8_t>& out, std::string_view text,
                        std::string_view password);

// The twelve version texts, oldest first.
inline constexpr std::string_view kAllVersions[] = {"KVR1.00", "KVR1.01", "KVR1.02", "KVR1.03",
                                                    "KVR1.04", "KVR1.05", "KVR1.06", "KVR2.00",
                                                    "KVR2.01", "KVR2.02", "KVR2.03", "KVR2.04"};

}  // namespace kivrano::testing
