#pragma once

#include <string>

namespace kivrano {

// Message boxes and questions, so the logic that asks them runs without a window. The
// desktop program shows real boxes; tests and the command-line companion script answers.
class Prompter {
public:
    enum class Icon { None, Information, Exclamation, Error, Question };
    enum class SaveChoice { Save, Discard, Cancel };

    virtual ~Prompter() = default;
    virtual void message(const std::string& text, Icon icon = Icon::None) = 0;
    // true = Yes.
    virtual bool askYesNo(const std::string& text, Icon icon = Icon::Question) = 0;
    // "Save changes to <name>?" with Yes, No and Cancel.
    virtual SaveChoice askSaveChanges(const std::string& documentName) = 0;
};

}  // namespace kivrano
