#include "app/FindSearch.h"

#include "app/SettingsInts.h"
#include "platform/SettingsStore.h"
#include "vault/Secure.h"
#include "vault/VaultText.h"
#include "vault/VaultTree.h"

#include <QString>

#include <algorithm>
#include <string_view>
#include <utility>

namespace kivrano {

namespace {

constexpr const char* kWidthNames[FindSearch::kColumnCount] = {"SearchWidth1", "SearchWidth2",
                                                               "SearchWidth3"};
constexpr std::int32_t kMaxColumnWidth = 3000;
constexpr double kWidthShares[FindSearch::kColumnCount] = {0.3, 0.4, 0.3};

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

QString shown(std::string_view bytes) {
    const std::u32string decoded = decodeVaultText(bytes);
    return QString::fromUcs4(decoded.data(), static_cast<qsizetype>(decoded.size()));
}

// The find text prepared once for a whole search. Most fields are ASCII, and an ASCII
// field's Unicode upper case is its ASCII upper case, so those are matched on their bytes;
// only the others are decoded.
class Needle {
public:
    Needle(const std::string& text, bool caseSensitive) : m_caseSensitive(caseSensitive) {
        m_text = shown(text);
        if (!caseSensitive) m_text = m_text.toUpper();
        const QByteArray utf8 = m_text.toUtf8();
        m_bytes.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        m_ascii = isAscii(m_bytes);
    }
    ~Needle() { secureWipe(m_bytes); }
    Needle(const Needle&) = delete;
    Needle& operator=(const Needle&) = delete;

    bool foundIn(const std::string& field) const {
        if (m_bytes.empty()) return true;
        if (isAscii(field)) {
            // An ASCII field holds no character beyond ASCII, upper-cased or not.
            if (!m_ascii) return false;
            if (m_caseSensitive) return field.find(m_bytes) != std::string::npos;
            auto equal = [](char a, char b) { return upperAscii(a) == b; };
            return std::search(field.begin(), field.end(), m_bytes.begin(), m_bytes.end(), equal) !=
                   field.end();
        }
        QString text = shown(field);
        if (!m_caseSensitive) text = text.toUpper();
        return text.contains(m_text);
    }

private:
    bool m_caseSensitive;
    QString m_text;
    std::string m_bytes;
    bool m_ascii = true;
};

}  // namespace

FindResult::FindResult(TreeNode n, std::string t, std::string f, std::string in)
    : node(n), title(std::move(t)), found(std::move(f)), folder(std::move(in)) {}

FindResult::~FindResult() {
    secureWipe(title);
    secureWipe(found);
    secureWipe(folder);
}

bool FindSearch::matches(const std::string& field, const std::string& text, bool caseSensitive) {
    return Needle(text, caseSensitive).foundIn(field);
}

std::vector<FindResult> FindSearch::search(const VaultTree& tree, const FindQuery& query) {
    const Needle needle(query.text, query.caseSensitive);
    std::vector<FindResult> rows;
    for (TreeNode folder = tree.firstFolder(); folder != kNoNode;
         folder = tree.nextSibling(folder)) {
        const std::string& folderName = tree.text(folder);
        if (query.folder && needle.foundIn(folderName))
            rows.emplace_back(folder, folderName, std::string(), kFolderMark);
        for (TreeNode node = tree.firstChild(folder); node != kNoNode;
             node = tree.nextSibling(node)) {
            const VaultItem* item = tree.item(node);
            if (!item) continue;
            // The fields in their fixed order; the last that matches is the one shown.
            const std::string* found = nullptr;
            auto test = [&](bool ticked, const std::string& field) {
                if (ticked && needle.foundIn(field)) found = &field;
            };
            test(query.title, item->title);
            test(query.address, item->address);
            test(query.id, item->id);
            test(query.password, item->password);
            for (const std::string& text : item->etcText) test(query.etc, text);
            for (const std::string& name : item->etcName) test(query.etc, name);
            test(query.memo, item->memo);
            if (found) rows.emplace_back(node, item->title, *found, folderName);
        }
    }
    return rows;
}

FindSearch::ColumnWidths FindSearch::loadColumnWidths(platform::SettingsStore& store,
                                                      int listWidth) {
    ColumnWidths widths{};
    const auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
    if (key) {
        for (std::size_t i = 0; i < widths.size(); ++i)
            widths[i] = key->readInt(kWidthNames[i]).value_or(0);
    }
    const bool usable =
        std::any_of(widths.begin(), widths.end(), [](std::int32_t w) { return w != 0; }) &&
        std::all_of(widths.begin(), widths.end(),
                    [](std::int32_t w) { return w >= 0 && w <= kMaxColumnWidth; });
    if (usable) return widths;
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = static_cast<std::int32_t>(std::max(0, listWidth) * kWidthShares[i]);
    if (key)
        for (std::size_t i = 0; i < widths.size(); ++i) key->writeInt(kWidthNames[i], widths[i]);
    return widths;
}

bool FindSearch::saveColumnWidths(platform::SettingsStore& store, const ColumnWidths& widths) {
    return writeSettingInts(store, kWidthNames, widths);
}

}  // namespace kivrano
