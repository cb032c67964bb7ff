#pragma once

namespace kivrano::cmd {

// The program's command ids: every menu entry, toolbar button and accelerator carries one,
// and the command router hands it to whoever handles it.
enum : int {
    // File
    Open = 57601,
    Save = 32823,
    SaveWithoutBackup = 32841,
    UploadDefaultBrowser = 32840,
    UploadInternetExplorer = 32846,
    ChangePassword = 32778,
    LockScreen = 32847,
    ShowTextFormat = 32849,
    Exit = 57665,
    NewDocument = 57600,
    // Item/Folder
    ItemViewModify = 32792,
    ItemExecute = 32798,
    ItemAddNew = 32779,
    ItemDelete = 32780,
    FolderAddNew = 32785,
    FolderDelete = 32786,
    FolderChangeName = 32793,
    CollapseAll = 32800,
    ExpandAll = 32799,
    FolderProtect = 32856,
    FolderUnprotect = 32858,
    // Tools
    Find = 32838,
    QuickFind = 32859,
    AutoTrackButton = 32824,
    AutoTrack = 32825,
    ShowHistory = 32834,
    Previous = 32830,
    Next = 32832,
    TopmostWindow = 32784,
    TileUnderWork = 32860,
    ToSystemTray = 32782,
    HotkeySetting = 32777,
    AutoLockTimeSetting = 32850,
    TypeInKeyEmulation = 32853,
    TypeInCopyPaste = 32852,
    TypeInAutomatic = 32854,
    // Help
    Help = 32783,
    About = 32781,
    // Field list
    NextPane = 32842,
};

}  // namespace kivrano::cmd
