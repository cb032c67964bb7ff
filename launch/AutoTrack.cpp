#include "launch/AutoTrack.h"

#include "launch/WorkHistory.h"
#include "platform/WindowSystem.h"
#include "vault/Strings.h"
#include "vault/VaultTree.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace kivrano {

namespace {

struct HostAndPath {
    std::string_view host;
    std::string_view path;
};

HostAndPath splitAddress(std::string_view address) {
    if (const auto scheme = address.find("://"); scheme != std::string_view::npos)
        address.remove_prefix(scheme + 3);
    HostAndPath parts;
    const auto slash = address.find('/');
    parts.host = address.substr(0, slash);
    if (slash != std::string_view::npos) parts.path = address.substr(slash + 1);
    if (const auto space = parts.host.find(' '); space != std::string_view::npos)
        parts.host = parts.host.substr(0, space);
    return parts;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

// Reversed character by character, each UTF-8 sequence keeping its own byte order, so that
// hosts ending in the same character compare equal from its lead byte on. Stray bytes count
// as characters of their own.
std::string reverseCharacters(std::string_view text) {
    std::string reversed;
    reversed.reserve(text.size());
    std::size_t end = text.size();
    while (end > 0) {
        std::size_t start = end - 1;
        std::size_t lead = start;
        while (lead > 0 && isContinuationByte(text[lead]) && end - lead < 4) --lead;
        // No lead byte in reach: the last byte goes alone.
        if (static_cast<unsigned char>(text[lead]) >= 0xC0U) start = lead;
        reversed.append(text.substr(start, end - start));
        end = start;
    }
    return reversed;
}

std::size_t commonPrefix(std::string_view a, std::string_view b) {
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t n = 0;
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

}  // namespace

std::size_t urlScore(std::string_view windowAddress, std::string_view itemAddress) {
    const HostAndPath window = splitAddress(windowAddress);
    const HostAndPath item = splitAddress(itemAddress);
    const std::size_t host =
        commonPrefix(reverseCharacters(window.host), reverseCharacters(item.host));
    const std::size_t path = commonPrefix(window.path, item.path);
    return 2 * host + path;
}

std::size_t titleScore(std::string_view windowTitle, std::string_view itemTitle) {
    const auto n = static_cast<std::ptrdiff_t>(windowTitle.size());
    const auto m = static_cast<std::ptrdiff_t>(itemTitle.size());
    std::size_t best = 0;
    // Alignments run up to n - 2: the one where only the title's first byte meets the
    // window title's last byte is not tried.
    for (std::ptrdiff_t offset = 1 - m; offset <= n - 2; ++offset) {
        const std::ptrdiff_t first = std::max<std::ptrdiff_t>(0, -offset);
        const std::ptrdiff_t last = std::min(m, n - offset);  // one past
        std::size_t count = 0;
        for (std::ptrdiff_t k = first; k < last; ++k)
            if (windowTitle[static_cast<std::size_t>(offset + k)] ==
                itemTitle[static_cast<std::size_t>(k)])
                ++count;
        best = std::max(best, count);
    }
    return best;
}

TreeNode bestMatchingItem(const VaultTree& tree, const WindowPage& page) {
    TreeNode best = kNoNode;
    std::size_t bestScore = 0;
    for (TreeNode folder = tree.firstFolder(); folder != kNoNode;
         folder = tree.nextSibling(folder)) {
        for (TreeNode node = tree.firstChild(folder); node != kNoNode;
             node = tree.nextSibling(node)) {
            const VaultItem* item = tree.item(node);
            if (!item) continue;
            const std::size_t score =
                2 * urlScore(page.address, item->address) + titleScore(page.title, item->title);
            // Strictly higher only: on a tie the item higher up in the tree keeps its place.
            if (score > bestScore) {
                bestScore = score;
                best = node;
            }
        }
    }
    return best;
}

bool AutoTrack::canSeeWindows() const {
    return m_windows.seesOtherWindows();
}

WindowPage AutoTrack::readForeground() const {
    const platform::WindowId window = m_windows.foregroundWindow();
    if (window == 0) return {};
    return {m_windows.browserAddress(window), m_windows.title(window)};
}

WindowPage AutoTrack::readFirstPage() const {
    const auto windows = m_windows.topLevelWindows();
    auto from = std::find_if(windows.begin(), windows.end(),
                             [&](const auto& w) { return w.id == m_windows.mainWindow(); });
    if (from == windows.end()) from = windows.begin();
    for (auto it = from; it != windows.end(); ++it) {
        if (it->owner != 0) continue;
        std::string address = m_windows.browserAddress(it->id);
        if (!address.empty()) return {std::move(address), m_windows.title(it->id)};
    }
    return {};
}

TreeNode AutoTrack::step(VaultTree& tree, WorkHistory& history) {
    // A desktop that shows no window leaves the selection as the user made it.
    if (!m_enabled || !canSeeWindows()) return kNoNode;
    WindowPage page = readForeground();
    // A browser still loading shows no address yet; wait for it.
    if (page.address.empty() && page.title.find("Microsoft Internet Explorer") != std::string::npos)
        return kNoNode;
    // Nothing changed since the last look: a selection made by hand stays.
    if (page == m_lastSeen) return kNoNode;
    m_lastSeen = page;
    if (page.title.find(text(StringId::ProductName)) != std::string::npos) return kNoNode;
    const TreeNode best = bestMatchingItem(tree, page);
    if (best == kNoNode || best == tree.selection()) return kNoNode;
    tree.select(best);
    history.record(tree, best);
    return best;
}

}  // namespace kivrano
