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
        case StringId::EnterInteger: return "Please enter an integer.";
        case StringId::EnterIntegerBetween: return "Please enter an integer between %1 and %2.";
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
        case StringId::ColumnName: return "Name";
        case StringId::ColumnHotkey: return "Hotkey";
        case StringId::ColumnContent: return "Content";
        case StringId::CannotRunBrowser:
            return "Cannot execute the %s - Its path is reported %s\nCheck the file exists or "
                   "use other options such as Default Browser or Specify Application";
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
        case StringId::CannotUnlock:
            return "Sorry. We can't unlock the screen because the password is invalid. Enter a "
                   "valid unlock password please.";
    }
    return {};
}

}  // namespace kivrano
