#pragma once

#include "platform/Pause.h"

namespace kivrano::platform {

// Waits in an event loop that handles no user input, so the clipboard we own keeps being
// served and no second hotkey or click is handled mid-way. Without an application object it
// simply sleeps.
class QtPause : public Pause {
public:
    void pause(std::chrono::milliseconds duration) override;
};

}  // namespace kivrano::platform
