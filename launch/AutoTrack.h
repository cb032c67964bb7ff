#pragma once

#include "vault/TreeNode.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kivrano {

class VaultTree;
class WorkHistory;
namespace platform {
class WindowSystem;
}

// What a top-level window shows: its title and, for a browser, the page's address (empty
// where the window system does not expose it).
struct WindowPage {
    std::string address;
    std::string title;
    bool operator==(const WindowPage&) const = default;
};

// How well a window's address matches an item's address: twice the number of equal
// characters at the end of the hosts plus the number of equal bytes at the start of the paths.
// Schemes are ignored, the comparison is byte for byte and case-sensitive.
std::size_t urlScore(std::string_view windowAddress, std::string_view itemAddress);

// The most bytes of the item's title that agree with the window's title at one alignment.
std::size_t titleScore(std::string_view windowTitle, std::string_view itemTitle);

// The first item, in tree order, with the highest score 2 x URL score + title score; kNoNode
// when every item scores 0.
TreeNode bestMatchingItem(const VaultTree& tree, const WindowPage& page);

// Keeps the tree's selection on the item of the window the user works in.
class AutoTrack {
public:
    explicit AutoTrack(platform::WindowSystem& windows) : m_windows(windows) {}

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // Whether the desktop lets it see the window in front at all.
    bool canSeeWindows() const;

    // The foreground window's page; empty when there is no foreground window.
    WindowPage readForeground() const;
    // The first top-level window without an owner, from our main window downwards, that shows
    // an address; empty when none does. Fills a new item from the open web page.
    WindowPage readFirstPage() const;

    // One look at the foreground window. Selects the best item and records it in the history
    // when it is not selected already; returns that item, or kNoNode when the selection was
    // left alone (then the caller has nothing to refresh).
    TreeNode step(VaultTree& tree, WorkHistory& history);

    const WindowPage& lastSeen() const { return m_lastSeen; }

private:
    platform::WindowSystem& m_windows;
    bool m_enabled = false;
    // Kept across vaults: an unchanged window must not move a selection the user made by hand.
    WindowPage m_lastSeen;
};

}  // namespace kivrano
