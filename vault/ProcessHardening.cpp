#include "vault/ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <cstdlib>
#include <cstring>

namespace kivrano {

bool hardenProcess() {
    const char* debug = std::getenv("KIVRANO_DEBUG");
    if (debug != nullptr && std::strcmp(debug, "1") == 0) return false;
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    return true;
}

}  // namespace kivrano
