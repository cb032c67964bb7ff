// Writes the sample vault in every version of the old format, and in today's format, into
// the fixture folder. The files are committed: tests read them to make sure the reader
// keeps reading what older programs wrote, and the fuzzer starts from them.
#include "support/FileBytes.h"
#include "support/SampleVault.h"
#include "support/VersionedWriter.h"
#include "vault/VaultFile.h"

#include <iostream>
#include <string>

using namespace kivrano;
using namespace kivrano::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kivrano_make_fixtures DIRECTORY\n";
        return 2;
    }
    const std::string dir = argv[1];
    SampleVault v = makeSampleVault();
    v.tree.item(v.full)->legacyValue = 5;
    for (std::string_view version : kAllVersions) {
        VersionedWriteOptions how;
        how.version = version;
        how.legacyFormat = true;
        writeFileBytes(dir + "/legacy-" + std::string(version) + ".kvr",
                       writeVersioned(v.tree, v.settings, "legacy pw", how));
    }
    writeFileBytes(dir + "/current-KVR2.04.kvr", vaultfile::write(v.tree, v.settings, "legacy pw"));
    std::cout << "fixtures written to " << dir << "\n";
    return 0;
}
