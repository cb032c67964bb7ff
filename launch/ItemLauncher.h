#pragma once

#include "vault/VaultItem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivrano {

class Prompter;
namespace platform {
class Shell;
class WindowSystem;
}  // namespace platform

// Opens an item's address with the program the item names: the built-in web browser, the
// desktop's handler for the address, or an entry of the application table all items share.
// Launching only starts the other program; it never waits for it and never types into it.
class ItemLauncher {
public:
    // Asks the user for a program in place of one that could not be started, starting from
    // `initialPath`; nullopt when the user cancels.
    using ProgramChooser =
        std::function<std::optional<std::string>(const std::string& initialPath)>;

    enum class Outcome {
        Opened,               // the desktop took the request
        NothingToOpen,        // blank address or application, or an unknown choice
        Failed,               // the desktop refused; the user was told
        ApplicationReplaced,  // refused, and the user picked another program for the entry
    };

    ItemLauncher(platform::Shell& shell, platform::WindowSystem& windows, Prompter& prompter,
                 ProgramChooser chooseProgram = {});

    // `applicationTable` is changed only when the user picks a new program for a missing one;
    // the new path then serves every item sharing the entry.
    Outcome launch(const VaultItem& item, std::vector<std::string>& applicationTable) const;

    // What the "e-mail or default browser" choice opens: a mail address gets "mailto:" in front,
    // anything with a "/" ahead of its first "@" (or with no "@") is opened as it is.
    static std::string defaultTarget(const std::string& address);

private:
    Outcome launchInBrowser(const VaultItem& item) const;
    Outcome launchDefault(const VaultItem& item) const;
    Outcome launchApplication(const VaultItem& item,
                              std::vector<std::string>& applicationTable) const;

    platform::Shell& m_shell;
    platform::WindowSystem& m_windows;
    Prompter& m_prompter;
    ProgramChooser m_chooseProgram;
};

}  // namespace kivrano
