#pragma once

#include "platform/HotKeys.h"
#include "vault/CKivranoDoc.h"

#include <vector>

namespace kivrano {

// The list of what the program registered with the system: the eleven global keys under
// ids 0..10 and each item's launching key under its node's handle. A combination the
// system refuses stays listed and simply never fires.
class HotKeyRegistry : public HotKeyBook {
public:
    explicit HotKeyRegistry(platform::HotKeys& hotKeys) : m_hotKeys(hotKeys) {}

    void registerKey(platform::HotKeyId id, const HotKeyValue& key);
    // Drops the first registration with the id.
    void unregisterOne(platform::HotKeyId id);

    void dropAll() override;
    void registerGlobals(const std::array<HotKeyValue, kGlobalHotKeyCount>& keys) override;
    void registerLaunchKey(TreeNode node, const HotKeyValue& key) override;

    struct Record {
        platform::HotKeyId id;
        HotKeyValue key;
        bool operator==(const Record&) const = default;
    };
    const std::vector<Record>& records() const { return m_records; }

private:
    platform::HotKeys& m_hotKeys;
    std::vector<Record> m_records;
};

}  // namespace kivrano
