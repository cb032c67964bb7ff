#include "vault/TextListing.h"

#include <cstddef>
#include <string_view>

namespace kivrano {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Calls line(label, value, written) for each line of an item's block in order; label is
// empty where the line is the value alone.
template <typename LineFn>
void forEachLine(const VaultItem& item, ListingLines lines, LineFn&& line) {
    const bool all = lines == ListingLines::All;
    line(std::string_view{}, std::string_view{}, item.title, true);
    line(std::string_view("Address:"), std::string_view("\t"), item.address,
         all || !item.address.empty());
    line(std::string_view("ID:"), std::string_view("\t"), item.id, all || !item.id.empty());
    line(std::string_view("PW:"), std::string_view("\t"), item.password,
         all || !item.password.empty());
    for (std::size_t k = 0; k < 6; ++k)
        line(std::string_view(item.etcName[k]), std::string_view("\t"), item.etcText[k],
             all || !item.etcName[k].empty() || !item.etcText[k].empty());
    line(std::string_view{}, std::string_view{}, item.memo, all || !item.memo.empty());
    line(std::string_view{}, std::string_view{}, std::string_view{}, true);
}

}  // namespace

void appendListingBlock(std::string& out, const VaultItem& item, ListingLines lines) {
    forEachLine(
        item, lines,
        [&](std::string_view label, std::string_view tab, std::string_view value, bool written) {
            if (!written) return;
            out.append(label).append(tab).append(value).append(kLineEnd);
        });
}

std::string textListing(const VaultTree& tree, ListingLines lines) {
    // The text holds every password in clear: sized once up front so that growing it never
    // leaves a copy behind in freed memory.
    std::size_t size = 0;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i))
            forEachLine(*tree.item(i), lines,
                        [&](std::string_view label, std::string_view tab, std::string_view value,
                            bool written) {
                            if (written)
                                size += label.size() + tab.size() + value.size() + kLineEnd.size();
                        });

    std::string out;
    out.reserve(size);
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i))
            appendListingBlock(out, *tree.item(i), lines);
    return out;
}

}  // namespace kivrano
