#include "app/InfoList.h"

#include "app/SettingsInts.h"
#include "platform/Clipboard.h"
#include "platform/SettingsStore.h"
#include "vault/Secure.h"
#include "vault/Strings.h"
#include "vault/VaultSettings.h"
#include "vault/VaultText.h"
#include "vault/VaultTree.h"

#include <cstddef>

namespace kivrano {

namespace {

constexpr std::array<const char*, InfoList::kColumnCount> kWidthNames{
    "ColumnWidth1", "ColumnWidth2", "ColumnWidth3"};
constexpr std::int32_t kMaxColumnWidth = 3000;
constexpr std::int32_t kMinTotalWidth = 10;

// A list row has one line: the memo's line breaks show as blanks (the tooltip shows the
// lines).
std::string oneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line.push_back(text[i] == '\r' || text[i] == '\n' ? ' ' : text[i]);
    }
    return line;
}

}  // namespace

InfoList::InfoList(platform::Shell& shell, platform::Clipboard& clipboard, Prompter& prompter)
    : m_copies(clipboard), m_opener(shell, prompter) {}

InfoList::~InfoList() {
    clearRows();
}

void InfoList::clearRows() {
    // An unmasked row holds the field's text itself.
    for (InfoRow& row : m_rows) {
        secureWipe(row.name);
        secureWipe(row.content);
    }
    m_rows.clear();
}

std::string InfoList::masked(const std::string& text) {
    return std::string(characterCount(text), '*');
}

std::string InfoList::fieldValue(const VaultItem& item, int row) {
    switch (row) {
        case 0: return item.address;
        case 1: return item.id;
        case 2: return item.password;
        case kMemoRow: return item.memo;
        default: break;
    }
    if (row >= 3 && row <= 8) return item.etcText[static_cast<std::size_t>(row - 3)];
    return {};
}

std::vector<InfoRow> InfoList::rowsOf(const VaultItem& item, const VaultSettings& settings) {
    auto row = [&](int index, std::string name, std::int32_t hide, const HotKeyValue& key) {
        const std::string value = fieldValue(item, index);
        const bool isMasked = hide != 0;
        return InfoRow{std::move(name), isMasked ? masked(value) : oneLine(value), keyNameText(key),
                       isMasked};
    };
    const auto& keys = settings.globalHotKeys;
    std::vector<InfoRow> rows;
    rows.reserve(kRowCount);
    rows.push_back(row(0, "Address", 0, item.launchKey));
    rows.push_back(row(1, "ID", item.hideId, keys[kHotKeyId]));
    rows.push_back(row(2, "Password", item.hidePassword, keys[kHotKeyPassword]));
    for (std::size_t k = 0; k < item.etcName.size(); ++k) {
        std::string name = item.etcName[k].empty() ? std::string(text(StringId::UnnamedEtcField))
                                                   : item.etcName[k];
        rows.push_back(row(static_cast<int>(3 + k), std::move(name), item.hideEtc[k],
                           keys[static_cast<std::size_t>(kHotKeyEtc1) + k]));
    }
    rows.push_back(row(kMemoRow, "Memo", item.hideMemo, keys[kHotKeyMemo]));
    return rows;
}

void InfoList::show(const VaultTree& tree, TreeNode node, const VaultSettings& settings) {
    m_tree = &tree;
    clearRows();
    m_shown = kNoNode;
    if (const VaultItem* item = itemOf(node)) {
        m_shown = node;
        m_rows = rowsOf(*item, settings);
    }
}

const VaultItem* InfoList::itemOf(TreeNode node) const {
    if (!m_tree || node == kNoNode || !m_tree->contains(node) || !m_tree->isItem(node))
        return nullptr;
    return m_tree->item(node);
}

TreeNode InfoList::shownItem() const {
    return itemOf(m_shown) ? m_shown : kNoNode;
}

void InfoList::copyToClipboard(TreeNode node, int row) {
    const VaultItem* item = itemOf(node);
    if (!item) return;
    // Another program holding the clipboard makes this a silent no-op, as the user can
    // simply try again.
    std::string value = fieldValue(*item, row);
    if (row == 0 || value.empty())
        m_copies.copyPlain(value);
    else
        m_copies.copySecret(value);
    secureWipe(value);
}

void InfoList::openField(TreeNode node, int row,
                         bool (FieldOpener::*open)(const std::string&) const) {
    const VaultItem* item = itemOf(node);
    if (!item) return;
    std::string value = fieldValue(*item, row);
    (m_opener.*open)(value);
    secureWipe(value);
}

void InfoList::openWeb(TreeNode node, int row) {
    openField(node, row, &FieldOpener::openWeb);
}

void InfoList::sendEmail(TreeNode node, int row) {
    openField(node, row, &FieldOpener::sendEmail);
}

void InfoList::run(TreeNode node, int row) {
    openField(node, row, &FieldOpener::run);
}

std::optional<std::string> InfoList::memoTip(int row) const {
    if (row != kMemoRow) return std::nullopt;
    const VaultItem* item = itemOf(m_shown);
    if (!item) return std::nullopt;
    return item->memo;
}

std::optional<std::string> InfoList::dragText(TreeNode node, int row) const {
    if (row < 0 || row >= kRowCount) return std::nullopt;
    const VaultItem* item = itemOf(node);
    if (!item) return std::nullopt;
    return fieldValue(*item, row);
}

const std::vector<FieldMenuEntry>& InfoList::actionMenu() {
    static const std::vector<FieldMenuEntry> entries{
        {FieldAction::Copy, "&Copy to clipboard"},
        {},
        {FieldAction::ViewModify, "&View/Modify"},
        {},
        {FieldAction::Web, "&Web - connect to this address\tex) http://www.example.com"},
        {FieldAction::Email, "&Email - email to this address\tex) someone@example.com"},
        {FieldAction::Run, "&Run - run program at this location\tex) /usr/bin/gedit"},
        {},
        {FieldAction::Call, "C&all - call to this phone number (using modem)\tex) 555-0123"},
        {FieldAction::Hangup, "&Hangup - hangup the current call"},
        // Sending touch-tones is not finished; the entry stays greyed.
        {FieldAction::Send, "&Send over phone line (under development)", false},
    };
    return entries;
}

InfoList::ColumnWidths InfoList::loadColumnWidths(platform::SettingsStore& store) {
    ColumnWidths widths = kDefaultWidths;
    const auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
    if (!key) return widths;
    for (std::size_t i = 0; i < widths.size(); ++i)
        if (const auto stored = key->readInt(kWidthNames[i])) widths[i] = *stored;
    std::int64_t total = 0;
    for (const std::int32_t width : widths) {
        if (width < 0 || width > kMaxColumnWidth) return kDefaultWidths;
        total += width;
    }
    return total < kMinTotalWidth ? kDefaultWidths : widths;
}

bool InfoList::saveColumnWidths(platform::SettingsStore& store, const ColumnWidths& widths) {
    return writeSettingInts(store, kWidthNames, widths);
}

}  // namespace kivrano
