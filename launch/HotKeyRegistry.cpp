#include "launch/HotKeyRegistry.h"

#include <algorithm>

namespace kivrano {

void HotKeyRegistry::registerKey(platform::HotKeyId id, const HotKeyValue& key) {
    m_hotKeys.registerHotKey(id, key);  // a refusal is not an error: the key just never fires
    m_records.push_back({id, key});
}

void HotKeyRegistry::unregisterOne(platform::HotKeyId id) {
    m_hotKeys.unregisterHotKey(id);
    auto it = std::find_if(m_records.begin(), m_records.end(),
                           [id](const Record& r) { return r.id == id; });
    if (it != m_records.end()) m_records.erase(it);
}

void HotKeyRegistry::dropAll() {
    for (const Record& r : m_records) m_hotKeys.unregisterHotKey(r.id);
    m_records.clear();
}

void HotKeyRegistry::registerGlobals(const std::array<HotKeyValue, kGlobalHotKeyCount>& keys) {
    for (std::size_t id = 0; id < keys.size(); ++id)
        registerKey(static_cast<platform::HotKeyId>(id), keys[id]);
}

void HotKeyRegistry::registerLaunchKey(TreeNode node, const HotKeyValue& key) {
    registerKey(node, key);
}

}  // namespace kivrano
