#pragma once

#include "app/ItemEditor.h"
#include "app/TreeCommands.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTabWidget;

namespace kivrano {

class CBasicPage;
class CContentPage;

// A control's text as vault bytes: the original bytes when the control still shows them as
// they were shown (a Windows-1252 text stays Windows-1252), UTF-8 once the user edited it.
std::string editedVaultText(const QString& shown, const std::string& original);

// The item editor: "Basic Information" and "Etc Information" on one modal sheet, working on the
// item it is given. The rules are ItemEditorSession's; the pages show and collect.
class CProperty : public QDialog {
    Q_OBJECT

public:
    // Runs the Application dialog for the basic page; nothing when it was cancelled.
    using ApplicationRunner = std::function<std::optional<ApplicationChoice::Result>(
        QWidget* parent, std::int32_t appChoice, std::int32_t appIndex)>;

    // applicationSelection: the application entry chosen last, kept by the caller for the
    // session. windowReader may be null (a new item then starts empty).
    CProperty(VaultItem& item, const ItemEditorRequest& request, CKivranoDoc& document,
              std::int32_t& applicationSelection, const platform::WindowSystem* windowReader,
              Prompter& prompter, QWidget* parent = nullptr);
    ~CProperty() override;

    // Opens the editor modally on item; true when the user confirmed with OK. Messages are
    // shown over the editor.
    static bool editItem(QWidget* parent, VaultItem& item, const ItemEditorRequest& request,
                         CKivranoDoc& document, std::int32_t& applicationSelection,
                         const platform::WindowSystem* windowReader);

    void setApplicationRunner(ApplicationRunner runner);

    // The page in front: 0 "Basic Information", 1 "Etc Information".
    int currentPage() const { return m_currentPage; }
    // Brings a page to the front as a click on its tab does: the page that is left must hold
    // valid counts. False when it does not (the message was shown and the box has the focus).
    bool showPage(int page);

    CBasicPage* basicPage() const { return m_basicPage; }
    CContentPage* etcPage() const { return m_etcPage; }
    QTabWidget* tabs() const { return m_tabs; }

public slots:
    void accept() override;
    void reject() override;

private:
    void tabChanged(int page);
    void pageShown(int page);
    // Takes a page's controls into its values and checks the counts.
    bool leavePage(int page);

    std::unique_ptr<ItemEditorSession> m_session;
    QTabWidget* m_tabs = nullptr;
    CBasicPage* m_basicPage = nullptr;
    CContentPage* m_etcPage = nullptr;
    int m_currentPage = 0;
    bool m_switching = false;
};

// The item editor that the tree commands open: this property sheet over the main window.
class PropertySheetEditor : public ItemEditor {
public:
    PropertySheetEditor(CKivranoDoc& doc, const platform::WindowSystem* windows)
        : m_doc(doc), m_windows(windows) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    bool edit(VaultItem& item, const ItemEditorRequest& request) override {
        return CProperty::editItem(m_parent, item, request, m_doc, m_applicationSelection,
                                   m_windows);
    }

private:
    CKivranoDoc& m_doc;
    const platform::WindowSystem* m_windows;
    QWidget* m_parent = nullptr;
    std::int32_t m_applicationSelection = -1;  // the last application chosen, for this run
};

}  // namespace kivrano
