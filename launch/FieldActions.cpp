#include "launch/FieldActions.h"

#include "launch/WebBrowser.h"
#include "platform/Shell.h"
#include "vault/Prompter.h"
#include "vault/Strings.h"

namespace kivrano {

std::string fillMessage(std::string_view pattern, std::string_view argument) {
    std::string message(pattern);
    if (const auto at = message.find("%s"); at != std::string::npos)
        message.replace(at, 2, argument);
    return message;
}

bool FieldOpener::openWeb(const std::string& text) const {
    // Looked up afresh each time: the user may install or remove a browser while we run.
    const std::string browser = m_shell.builtInBrowser();
    if (platform::Shell::succeeded(m_shell.open(browser, text))) return true;
    m_prompter.message(cannotRunBrowserMessage(browser), Prompter::Icon::Error);
    return false;
}

bool FieldOpener::sendEmail(const std::string& text) const {
    if (platform::Shell::succeeded(m_shell.open("mailto:" + text, {}))) return true;
    m_prompter.message(fillMessage(kivrano::text(StringId::CannotEmail), text),
                       Prompter::Icon::Error);
    return false;
}

bool FieldOpener::run(const std::string& text) const {
    if (platform::Shell::succeeded(m_shell.open(text, {}))) return true;
    m_prompter.message(fillMessage(kivrano::text(StringId::CannotRunProgram), text),
                       Prompter::Icon::Error);
    return false;
}

}  // namespace kivrano
