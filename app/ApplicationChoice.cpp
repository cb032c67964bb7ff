#include "app/ApplicationChoice.h"

#include "vault/Strings.h"
#include "vault/VaultText.h"

#include <QString>

#include <algorithm>
#include <utility>

namespace kivrano {

namespace {

std::string stringText(StringId id) {
    return std::string(kivrano::text(id));
}

bool inTable(const VaultSettings& settings, std::int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < settings.applicationTable.size();
}

}  // namespace

std::string applicationLabel(const VaultSettings& settings, std::int32_t appChoice,
                             std::int32_t appIndex, const std::string& browserLabel) {
    switch (appChoice) {
        case VaultItem::kAppChoiceBrowser: return browserLabel;
        case VaultItem::kAppChoiceEmail: return "Email";
        case VaultItem::kAppChoiceApplication:
            // An index the table does not hold (a damaged file) names no application either.
            if (!inTable(settings, appIndex)) return "Not Set";
            return settings.applicationTable[static_cast<std::size_t>(appIndex)];
        default: return {};
    }
}

bool samePathIgnoringCase(const std::string& a, const std::string& b) {
    if (isValidUtf8(a) && isValidUtf8(b))
        return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
                   .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                            Qt::CaseInsensitive) == 0;
    // Single-byte texts: only ASCII letters fold, so no two different bytes ever match.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

ApplicationChoice::ApplicationChoice(VaultSettings& settings, std::int32_t& tableSelection,
                                     Prompter& prompter, ProgramChooser chooser,
                                     std::int32_t appChoice, std::int32_t appIndex)
    : m_settings(settings),
      m_tableSelection(tableSelection),
      m_prompter(prompter),
      m_chooser(std::move(chooser)),
      m_initialChoice(appChoice),
      m_choice(appChoice),
      m_appIndex(appIndex) {
    setChoice(appChoice);
}

void ApplicationChoice::setChoice(std::int32_t choice) {
    m_choice = choice;
    if (pathControlsEnabled()) {
        fillFromTable();
    } else {
        m_selectedLine = -1;
        m_text.clear();
    }
}

void ApplicationChoice::fillFromTable() {
    m_lines = m_settings.applicationTable;
    m_selectedLine = -1;
    m_text.clear();
    if (inTable(m_settings, m_tableSelection)) selectLine(m_tableSelection);
    if (inTable(m_settings, m_appIndex)) selectLine(m_appIndex);
}

void ApplicationChoice::selectLine(int line) {
    if (line < 0 || static_cast<std::size_t>(line) >= m_lines.size()) {
        m_selectedLine = -1;
        return;
    }
    m_selectedLine = line;
    m_text = m_lines[static_cast<std::size_t>(line)];
}

void ApplicationChoice::setTypedText(std::string text) {
    m_selectedLine = -1;
    m_text = std::move(text);
}

void ApplicationChoice::browse() {
    if (!pathControlsEnabled() || !m_chooser) return;
    const std::string initial =
        inTable(m_settings, m_appIndex)
            ? m_settings.applicationTable[static_cast<std::size_t>(m_appIndex)]
            : std::string();
    std::optional<std::string> chosen = m_chooser(initial);
    if (!chosen) return;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (samePathIgnoringCase(m_lines[i], *chosen)) {
            selectLine(static_cast<int>(i));
            return;
        }
    }
    // The table holds no more than its capacity, so the box may not offer more lines than
    // OK could store.
    if (m_lines.size() >= VaultSettings::kApplicationCapacity) {
        m_prompter.message(stringText(StringId::ApplicationTableFull), Prompter::Icon::Exclamation);
        return;
    }
    m_lines.push_back(std::move(*chosen));
    selectLine(static_cast<int>(m_lines.size() - 1));
}

void ApplicationChoice::changeForAllItems() {
    if (!pathControlsEnabled() || !m_chooser) return;
    if (m_selectedLine < 0 || m_text.empty()) return;
    if (!m_prompter.askYesNo(stringText(StringId::ChangeForAllItemsQuestion))) return;
    std::optional<std::string> chosen = m_chooser(m_text);
    if (!chosen) return;
    const auto line = static_cast<std::size_t>(m_selectedLine);
    m_lines[line] = *chosen;
    m_text = *chosen;
    // A line added by Browse has no table entry until OK; the line alone carries the path.
    if (line < m_settings.applicationTable.size()) m_settings.applicationTable[line] = *chosen;
}

ApplicationChoice::Result ApplicationChoice::accept() {
    if (!pathControlsEnabled()) return {m_choice, m_appIndex};

    auto& table = m_settings.applicationTable;
    const std::size_t count = table.size();
    const auto takeLinesBeyondCount = [&] {
        for (std::size_t i = count; i < m_lines.size(); ++i) table.push_back(m_lines[i]);
    };

    for (std::size_t i = 0; i < std::min(count, m_lines.size()); ++i) table[i] = m_lines[i];

    if (m_text.empty()) {
        m_tableSelection = -1;
    } else if (m_selectedLine >= 0) {
        takeLinesBeyondCount();
        m_tableSelection = m_selectedLine;
    } else {
        auto match = std::find_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return samePathIgnoringCase(line, m_text);
        });
        if (match != m_lines.end()) {
            const auto line = static_cast<std::size_t>(match - m_lines.begin());
            // A line that Browse added must reach the table before an item can refer to it.
            if (line >= count) takeLinesBeyondCount();
            m_tableSelection = static_cast<std::int32_t>(line);
        } else if (count + 1 >= VaultSettings::kApplicationCapacity) {
            // The item keeps the application it had; the table's last choice may belong to
            // another item.
            m_prompter.message(stringText(StringId::ApplicationTableFull),
                               Prompter::Icon::Exclamation);
            return {m_initialChoice, m_appIndex};
        } else {
            table.push_back(m_text);
            m_tableSelection = static_cast<std::int32_t>(count);
        }
    }
    m_appIndex = m_tableSelection;
    return {m_choice, m_appIndex};
}

}  // namespace kivrano
