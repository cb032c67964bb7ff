#pragma once

#include "platform/DebugSink.h"

namespace kivrano::platform {

// Trace output on stderr when KIVRANO_DEBUG=1, silent otherwise.
class StderrDebugSink : public DebugSink {
public:
    StderrDebugSink();
    explicit StderrDebugSink(bool enabled) : m_enabled(enabled) {}
    void write(std::string_view text) override;
    bool enabled() const { return m_enabled; }

private:
    bool m_enabled;
};

}  // namespace kivrano::platform
