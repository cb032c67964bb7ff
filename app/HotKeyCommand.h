#pragma once

#include "platform/SingleInstance.h"

#include <string>

namespace kivrano {

// The outcome of `kivrano --hotkey N` or `--launch-key COMBINATION`: the exit status and what
// to say on standard error (empty when all went well).
struct HotKeyCommandResult {
    int status = 0;
    std::string message;
};

// Hands the hotkey to the copy already running; never starts one.
HotKeyCommandResult forwardHotKeyCommand(platform::SingleInstance& single,
                                         const platform::InstanceRequest& request);

}  // namespace kivrano
