#pragma once

#include <functional>
#include <vector>

namespace kivrano {

// Hands a command id to the first handler that takes it: the active view, then the
// document, the frame and the application, in the order they were added.
class CommandRouter {
public:
    using Handler = std::function<bool(int command)>;

    void addHandler(Handler handler) { m_handlers.push_back(std::move(handler)); }

    // True when some handler took the command.
    bool dispatch(int command) const {
        for (const auto& handler : m_handlers)
            if (handler(command)) return true;
        return false;
    }

private:
    std::vector<Handler> m_handlers;
};

}  // namespace kivrano
