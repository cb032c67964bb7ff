#pragma once

#include "app/ApplicationChoice.h"

#include <QDialog>

#include <array>
#include <optional>

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace kivrano {

// "Application": how an item's address is opened, and the application paths all items share.
// The rules are ApplicationChoice's; this window shows its state and hands it every click.
class CApplicationDlg : public QDialog {
    Q_OBJECT

public:
    // chooser: the file-open dialog; empty for the desktop's own. browserLabel names the
    // built-in web browser in the first choice.
    CApplicationDlg(VaultSettings& settings, std::int32_t& tableSelection, Prompter& prompter,
                    std::int32_t appChoice, std::int32_t appIndex,
                    ApplicationChoice::ProgramChooser chooser = {}, QWidget* parent = nullptr,
                    const std::string& browserLabel = "Web browser");

    // Opens the dialog modally; the new choice and index after OK, nothing after Cancel.
    static std::optional<ApplicationChoice::Result> run(QWidget* parent, VaultSettings& settings,
                                                        std::int32_t& tableSelection,
                                                        Prompter& prompter, std::int32_t appChoice,
                                                        std::int32_t appIndex,
                                                        const std::string& browserLabel);

    // The choice OK settled on; valid once the dialog was accepted.
    ApplicationChoice::Result choiceResult() const { return m_result; }

    // The controls, for tests.
    QRadioButton* choiceButton(int value) const {
        return m_radios.at(static_cast<std::size_t>(value));
    }
    QComboBox* pathBox() const { return m_paths; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* changeForAllButton() const { return m_changeForAll; }

public slots:
    void accept() override;

private:
    std::optional<std::string> chooseProgram(const std::string& initialPath);
    // Hands the path box's selection or typed text to the rules.
    void collect();
    void showState();

    ApplicationChoice m_choice;
    ApplicationChoice::Result m_result;
    std::array<QRadioButton*, 3> m_radios{};
    QButtonGroup* m_group = nullptr;
    QComboBox* m_paths = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_changeForAll = nullptr;
};

}  // namespace kivrano
