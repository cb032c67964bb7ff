// Secrets in the process: no core dumps, not dumpable, key material kept out of the swap.

#include "vault/ProcessHardening.h"
#include "vault/Secure.h"
#include "vault/VaultKeys.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

using namespace kivrano;

namespace {

// Runs the hardening in a child (it cannot be undone) and reports what the child then is.
struct ChildState {
    int dumpable = -1;
    rlim_t coreLimit = 1;
};

ChildState hardenedChild(const char* debug) {
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    pid_t child = ::fork();
    if (child == 0) {
        if (debug)
            ::setenv("KIVRANO_DEBUG", debug, 1);
        else
            ::unsetenv("KIVRANO_DEBUG");
        hardenProcess();
        ChildState state;
        state.dumpable = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        rlimit limit{};
        ::getrlimit(RLIMIT_CORE, &limit);
        state.coreLimit = limit.rlim_cur;
        const ssize_t written = ::write(pipeFds[1], &state, sizeof state);
        ::_exit(written == static_cast<ssize_t>(sizeof state) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    ChildState state;
    EXPECT_EQ(::read(pipeFds[0], &state, sizeof state), static_cast<ssize_t>(sizeof state));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return state;
}

// Locked memory of this process, in kB, as the system counts it.
long lockedKiloBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmLck:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

TEST(ProcessHardening, NoCoreAndNotDumpableUnlessDebugging) {
    const ChildState hardened = hardenedChild(nullptr);
    EXPECT_EQ(hardened.dumpable, 0);
    EXPECT_EQ(hardened.coreLimit, 0u);
    const ChildState other = hardenedChild("0");
    EXPECT_EQ(other.dumpable, 0);

    const ChildState debugging = hardenedChild("1");
    EXPECT_EQ(debugging.dumpable, 1);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMlockReplaced = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMlockReplaced = true;
#else
constexpr bool kMlockReplaced = false;
#endif
#else
constexpr bool kMlockReplaced = false;
#endif

TEST(ProcessHardening, KeysAndHeldPasswordsAreInLockedMemoryUntilReleased) {
    // AddressSanitizer turns mlock into a no-op (it cannot lock its shadow memory).
    if (kMlockReplaced) GTEST_SKIP() << "mlock is a no-op under AddressSanitizer";
    rlimit limit{};
    ::getrlimit(RLIMIT_MEMLOCK, &limit);
    if (limit.rlim_cur < 64 * 1024) GTEST_SKIP() << "the system allows no locked memory";
    const long before = lockedKiloBytes();
    ASSERT_GE(before, 0);
    {
        auto password = std::make_unique<SecretString>();
        password->assign("hunter2");
        EXPECT_GT(lockedKiloBytes(), before);
        const VaultKey key = deriveVaultKey("hunter2");
        const long withKey = lockedKiloBytes();
        password.reset();
        EXPECT_LE(lockedKiloBytes(), withKey);
    }
    EXPECT_EQ(lockedKiloBytes(), before);  // every page let go once its secrets are gone
}
