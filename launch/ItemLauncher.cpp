#include "launch/ItemLauncher.h"

#include "launch/FieldActions.h"
#include "launch/WebBrowser.h"
#include "platform/Shell.h"
#include "platform/WindowSystem.h"
#include "vault/Prompter.h"
#include "vault/Strings.h"

#include <cstddef>
#include <string_view>

namespace kivrano {

namespace {

std::string message(StringId id) {
    return std::string(text(id));
}

}  // namespace

ItemLauncher::ItemLauncher(platform::Shell& shell, platform::WindowSystem& windows,
                           Prompter& prompter, ProgramChooser chooseProgram)
    : m_shell(shell),
      m_windows(windows),
      m_prompter(prompter),
      m_chooseProgram(std::move(chooseProgram)) {}

ItemLauncher::Outcome ItemLauncher::launch(const VaultItem& item,
                                           std::vector<std::string>& applicationTable) const {
    switch (item.appChoice) {
        case VaultItem::kAppChoiceBrowser: return launchInBrowser(item);
        case VaultItem::kAppChoiceEmail: return launchDefault(item);
        case VaultItem::kAppChoiceApplication: return launchApplication(item, applicationTable);
        default: return Outcome::NothingToOpen;
    }
}

std::string ItemLauncher::defaultTarget(const std::string& address) {
    const auto at = address.find('@');
    const auto slash = address.find('/');
    if (at == std::string::npos || (slash != std::string::npos && slash < at)) return address;
    // Added even in front of an existing "mailto:": the item's address is taken as typed.
    return "mailto:" + address;
}

ItemLauncher::Outcome ItemLauncher::launchInBrowser(const VaultItem& item) const {
    // Looked up at every launch: a browser may be installed or removed while we run.
    const std::string browser = m_shell.builtInBrowser();
    if (platform::Shell::succeeded(m_shell.open(browser, item.address))) return Outcome::Opened;
    m_prompter.message(cannotRunBrowserMessage(browser), Prompter::Icon::Exclamation);
    return Outcome::Failed;
}

ItemLauncher::Outcome ItemLauncher::launchDefault(const VaultItem& item) const {
    if (item.address.empty()) {
        m_prompter.message(message(StringId::AddressFieldBlank), Prompter::Icon::Exclamation);
        return Outcome::NothingToOpen;
    }
    if (platform::Shell::succeeded(m_shell.open(defaultTarget(item.address), {})))
        return Outcome::Opened;
    m_prompter.message(message(StringId::CannotConnect), Prompter::Icon::Exclamation);
    return Outcome::Failed;
}

ItemLauncher::Outcome ItemLauncher::launchApplication(
    const VaultItem& item, std::vector<std::string>& applicationTable) const {
    // Any negative index means "none chosen". A launching key pressed in another program
    // must not pop a box over that program, so only say so when we are in front.
    if (item.appIndex < 0) {
        if (m_windows.isMainWindowForeground())
            m_prompter.message(message(StringId::ApplicationFieldBlank),
                               Prompter::Icon::Exclamation);
        return Outcome::NothingToOpen;
    }
    const auto index = static_cast<std::size_t>(item.appIndex);
    // An index past the table's end (a damaged or hand-edited vault) is a blank entry.
    if (index >= applicationTable.size() || applicationTable[index].empty()) {
        m_prompter.message(message(StringId::ApplicationFieldBlank), Prompter::Icon::Exclamation);
        return Outcome::NothingToOpen;
    }
    const std::string program = applicationTable[index];
    if (platform::Shell::succeeded(m_shell.open(program, item.address))) return Outcome::Opened;
    if (!m_prompter.askYesNo(message(StringId::ApplicationMissingQuestion)) || !m_chooseProgram)
        return Outcome::Failed;
    std::optional<std::string> chosen = m_chooseProgram(program);
    if (!chosen || chosen->empty()) return Outcome::Failed;
    // The entry is shared: every item using it now starts the new program. Not run again
    // here; the user launches once more when ready.
    applicationTable[index] = std::move(*chosen);
    return Outcome::ApplicationReplaced;
}

}  // namespace kivrano
