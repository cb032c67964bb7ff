#pragma once

#include "vault/TreeNode.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kivrano {

class VaultTree;
namespace platform {
class SettingsStore;
}

// What the Find dialog searches for, and where. The defaults are the dialog's at every
// opening.
struct FindQuery {
    std::string text;  // UTF-8 as typed
    bool caseSensitive = false;
    bool title = true;
    bool address = true;
    bool id = false;
    bool password = false;
    bool etc = false;  // the six Etc texts, then the six Etc names
    bool memo = false;
    bool folder = true;
};

// One row of the result list. Texts are vault bytes; "found" may be a password, shown in
// clear, so rows wipe their texts when they go.
struct FindResult {
    TreeNode node = kNoNode;
    std::string title;   // the item's title, or the folder's name
    std::string found;   // the value of the last matching field; empty for a folder
    std::string folder;  // the item's folder, or "<< FOLDER >>"

    FindResult() = default;
    FindResult(TreeNode n, std::string t, std::string f, std::string in);
    FindResult(const FindResult&) = default;
    FindResult(FindResult&&) noexcept = default;
    FindResult& operator=(const FindResult&) = default;
    FindResult& operator=(FindResult&&) noexcept = default;
    ~FindResult();
};

// The Find dialog's search over the tree and its remembered column widths.
class FindSearch {
public:
    static constexpr const char* kFolderMark = "<< FOLDER >>";
    static constexpr int kColumnCount = 3;
    using ColumnWidths = std::array<std::int32_t, kColumnCount>;

    // Every folder in tree order (its own row first when its name matches and folders are
    // searched), then its matching items. An empty text matches every field.
    static std::vector<FindResult> search(const VaultTree& tree, const FindQuery& query);

    // Whether text is found in field: exactly, or both upper-cased by Unicode's rules. Both
    // are taken as the screen shows them: UTF-8, or Windows-1252 when not valid UTF-8.
    static bool matches(const std::string& field, const std::string& text, bool caseSensitive);

    // "SearchWidth1".."SearchWidth3". Any above 3000 (or below 0), or all three 0 (as when
    // missing), give 30/40/30 per cent of the list's client width, written back at once.
    static ColumnWidths loadColumnWidths(platform::SettingsStore& store, int listWidth);
    // False when the settings cannot be opened or written.
    static bool saveColumnWidths(platform::SettingsStore& store, const ColumnWidths& widths);
};

}  // namespace kivrano
