#include "launch/TypingEngine.h"

#include "launch/WebBrowser.h"
#include "platform/Clipboard.h"
#include "platform/DebugSink.h"
#include "platform/Keyboard.h"
#include "platform/Pause.h"
#include "platform/WindowSystem.h"
#include "vault/VaultItem.h"
#include "vault/VaultSettings.h"
#include "vault/VaultText.h"

#include <array>
#include <cstdlib>

namespace kivrano {

namespace {

using platform::Modifier;
using platform::VirtualKey;
namespace vk = platform::vk;

constexpr int kMemoHotKey = 8;

// n presses of `key`, each with Shift held when n is negative.
void appendPresses(TypingPlan& plan, VirtualKey key, int count) {
    const bool shifted = count < 0;
    for (int i = 0; i < std::abs(count); ++i) {
        if (shifted) plan.push_back(TypingAction::down(vk::kShift));
        plan.push_back(TypingAction::down(key));
        plan.push_back(TypingAction::up(key));
        if (shifted) plan.push_back(TypingAction::up(vk::kShift));
    }
}

struct ModifierKey {
    Modifier modifier;
    VirtualKey key;
    VirtualKey rightKey;
};
// Released and pressed again in this order.
constexpr std::array<ModifierKey, 3> kModifiers = {{
    {Modifier::Shift, vk::kShift, vk::kRightShift},
    {Modifier::Alt, vk::kMenu, vk::kRightMenu},
    {Modifier::Ctrl, vk::kControl, vk::kRightControl},
}};

}  // namespace

std::optional<FieldToType> fieldForHotKey(const VaultItem& item, int hotKeyId) {
    if (hotKeyId < 0 || hotKeyId > kMemoHotKey) return std::nullopt;
    if (hotKeyId == kMemoHotKey) return FieldToType{item.memo, 0, 0};
    const auto index = static_cast<std::size_t>(hotKeyId);
    const std::string& text = hotKeyId == 0   ? item.id
                              : hotKeyId == 1 ? item.password
                                              : item.etcText[index - 2];
    return FieldToType{text, item.tabCount[index], item.enterCount[index]};
}

TypingMethod chooseTypingMethod(const VaultItem& item, std::string_view text,
                                std::int32_t typeInMode, std::string_view foregroundTitle) {
    // An empty text types nothing either way; the clipboard the user holds is left alone.
    if (text.empty()) return TypingMethod::Keystrokes;
    bool paste = false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) paste = true;
    }
    if (typeInMode == kTypeInCopyPaste) return TypingMethod::Paste;
    if (typeInMode == kTypeInAutomatic &&
        (item.appChoice == VaultItem::kAppChoiceBrowser ||
         item.appChoice == VaultItem::kAppChoiceEmail || isBrowserWindowTitle(foregroundTitle)))
        return TypingMethod::Paste;
    return paste ? TypingMethod::Paste : TypingMethod::Keystrokes;
}

bool keyboardTypesText(const platform::Keyboard& keyboard, std::string_view text) {
    for (char32_t c : decodeVaultText(text)) {
        if (c != U'\r' && !keyboard.typesCharacter(c)) return false;
    }
    return true;
}

TypingPlan planTyping(const FieldToType& field, TypingMethod method) {
    TypingPlan plan;
    if (method == TypingMethod::Paste) {
        plan.push_back(TypingAction::setClipboard(field.text));
        plan.push_back(TypingAction::waitFor(TypingEngine::kPasteWait));
        plan.push_back(TypingAction::down(vk::kControl));
        plan.push_back(TypingAction::down(vk::kV));
        plan.push_back(TypingAction::up(vk::kV));
        plan.push_back(TypingAction::up(vk::kControl));
    } else {
        for (char32_t c : decodeVaultText(field.text)) {
            // A line break is stored as CR LF; the line feed alone makes the new line.
            if (c != U'\r') plan.push_back(TypingAction::typed(c));
        }
    }
    appendPresses(plan, vk::kTab, field.tabCount);
    appendPresses(plan, vk::kReturn, field.enterCount);
    return plan;
}

TypingEngine::Result TypingEngine::perform(const TypingPlan& plan, platform::WindowId target) {
    // Keys of ours that are down: a stop waits until a combination (Shift+Tab, Ctrl+V) is
    // complete, so that no key is left pressed.
    int down = 0;
    std::size_t done = 0;
    for (const TypingAction& action : plan) {
        const bool startsAPress = (action.kind == TypingAction::Kind::KeyDown && down == 0) ||
                                  action.kind == TypingAction::Kind::Character;
        if (startsAPress && target != 0) {
            const platform::WindowId now = m_windows.foregroundWindow();
            if (now != target) {
                if (m_debug)
                    m_debug->write("typing stopped: the window in front changed from " +
                                   std::to_string(target) + " to " + std::to_string(now) +
                                   " after " + std::to_string(done) + " of " +
                                   std::to_string(plan.size()) + " steps\n");
                return Result::WindowChanged;
            }
        }
        switch (action.kind) {
            case TypingAction::Kind::KeyDown:
                m_keyboard.keyDown(action.key);
                ++down;
                break;
            case TypingAction::Kind::KeyUp:
                m_keyboard.keyUp(action.key);
                if (down > 0) --down;
                break;
            case TypingAction::Kind::Character:
                // A character the layout cannot produce is skipped; the rest still arrives.
                m_keyboard.typeCharacter(action.character);
                break;
            case TypingAction::Kind::SetClipboard:
                if (!m_clipboard.open()) return Result::ClipboardUnavailable;
                m_clipboard.empty();
                m_clipboard.setSecretText(action.text);
                m_clipboard.close();
                break;
            case TypingAction::Kind::Wait: m_pause.pause(action.wait); break;
        }
        ++done;
    }
    return Result::Typed;
}

TypingEngine::Result TypingEngine::typeField(const VaultItem* item, int hotKeyId,
                                             std::int32_t typeInMode) {
    if (item == nullptr || m_typing) return Result::Nothing;
    const auto field = fieldForHotKey(*item, hotKeyId);
    if (!field) return Result::Nothing;
    m_typing = true;
    // First, as the desktop may show its own dialog to grant the keyboard: the window to type
    // into is the one in front after it.
    if (!m_keyboard.beginTyping()) {
        if (m_debug)
            m_debug->write("typing: the desktop did not grant the keyboard; nothing was typed\n");
        m_typing = false;
        return Result::KeyboardUnavailable;
    }

    // The hotkey was pressed with our own window in front: type into the window behind it.
    if (m_windows.isMainWindowForeground()) {
        const auto windows = m_windows.topLevelWindows();
        for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
            if (windows[i].id == m_windows.mainWindow()) {
                m_windows.bringToTop(windows[i + 1].id);
                break;
            }
        }
    }

    // Where the keys are meant to go. A window system that cannot tell (0) is not watched.
    const platform::WindowId target = m_windows.foregroundWindow();
    if (target == 0 && m_debug)
        m_debug->write("typing: no window in front is known; the window is not watched\n");
    const std::string title =
        typeInMode == kTypeInAutomatic ? m_windows.title(target) : std::string();
    TypingMethod method = chooseTypingMethod(*item, field->text, typeInMode, title);
    if (method == TypingMethod::Keystrokes && !keyboardTypesText(m_keyboard, field->text))
        method = TypingMethod::Paste;
    const TypingPlan plan = planTyping(*field, method);
    const bool pastes = !plan.empty() && plan.front().kind == TypingAction::Kind::SetClipboard;

    // The hotkey's own modifiers would turn typed letters into shortcuts. Most users let go
    // within a moment; whatever is still held then is released for them.
    auto anyHeld = [this] {
        for (const auto& m : kModifiers) {
            if (m_keyboard.isPhysicallyHeld(m.modifier)) return true;
        }
        return false;
    };
    std::array<bool, kModifiers.size()> released{};
    if (m_keyboard.knowsHeldModifiers()) {
        for (int i = 0; i < kReleasePolls && anyHeld(); ++i) m_pause.pause(kReleasePoll);
        for (std::size_t i = 0; i < kModifiers.size(); ++i) {
            if (m_keyboard.isPhysicallyHeld(kModifiers[i].modifier)) {
                m_keyboard.keyUp(kModifiers[i].key);
                released[i] = true;
            }
        }
    } else {
        // Nobody tells us what is held: the user gets the whole moment to let go, then all
        // three are released for them, on both sides of the keyboard (releasing a key that is
        // up changes nothing). It matters where the desktop keeps one modifier state for all
        // keyboards (KDE Plasma): a Ctrl still held would make each typed digit a Ctrl+digit,
        // our own hotkeys among them. None is pressed again, since nobody can tell whether a
        // finger is still on it.
        m_pause.pause(kReleasePoll * kReleasePolls);
        for (const auto& m : kModifiers) {
            m_keyboard.keyUp(m.key);
            m_keyboard.keyUp(m.rightKey);
        }
    }

    const Result outcome = perform(plan, target);

    // Pressed again only while the user still holds it: a key pressed for a finger that has
    // gone would stay down and turn every later key into a shortcut.
    for (std::size_t i = 0; i < kModifiers.size(); ++i) {
        if (released[i] && m_keyboard.isPhysicallyHeld(kModifiers[i].modifier))
            m_keyboard.keyDown(kModifiers[i].key);
    }
    m_keyboard.endTyping();

    // The field must not stay readable on the clipboard. Something the user copied in the
    // meantime is theirs and stays.
    // A stop does not change that: the text is on the clipboard all the same.
    if (pastes && outcome != Result::ClipboardUnavailable) {
        m_pause.pause(kPasteWait);
        if (m_clipboard.open()) {
            if (m_clipboard.text() == field->text) m_clipboard.empty();
            m_clipboard.close();
        }
    }
    m_typing = false;
    return outcome;
}

}  // namespace kivrano
