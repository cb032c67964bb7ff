#include "support/VersionedWriter.h"

#include "vault/Blowfish.h"
#include "vault/Des.h"
#include "vault/VaultKeys.h"

#include <cstring>
#include <string>

namespace kivrano::testing {

namespace {

void u8(std::vector<std::uint8_t>& out, std::uint8_t v) {
    out.push_back(v);
}
void u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void i32(std::vector<std::uint8_t>& out, std::int32_t v) {
    u32(out, static_cast<std::uint32_t>(v));
}

bool atLeast(std::string_view v, std::string_view w) {
    return v.compare(w) >= 0;
}

class Strings {
public:
    Strings(bool legacy, std::string_view password) : m_legacy(legacy), m_password(password) {
        VaultKey key = deriveVaultKey(password);
        m_protected = Blowfish(key.data(), key.size());
        VaultKey open = noPasswordKey();
        m_open = Blowfish(open.data(), open.size());
    }
    void put(std::vector<std::uint8_t>& out, std::string_view text, bool protectedKey) {
        if (m_legacy) {
            appendLegacyString(out, text, m_password);
            return;
        }
        u32(out, static_cast<std::uint32_t>(text.size()));
        if (text.empty()) return;
        std::size_t m = (text.size() + 7) / 8 * 8;
        std::size_t start = out.size();
        out.resize(start + m, 0);
        std::memcpy(out.data() + start, text.data(), text.size());
        (protectedKey ? m_protected : m_open).encrypt(out.data() + start, m);
    }

private:
    bool m_legacy;
    std::string_view m_password;
    Blowfish m_protected{reinterpret_cast<const std::uint8_t*>("x"), 1};
    Blowfish m_open{reinterpret_cast<const std::uint8_t*>("x"), 1};
};

}  // namespace

void appendLegacyString(std::vector<std::uint8_t>& out, std::string_view text,
                        std::string_view password) {
    LegacyKey key = legacyKey(password);
    Des des(key.data());
    std::size_t plain = text.size() + 1;
    std::size_t c = (plain + 7) / 8 * 8;
    u32(out, static_cast<std::uint32_t>(plain));
    u32(out, static_cast<std::uint32_t>(c));
    std::vector<std::uint8_t> block(text.begin(), text.end());
    block.resize(c, 0);
    for (std::size_t b = 0; b < c; b += 8) {
        std::uint8_t enc[8];
        des.encryptBlock(block.data() + b, enc);
        out.insert(out.end(), enc, enc + 8);
    }
}

std::vector<std::uint8_t> writeVersioned(const VaultTree& tree, const VaultSettings& settings,
                                         std::string_view password,
                                         const VersionedWriteOptions& options) {
    const std::string_view v = options.version;
    const bool legacy = options.legacyFormat;
    Strings strings(legacy, password);
    std::vector<std::uint8_t> out;

    if (legacy) {
        appendLegacyString(out, v, password);
    } else {
        out.insert(out.end(), options.formatMark.begin(), options.formatMark.end());
        strings.put(out, v, true);
    }

    if (v.compare("KVR1.06") > 0) u8(out, settings.autoTrack);
    if (atLeast(v, "KVR2.01")) i32(out, settings.autoLockMinutes);
    if (atLeast(v, "KVR2.02")) i32(out, settings.typeInMode);

    // Old programs wrote the whole table, referenced or not.
    u32(out, static_cast<std::uint32_t>(settings.applicationTable.size()));
    const bool pathsOpen = !legacy && atLeast(v, "KVR2.04");
    for (const auto& path : settings.applicationTable) strings.put(out, path, !pathsOpen);

    const std::size_t hotKeys = atLeast(v, "KVR2.03") ? 11 : 10;
    for (std::size_t h = 0; h < hotKeys; ++h) {
        u16(out, settings.globalHotKeys[h].virtualKey);
        u16(out, settings.globalHotKeys[h].modifiers);
    }

    const bool folderFlag = !legacy || atLeast(v, "KVR2.04");
    const bool mask = atLeast(v, "KVR1.04");
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        u32(out, 1);
        std::int32_t unprotected = folderFlag ? tree.data(f) : 0;
        if (folderFlag) i32(out, unprotected);
        const bool key = unprotected == 0;
        strings.put(out, tree.text(f), key);
        for (TreeNode n = tree.firstChild(f); n != kNoNode; n = tree.nextSibling(n)) {
            const VaultItem& item = *tree.item(n);
            std::uint32_t bits = mask ? item.presenceMask() : 0xFFFFFFFFu;
            u32(out, 2);
            if (mask) u32(out, bits);
            i32(out, item.lastPage);
            strings.put(out, item.title, key);
            if (bits & 1u) strings.put(out, item.address, key);
            if (bits & 2u) strings.put(out, item.id, key);
            if (bits & 4u) strings.put(out, item.password, key);
            i32(out, item.appIndex);
            if (v != "KVR1.00" && v != "KVR1.01") i32(out, item.appChoice);
            if (!atLeast(v, "KVR1.04")) i32(out, item.legacyValue);
            u16(out, item.launchKey.virtualKey);
            u16(out, item.launchKey.modifiers);
            for (std::size_t k = 0; k < 6; ++k)
                if (bits & (1u << (3 + k))) strings.put(out, item.etcName[k], key);
            for (std::size_t k = 0; k < 6; ++k)
                if (bits & (1u << (9 + k))) strings.put(out, item.etcText[k], key);
            if (bits & (1u << 15)) strings.put(out, item.memo, key);
            const std::size_t counts = v == "KVR1.00" ? 4 : 8;
            auto putCount = [&](std::uint32_t bit, std::int8_t count) {
                if (!(bits & (1u << bit))) return;
                if (atLeast(v, "KVR1.06"))
                    u8(out, static_cast<std::uint8_t>(count));
                else if (v != "KVR1.05")
                    i32(out, count != 0 ? 1 : 0);
            };
            for (std::size_t k = 0; k < counts; ++k)
                putCount(16 + static_cast<std::uint32_t>(k), item.tabCount[k]);
            for (std::size_t k = 0; k < counts; ++k)
                putCount(24 + static_cast<std::uint32_t>(k), item.enterCount[k]);
            if (atLeast(v, "KVR2.04"))
                u32(out, item.hideWord());
            else if (atLeast(v, "KVR1.03"))
                i32(out, item.hidePassword == 1 ? 0 : 1);
        }
    }
    u32(out, 0);
    return out;
}

}  // namespace kivrano::testing
