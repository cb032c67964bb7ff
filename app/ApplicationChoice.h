#pragma once

#include "vault/Prompter.h"
#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivrano {

// The application label of an item editor: the built-in browser's label ("Web browser
// (Firefox)"), "Email", or the application table's entry ("Not Set" when the item names none).
std::string applicationLabel(const VaultSettings& settings, std::int32_t appChoice,
                             std::int32_t appIndex, const std::string& browserLabel);

// Paths of the application combo box are compared as the box compares them: without regard
// to case.
bool samePathIgnoringCase(const std::string& a, const std::string& b);

// The Application dialog without its window: which way an item's address is opened, and the
// application table that all items share. The dialog shows this state and hands every user
// action to it; the table itself changes only on OK, except through "Change for All Items".
class ApplicationChoice {
public:
    // The file-open dialog: starts at initialPath; nothing when the user cancels.
    using ProgramChooser =
        std::function<std::optional<std::string>(const std::string& initialPath)>;

    struct Result {
        std::int32_t appChoice = 0;
        std::int32_t appIndex = -1;
    };

    // tableSelection is the entry the last Application dialog chose (-1 = none); the tree view
    // keeps it for the session and it preselects that entry for an item that names none.
    ApplicationChoice(VaultSettings& settings, std::int32_t& tableSelection, Prompter& prompter,
                      ProgramChooser chooser, std::int32_t appChoice, std::int32_t appIndex);

    // The radio buttons: 0 built-in browser, 1 e-mail or default browser, 2 an application.
    // Choosing a value fills the path box from the table for 2 and empties it otherwise.
    std::int32_t choice() const { return m_choice; }
    void setChoice(std::int32_t choice);
    bool pathControlsEnabled() const { return m_choice == VaultItem::kAppChoiceApplication; }

    // The path box: its lines, the selected line (-1 = none) and its text.
    const std::vector<std::string>& lines() const { return m_lines; }
    int selectedLine() const { return m_selectedLine; }
    const std::string& text() const { return m_text; }
    void selectLine(int line);
    // Text typed by hand: no line is selected any more.
    void setTypedText(std::string text);

    // "&Browse": a chosen program is selected in the box, appended when it is not there yet.
    void browse();
    // "&Change for All Items": the selected line and its table entry get a new program at once,
    // so every item that uses that entry runs the new program.
    void changeForAllItems();

    // OK: for an application, the table takes the box's lines and the chosen or typed path.
    Result accept();

private:
    void fillFromTable();

    VaultSettings& m_settings;
    std::int32_t& m_tableSelection;
    Prompter& m_prompter;
    ProgramChooser m_chooser;
    std::int32_t m_initialChoice;
    std::int32_t m_choice;
    std::int32_t m_appIndex;
    std::vector<std::string> m_lines;
    int m_selectedLine = -1;
    std::string m_text;
};

}  // namespace kivrano
