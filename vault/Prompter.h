#pragma once

#include <string>

namespace kivrano {

// Message boxes and questions, so the logic that asks them runs without a window. The
// desktop program shows real boxes; tests and the command-line companion script answers.
class Prompter {
public:
    enum class Icon { None, Information, Exclamation, Error, Question };
    enum class SaveChoice { Save, Discard, Cancel };
    enum class ChangedFileChoice { Overwrite, SaveUnderAnotherName, Cancel };

    virtual ~Prompter() = default;
    virtual void message(const std::string& text, Icon icon = Icon::None) = 0;
    // true = Yes.
    virtual bool askYesNo(const std::string& text, Icon icon = Icon::Question) = 0;
    // "Save changes to <name>?" with Yes, No and Cancel.
    virtual SaveChoice askSaveChanges(const std::string& documentName) = 0;
    // The file was changed on disk by someone else since it was read: text says so and asks
    // whether to overwrite it, save under another name or cancel.
    virtual ChangedFileChoice askChangedOnDisk(const std::string& text) = 0;
    // A file dialog for the name to save under, starting at suggestedPath; empty when the
    // user cancels.
    virtual std::string askSavePath(const std::string& suggestedPath) = 0;
};

}  // namespace kivrano
