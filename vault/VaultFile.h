#pragma once

#include "vault/CDic.h"
#include "vault/Secure.h"
#include "vault/Strings.h"
#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

// The vault file: "BF01" followed by the version "KVR2.04" is what we write; every version
// from "KVR1.00" on, in the old DES format or the Blowfish format, is read.
namespace vaultfile {

inline constexpr std::string_view kFormatMark = "BF01";
inline constexpr std::string_view kCurrentVersion = "KVR2.04";
inline constexpr std::size_t kHeaderSize = 16;

// Message texts of the password check.
inline const std::string_view kContinueUnprotectedQuestion =
    text(StringId::ContinueUnprotectedQuestion);
inline const std::string_view kInvalidPasswordMessage = text(StringId::InvalidPasswordOrNewer);

// Bytes 8..15 of the header image: what the screen lock checks a password against.
using UnlockVerifier = std::array<std::uint8_t, 8>;

// The verifier a save leaves: 8 zero bytes for the empty password, else "KVR2.00" and a
// zero byte encrypted under the password key.
UnlockVerifier makeUnlockVerifier(std::string_view savePassword);

// Checks a password against bytes 8..15 of a Blowfish-format header image.
bool verifyUnlockPassword(const UnlockVerifier& verifier, std::string_view password);

// The store pass: the whole file as bytes.
std::vector<std::uint8_t> write(const VaultTree& tree, const VaultSettings& settings,
                                std::string_view password);

enum class ReadStatus {
    Ok,               // read completely (possibly in the read-unprotected-only mode)
    Declined,         // wrong password and the user chose not to read the unprotected part
    InvalidPassword,  // wrong password (old format), or a file of a newer program
    Damaged,          // the bytes do not form a vault file; error says what is wrong
    NotVaultFile,     // neither format's header: some other kind of file
};

struct ReadOptions {
    // Asked when the password is wrong on a Blowfish-format file; true = continue and read
    // the unprotected folders only. Without it the answer is No.
    std::function<bool(std::string_view question)> askContinueUnprotected;
    // Settings in use: the eleventh global hotkey keeps its value for files that lack it.
    const VaultSettings* currentSettings = nullptr;
    // Index names, titles and addresses into the result's word index.
    bool buildIndex = true;
};

struct ReadResult {
    ReadStatus status = ReadStatus::Damaged;
    std::string error;                               // for Damaged: what is wrong and where
    std::array<std::uint8_t, kHeaderSize> header{};  // header image, taken before the check
    bool headerRead = false;
    int formatNumber = 0;     // N of "BF<N>"; 0 for the DES format
    std::string version;      // effective version ("KVR2.04" for any "BF01" file)
    std::string versionText;  // as decrypted
    bool unprotectedOnly = false;
    // Texts whose padding is not zero, as no writer leaves it: a sign of damage inside the
    // text (the file holds no check sum that could tell more). Counted for texts read with
    // their own key only; firstNonzeroPadding is the byte where the first such text starts.
    std::size_t nonzeroPaddings = 0;
    std::size_t firstNonzeroPadding = 0;
    VaultSettings settings;  // with the file's application table
    VaultTree tree;
    CDic index;
};

// The load pass over a whole file's bytes. Never reads past the end or allocates more
// than the remaining bytes could hold; a damaged file gives status Damaged and leaves
// nothing half-read behind (the result's tree is the caller's to drop).
ReadResult read(const std::uint8_t* data, std::size_t size, std::string_view password,
                const ReadOptions& options = {});
inline ReadResult read(const std::vector<std::uint8_t>& bytes, std::string_view password,
                       const ReadOptions& options = {}) {
    return read(bytes.data(), bytes.size(), password, options);
}

// Calls fn for every item whose launching key is set, in tree order: what a load registers.
void forEachLaunchKey(const VaultTree& tree,
                      const std::function<void(TreeNode, const HotKeyValue&)>& fn);

// Version texts compare as byte strings.
inline bool versionAtLeast(std::string_view version, std::string_view other) {
    return version.compare(other) >= 0;
}

}  // namespace vaultfile
}  // namespace kivrano
