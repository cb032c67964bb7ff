#include "launch/ForwardedHotKey.h"

#include "vault/VaultText.h"

#include <algorithm>

namespace kivrano {

ForwardedHotKey resolveForwardedHotKey(const platform::InstanceRequest& request,
                                       const HotKeyRegistry& registry, ProgramState state) {
    using Kind = platform::InstanceRequest::Kind;
    if (request.kind == Kind::ComeForward) return {std::nullopt, "not a hotkey"};
    if (!state.signedIn) return {std::nullopt, "Kivrano is still at the sign-in; sign in first."};
    ForwardedHotKey result;
    if (request.kind == Kind::HotKey) {
        if (request.hotKey >= kGlobalHotKeyCount) return {std::nullopt, "no such hotkey"};
        result.id = request.hotKey;
    } else {
        // Only the items' launching keys: the global ones are reached by --hotkey.
        const auto& records = registry.records();
        const auto found = std::find_if(records.begin(), records.end(), [&](const auto& r) {
            return r.id >= kGlobalHotKeyCount && r.key == request.key;
        });
        if (found == records.end())
            return {std::nullopt,
                    "no item has the launching key " + keyNameText(request.key) + "."};
        result.id = found->id;
    }
    if (state.locked)
        result.refusal = "the screen is locked; unlock Kivrano first.";
    else if (state.typing && *result.id <= kHotKeyMemo)
        result.refusal = "Kivrano was still typing a field; the hotkey was dropped, try again.";
    return result;
}

}  // namespace kivrano
