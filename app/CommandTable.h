#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

// One command of the program as its menus show it: the label with its mnemonic and the keys
// that run it. The keys text is both what the menus show after the label and what the key
// bindings are made from, so the two cannot drift apart: alternatives are joined by " or ",
// each written in portable key names ("Ctrl+Ins", "F5", "Ctrl+Alt+Down"); "Enter" stands for
// both Enter keys; "Double Click" names the mouse and binds no key.
struct CommandInfo {
    int command;
    std::string_view label;
    std::string_view keys;  // empty: no key
};

// Every command that a menu entry carries.
std::span<const CommandInfo> commandTable();
// The command's entry; throws std::out_of_range for an id the table lacks.
const CommandInfo& commandInfo(int command);
// "Label\tKeys" as a menu entry shows it, or the label alone.
std::string menuText(int command);
// The same for an entry that names the built-in web browser ("W&eb browser"), naming the one
// found instead: browserLabel is "Web browser (Firefox)".
std::string menuTextWithBrowser(int command, std::string_view browserLabel);
// The key combinations of the keys text, in portable key names ("Ctrl+Enter"), without the
// mouse alternatives.
std::vector<std::string> commandKeys(int command);

}  // namespace kivrano
