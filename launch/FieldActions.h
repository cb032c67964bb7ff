#pragma once

#include <string>
#include <string_view>

namespace kivrano {

class Prompter;
namespace platform {
class Shell;
}

// Opening a field's text as a web address, an e-mail address or a program. Each failure is
// reported through the prompter with the program's message; the result says whether the
// desktop took the request.
class FieldOpener {
public:
    FieldOpener(platform::Shell& shell, Prompter& prompter)
        : m_shell(shell), m_prompter(prompter) {}

    // The built-in web browser with the text as its command line.
    bool openWeb(const std::string& text) const;
    // "mailto:" followed by the text, through the desktop's mail handler.
    bool sendEmail(const std::string& text) const;
    // The text itself as a program or document, without parameters.
    bool run(const std::string& text) const;

private:
    platform::Shell& m_shell;
    Prompter& m_prompter;
};

// A message pattern with its "%s" replaced by the argument, taken literally: a "%" in the
// argument (a path or an address) is never read as a format.
std::string fillMessage(std::string_view pattern, std::string_view argument);

}  // namespace kivrano
