#pragma once

#include "vault/TreeNode.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

class CDic;
class VaultTree;

// The Quick Find bar's logic: on every change of the typed text, the folders and items that
// have a word beginning with it, from the document's word index, each selected in the tree as
// it is listed.
class QuickFind {
public:
    static constexpr std::size_t kMaxHits = 30;
    static constexpr std::size_t kTitleChars = 30;
    static constexpr std::size_t kAddressChars = 20;
    static constexpr const char* kTooMany = "<< Too Many Results >>";

    // node kNoNode: the overflow line.
    struct Line {
        QString text;
        TreeNode node = kNoNode;
        bool operator==(const Line&) const = default;
    };

    // select makes a node the tree's selection; false when the node is no longer there.
    QuickFind(const CDic& index, const VaultTree& tree, std::function<bool(TreeNode)> select);

    // The lines for the typed text (UTF-8): lower-cased as the index keys are, looked up,
    // listed in the index's order, each entry once, at most 30 and the overflow line.
    const std::vector<Line>& search(std::string_view typed);
    const std::vector<Line>& lines() const { return m_lines; }

    // What Go goes to: the chosen line's entry (row -1 or out of range: the first line's);
    // kNoNode for the overflow line; nothing when the list is empty.
    std::optional<TreeNode> goTarget(int row) const;

    // "Title   [ Address ]" for an item, "Name   << FOLDER >>" for a folder, cut to 30 and
    // 20 characters.
    static QString lineText(const VaultTree& tree, TreeNode node);

private:
    const CDic& m_index;
    const VaultTree& m_tree;
    std::function<bool(TreeNode)> m_select;
    std::vector<Line> m_lines;
};

}  // namespace kivrano
