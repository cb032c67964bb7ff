#include "vault/Strings.h"

namespace kivrano {

std::string_view text(StringId id) {
    switch (id) {
        case StringId::SaveNotAllowedUnprotectedOnly:
            return "Save is not allowed in the Read Unprotected Items Only mode.";
        case StringId::SaveErrorNoPath:
            return "Error - OnSave(1)";
        case StringId::ContinueUnprotectedQuestion:
            return "Password is incorrect. But you can continue and read information which is "
                   "not password-protected. Press Yes to continue or No to cancel. ";
        case StringId::InvalidPasswordOrNewer:
            return "Invalid password, or the user data file has been created by the newer "
                   "version of this program.";
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
        case StringId::CopyFolderQuestion:
            return "Do you really want to copy the selected folder?";
        case StringId::MoveFolderQuestion:
            return "Do you really want to change the position of the selected folder to below "
                   "the target folder?";
        case StringId::MergeFolderQuestion:
            return "Do you really want to merge the selected folder into the target folder?";
        case StringId::InvalidPassword:
            return "Invalid Password";
        case StringId::PasswordsDontMatch:
            return "Two passwords don't match.";
        case StringId::PasswordChangedEmpty:
            return "Password has been changed successfully. \n\nNotice: Because you left the new "
                   "password field to null, anybody may open this file.";
        case StringId::PasswordChanged:
            return "Password has been changed successfully.";
        case StringId::SelectItemToView:
            return "To view or modify an item, select an item first.";
        case StringId::SelectItemToRun:
            return "No item selected, or a folder is selected. To run an item, you must select an "
                   "item first. ";
        case StringId::CannotRunItem:
            return "Cannot run the item. Check the application or address please.";
        case StringId::ReallyDeleteItem:
            return "Really delete the item?";
        case StringId::ReallyDeleteFolder:
            return "Really delete the folder?";
        case StringId::PlaceholderFolder:
            return "Press \"+ button\" to add items";
        case StringId::ProductName:
            return "Kivrano";
        case StringId::CannotUnlock:
            return "Sorry. We can't unlock the screen because the password is invalid. Enter a "
                   "valid unlock password please.";
    }
    return {};
}

}  // namespace kivrano
