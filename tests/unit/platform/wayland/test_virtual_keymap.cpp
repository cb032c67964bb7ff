#include "platform/wayland/VirtualKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>

using namespace kivrano::platform;

namespace {

// The keymap compiled as the compositor and every program that gets its keys compile it.
class CompiledKeymap {
public:
    explicit CompiledKeymap(const std::string& text)
        : m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), xkb_context_unref),
          m_keymap(
              xkb_keymap_new_from_string(m_context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                         XKB_KEYMAP_COMPILE_NO_FLAGS),
              xkb_keymap_unref),
          m_state(m_keymap ? xkb_state_new(m_keymap.get()) : nullptr, xkb_state_unref) {}

    bool valid() const { return m_state != nullptr; }
    // The character a protocol key code types with the modifiers given.
    char32_t character(std::uint32_t key, std::uint32_t modifiers = 0) {
        xkb_state_update_mask(m_state.get(), modifiers, 0, 0, 0, 0, 0);
        return xkb_state_key_get_utf32(m_state.get(), key + 8);
    }
    xkb_keysym_t keysym(std::uint32_t key) {
        return xkb_state_key_get_one_sym(m_state.get(), key + 8);
    }
    // Whether pressing the key (as a real keyboard would) sets the modifier.
    bool setsModifier(std::uint32_t key, const char* modifier) {
        xkb_state_update_mask(m_state.get(), 0, 0, 0, 0, 0, 0);
        xkb_state_update_key(m_state.get(), key + 8, XKB_KEY_DOWN);
        const bool active =
            xkb_state_mod_name_is_active(m_state.get(), modifier, XKB_STATE_MODS_DEPRESSED) > 0;
        xkb_state_update_key(m_state.get(), key + 8, XKB_KEY_UP);
        return active;
    }

private:
    std::unique_ptr<xkb_context, void (*)(xkb_context*)> m_context;
    std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)> m_keymap;
    std::unique_ptr<xkb_state, void (*)(xkb_state*)> m_state;
};

}  // namespace

TEST(VirtualKeymap, EveryCharacterGetsAKeyThatTypesExactlyIt) {
    VirtualKeymap keymap;
    const std::u32string text = U"pä§w€rd✓ Aß_!~\"\\ пароль 密码 😀 Ωλ";
    std::vector<std::pair<char32_t, std::uint32_t>> placed;
    for (char32_t c : text) {
        const auto placement = keymap.placeCharacter(c);
        ASSERT_TRUE(placement) << "U+" << std::hex << unsigned(c);
        placed.emplace_back(c, placement->key);
    }
    CompiledKeymap compiled(keymap.text());
    ASSERT_TRUE(compiled.valid()) << keymap.text();
    for (const auto& [c, key] : placed)
        EXPECT_EQ(compiled.character(key), c) << "U+" << std::hex << unsigned(c);
}

TEST(VirtualKeymap, KeysKeepTheirCharactersUntilAllSparesAreTaken) {
    VirtualKeymap keymap;
    const auto first = keymap.placeCharacter(U'€');
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->keymapChanged);
    // Again: the same key, no new keymap. Plain letters and digits never need one.
    EXPECT_EQ(keymap.placeCharacter(U'€')->key, first->key);
    EXPECT_FALSE(keymap.placeCharacter(U'€')->keymapChanged);
    EXPECT_FALSE(keymap.placeCharacter(U'a')->keymapChanged);
    EXPECT_FALSE(keymap.placeCharacter(U'7')->keymapChanged);

    // More characters than spare keys: the one used longest ago gives its key up, and the
    // keymap still types exactly the characters placed last.
    ASSERT_GT(keymap.spareCount(), 100u);
    std::vector<std::pair<char32_t, std::uint32_t>> recent;
    for (char32_t c = 0x4E00; c < 0x4E00 + keymap.spareCount() + 5; ++c) {
        recent.emplace_back(c, keymap.placeCharacter(c)->key);
        ASSERT_TRUE(keymap.placeCharacter(U'€'));  // kept in use
    }
    CompiledKeymap compiled(keymap.text());
    ASSERT_TRUE(compiled.valid());
    EXPECT_EQ(compiled.character(keymap.placeCharacter(U'€')->key), U'€');
    for (std::size_t i = recent.size() - 20; i < recent.size(); ++i)
        EXPECT_EQ(compiled.character(recent[i].second), recent[i].first);
}

TEST(VirtualKeymap, KeysNamedByCodeTypeWhatTheirNamesSay) {
    VirtualKeymap keymap;
    CompiledKeymap compiled(keymap.text());
    ASSERT_TRUE(compiled.valid());
    struct Case {
        VirtualKey key;
        xkb_keysym_t keysym;
    };
    const Case cases[] = {{vk::kTab, XKB_KEY_Tab},
                          {vk::kReturn, XKB_KEY_Return},
                          {vk::kBack, XKB_KEY_BackSpace},
                          {vk::kEscape, XKB_KEY_Escape},
                          {vk::kSpace, XKB_KEY_space},
                          {vk::kV, XKB_KEY_v},
                          {vk::kF1, XKB_KEY_F1},
                          {vk::kF24, XKB_KEY_F24},
                          {'7', XKB_KEY_7},
                          {0x2E, XKB_KEY_Delete}};
    for (const Case& c : cases) {
        const auto key = keymap.keyFor(c.key);
        ASSERT_TRUE(key) << std::hex << int(c.key);
        EXPECT_EQ(compiled.keysym(*key), c.keysym) << std::hex << int(c.key);
    }
    // A letter's key with Shift held gives the capital, as Shift+V would.
    EXPECT_EQ(compiled.character(*keymap.keyFor(vk::kV), 0x01), U'V');
    // The modifier keys set their modifiers, and say which bit they hold.
    EXPECT_TRUE(compiled.setsModifier(*keymap.keyFor(vk::kShift), XKB_MOD_NAME_SHIFT));
    EXPECT_TRUE(compiled.setsModifier(*keymap.keyFor(vk::kControl), XKB_MOD_NAME_CTRL));
    EXPECT_TRUE(compiled.setsModifier(*keymap.keyFor(vk::kMenu), XKB_MOD_NAME_ALT));
    EXPECT_EQ(keymap.modifierMask(vk::kShift), 0x01u);
    EXPECT_EQ(keymap.modifierMask(vk::kControl), 0x04u);
    EXPECT_EQ(keymap.modifierMask(vk::kMenu), 0x08u);
    EXPECT_EQ(keymap.modifierMask(vk::kTab), 0u);
    EXPECT_FALSE(keymap.keyFor(0xFF));
}

TEST(VirtualKeymap, FixedStrokesAreForPlainKeysOnly) {
    VirtualKeymap keymap;
    EXPECT_EQ(keymap.fixedStroke(U'q'), (KeyStroke{'Q', false, false, false}));
    EXPECT_EQ(keymap.fixedStroke(U'Q'), (KeyStroke{'Q', true, false, false}));
    EXPECT_EQ(keymap.fixedStroke(U'5'), (KeyStroke{'5', false, false, false}));
    EXPECT_EQ(keymap.fixedStroke(U'ä'), std::nullopt);
    EXPECT_EQ(keymap.fixedStroke(U'!'), std::nullopt);
}
