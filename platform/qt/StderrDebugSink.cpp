#include "platform/qt/StderrDebugSink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kivrano::platform {

StderrDebugSink::StderrDebugSink() {
    const char* flag = std::getenv("KIVRANO_DEBUG");
    m_enabled = flag && std::strcmp(flag, "1") == 0;
}

void StderrDebugSink::write(std::string_view text) {
    if (!m_enabled) return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace kivrano::platform
