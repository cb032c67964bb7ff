#include "platform/fake/FakeWindowSystem.h"

#include <algorithm>

namespace kivrano::platform {

FakeWindowSystem::FakeWindowSystem() {
    m_windows[kMainWindow] = {"Kivrano", "KivranoClass", "", 0};
    m_stacking.push_back(kMainWindow);
}

void FakeWindowSystem::addWindow(WindowId id, Window window) {
    m_windows[id] = std::move(window);
    std::erase(m_stacking, id);
    m_stacking.insert(m_stacking.begin(), id);
    m_foreground = id;
}

const FakeWindowSystem::Window* FakeWindowSystem::find(WindowId id) const {
    auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : &it->second;
}

WindowId FakeWindowSystem::foregroundWindow() const {
    WindowId window = m_foreground;
    if (window == kMainWindow && !m_mainVisible) return 0;
    // Follow the owners up; a cycle in a broken test setup must not hang.
    for (std::size_t steps = 0; steps < m_windows.size(); ++steps) {
        const Window* w = find(window);
        if (!w || w->owner == 0) break;
        window = w->owner;
    }
    return find(window) ? window : 0;
}

std::string FakeWindowSystem::title(WindowId window) const {
    const Window* w = find(window);
    return w ? w->title : std::string();
}

std::string FakeWindowSystem::className(WindowId window) const {
    const Window* w = find(window);
    return w ? w->className : std::string();
}

std::string FakeWindowSystem::browserAddress(WindowId window) const {
    const Window* w = find(window);
    return w ? w->address : std::string();
}

std::vector<TopLevelWindow> FakeWindowSystem::topLevelWindows() const {
    std::vector<TopLevelWindow> result;
    for (WindowId id : m_stacking) {
        if (id == kMainWindow && !m_mainVisible) continue;
        result.push_back({id, m_windows.at(id).owner});
    }
    return result;
}

void FakeWindowSystem::bringToTop(WindowId window) {
    m_broughtToTop.push_back(window);
    if (!find(window)) return;
    std::erase(m_stacking, window);
    m_stacking.insert(m_stacking.begin(), window);
    m_foreground = window;
}

bool FakeWindowSystem::isMainWindowForeground() const {
    return m_mainVisible && m_foreground == kMainWindow;
}

void FakeWindowSystem::hideMainWindow() {
    m_mainVisible = false;
    if (m_foreground != kMainWindow) return;
    // The next visible window takes over the focus.
    m_foreground = 0;
    for (WindowId id : m_stacking) {
        if (id != kMainWindow) {
            m_foreground = id;
            break;
        }
    }
}

void FakeWindowSystem::activateMainWindow() {
    m_mainVisible = true;
    bringToTop(kMainWindow);
}

}  // namespace kivrano::platform
