#pragma once

#include "app/ItemEditor.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kivrano {

class HotKeyEdit;

// "Basic Information": title, address, ID and password with their typing counts, the
// application and the launching key.
class CBasicPage : public QWidget {
    Q_OBJECT

public:
    // The editor opens with the keyboard in the Title field.
    void focusTitle();
    using ApplicationRunner = std::function<std::optional<ApplicationChoice::Result>(
        QWidget* parent, std::int32_t appChoice, std::int32_t appIndex)>;

    explicit CBasicPage(ItemEditorSession& session, QWidget* parent = nullptr);

    void setApplicationRunner(ApplicationRunner runner) { m_runApplication = std::move(runner); }

    // Puts values into the controls, masking the ID and password as their Hide boxes say.
    void showValues(const BasicPageValues& values);
    // Reads the controls into values; texts the user left alone keep their bytes.
    void collect(BasicPageValues& values) const;

    // row 0 ID, 1 Password.
    QLineEdit* countBox(int row, bool enter) const;

    QLineEdit* titleEdit() const { return m_title; }
    QLineEdit* addressEdit() const { return m_address; }
    QLineEdit* idEdit() const { return m_id; }
    QLineEdit* passwordEdit() const { return m_password; }
    QCheckBox* hideIdBox() const { return m_hideId; }
    QCheckBox* hidePasswordBox() const { return m_hidePassword; }
    QPushButton* clearAllButton() const { return m_clearAll; }
    QPushButton* applicationButton() const { return m_application; }
    QLabel* applicationLabel() const { return m_appLabel; }
    HotKeyEdit* launchKeyEdit() const { return m_launchKey; }

private:
    void clearAll();
    void chooseApplication();

    ItemEditorSession& m_session;
    ApplicationRunner m_runApplication;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_id = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_hideId = nullptr;
    QCheckBox* m_hidePassword = nullptr;
    std::array<QLineEdit*, 2> m_tab{};
    std::array<QLineEdit*, 2> m_enter{};
    QPushButton* m_clearAll = nullptr;
    QPushButton* m_application = nullptr;
    QLabel* m_appLabel = nullptr;
    HotKeyEdit* m_launchKey = nullptr;
};

// A count box: narrow, for a whole number in -128..127 (checked when the page is left).
QLineEdit* makeCountBox(QWidget* parent = nullptr);

// Masks an edit with "*" or shows its text.
void setMasked(QLineEdit* edit, bool masked);

}  // namespace kivrano
