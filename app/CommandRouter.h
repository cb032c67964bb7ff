#pragma once

#include <functional>
#include <map>

namespace kivrano {

namespace platform {
class DebugSink;
}

// Hands a command id to the one action registered for it: the tree view, the main window
// and the program each register the commands they carry out. A menu entry whose command has
// no action stays greyed, so a dispatch that finds none is a programming error.
class CommandRouter {
public:
    using Action = std::function<void()>;

    // trace, when given, names every command that arrives without an action.
    explicit CommandRouter(platform::DebugSink* trace = nullptr) : m_trace(trace) {}

    // Registers the action of a command; a second action for the same command throws
    // std::logic_error.
    void add(int command, Action action);
    bool handles(int command) const { return m_actions.count(command) != 0; }

    // Runs the command's action. Without one it is named in the trace, asserts in a debug
    // build and returns false.
    bool dispatch(int command) const;

private:
    platform::DebugSink* m_trace;
    std::map<int, Action> m_actions;
};

}  // namespace kivrano
