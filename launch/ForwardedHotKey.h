#pragma once

#include "launch/HotKeyRegistry.h"
#include "platform/InstanceRequest.h"

#include <optional>
#include <string>

namespace kivrano {

// What the running program does with a hotkey another copy hands it: the id to dispatch as if
// that hotkey had been pressed, and the refusal to answer with (empty when taken). A locked
// program, or one still typing a field, still dispatches, so the key is ignored there exactly
// as a pressed one is; the refusal tells the caller.
struct ForwardedHotKey {
    std::optional<platform::HotKeyId> id;
    std::string refusal;
};

struct ProgramState {
    bool signedIn = false;  // the main window is up
    bool locked = false;    // the screen lock is shown
    bool typing = false;    // a field is being typed: another field key is dropped
};

ForwardedHotKey resolveForwardedHotKey(const platform::InstanceRequest& request,
                                       const HotKeyRegistry& registry, ProgramState state);

}  // namespace kivrano
