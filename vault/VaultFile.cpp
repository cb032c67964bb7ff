#include "vault/VaultFile.h"

#include "vault/Blowfish.h"
#include "vault/Des.h"
#include "vault/VaultKeys.h"

#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

namespace kivrano::vaultfile {

namespace {

constexpr std::uint32_t kTagEnd = 0;
constexpr std::uint32_t kTagFolder = 1;
constexpr std::uint32_t kTagItem = 2;

std::size_t paddedLength(std::size_t n) {
    return (n + 7) & ~static_cast<std::size_t>(7);
}

// ---------------------------------------------------------------------------------------
// Writing

class ByteWriter {
public:
    void reserve(std::size_t n) { m_bytes.reserve(n); }
    void u8(std::uint8_t v) { m_bytes.push_back(v); }
    void u16(std::uint16_t v) {
        m_bytes.push_back(static_cast<std::uint8_t>(v));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void raw(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + n);
    }
    // Length, then the text zero-padded to whole blocks and encrypted in place.
    void encrypted(std::string_view text, const Blowfish& cipher) {
        if (text.size() > 0xFFFFFFFFu) throw std::length_error("text too long for a vault file");
        u32(static_cast<std::uint32_t>(text.size()));
        if (text.empty()) return;
        std::size_t start = m_bytes.size();
        std::size_t m = paddedLength(text.size());
        m_bytes.resize(start + m, 0);
        std::memcpy(m_bytes.data() + start, text.data(), text.size());
        cipher.encrypt(m_bytes.data() + start, m, Blowfish::Ecb);
    }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace

UnlockVerifier makeUnlockVerifier(std::string_view savePassword) {
    UnlockVerifier verifier{};
    if (savePassword.empty()) return verifier;
    VaultKey key = deriveVaultKey(savePassword);
    Blowfish cipher(key.data(), key.size());
    std::memcpy(verifier.data(), "KVR2.00", 7);
    cipher.encrypt(verifier.data(), verifier.size(), Blowfish::Ecb);
    return verifier;
}

bool verifyUnlockPassword(const UnlockVerifier& verifier, std::string_view password) {
    bool allZero = true;
    for (auto b : verifier) allZero = allZero && b == 0;
    if (password.empty() && allZero) return true;
    VaultKey key = deriveVaultKey(password);
    Blowfish cipher(key.data(), key.size());
    std::array<std::uint8_t, 8> plain{};
    cipher.decrypt(verifier.data(), plain.data(), plain.size(), Blowfish::Ecb);
    std::size_t length = 0;
    while (length < plain.size() && plain[length] != 0) ++length;
    bool ok = length >= 7 && std::memcmp(plain.data(), "KVR", 3) == 0 && plain[4] == '.';
    secureWipe(plain.data(), plain.size());
    return ok;
}

std::vector<std::uint8_t> write(const VaultTree& tree, const VaultSettings& settings,
                                std::string_view password) {
    VaultKey passwordKey = deriveVaultKey(password);
    VaultKey openKey = noPasswordKey();
    const Blowfish withPassword(passwordKey.data(), passwordKey.size());
    const Blowfish withoutPassword(openKey.data(), openKey.size());

    ByteWriter out;
    out.reserve(4096 + tree.itemCount() * 256);
    out.raw(kFormatMark.data(), kFormatMark.size());
    out.encrypted(kCurrentVersion, withPassword);

    out.u8(settings.autoTrack);
    out.i32(settings.autoLockMinutes);
    out.i32(settings.typeInMode);

    // Only application entries that some item refers to are written; each item's index is
    // shifted down by the unwritten entries before it.
    const auto& table = settings.applicationTable;
    std::vector<bool> referenced(table.size(), false);
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            std::int32_t index = tree.item(i)->appIndex;
            if (index >= 0 && static_cast<std::size_t>(index) < table.size())
                referenced[static_cast<std::size_t>(index)] = true;
        }
    std::vector<std::int32_t> renumbered(table.size(), -1);
    std::uint32_t written = 0;
    for (std::size_t e = 0; e < table.size(); ++e)
        if (referenced[e]) renumbered[e] = static_cast<std::int32_t>(written++);
    out.u32(written);
    for (std::size_t e = 0; e < table.size(); ++e)
        if (referenced[e]) out.encrypted(table[e], withoutPassword);

    for (const HotKeyValue& key : settings.globalHotKeys) {
        out.u16(key.virtualKey);
        out.u16(key.modifiers);
    }

    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        const std::int32_t unprotected = tree.data(f);
        const Blowfish& cipher = unprotected != 0 ? withoutPassword : withPassword;
        out.u32(kTagFolder);
        out.i32(unprotected);
        out.encrypted(tree.text(f), cipher);
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            const VaultItem& item = *tree.item(i);
            const std::uint32_t mask = item.presenceMask();
            out.u32(kTagItem);
            out.u32(mask);
            out.i32(item.lastPage);
            out.encrypted(item.title, cipher);
            if (mask & (1u << 0)) out.encrypted(item.address, cipher);
            if (mask & (1u << 1)) out.encrypted(item.id, cipher);
            if (mask & (1u << 2)) out.encrypted(item.password, cipher);
            std::int32_t appIndex = item.appIndex;
            // An index outside the table refers to nothing; it is written as "none".
            if (appIndex >= 0)
                appIndex = static_cast<std::size_t>(appIndex) < table.size()
                               ? renumbered[static_cast<std::size_t>(appIndex)]
                               : -1;
            out.i32(appIndex);
            out.i32(item.appChoice);
            out.u16(item.launchKey.virtualKey);
            out.u16(item.launchKey.modifiers);
            for (std::size_t k = 0; k < 6; ++k)
                if (mask & (1u << (3 + k))) out.encrypted(item.etcName[k], cipher);
            for (std::size_t k = 0; k < 6; ++k)
                if (mask & (1u << (9 + k))) out.encrypted(item.etcText[k], cipher);
            if (mask & (1u << 15)) out.encrypted(item.memo, cipher);
            for (std::size_t k = 0; k < 8; ++k)
                if (mask & (1u << (16 + k))) out.u8(static_cast<std::uint8_t>(item.tabCount[k]));
            for (std::size_t k = 0; k < 8; ++k)
                if (mask & (1u << (24 + k))) out.u8(static_cast<std::uint8_t>(item.enterCount[k]));
            out.u32(item.hideWord());
        }
    }
    out.u32(kTagEnd);
    return std::move(out.bytes());
}

// ---------------------------------------------------------------------------------------
// Reading

namespace {

struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t offset() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }

    void need(std::size_t n, const char* what) const {
        if (n > remaining())
            throw Damaged(std::string("the file ends in the middle of ") + what + " at byte " +
                          std::to_string(m_pos) + " of " + std::to_string(m_size));
    }
    std::uint8_t u8(const char* what) {
        need(1, what);
        return m_data[m_pos++];
    }
    std::uint16_t u16(const char* what) {
        need(2, what);
        auto v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t u32(const char* what) {
        need(4, what);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
        m_pos += 4;
        return v;
    }
    std::int32_t i32(const char* what) { return static_cast<std::int32_t>(u32(what)); }
    const std::uint8_t* take(std::size_t n, const char* what) {
        need(n, what);
        const std::uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The keys and cipher of one file: Blowfish under the password or no-password key, or
// DES for the old format.
class StringDecoder {
public:
    StringDecoder(bool legacy, std::string_view password) : m_legacy(legacy) {
        if (legacy) {
            LegacyKey key = legacyKey(password);
            m_des = std::make_unique<Des>(key.data());
        } else {
            VaultKey key = deriveVaultKey(password);
            m_withPassword = std::make_unique<Blowfish>(key.data(), key.size());
            VaultKey open = noPasswordKey();
            m_withoutPassword = std::make_unique<Blowfish>(open.data(), open.size());
        }
    }

    bool legacy() const { return m_legacy; }
    std::size_t nonzeroPaddings() const { return m_nonzeroPaddings; }
    std::size_t firstNonzeroPadding() const { return m_firstNonzeroPadding; }
    // Texts read under a key known to be wrong say nothing about damage.
    void forgetPaddingsSince(std::size_t count) {
        if (count == 0) m_firstNonzeroPadding = 0;
        m_nonzeroPaddings = count;
    }

    // Reads one string; protectedKey chooses the password key over the no-password key.
    std::string read(ByteReader& in, bool protectedKey, const char* what) {
        if (m_legacy) return readLegacy(in, what);
        const std::size_t start = in.offset();
        std::uint32_t n = in.u32(what);
        if (n == 0) return {};
        std::size_t m = paddedLength(n);
        const std::uint8_t* cipherText = in.take(m, what);
        std::string text(m, '\0');
        auto* buffer = reinterpret_cast<std::uint8_t*>(text.data());
        (protectedKey ? *m_withPassword : *m_withoutPassword)
            .decrypt(cipherText, buffer, m, Blowfish::Ecb);
        // A changed bit scrambles its whole block, so the padding shows damage anywhere in
        // a text's last block: in most passwords and IDs, the whole text.
        bool padded = true;
        for (std::size_t k = n; k < m; ++k) padded = padded && text[k] == '\0';
        if (!padded && m_nonzeroPaddings++ == 0) m_firstNonzeroPadding = start;
        secureWipe(text.data() + n, m - n);
        text.resize(n);
        return text;
    }

    void decryptLegacyBlock(const std::uint8_t in[8], std::uint8_t out[8]) const {
        m_des->decryptBlock(in, out);
    }
    void decryptBlock(const std::uint8_t in[8], std::uint8_t out[8]) const {
        m_withPassword->decrypt(in, out, 8, Blowfish::Ecb);
    }

private:
    std::string readLegacy(ByteReader& in, const char* what) {
        in.u32(what);  // the plain length; the text runs to its first zero byte
        std::uint32_t c = in.u32(what);
        if (c % 8 != 0)
            throw Damaged(std::string("the length of ") + what + " at byte " +
                          std::to_string(in.offset() - 4) + " is not a whole number of blocks");
        const std::uint8_t* cipherText = in.take(c, what);
        std::string text(c, '\0');
        auto* buffer = reinterpret_cast<std::uint8_t*>(text.data());
        for (std::size_t b = 0; b < c; b += 8) m_des->decryptBlock(cipherText + b, buffer + b);
        std::size_t end = text.find('\0');
        if (end != std::string::npos) {
            secureWipe(text.data() + end, text.size() - end);
            text.resize(end);
        }
        return text;
    }

    bool m_legacy;
    std::size_t m_nonzeroPaddings = 0;
    std::size_t m_firstNonzeroPadding = 0;
    std::unique_ptr<Des> m_des;
    std::unique_ptr<Blowfish> m_withPassword;
    std::unique_ptr<Blowfish> m_withoutPassword;
};

// Which parts of the record layout a version carries.
struct Gates {
    bool autoTrack, autoLockMinutes, typeInMode, eleventhHotKey, folderFlag, presenceMask,
        appChoice, legacyValue, byteCounts, bitCounts, onlyFourCounts, hideWord, showPassword,
        appPathsUnprotected;

    Gates(std::string_view v, bool legacyFormat) {
        autoTrack = v.compare("KVR1.06") > 0;
        autoLockMinutes = versionAtLeast(v, "KVR2.01");
        typeInMode = versionAtLeast(v, "KVR2.02");
        eleventhHotKey = versionAtLeast(v, "KVR2.03");
        folderFlag = !legacyFormat || versionAtLeast(v, "KVR2.04");
        presenceMask = versionAtLeast(v, "KVR1.04");
        appChoice = v != "KVR1.00" && v != "KVR1.01";
        legacyValue = !versionAtLeast(v, "KVR1.04");
        byteCounts = versionAtLeast(v, "KVR1.06");
        bitCounts = v == "KVR1.05";
        onlyFourCounts = v == "KVR1.00";
        hideWord = versionAtLeast(v, "KVR2.04");
        showPassword = !hideWord && versionAtLeast(v, "KVR1.03");
        appPathsUnprotected = !legacyFormat && versionAtLeast(v, "KVR2.04");
    }
};

std::size_t textLength(const std::uint8_t* bytes, std::size_t max) {
    std::size_t n = 0;
    while (n < max && bytes[n] != 0) ++n;
    return n;
}

void readItemFields(ByteReader& in, StringDecoder& strings, const Gates& gates, bool key,
                    VaultItem& item) {
    std::uint32_t mask = gates.presenceMask ? in.u32("an item's presence mask") : 0xFFFFFFFFu;
    item.lastPage = in.i32("an item's last page");
    item.title = strings.read(in, key, "an item's title");
    if (mask & (1u << 0)) item.address = strings.read(in, key, "an item's address");
    if (mask & (1u << 1)) item.id = strings.read(in, key, "an item's user ID");
    if (mask & (1u << 2)) item.password = strings.read(in, key, "an item's password");
    item.appIndex = in.i32("an item's application");
    item.appChoice =
        gates.appChoice ? in.i32("an item's application choice") : VaultItem::kAppChoiceApplication;
    if (gates.legacyValue) item.legacyValue = in.i32("an item's old value");
    item.launchKey.virtualKey = in.u16("an item's launching key");
    item.launchKey.modifiers = in.u16("an item's launching key");
    for (std::size_t k = 0; k < 6; ++k)
        if (mask & (1u << (3 + k))) item.etcName[k] = strings.read(in, key, "an item's Etc name");
    for (std::size_t k = 0; k < 6; ++k)
        if (mask & (1u << (9 + k))) item.etcText[k] = strings.read(in, key, "an item's Etc text");
    if (mask & (1u << 15)) item.memo = strings.read(in, key, "an item's memo");

    // Counts: signed bytes, presence bits only, or one int32 flag each.
    auto readCount = [&](std::uint32_t bit, std::int8_t& count) {
        if (!(mask & (1u << bit))) return;
        if (gates.byteCounts) {
            count = static_cast<std::int8_t>(in.u8("an item's counts"));
        } else if (gates.bitCounts) {
            count = 1;
        } else {
            count = in.i32("an item's counts") == 1 ? 1 : 0;
        }
    };
    const std::size_t counts = gates.onlyFourCounts ? 4 : 8;
    for (std::size_t k = 0; k < counts; ++k)
        readCount(16 + static_cast<std::uint32_t>(k), item.tabCount[k]);
    for (std::size_t k = 0; k < counts; ++k)
        readCount(24 + static_cast<std::uint32_t>(k), item.enterCount[k]);

    if (gates.hideWord) {
        item.setHideWord(in.u32("an item's hide flags"));
    } else {
        item.setHideWord(0);
        item.hidePassword = 1;
        if (gates.showPassword) item.hidePassword = in.i32("an item's hide flags") == 0 ? 1 : 0;
    }
}

}  // namespace

ReadResult read(const std::uint8_t* data, std::size_t size, std::string_view password,
                const ReadOptions& options) {
    ReadResult result;
    if (options.currentSettings) result.settings = *options.currentSettings;
    ByteReader in(data, size);
    // A file of neither format is not a damaged vault, and its first bytes say nothing about
    // a password: both formats begin with a shape that is checked before anything is read.
    // The old format's header is one string of the version: its length (at most 8) and a
    // cipher length of one block.
    const bool blowfishShape = size >= 2 && data[0] == 'B' && data[1] == 'F';
    const bool legacyShape = size >= 8 && data[4] == 8 && data[5] == 0 && data[6] == 0 &&
                             data[7] == 0 && data[0] >= 1 && data[0] <= 8 && data[1] == 0 &&
                             data[2] == 0 && data[3] == 0;
    if (!blowfishShape && !legacyShape) {
        result.status = ReadStatus::NotVaultFile;
        result.error = "it is not a Kivrano data file";
        return result;
    }
    try {
        const std::uint8_t* header = in.take(kHeaderSize, "the header");
        std::memcpy(result.header.data(), header, kHeaderSize);
        result.headerRead = true;

        const bool blowfishFormat = header[0] == 'B' && header[1] == 'F';
        int formatNumber = 0;
        if (blowfishFormat) {
            for (std::size_t k = 2; k < 4 && header[k] >= '0' && header[k] <= '9'; ++k)
                formatNumber = formatNumber * 10 + (header[k] - '0');
        }
        result.formatNumber = formatNumber;

        StringDecoder strings(!blowfishFormat, password);
        std::array<std::uint8_t, 8> versionBytes{};
        if (blowfishFormat)
            strings.decryptBlock(header + 8, versionBytes.data());
        else
            strings.decryptLegacyBlock(header + 8, versionBytes.data());
        result.versionText.assign(reinterpret_cast<const char*>(versionBytes.data()),
                                  textLength(versionBytes.data(), versionBytes.size()));

        const std::string& vt = result.versionText;
        const bool passwordOk = vt.size() >= 7 && vt.compare(0, 3, "KVR") == 0 && vt[4] == '.';
        if (!passwordOk) {
            if (!blowfishFormat || formatNumber < 1) {
                result.status = ReadStatus::InvalidPassword;
                result.error = std::string(kInvalidPasswordMessage);
                return result;
            }
            bool goOn = options.askContinueUnprotected &&
                        options.askContinueUnprotected(kContinueUnprotectedQuestion);
            if (!goOn) {
                result.status = ReadStatus::Declined;
                return result;
            }
            result.unprotectedOnly = true;
        }
        // "BF01" files are all "KVR2.04", whatever their version block says (and with a
        // wrong password it says nothing sensible).
        result.version = formatNumber == 1 ? std::string(kCurrentVersion) : vt;
        const Gates gates(result.version, !blowfishFormat);

        VaultSettings& settings = result.settings;
        settings.autoTrack = gates.autoTrack ? in.u8("the settings") : 0;
        settings.autoLockMinutes = gates.autoLockMinutes ? in.i32("the settings") : 0;
        settings.typeInMode = gates.typeInMode ? in.i32("the settings") : 0;

        std::uint32_t applications = in.u32("the application count");
        if (applications > VaultSettings::kApplicationCapacity)
            throw Damaged("it lists " + std::to_string(applications) +
                          " applications; a vault holds at most 100");
        settings.applicationTable.clear();
        for (std::uint32_t a = 0; a < applications; ++a)
            settings.applicationTable.push_back(
                strings.read(in, !gates.appPathsUnprotected, "an application path"));
        if (result.unprotectedOnly && !gates.appPathsUnprotected) strings.forgetPaddingsSince(0);

        const std::size_t hotKeys = gates.eleventhHotKey ? kGlobalHotKeyCount : 10;
        for (std::size_t h = 0; h < hotKeys; ++h) {
            settings.globalHotKeys[h].virtualKey = in.u16("the global hotkeys");
            settings.globalHotKeys[h].modifiers = in.u16("the global hotkeys");
        }

        VaultTree& tree = result.tree;
        TreeNode folder = kNoNode;
        bool haveFolder = false;
        bool skipFolder = false;
        bool folderKey = true;
        for (;;) {
            const std::size_t recordStart = in.offset();
            std::uint32_t tag = in.u32("a record tag (the end mark is missing)");
            if (tag == kTagEnd) break;
            if (tag == kTagFolder) {
                std::int32_t unprotected = gates.folderFlag ? in.i32("a folder record") : 0;
                folderKey = unprotected == 0;
                const std::size_t paddingsBefore = strings.nonzeroPaddings();
                std::string name = strings.read(in, folderKey, "a folder name");
                haveFolder = true;
                skipFolder = result.unprotectedOnly && unprotected == 0;
                if (skipFolder) {
                    strings.forgetPaddingsSince(paddingsBefore);
                    secureWipe(name);
                    continue;
                }
                folder =
                    tree.insert(kNoNode, std::move(name), VaultTree::kFolderImage, unprotected);
                if (options.buildIndex) result.index.indexText(tree.text(folder), folder);
            } else if (tag == kTagItem) {
                if (!haveFolder)
                    throw Damaged("an item record at byte " + std::to_string(recordStart) +
                                  " comes before any folder");
                auto item = std::make_unique<VaultItem>();
                item->state = 1;
                const std::size_t paddingsBefore = strings.nonzeroPaddings();
                readItemFields(in, strings, gates, folderKey, *item);
                if (skipFolder) {
                    strings.forgetPaddingsSince(paddingsBefore);
                    continue;
                }
                // Items always refer to the first of equal application entries; an index
                // outside the table refers to nothing.
                const auto& table = settings.applicationTable;
                if (item->appIndex >= 0) {
                    auto index = static_cast<std::size_t>(item->appIndex);
                    if (index >= table.size()) {
                        item->appIndex = -1;
                    } else {
                        for (std::size_t e = 0; e < index; ++e)
                            if (table[e] == table[index]) {
                                item->appIndex = static_cast<std::int32_t>(e);
                                break;
                            }
                    }
                } else {
                    item->appIndex = -1;
                }
                TreeNode node = tree.insertItem(folder, std::move(item));
                if (options.buildIndex) {
                    const VaultItem& placed = *tree.item(node);
                    result.index.indexText(placed.title, node);
                    result.index.indexText(placed.address, node);
                }
            }
            // Any other tag is skipped: only its four bytes are consumed.
        }
        result.nonzeroPaddings = strings.nonzeroPaddings();
        result.firstNonzeroPadding = strings.firstNonzeroPadding();
        result.status = ReadStatus::Ok;
    } catch (const Damaged& damage) {
        result.status = ReadStatus::Damaged;
        result.error = damage.what();
        result.tree.clear();
        result.index.clear();
    }
    return result;
}

void forEachLaunchKey(const VaultTree& tree,
                      const std::function<void(TreeNode, const HotKeyValue&)>& fn) {
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f))
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            const HotKeyValue& key = tree.item(i)->launchKey;
            if (key.isSet()) fn(i, key);
        }
}

}  // namespace kivrano::vaultfile
