#include "app/QuickFind.h"

#include "vault/CDic.h"
#include "vault/VaultText.h"
#include "vault/VaultTree.h"

#include <algorithm>

namespace kivrano {

namespace {

// The first characters of a vault text as the screen shows it (UTF-8, or Windows-1252 when
// not valid UTF-8): a cut never splits a character.
QString firstCharacters(const std::string& bytes, std::size_t count) {
    const std::u32string decoded = decodeVaultText(bytes);
    return QString::fromUcs4(decoded.data(),
                             static_cast<qsizetype>(std::min(count, decoded.size())));
}

}  // namespace

QuickFind::QuickFind(const CDic& index, const VaultTree& tree, std::function<bool(TreeNode)> select)
    : m_index(index), m_tree(tree), m_select(std::move(select)) {}

QString QuickFind::lineText(const VaultTree& tree, TreeNode node) {
    QString text = firstCharacters(tree.text(node), kTitleChars);
    if (const VaultItem* item = tree.item(node))
        return text + QStringLiteral("   [ ") + firstCharacters(item->address, kAddressChars) +
               QStringLiteral(" ]");
    return text + QStringLiteral("   << FOLDER >>");
}

const std::vector<QuickFind::Line>& QuickFind::search(std::string_view typed) {
    m_lines.clear();
    auto listed = [this](TreeNode node) {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [node](const Line& l) { return l.node == node; });
    };
    // The index keys have their ASCII letters lowered, and nothing else.
    m_index.forEachMatch(asciiLowered(typed), [&](const CDic::Entry& entry) {
        const TreeNode node = entry.node;
        // An entry is listed once, and one deleted since it was indexed not at all.
        if (listed(node) || !m_tree.contains(node)) return true;
        if (m_lines.size() == kMaxHits) {
            m_lines.push_back({QString::fromLatin1(kTooMany), kNoNode});
            return false;
        }
        if (m_select && !m_select(node)) return true;
        m_lines.push_back({lineText(m_tree, node), node});
        return true;
    });
    return m_lines;
}

std::optional<TreeNode> QuickFind::goTarget(int row) const {
    if (m_lines.empty()) return std::nullopt;
    const bool chosen = row >= 0 && static_cast<std::size_t>(row) < m_lines.size();
    return m_lines[chosen ? static_cast<std::size_t>(row) : 0].node;
}

}  // namespace kivrano
