#pragma once

#include "vault/VaultItem.h"
#include "vault/VaultTree.h"

#include <string>

namespace kivrano {

// The vault as plain text, for printing or pasting into another program. Every value is
// written in clear, whatever its hide flags say; the caller owns the secrets in the result
// and should wipe it when done.
//
// Each item gives one block: its title; "Address:", "ID:" and "PW:" each followed by a tab
// and the value; one line per Etc field (its name, a tab, its text); the memo as stored;
// and an empty line. Every line ends with CR LF. Folder names are not written: the items of
// all folders follow one another in tree order.
enum class ListingLines {
    All,           // every line of every block
    NonEmptyOnly,  // the title, the non-empty fields and the closing empty line
};

// Appends one item's block to out.
void appendListingBlock(std::string& out, const VaultItem& item, ListingLines lines);

// The blocks of every item, folder by folder.
std::string textListing(const VaultTree& tree, ListingLines lines);

}  // namespace kivrano
