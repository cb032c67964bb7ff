#include "platform/fake/MemorySettingsStore.h"

namespace kivrano::platform {

class MemorySettingsStore::Key : public SettingsKey {
public:
    explicit Key(MemorySettingsStore& store) : m_store(store) {}

    std::optional<std::int32_t> readInt(const std::string& name) const override {
        auto it = m_store.m_values.find(name);
        if (it == m_store.m_values.end()) return std::nullopt;
        if (auto* value = std::get_if<std::int32_t>(&it->second)) return *value;
        return std::nullopt;
    }

    std::optional<std::string> readString(const std::string& name) const override {
        auto it = m_store.m_values.find(name);
        if (it == m_store.m_values.end()) return std::nullopt;
        if (auto* value = std::get_if<std::string>(&it->second)) return *value;
        return std::nullopt;
    }

    bool writeInt(const std::string& name, std::int32_t value) override {
        if (m_store.m_readOnly) return false;
        m_store.m_values[name] = value;
        return true;
    }

    bool writeString(const std::string& name, const std::string& value) override {
        if (m_store.m_readOnly) return false;
        m_store.m_values[name] = value;
        return true;
    }

private:
    MemorySettingsStore& m_store;
};

std::unique_ptr<SettingsKey> MemorySettingsStore::open(Open mode) {
    if (!m_exists) {
        if (mode == Open::Existing || m_readOnly) return nullptr;
        m_exists = true;
    }
    return std::make_unique<Key>(*this);
}

}  // namespace kivrano::platform
