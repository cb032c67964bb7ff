#include "platform/kwin/KWinWindowTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <set>

namespace kivrano::platform::kwin {

WindowId KWinWindowTable::numberFor(const QString& internalId,
                                    std::map<QString, WindowId>& numbers) {
    if (internalId.isEmpty()) return 0;
    if (const auto known = numbers.find(internalId); known != numbers.end()) return known->second;
    if (const auto known = m_numbers.find(internalId); known != m_numbers.end())
        return numbers[internalId] = known->second;
    return numbers[internalId] = ++m_lastNumber;
}

bool KWinWindowTable::apply(const QString& report) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(report.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
    const QJsonObject root = document.object();
    if (!root.value(QStringLiteral("active")).isString() ||
        !root.value(QStringLiteral("windows")).isArray())
        return false;

    // Numbers of the windows in this report only: those of closed windows are dropped.
    struct Entry {
        double stacking = 0;
        QString owner;
        Window window;
    };
    std::map<QString, WindowId> numbers;
    std::vector<Entry> entries;
    for (const QJsonValue& value : root.value(QStringLiteral("windows")).toArray()) {
        const QJsonObject object = value.toObject();
        const QString internalId = object.value(QStringLiteral("id")).toString();
        if (internalId.isEmpty() || numbers.count(internalId)) continue;
        Entry entry;
        entry.stacking = object.value(QStringLiteral("stacking")).toDouble();
        entry.owner = object.value(QStringLiteral("owner")).toString();
        entry.window.internalId = internalId;
        entry.window.id = numberFor(internalId, numbers);
        entry.window.caption = object.value(QStringLiteral("caption")).toString().toStdString();
        entry.window.className = object.value(QStringLiteral("class")).toString().toStdString();
        entry.window.pid =
            static_cast<std::int64_t>(object.value(QStringLiteral("pid")).toDouble());
        entries.push_back(std::move(entry));
    }
    // Owners once every window of the report has its number; one outside the report is none.
    for (Entry& entry : entries) {
        const auto owner = numbers.find(entry.owner);
        if (owner != numbers.end() && owner->second != entry.window.id)
            entry.window.owner = owner->second;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.stacking > b.stacking; });

    m_windows.clear();
    for (Entry& entry : entries) m_windows.push_back(std::move(entry.window));
    const auto active = numbers.find(root.value(QStringLiteral("active")).toString());
    m_active = active == numbers.end() ? 0 : active->second;
    m_numbers = std::move(numbers);
    m_reported = true;
    return true;
}

const KWinWindowTable::Window* KWinWindowTable::find(WindowId id) const {
    const auto it = std::find_if(m_windows.begin(), m_windows.end(),
                                 [id](const Window& w) { return w.id == id; });
    return it == m_windows.end() ? nullptr : &*it;
}

WindowId KWinWindowTable::foreground() const {
    WindowId window = m_active;
    std::set<WindowId> seen;
    while (window != 0 && seen.insert(window).second) {
        const Window* entry = find(window);
        if (entry == nullptr || entry->owner == 0) break;
        window = entry->owner;
    }
    return window;
}

WindowId KWinWindowTable::windowOfProcess(std::int64_t pid, const std::string& title) const {
    WindowId firstUnowned = 0;
    for (const Window& window : m_windows) {
        if (window.pid != pid) continue;
        if (!title.empty() &&
            (window.caption == title || window.caption.rfind(title + " <", 0) == 0))
            return window.id;
        if (firstUnowned == 0 && window.owner == 0) firstUnowned = window.id;
    }
    return firstUnowned;
}

}  // namespace kivrano::platform::kwin
