#pragma once

#include "platform/HotKeys.h"
#include "vault/VaultSettings.h"

#include <charconv>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kivrano::platform {

// What a later copy of the program asks of the running one: to come forward, or to act as if
// one of its hotkeys had been pressed. Sent as one line over the single-instance socket.
struct InstanceRequest {
    enum class Kind { ComeForward, HotKey, LaunchKey };
    Kind kind = Kind::ComeForward;
    HotKeyId hotKey = 0;  // HotKey: a global hotkey id, 0..10
    HotKeyValue key;      // LaunchKey: an item's launching key as stored
    bool operator==(const InstanceRequest&) const = default;
};

// "come-forward\n", "hotkey 1\n", "launch-key 76 3\n" (virtual key, modifier bits).
inline std::string encodeInstanceRequest(const InstanceRequest& request) {
    switch (request.kind) {
        case InstanceRequest::Kind::HotKey:
            return "hotkey " + std::to_string(request.hotKey) + "\n";
        case InstanceRequest::Kind::LaunchKey:
            return "launch-key " + std::to_string(request.key.virtualKey) + " " +
                   std::to_string(request.key.modifiers) + "\n";
        case InstanceRequest::Kind::ComeForward: break;
    }
    return "come-forward\n";
}

namespace detail {
// Reads one decimal number up to `limit` followed by `end` (a space, or the end of the line).
inline std::optional<unsigned> takeNumber(std::string_view& text, unsigned limit, bool last) {
    unsigned value = 0;
    const char* begin = text.data();
    const char* stop = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(begin, stop, value);
    if (ec != std::errc() || ptr == begin || value > limit) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(ptr - begin));
    if (last) return text.empty() ? std::optional<unsigned>(value) : std::nullopt;
    if (text.empty() || text.front() != ' ') return std::nullopt;
    text.remove_prefix(1);
    return value;
}
}  // namespace detail

// The request a line stands for (its line break may be left off); nothing for any other line,
// so a request from a newer copy is refused rather than misread.
inline std::optional<InstanceRequest> decodeInstanceRequest(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    InstanceRequest request;
    if (line == "come-forward") return request;
    if (line.starts_with("hotkey ")) {
        line.remove_prefix(7);
        const auto id = detail::takeNumber(line, kGlobalHotKeyCount - 1, true);
        if (!id) return std::nullopt;
        request.kind = InstanceRequest::Kind::HotKey;
        request.hotKey = *id;
        return request;
    }
    if (line.starts_with("launch-key ")) {
        line.remove_prefix(11);
        const auto vk = detail::takeNumber(line, 0xFF, false);
        const auto modifiers = vk ? detail::takeNumber(line, 7, true) : std::nullopt;
        if (!vk || *vk == 0 || !modifiers) return std::nullopt;
        request.kind = InstanceRequest::Kind::LaunchKey;
        request.key =
            HotKeyValue{static_cast<std::uint16_t>(*vk), static_cast<std::uint16_t>(*modifiers)};
        return request;
    }
    return std::nullopt;
}

// The running copy's answer: "ok\n", or "refused <why>\n" with the reason on one line.
inline std::string encodeInstanceAnswer(std::string refusal) {
    if (refusal.empty()) return "ok\n";
    for (char& c : refusal)
        if (c == '\n' || c == '\r') c = ' ';
    return "refused " + refusal + "\n";
}

// The refusal an answer carries, empty for "ok"; nothing for a line that is no answer.
inline std::optional<std::string> decodeInstanceAnswer(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (line == "ok") return std::string();
    if (line.starts_with("refused ") && line.size() > 8) return std::string(line.substr(8));
    return std::nullopt;
}

// How the running copy answers one line: a come-forward is always taken, a hotkey request goes
// to `handler` (refused while there is none), anything else is refused.
inline std::string answerInstanceLine(
    std::string_view line, const std::function<void()>& comeForward,
    const std::function<std::string(const InstanceRequest&)>& handler) {
    const std::optional<InstanceRequest> request = decodeInstanceRequest(line);
    if (!request) return encodeInstanceAnswer("unknown request");
    if (request->kind == InstanceRequest::Kind::ComeForward) {
        if (comeForward) comeForward();
        return encodeInstanceAnswer({});
    }
    if (!handler) return encodeInstanceAnswer("Kivrano is still starting; try again");
    return encodeInstanceAnswer(handler(*request));
}

}  // namespace kivrano::platform
