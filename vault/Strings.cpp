#include "vault/Strings.h"

namespace kivrano {

std::string_view text(StringId id) {
    switch (id) {
        case StringId::SaveNotAllowedUnprotectedOnly:
            return "Save is not allowed in the Read Unprotected Items Only mode.";
        case StringId::SaveErrorNoPath: return "Error - OnSave(1)";
        case StringId::ContinueUnprotectedQuestion:
            return "Password is incorrect. But you can continue and read information which is "
                   "not password-protected. Press Yes to continue or No to cancel. ";
        case StringId::InvalidPasswordOrNewer:
            return "Invalid password, or the user data file has been created by the newer "
                   "version of this program.";
        case StringId::NotVaultFile:
            return "\"%1\" is not a Kivrano data file. Nothing was read from it.";
        case StringId::FileChangedOnDisk:
            return "\"%1\" has been changed by another program since it was opened here. "
                   "Saving now would overwrite those changes.\n\nOverwrite it with the vault "
                   "shown here, save the vault under another name, or cancel?";
        case StringId::SaveWithoutBackupQuestion:
            return "No backup copy could be made: %1\n\nSave without a backup?";
        case StringId::NonzeroPaddingWarning:
            return "%1 text(s) in \"%2\" do not end the way Kivrano writes them (the first "
                   "starts at byte %3): the file may be damaged there. Check the entries you "
                   "use, or compare with the backup copy.";
        case StringId::EnterInteger: return "Please enter an integer.";
        case StringId::EnterIntegerBetween: return "Please enter an integer between %1 and %2.";
        case StringId::EnterUnsignedInteger: return "Please enter an unsigned integer.";
        case StringId::ApplicationTableFull:
            return "CComboContainer cannot accomodate strings in the input ComboBox";
        case StringId::ChangeForAllItemsQuestion:
            return "Every items using the same application as the current item will be changed "
                   "to use a new application. Use this function in case you wish to substitute a "
                   "current application(e.g. Firefox) with a new application(e.g. Chromium). "
                   "Continue?";
        case StringId::AddressFieldBlank: return "Address field is blank.";
        case StringId::ApplicationFieldBlank: return "Application field is blank.";
        case StringId::CannotConnect:
            return "Cannot connect to the specified address. If the Address field contains URL, "
                   "make sure that proper protocol type is prefixed to the URL. ex) "
                   "https://www.example.com";
        case StringId::ApplicationMissingQuestion:
            return "The specified application doesn't exist. Do you want to specify an "
                   "application?";
        case StringId::NoSelectedUser: return "No Selected User.";
        case StringId::UserNameExists:
            return "There exist a user with the same name. Choose another name please.";
        case StringId::ReallyRemoveUser: return "Do you want to remove?";
        case StringId::RenameTargetExists:
            return "The file name already exists. Try another name or change the existing "
                   "file's name first please.";
        case StringId::UserNameHasSeparator:
            return "A user name cannot contain the character \"/\". Choose another name please.";
        case StringId::CannotRemoveProfile:
            return "The profile file %s could not be removed (%s). It is still listed; check "
                   "that the folder may be changed and try again.";
        case StringId::CannotRenameProfile:
            return "The profile file %s could not be renamed to %s (%s). Nothing was changed.";
        case StringId::SelectFolderForNewItem:
            return "Select a folder where new item will be placed. If there is no folder, add a "
                   "new folder first.";
        case StringId::SelectFolderToDelete:
            return "To remove a folder, select a folder to delete first. If you are going to "
                   "remove an item, use Delete Item button or menu item instead.";
        case StringId::SelectItemToDelete:
            return "To remove an item, select an item to delete first. If you are going to "
                   "remove a folder, use Delete Folder instead.";
        case StringId::FolderNameExists:
            return "A folder with the same name already exists. Will you try another folder "
                   "name?";
        case StringId::AddItemCaption: return "Add a New Item";
        case StringId::ViewModifyItemCaption: return "View/Modify an Item";
        case StringId::CopyFolderQuestion: return "Do you really want to copy the selected folder?";
        case StringId::MoveFolderQuestion:
            return "Do you really want to change the position of the selected folder to below "
                   "the target folder?";
        case StringId::MergeFolderQuestion:
            return "Do you really want to merge the selected folder into the target folder?";
        case StringId::InvalidPassword: return "Invalid Password";
        case StringId::PasswordsDontMatch: return "Two passwords don't match.";
        case StringId::PasswordChangedEmpty:
            return "Password has been changed successfully. \n\nNotice: Because you left the new "
                   "password field to null, anybody may open this file.";
        case StringId::PasswordChanged: return "Password has been changed successfully.";
        case StringId::SelectItemToView: return "To view or modify an item, select an item first.";
        case StringId::SelectItemToRun:
            return "No item selected, or a folder is selected. To run an item, you must select an "
                   "item first. ";
        case StringId::CannotRunItem:
            return "Cannot run the item. Check the application or address please.";
        case StringId::ReallyDeleteItem: return "Really delete the item?";
        case StringId::ReallyDeleteFolder: return "Really delete the folder?";
        case StringId::PlaceholderFolder: return "Press \"+ button\" to add items";
        case StringId::AddItemUnprotectedOnly:
            return "Items cannot be added in the Read Unprotected Items Only mode: the vault "
                   "cannot be saved in this mode, so a new item would be lost. Open the vault "
                   "with its password to add items.";
        case StringId::CannotOpenManual:
            return "Cannot open the manual %s. Check that a web browser is installed and set "
                   "as the desktop's default browser; \"man kivrano\" shows the same manual in a "
                   "terminal.";
        case StringId::ManualNotInstalled:
            return "The manual is not installed: %s was not found. Reinstall Kivrano (the "
                   "kivrano package installs it), or read it with \"man kivrano\".";
        case StringId::PasswordChangeUnprotectedOnly:
            return "The password cannot be changed in the Read Unprotected Items Only mode: the "
                   "vault was opened without its password. Open it again with its password "
                   "first.";
        case StringId::ColumnName: return "Name";
        case StringId::ColumnHotkey: return "Hotkey";
        case StringId::ColumnContent: return "Content";
        case StringId::CannotRunBrowser:
            return "Cannot execute the %s - Its path is reported %s\nCheck the file exists or "
                   "use other options such as Default Browser or Specify Application";
        case StringId::AutoTrackCannotSeeWindows:
            return "AutoTrack cannot see the window in front on this desktop, so it keeps the "
                   "current selection. It follows the window in front on X11 desktops, on sway "
                   "and other wlroots desktops, and on KDE Plasma.";
        case StringId::KeyboardNotGranted:
            return "Nothing was typed: the desktop did not let Kivrano use the keyboard (the "
                   "request was refused or not answered). Allow Kivrano's request to control the "
                   "keyboard when the desktop asks, or copy the field from the field list.";
        case StringId::NoWebBrowser:
            return "No web browser was found. Install one (for example Firefox or Chromium) or "
                   "name it in the BROWSER environment variable, or use other options such as "
                   "Default Browser or Specify Application";
        case StringId::UnnamedEtcField: return " ";
        case StringId::CannotEmail:
            return "Error occurred while trying to email to this address: %s.";
        case StringId::CannotRunProgram:
            return "Error occurred while trying to run a program in this path: %s.";
        case StringId::ProductName: return "Kivrano";
        case StringId::NoTelephonyDevices: return "There are no telephony devices installed.";
        case StringId::CallAlreadyHandled: return "A call is already being handled.";
        case StringId::LineWithoutVoice:
            return "The selected line doesn't support VOICE capabilities";
        case StringId::LineWithoutMakeCall:
            return "The selected line doesn't support MAKECALL capabilities";
        case StringId::LineWithoutInteractiveVoice:
            return "The selected line doesn't support INTERACTIVE VOICE capabilities";
        case StringId::CallFirst: return "Call first, please";
        case StringId::CannotUnlock:
            return "Sorry. We can't unlock the screen because the password is invalid. Enter a "
                   "valid unlock password please.";
        case StringId::DownloadSucceeded:
            return "Downloaded the file successfully. It appears as \"from_network\" on the user "
                   "name list box.";
        case StringId::DownloadFailed:
            return "Couldn't download the file from the specified address. Check network "
                   "connection or verify that the file exists on that address.";
        case StringId::BackupServerNotice:
            return "Sorry for the inconvenience. The backup server may have been changed after "
                   "release of this program or it's temporarily down. Check our web site at ";
        case StringId::NoBuiltInBrowser:
            return "No web browser was found. Set the BROWSER environment variable to your "
                   "browser's program, or use \"Upload to network server (using Default "
                   "Browser)\".";
    }
    return {};
}

std::string text(StringId id, std::initializer_list<std::string_view> arguments) {
    std::string result(text(id));
    std::size_t number = 1;
    for (std::string_view argument : arguments) {
        const std::string mark = "%" + std::to_string(number++);
        for (auto at = result.find(mark); at != std::string::npos;
             at = result.find(mark, at + argument.size()))
            result.replace(at, mark.size(), argument);
    }
    return result;
}

}  // namespace kivrano
