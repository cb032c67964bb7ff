#pragma once

#include "vault/HotKeyValue.h"

#include <array>
#include <cstdint>
#include <string>

namespace kivrano {

// One account or resource. Texts are byte strings exactly as stored in the vault file.
struct VaultItem {
    std::int32_t state =
        0;  // 0 until shown in the item editor once; 1 for an item read from a file
    std::int32_t state2 = 0;  // kept for the editor, nothing depends on it
    std::string title;
    std::string address;
    std::string id;
    std::string password;
    std::int32_t appIndex = -1;  // into the application table; -1 = none
    std::int32_t appChoice = 0;  // 0 built-in browser, 1 e-mail or default browser, 2 application
    std::int32_t legacyValue = 0;
    HotKeyValue launchKey;
    std::array<std::string, 6> etcName;
    std::array<std::string, 6> etcText;
    std::string memo;
    std::array<std::int8_t, 8>
        tabCount{};  // 0 ID, 1 Password, 2..7 Etc1..Etc6; negative = Shift+Tab
    std::array<std::int8_t, 8> enterCount{};  // same indexing
    std::int32_t lastPage = 0;                // 0 "Basic Information", 1 "Etc Information"
    std::int32_t hideId = 0;
    std::int32_t hidePassword = 1;
    std::array<std::int32_t, 6> hideEtc{};
    std::int32_t hideMemo = 0;

    static constexpr int kTextFieldCount = 17;
    static constexpr int kCountCount = 8;
    static constexpr std::int32_t kAppChoiceBrowser = 0;
    static constexpr std::int32_t kAppChoiceEmail = 1;
    static constexpr std::int32_t kAppChoiceApplication = 2;

    VaultItem() = default;
    VaultItem(const VaultItem&) = default;  // a copy carries every field, hide flags included
    VaultItem& operator=(const VaultItem&) = default;
    VaultItem(VaultItem&&) = default;
    VaultItem& operator=(VaultItem&&) = default;
    ~VaultItem();

    // The seventeen text fields in their fixed order: title, address, id, password,
    // etcName 0..5, etcText 0..5, memo.
    const std::string& textField(int index) const;
    std::string& textField(int index);

    // All seventeen texts equal byte for byte; nothing else is compared.
    bool sameText(const VaultItem& other) const;

    // The address can be opened: an application item needs its application, any other
    // item its address.
    bool isComplete() const;

    // Tree image: 2 for a complete item, 1 for an incomplete one.
    int treeImage() const { return isComplete() ? 2 : 1; }

    // Which optional fields a file record carries: bit 0 address, 1 id, 2 password,
    // 3..8 etcName, 9..14 etcText, 15 memo, 16..23 tabCount nonzero, 24..31 enterCount nonzero.
    std::uint32_t presenceMask() const;

    // The hide word of a file record: bit 0 hideId, 1 hidePassword, 2..7 hideEtc, 8 hideMemo;
    // a bit is set only for a flag whose value is exactly 1.
    std::uint32_t hideWord() const;
    void setHideWord(std::uint32_t word);
};

}  // namespace kivrano
