#pragma once

#include "app/SecretClipboard.h"
#include "launch/FieldActions.h"
#include "vault/TreeNode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

class Prompter;
class VaultTree;
struct VaultItem;
struct VaultSettings;
namespace platform {
class Clipboard;
class SettingsStore;
class Shell;
}  // namespace platform

// One row of the field list. Texts are vault bytes.
struct InfoRow {
    std::string name;     // the Name column
    std::string content;  // the Content column: asterisks when masked, on one line
    std::string hotkey;   // the key that types the field (row 0: the item's launching key)
    bool masked = false;
};

// The commands of the field list's action menu, under the program's command ids.
enum class FieldAction : int {
    ViewModify = 32826,
    Web = 32827,
    Email = 32828,
    Copy = 32829,
    Run = 32836,
    Call = 32843,
    Hangup = 32844,
    Send = 32845,
};

// An entry of the action menu; an entry without an action is a separator.
struct FieldMenuEntry {
    std::optional<FieldAction> action;
    std::string_view text;  // with its & mnemonic and, after a tab, an example value
    bool enabled = true;
};

// The logic of the item field list: the ten rows of an item, the column widths and what the
// copy, web, e-mail and run actions do. The list remembers which item it shows and finds
// the record again in the tree at each use, so an item deleted meanwhile is never touched.
class InfoList {
public:
    static constexpr int kRowCount = 10;
    static constexpr int kMemoRow = 9;
    static constexpr int kColumnCount = 3;
    using ColumnWidths = std::array<std::int32_t, kColumnCount>;
    static constexpr ColumnWidths kDefaultWidths{60, 128, 65};

    InfoList(platform::Shell& shell, platform::Clipboard& clipboard, Prompter& prompter);
    ~InfoList();
    InfoList(const InfoList&) = delete;
    InfoList& operator=(const InfoList&) = delete;

    // The rows of an item: Address, ID, Password, Etc1..Etc6, Memo.
    static std::vector<InfoRow> rowsOf(const VaultItem& item, const VaultSettings& settings);
    // The unmasked text a row's actions work on; empty for a row number out of range
    // (a click below the last row).
    static std::string fieldValue(const VaultItem& item, int row);
    // One asterisk per character; characters are counted as the text is shown (UTF-8, or
    // one per byte when the bytes are not UTF-8).
    static std::string masked(const std::string& text);

    // Shows the node: an item's ten rows, or nothing for a folder or no node.
    void show(const VaultTree& tree, TreeNode node, const VaultSettings& settings);
    const std::vector<InfoRow>& rows() const { return m_rows; }
    // The item shown, while it is still an item of the tree; kNoNode otherwise.
    TreeNode shownItem() const;
    // The record of a node that is still an item of the tree shown; null otherwise.
    const VaultItem* itemOf(TreeNode node) const;

    // The actions on a row of an item; nothing happens unless the node is still an item.
    // Every row but the address is a secret on the clipboard (see SecretClipboard).
    void copyToClipboard(TreeNode item, int row);
    SecretClipboard& clipboard() { return m_copies; }
    void openWeb(TreeNode item, int row);
    void sendEmail(TreeNode item, int row);
    void run(TreeNode item, int row);
    // The memo for the tooltip over the memo row, shown also when the memo is masked;
    // nothing over any other row or with no item shown.
    std::optional<std::string> memoTip(int row) const;
    // The unmasked text of a row of an item, for dragging it into another program.
    std::optional<std::string> dragText(TreeNode item, int row) const;

    // The action menu, top to bottom.
    static const std::vector<FieldMenuEntry>& actionMenu();

    // Column widths from "ColumnWidth1".."ColumnWidth3": a missing value keeps its default;
    // a width below 0 or above 3000, or three that add up to less than 10, give all three
    // defaults.
    static ColumnWidths loadColumnWidths(platform::SettingsStore& store);
    // False when the settings cannot be opened or written.
    static bool saveColumnWidths(platform::SettingsStore& store, const ColumnWidths& widths);

private:
    void clearRows();
    void openField(TreeNode node, int row, bool (FieldOpener::*open)(const std::string&) const);

    SecretClipboard m_copies;
    FieldOpener m_opener;
    const VaultTree* m_tree = nullptr;
    TreeNode m_shown = kNoNode;
    std::vector<InfoRow> m_rows;
};

}  // namespace kivrano
