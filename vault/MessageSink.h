#pragma once

#include <string>

namespace kivrano {

// Where the vault reports messages meant for a message box; the desktop program shows
// them, tests record them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void message(const std::string& text) = 0;
};

}  // namespace kivrano
