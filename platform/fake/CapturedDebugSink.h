#pragma once

#include "platform/DebugSink.h"

#include <string>

namespace kivrano::platform {

class CapturedDebugSink : public DebugSink {
public:
    void write(std::string_view text) override { m_text.append(text); }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace kivrano::platform
