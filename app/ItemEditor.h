#pragma once

#include "app/ApplicationChoice.h"
#include "platform/WindowSystem.h"
#include "vault/CKivranoDoc.h"
#include "vault/HotKeyValue.h"
#include "vault/Prompter.h"
#include "vault/VaultItem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

enum class ItemEditorMode { Add, Modify };

// How the editor was asked for: by "Item - Add New", or by "Item - View/Modify" from the tree
// or from a row of the field list (rows 0..2 Address, ID, Password; 3..9 Etc1..Etc6, Memo).
struct ItemEditorRequest {
    ItemEditorMode mode = ItemEditorMode::Modify;
    int fieldRow = -1;  // -1: not from a field list row
    // How the built-in web browser is named ("Web browser (Firefox)").
    std::string browserLabel = "Web browser";
};

// What the "Basic Information" page shows. Texts are vault bytes; count boxes hold what the
// user typed until the page is left.
struct BasicPageValues {
    std::string title;
    std::string address;
    std::string id;
    std::string password;
    HotKeyValue launchKey;
    std::array<std::string, 2> tabCount;  // ID row, Password row
    std::array<std::string, 2> enterCount;
    bool hideId = false;
    bool hidePassword = false;
    std::int32_t appChoice = 0;
    std::int32_t appIndex = -1;
    std::string appLabel;
};

// What the "Etc Information" page shows; rows 0..5 are Etc1..Etc6.
struct EtcPageValues {
    std::array<std::string, 6> name;
    std::array<std::string, 6> text;
    std::array<bool, 6> hide{};
    std::array<std::string, 6> tabCount;
    std::array<std::string, 6> enterCount;
    std::string memo;
    bool hideMemo = false;
};

// A count box of a page: row 0..1 on the basic page (ID, Password), 0..5 on the Etc page.
struct CountBox {
    int page = 0;
    int row = 0;
    bool enter = false;  // the Enter box; otherwise the Tab box
    bool operator==(const CountBox&) const = default;
};

// The item editor without its window: which page opens, what each page shows, the checks
// made when a page is left, and what OK writes back into the item. It works on the item it
// is given; the caller decides what happens to the item afterwards.
class ItemEditorSession {
public:
    static constexpr int kBasicPage = 0;
    static constexpr int kEtcPage = 1;
    static constexpr int kCountMin = -128;
    static constexpr int kCountMax = 127;

    enum class CountError { None, NotInteger, OutOfRange };

    // windowReader may be null: a new item then starts with an empty title and address.
    ItemEditorSession(VaultItem& item, CKivranoDoc& document,
                      const platform::WindowSystem* windowReader, Prompter& prompter);
    // The pages' copies of the item's texts are wiped: they hold its password.
    ~ItemEditorSession();
    ItemEditorSession(const ItemEditorSession&) = delete;
    ItemEditorSession& operator=(const ItemEditorSession&) = delete;

    static std::string caption(ItemEditorMode mode);
    static int startPage(const VaultItem& item, const ItemEditorRequest& request);

    // A page comes to the front: the item remembers it as its last page, and the page's values
    // are taken from the item the first time. The basic page first captures the open web page
    // into a new item's title and address.
    const BasicPageValues& showBasicPage();
    const EtcPageValues& showEtcPage();
    bool basicPageShown() const { return m_basicShown; }
    bool etcPageShown() const { return m_etcShown; }

    // The pages' values as last collected from the controls.
    BasicPageValues& basic() { return m_basic; }
    EtcPageValues& etc() { return m_etc; }

    // The Application dialog ended with OK: the basic page takes its choice and shows its label.
    void takeApplication(const ApplicationChoice::Result& result);
    // The name the application label gives the built-in web browser.
    void setBrowserLabel(std::string label) { m_browserLabel = std::move(label); }

    // "Cl&ear All": empties Title, Address, ID and Password; nothing else.
    static void clearSiteInformation(BasicPageValues& values);

    // A count box's text as a count in -128..127.
    static CountError parseCount(std::string_view text, std::int8_t& count);

    // Leaving a page, or OK on it: every count box must hold a whole number in -128..127.
    // The first one that does not is reported to the user and returned, so that it can take
    // the focus.
    std::optional<CountBox> checkPage(int page);

    // OK: every page that was shown writes the values that differ from the item. Marks the
    // document modified when anything was written; returns whether anything was.
    bool writeBack();

    // The editor closes, after OK or Cancel: an application table changed from the
    // Application dialog is part of the vault whatever the ending, so it marks the document.
    void close();

private:
    void captureOpenPage();

    VaultItem& m_item;
    CKivranoDoc& m_document;
    const platform::WindowSystem* m_windowReader;
    Prompter& m_prompter;
    std::vector<std::string> m_tableAtOpen;
    BasicPageValues m_basic;
    EtcPageValues m_etc;
    std::string m_browserLabel = "Web browser";
    bool m_basicShown = false;
    bool m_etcShown = false;
};

}  // namespace kivrano
