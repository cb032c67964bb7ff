#include "app/HotKeyCommand.h"

namespace kivrano {

HotKeyCommandResult forwardHotKeyCommand(platform::SingleInstance& single,
                                         const platform::InstanceRequest& request) {
    const std::optional<std::string> refusal = single.sendToRunningCopy(request);
    if (!refusal)
        return {1,
                "Kivrano is not running for this user on this display, so there is nothing to "
                "press the hotkey in. Start Kivrano and sign in first."};
    if (!refusal->empty()) return {1, "the running Kivrano did not act on the hotkey: " + *refusal};
    return {};
}

}  // namespace kivrano
