// Feeds arbitrary bytes to the vault reader. Whatever it reads must write out and read
// back to the same bytes, and nothing may crash, hang or read out of bounds.
#include "vault/VaultFile.h"

#include <cstdint>
#include <cstdlib>

using namespace kivrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fixtures are written with this password, so fuzzing starts past the check; a
    // wrong password goes on in the unprotected-only mode.
    const char* password = "legacy pw";
    vaultfile::ReadOptions options;
    options.askContinueUnprotected = [](std::string_view) { return true; };
    auto result = vaultfile::read(data, size, password, options);
    if (result.status != vaultfile::ReadStatus::Ok) return 0;
    (void)result.index.contains("a");  // the word index is built on its first use

    auto written = vaultfile::write(result.tree, result.settings, password);
    auto again = vaultfile::read(written, password);
    if (again.status != vaultfile::ReadStatus::Ok) std::abort();
    if (vaultfile::write(again.tree, again.settings, password) != written) std::abort();
    return 0;
}
