#include "app/CommandRouter.h"

#include "app/CommandTable.h"
#include "platform/DebugSink.h"

#include <cassert>
#include <stdexcept>
#include <string>

namespace kivrano {

void CommandRouter::add(int command, Action action) {
    if (!m_actions.emplace(command, std::move(action)).second)
        throw std::logic_error("command " + std::to_string(command) + " has two actions");
}

bool CommandRouter::dispatch(int command) const {
    if (auto it = m_actions.find(command); it != m_actions.end()) {
        it->second();
        return true;
    }
    if (m_trace) {
        std::string line = "unhandled command " + std::to_string(command);
        for (const CommandInfo& info : commandTable())
            if (info.command == command) line += " (" + std::string(info.label) + ")";
        m_trace->write(line + "\n");
    }
    assert(false && "a command arrived that nothing carries out");
    return false;
}

}  // namespace kivrano
