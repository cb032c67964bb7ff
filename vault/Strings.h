#pragma once

#include <initializer_list>
#include <string>
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
    NotVaultFile = 5,               // %1: the file
    FileChangedOnDisk = 6,          // %1: the file
    SaveWithoutBackupQuestion = 7,  // %1: why no backup could be made
    NonzeroPaddingWarning = 8,      // %1: how many texts, %2: the file, %3: a byte offset
    // Item editor and Application dialog
    EnterInteger = 401,
    EnterIntegerBetween = 402,  // %1 and %2: the lowest and highest value
    ApplicationTableFull = 403,
    ChangeForAllItemsQuestion = 404,
    EnterUnsignedInteger = 405,
    // Item launch
    AddressFieldBlank = 501,
    ApplicationFieldBlank = 502,
    CannotConnect = 503,
    ApplicationMissingQuestion = 504,
    // Sign-in
    NoSelectedUser = 200,
    UserNameExists = 201,
    ReallyRemoveUser = 202,
    RenameTargetExists = 203,
    UserNameHasSeparator = 204,
    CannotRemoveProfile = 205,
    CannotRenameProfile = 206,
    // Tree view and password change
    SelectFolderForNewItem = 61204,
    SelectFolderToDelete = 61205,
    SelectItemToDelete = 61206,
    FolderNameExists = 61207,
    AddItemCaption = 61208,
    ViewModifyItemCaption = 61210,
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
    // Tree view, texts of our own
    AddItemUnprotectedOnly = 300,
    CannotOpenManual = 301,
    ManualNotInstalled = 302,
    NoWebBrowser = 303,
    PasswordChangeUnprotectedOnly = 304,
    AutoTrackCannotSeeWindows = 305,
    KeyboardNotGranted = 306,
    // Field list
    ColumnName = 61246,
    ColumnHotkey = 61247,
    ColumnContent = 61248,
    CannotRunBrowser = 61250,
    UnnamedEtcField = 61251,
    CannotEmail = 61256,
    CannotRunProgram = 61257,
    ProductName = 61254,
    // Phone dialer
    NoTelephonyDevices = 600,
    CallAlreadyHandled = 601,
    LineWithoutVoice = 602,
    LineWithoutMakeCall = 603,
    LineWithoutInteractiveVoice = 604,
    CallFirst = 605,
    CannotUnlock = 61270,
    // Network exchange
    DownloadSucceeded = 900,
    DownloadFailed = 901,
    BackupServerNotice = 902,  // followed by the notice page's address
    NoBuiltInBrowser = 903,
};

// The text of a string id; empty for an id the table does not hold.
std::string_view text(StringId id);

// The text with %1, %2, ... replaced by the arguments in order.
std::string text(StringId id, std::initializer_list<std::string_view> arguments);

}  // namespace kivrano
