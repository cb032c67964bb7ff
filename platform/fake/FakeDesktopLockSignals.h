#pragma once

#include "platform/DesktopLockSignals.h"

namespace kivrano::platform {

// The desktop's lock signals on demand.
class FakeDesktopLockSignals : public DesktopLockSignals {
public:
    void setHandler(std::function<void(std::string_view)> handler) override {
        m_handler = std::move(handler);
    }
    // The desktop locking; false when nobody listens.
    bool lock(std::string_view source = "screen saver") const;

private:
    std::function<void(std::string_view)> m_handler;
};

}  // namespace kivrano::platform
