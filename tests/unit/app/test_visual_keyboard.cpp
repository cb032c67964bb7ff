#include "app/VisualKeyboard.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace kivrano;

namespace {

std::string typed(VisualKeyboard& keyboard, std::initializer_list<std::string_view> labels) {
    for (auto label : labels) {
        if (label == "Shift")
            keyboard.toggleShift();
        else if (label == "Clear")
            keyboard.clear();
        else
            keyboard.press(*VisualKeyboard::key(label));
    }
    return keyboard.text();
}

}  // namespace

TEST(VisualKeyboard, EveryKeyTypesItsCharacterWithAndWithoutShift) {
    struct Case {
        std::string_view labels;
        std::string_view plain;
        std::string_view shifted;
    } rows[] = {
        {"0123456789", "0123456789", ")!@#$%^&*("},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {"`-=[]\\;,./", "`-=[]\\;,./", "~_={}|:<>?"},
    };
    std::set<std::string_view> seen;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.labels.size(); ++i) {
            const auto label = row.labels.substr(i, 1);
            const VisualKey* key = VisualKeyboard::key(label);
            ASSERT_NE(key, nullptr) << label;
            VisualKeyboard plain, shifted;
            plain.press(*key);
            shifted.toggleShift();
            shifted.press(*key);
            EXPECT_EQ(plain.text(), row.plain.substr(i, 1)) << label;
            EXPECT_EQ(shifted.text(), row.shifted.substr(i, 1)) << "Shift " << label;
            seen.insert(label);
        }
    }
    VisualKeyboard space;
    EXPECT_EQ(typed(space, {"Space", "Shift", "Space"}), "  ");
    VisualKeyboard quote;
    EXPECT_EQ(typed(quote, {"'", "Shift", "'"}), "'");

    // 47 character keys and Space, each label once.
    std::set<std::string_view> labels;
    for (const auto& key : VisualKeyboard::keys()) labels.insert(key.label);
    EXPECT_EQ(VisualKeyboard::keys().size(), 48u);
    EXPECT_EQ(labels.size(), 48u);
    EXPECT_EQ(seen.size() + 2, labels.size());
}

TEST(VisualKeyboard, ShiftHoldsForOneKeyOnly) {
    VisualKeyboard keyboard;
    EXPECT_EQ(typed(keyboard, {"Shift", "A", "A"}), "Aa");
    EXPECT_FALSE(keyboard.shift());

    VisualKeyboard quote;
    EXPECT_EQ(typed(quote, {"Shift", "'"}), "");
    EXPECT_FALSE(quote.shift());
    EXPECT_EQ(typed(quote, {"'"}), "'");

    VisualKeyboard twice;
    EXPECT_EQ(typed(twice, {"Shift", "Shift", "A"}), "a");

    // Clear empties the text but keeps a pending Shift.
    VisualKeyboard cleared("abc");
    EXPECT_EQ(typed(cleared, {"Shift", "Clear"}), "");
    EXPECT_TRUE(cleared.shift());
    EXPECT_EQ(typed(cleared, {"B"}), "B");
}

TEST(VisualKeyboard, KeysAppendToTextTypedByHand) {
    VisualKeyboard keyboard("start");
    keyboard.setText("start, then \xC3\xA9 by hand");
    EXPECT_EQ(typed(keyboard, {"Shift", "1", "Z"}), "start, then \xC3\xA9 by hand!z");

    // A long text grows without losing what was there.
    VisualKeyboard longer;
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        longer.press(*VisualKeyboard::key("Q"));
        expected += 'q';
    }
    EXPECT_EQ(longer.text(), expected);
}
