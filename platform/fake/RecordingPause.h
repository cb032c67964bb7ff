#pragma once

#include "platform/Pause.h"

#include <functional>
#include <vector>

namespace kivrano::platform {

// Returns at once and records how long the caller meant to wait.
class RecordingPause : public Pause {
public:
    void pause(std::chrono::milliseconds duration) override {
        m_pauses.push_back(duration);
        if (m_during) m_during(duration);
    }
    // What happens elsewhere while the caller waits (another program reads the clipboard).
    void setDuring(std::function<void(std::chrono::milliseconds)> during) {
        m_during = std::move(during);
    }
    const std::vector<std::chrono::milliseconds>& pauses() const { return m_pauses; }

private:
    std::vector<std::chrono::milliseconds> m_pauses;
    std::function<void(std::chrono::milliseconds)> m_during;
};

}  // namespace kivrano::platform
