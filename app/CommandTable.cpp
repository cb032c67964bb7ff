#include "app/CommandTable.h"

#include "app/CommandIds.h"

#include <array>
#include <stdexcept>

namespace kivrano {

namespace {

constexpr std::string_view kMouseAlternative = "Double Click";

constexpr std::array kCommands = {
    // File
    CommandInfo{cmd::Open, "&Open", "Ctrl+O"},
    CommandInfo{cmd::Save, "&Save", "Ctrl+S"},
    CommandInfo{cmd::SaveWithoutBackup, "Save without &backup", "Ctrl+B"},
    CommandInfo{cmd::UploadDefaultBrowser, "&Upload to network server (using Default Browser)",
                "Ctrl+U"},
    CommandInfo{cmd::UploadInternetExplorer, "Upload to network server (using W&eb browser)",
                "Ctrl+I"},
    CommandInfo{cmd::ChangePassword, "&Change Password", ""},
    CommandInfo{cmd::LockScreen, "&Lock Screen", "Ctrl+L"},
    CommandInfo{cmd::ShowTextFormat,
                "Sho&w in text format (for print or using in other application)", ""},
    CommandInfo{cmd::Exit, "E&xit", ""},
    // Item/Folder
    CommandInfo{cmd::ItemViewModify, "Item - &View/Modify", "Enter"},
    CommandInfo{cmd::ItemExecute, "Item - &Execute", "Ctrl+Enter or Double Click"},
    CommandInfo{cmd::ItemAddNew, "Item - &Add New", "Ins"},
    CommandInfo{cmd::ItemDelete, "Item - &Delete", "Del"},
    CommandInfo{cmd::FolderAddNew, "Folder - Add &New", "Ctrl+Ins"},
    CommandInfo{cmd::FolderDelete, "Folder - De&lete", "Ctrl+Del"},
    CommandInfo{cmd::FolderChangeName, "Folder - &Change Name", ""},
    CommandInfo{cmd::CollapseAll, "Collapse All(&1)", "F5 or Ctrl+Left"},
    CommandInfo{cmd::ExpandAll, "Expand All(&2)", "F6 or Ctrl+Right"},
    CommandInfo{cmd::FolderProtect, "Password-protect information in this folder", ""},
    CommandInfo{cmd::FolderUnprotect, "Do not password-protect information in this folder", ""},
    // Tools
    CommandInfo{cmd::Find, "&Find", "Ctrl+F"},
    CommandInfo{cmd::QuickFind, "&Quick Find", "Ctrl+Q"},
    CommandInfo{cmd::AutoTrack, "A&utoTrack", "F1"},
    CommandInfo{cmd::AutoTrackButton,
                "AutoTrack -highlights item corresponding to your working window automatically",
                ""},
    CommandInfo{cmd::ShowHistory, "Show &History", "F2 or Ctrl+Alt+Down"},
    CommandInfo{cmd::Previous, "Previous(&3)", "F3 or Ctrl+Alt+Left"},
    CommandInfo{cmd::Next, "Next(&4)", "F4 or Ctrl+Alt+Right"},
    CommandInfo{cmd::TopmostWindow, "Topmost &Window", "F7"},
    CommandInfo{cmd::TileUnderWork, "Tile(Under Work)", "F8"},
    CommandInfo{cmd::ToSystemTray, "&To System Tray", "Esc"},
    CommandInfo{cmd::HotkeySetting, "Hot&key Setting", ""},
    CommandInfo{cmd::AutoLockTimeSetting, "&Automatic Lock Time Setting", ""},
    CommandInfo{cmd::TypeInKeyEmulation, "Key Down/Up Emulation", "F9"},
    CommandInfo{cmd::TypeInCopyPaste, "Copy and Paste", "F10"},
    CommandInfo{cmd::TypeInAutomatic, "Automatic", "F11"},
    // Help
    CommandInfo{cmd::Help, "&Help", ""},
    CommandInfo{cmd::About, "&About This Program", ""},
};

}  // namespace

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

const CommandInfo& commandInfo(int command) {
    for (const CommandInfo& info : kCommands)
        if (info.command == command) return info;
    throw std::out_of_range("no command " + std::to_string(command) + " in the command table");
}

std::string menuText(int command) {
    const CommandInfo& info = commandInfo(command);
    std::string text(info.label);
    if (!info.keys.empty()) {
        text += '\t';
        text += info.keys;
    }
    return text;
}

std::string menuTextWithBrowser(int command, std::string_view browserLabel) {
    std::string text = menuText(command);
    constexpr std::string_view kGeneric = "W&eb browser";
    const std::size_t at = text.find(kGeneric);
    if (at == std::string::npos || browserLabel.size() < 2) return text;
    text.replace(at, kGeneric.size(), "W&" + std::string(browserLabel.substr(1)));
    return text;
}

std::vector<std::string> commandKeys(int command) {
    std::vector<std::string> keys;
    std::string_view rest = commandInfo(command).keys;
    constexpr std::string_view kOr = " or ";
    while (!rest.empty()) {
        const std::size_t end = rest.find(kOr);
        const std::string_view key = rest.substr(0, end);
        if (key != kMouseAlternative) keys.emplace_back(key);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + kOr.size());
    }
    return keys;
}

}  // namespace kivrano
