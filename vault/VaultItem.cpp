#include "vault/VaultItem.h"

#include "vault/Secure.h"

#include <stdexcept>

namespace kivrano {

VaultItem::~VaultItem() {
    for (int i = 0; i < kTextFieldCount; ++i) secureWipe(textField(i));
}

const std::string& VaultItem::textField(int index) const {
    switch (index) {
        case 0: return title;
        case 1: return address;
        case 2: return id;
        case 3: return password;
        case 16: return memo;
        default: break;
    }
    if (index >= 4 && index <= 9) return etcName[static_cast<std::size_t>(index - 4)];
    if (index >= 10 && index <= 15) return etcText[static_cast<std::size_t>(index - 10)];
    throw std::out_of_range("VaultItem::textField: no text field with this index");
}

std::string& VaultItem::textField(int index) {
    return const_cast<std::string&>(static_cast<const VaultItem&>(*this).textField(index));
}

bool VaultItem::sameText(const VaultItem& other) const {
    for (int i = 0; i < kTextFieldCount; ++i)
        if (textField(i) != other.textField(i)) return false;
    return true;
}

bool VaultItem::isComplete() const {
    if (appChoice == kAppChoiceApplication) return appIndex != -1;
    return !address.empty();
}

std::uint32_t VaultItem::presenceMask() const {
    std::uint32_t mask = 0;
    // Text fields after the title map onto bits 0..15 in their fixed order.
    for (int i = 1; i < kTextFieldCount; ++i)
        if (!textField(i).empty()) mask |= 1u << (i - 1);
    for (std::size_t i = 0; i < 8; ++i) {
        if (tabCount[i] != 0) mask |= 1u << (16 + i);
        if (enterCount[i] != 0) mask |= 1u << (24 + i);
    }
    return mask;
}

std::uint32_t VaultItem::hideWord() const {
    std::uint32_t word = 0;
    if (hideId == 1) word |= 1u << 0;
    if (hidePassword == 1) word |= 1u << 1;
    for (std::size_t i = 0; i < 6; ++i)
        if (hideEtc[i] == 1) word |= 1u << (2 + i);
    if (hideMemo == 1) word |= 1u << 8;
    return word;
}

void VaultItem::setHideWord(std::uint32_t word) {
    hideId = static_cast<std::int32_t>(word & 1u);
    hidePassword = static_cast<std::int32_t>((word >> 1) & 1u);
    for (std::size_t i = 0; i < 6; ++i)
        hideEtc[i] = static_cast<std::int32_t>((word >> (2 + i)) & 1u);
    hideMemo = static_cast<std::int32_t>((word >> 8) & 1u);
}

}  // namespace kivrano
