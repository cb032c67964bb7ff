#include "app/ItemEditor.h"

#include "app/ApplicationChoice.h"
#include "launch/WebBrowser.h"
#include "vault/Secure.h"
#include "vault/Strings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kivrano {

namespace {

std::string countText(std::int8_t count) {
    return std::to_string(static_cast<int>(count));
}

template <typename T>
void assignIfDifferent(T& target, const T& value, bool& changed) {
    if (target == value) return;
    target = value;
    changed = true;
}

void assignFlagIfDifferent(std::int32_t& flag, bool value, bool& changed) {
    // Flags compare as true/false, so a stored value other than 1 survives an unchanged box.
    if ((flag != 0) == value) return;
    flag = value ? 1 : 0;
    changed = true;
}

void assignCountIfDifferent(std::int8_t& count, const std::string& text, bool& changed) {
    std::int8_t value = 0;
    if (ItemEditorSession::parseCount(text, value) != ItemEditorSession::CountError::None) return;
    assignIfDifferent(count, value, changed);
}

std::string replaceAll(std::string text, std::string_view placeholder, const std::string& value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
    return text;
}

}  // namespace

ItemEditorSession::ItemEditorSession(VaultItem& item, CKivranoDoc& document,
                                     const platform::WindowSystem* windowReader, Prompter& prompter)
    : m_item(item),
      m_document(document),
      m_windowReader(windowReader),
      m_prompter(prompter),
      m_tableAtOpen(document.settings().applicationTable) {}

ItemEditorSession::~ItemEditorSession() {
    for (std::string* text :
         {&m_basic.title, &m_basic.address, &m_basic.id, &m_basic.password, &m_etc.memo})
        secureWipe(*text);
    for (auto& text : m_etc.name) secureWipe(text);
    for (auto& text : m_etc.text) secureWipe(text);
}

std::string ItemEditorSession::caption(ItemEditorMode mode) {
    return std::string(text(mode == ItemEditorMode::Add ? StringId::AddItemCaption
                                                        : StringId::ViewModifyItemCaption));
}

int ItemEditorSession::startPage(const VaultItem& item, const ItemEditorRequest& request) {
    if (request.mode == ItemEditorMode::Add) return kBasicPage;
    if (request.fieldRow >= 0) return request.fieldRow <= 2 ? kBasicPage : kEtcPage;
    return item.lastPage == kEtcPage ? kEtcPage : kBasicPage;
}

void ItemEditorSession::captureOpenPage() {
    std::string address;
    std::string title;
    if (m_windowReader) {
        // From our own window downwards: the page the user looked at before coming to us.
        const std::vector<platform::TopLevelWindow> windows = m_windowReader->topLevelWindows();
        auto it = std::find_if(windows.begin(), windows.end(),
                               [&](const auto& w) { return w.id == m_windowReader->mainWindow(); });
        if (it == windows.end()) it = windows.begin();
        for (; it != windows.end(); ++it) {
            if (it->owner != 0) continue;
            address = m_windowReader->browserAddress(it->id);
            if (!address.empty()) {
                title = m_windowReader->title(it->id);
                break;
            }
        }
    }
    m_item.address = std::move(address);
    m_item.title = withoutBrowserName(std::move(title));
}

const BasicPageValues& ItemEditorSession::showBasicPage() {
    m_item.lastPage = kBasicPage;
    if (m_basicShown) return m_basic;
    m_basicShown = true;
    if (m_item.state == 0) captureOpenPage();
    m_item.state = 1;

    m_basic.title = m_item.title;
    m_basic.address = m_item.address;
    m_basic.id = m_item.id;
    m_basic.password = m_item.password;
    m_basic.launchKey = m_item.launchKey;
    for (std::size_t row = 0; row < 2; ++row) {
        m_basic.tabCount[row] = countText(m_item.tabCount[row]);
        m_basic.enterCount[row] = countText(m_item.enterCount[row]);
    }
    m_basic.hideId = m_item.hideId != 0;
    m_basic.hidePassword = m_item.hidePassword != 0;
    m_basic.appChoice = m_item.appChoice;
    m_basic.appIndex = m_item.appIndex;
    m_basic.appLabel =
        applicationLabel(m_document.settings(), m_item.appChoice, m_item.appIndex, m_browserLabel);
    return m_basic;
}

const EtcPageValues& ItemEditorSession::showEtcPage() {
    m_item.lastPage = kEtcPage;
    if (m_etcShown) return m_etc;
    m_etcShown = true;
    for (std::size_t row = 0; row < 6; ++row) {
        m_etc.name[row] = m_item.etcName[row];
        m_etc.text[row] = m_item.etcText[row];
        m_etc.hide[row] = m_item.hideEtc[row] != 0;
        m_etc.tabCount[row] = countText(m_item.tabCount[row + 2]);
        m_etc.enterCount[row] = countText(m_item.enterCount[row + 2]);
    }
    m_etc.memo = m_item.memo;
    m_etc.hideMemo = m_item.hideMemo != 0;
    return m_etc;
}

void ItemEditorSession::takeApplication(const ApplicationChoice::Result& result) {
    m_basic.appChoice = result.appChoice;
    m_basic.appIndex = result.appIndex;
    m_basic.appLabel =
        applicationLabel(m_document.settings(), result.appChoice, result.appIndex, m_browserLabel);
}

void ItemEditorSession::clearSiteInformation(BasicPageValues& values) {
    values.title.clear();
    values.address.clear();
    values.id.clear();
    values.password.clear();
}

ItemEditorSession::CountError ItemEditorSession::parseCount(std::string_view text,
                                                            std::int8_t& count) {
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return CountError::NotInteger;
    // A whole number too long for any integer is still a whole number, just out of range.
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) return CountError::OutOfRange;
    const long long value = negative ? -magnitude : magnitude;
    if (value < kCountMin || value > kCountMax) return CountError::OutOfRange;
    count = static_cast<std::int8_t>(value);
    return CountError::None;
}

std::optional<CountBox> ItemEditorSession::checkPage(int page) {
    std::vector<std::pair<CountBox, const std::string*>> boxes;
    if (page == kBasicPage) {
        for (int row = 0; row < 2; ++row) {
            const auto r = static_cast<std::size_t>(row);
            boxes.push_back({{kBasicPage, row, false}, &m_basic.tabCount[r]});
            boxes.push_back({{kBasicPage, row, true}, &m_basic.enterCount[r]});
        }
    } else {
        for (int row = 0; row < 6; ++row) {
            const auto r = static_cast<std::size_t>(row);
            boxes.push_back({{kEtcPage, row, false}, &m_etc.tabCount[r]});
            boxes.push_back({{kEtcPage, row, true}, &m_etc.enterCount[r]});
        }
    }
    for (const auto& [box, boxText] : boxes) {
        std::int8_t value = 0;
        switch (parseCount(*boxText, value)) {
            case CountError::None: continue;
            case CountError::NotInteger:
                m_prompter.message(std::string(text(StringId::EnterInteger)),
                                   Prompter::Icon::Exclamation);
                return box;
            case CountError::OutOfRange:
                m_prompter.message(
                    replaceAll(replaceAll(std::string(text(StringId::EnterIntegerBetween)), "%1",
                                          std::to_string(kCountMin)),
                               "%2", std::to_string(kCountMax)),
                    Prompter::Icon::Exclamation);
                return box;
        }
    }
    return std::nullopt;
}

bool ItemEditorSession::writeBack() {
    bool changed = false;
    if (m_basicShown) {
        assignIfDifferent(m_item.title, m_basic.title, changed);
        assignIfDifferent(m_item.address, m_basic.address, changed);
        assignIfDifferent(m_item.id, m_basic.id, changed);
        assignIfDifferent(m_item.password, m_basic.password, changed);
        assignIfDifferent(m_item.launchKey, m_basic.launchKey, changed);
        for (std::size_t row = 0; row < 2; ++row) {
            assignCountIfDifferent(m_item.tabCount[row], m_basic.tabCount[row], changed);
            assignCountIfDifferent(m_item.enterCount[row], m_basic.enterCount[row], changed);
        }
        assignFlagIfDifferent(m_item.hideId, m_basic.hideId, changed);
        assignFlagIfDifferent(m_item.hidePassword, m_basic.hidePassword, changed);
        assignIfDifferent(m_item.appChoice, m_basic.appChoice, changed);
        if (m_basic.appChoice == VaultItem::kAppChoiceApplication)
            assignIfDifferent(m_item.appIndex, m_basic.appIndex, changed);
    }
    if (m_etcShown) {
        for (std::size_t row = 0; row < 6; ++row) {
            assignIfDifferent(m_item.etcName[row], m_etc.name[row], changed);
            assignIfDifferent(m_item.etcText[row], m_etc.text[row], changed);
            assignCountIfDifferent(m_item.tabCount[row + 2], m_etc.tabCount[row], changed);
            assignCountIfDifferent(m_item.enterCount[row + 2], m_etc.enterCount[row], changed);
            assignFlagIfDifferent(m_item.hideEtc[row], m_etc.hide[row], changed);
        }
        assignIfDifferent(m_item.memo, m_etc.memo, changed);
        assignFlagIfDifferent(m_item.hideMemo, m_etc.hideMemo, changed);
    }
    if (changed) m_document.markModifiedByEdit();
    return changed;
}

void ItemEditorSession::close() {
    if (m_document.settings().applicationTable != m_tableAtOpen) m_document.markModifiedByEdit();
}

}  // namespace kivrano
