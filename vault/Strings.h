#pragma once

#include <string_view>

namespace kivrano {

// The program's message texts, one table keyed by string id. Ids of 61000 and up are the
// program's own resource ids; the ids below 1000 name texts that have none of their own.
enum class StringId : int {
    // Document
    SaveNotAllowedUnprotectedOnly = 1,
    SaveErrorNoPath = 2,
    ContinueUnprotectedQuestion = 3,
    InvalidPasswordOrNewer = 4,
    // Tree view and password change
    SelectFolderForNewItem = 61204,
    SelectFolderToDelete = 61205,
    SelectItemToDelete = 61206,
    FolderNameExists = 61207,
    CopyFolderQuestion = 61211,
    MoveFolderQuestion = 61212,
    MergeFolderQuestion = 61213,
    InvalidPassword = 61214,
    PasswordsDontMatch = 61215,
    PasswordChangedEmpty = 61216,
    PasswordChanged = 61217,
    SelectItemToView = 61220,
    SelectItemToRun = 61221,
    CannotRunItem = 61222,
    ReallyDeleteItem = 61223,
    ReallyDeleteFolder = 61224,
    PlaceholderFolder = 61237,
    ProductName = 61254,
    CannotUnlock = 61270,
};

// The text of a string id; empty for an id the table does not hold.
std::string_view text(StringId id);

}  // namespace kivrano
