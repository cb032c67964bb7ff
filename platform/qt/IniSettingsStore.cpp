#include "platform/qt/IniSettingsStore.h"

#include "platform/qt/VaultText.h"
#include "vault/VaultText.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>

#include <cstdlib>
#include <limits>

namespace kivrano::platform {

namespace {

QString qPath(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

class IniKey : public SettingsKey {
public:
    explicit IniKey(const std::filesystem::path& file)
        : m_settings(qPath(file), QSettings::IniFormat) {}

    std::optional<std::int32_t> readInt(const std::string& name) const override {
        const QVariant value = m_settings.value(QString::fromStdString(name));
        if (!value.isValid()) return std::nullopt;
        bool ok = false;
        const qlonglong number = value.toString().trimmed().toLongLong(&ok);
        if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        return static_cast<std::int32_t>(number);
    }

    std::optional<std::string> readString(const std::string& name) const override {
        const QVariant value = m_settings.value(QString::fromStdString(name));
        if (!value.isValid()) return std::nullopt;
        if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
        return toVaultText(value.toString());
    }

    bool writeInt(const std::string& name, std::int32_t value) override {
        m_settings.setValue(QString::fromStdString(name), value);
        return commit();
    }

    bool writeString(const std::string& name, const std::string& value) override {
        // Bytes that are not UTF-8 are kept as they are rather than converted.
        if (kivrano::isValidUtf8(value))
            m_settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
        else
            m_settings.setValue(QString::fromStdString(name),
                                QByteArray(value.data(), static_cast<qsizetype>(value.size())));
        return commit();
    }

private:
    bool commit() {
        m_settings.sync();
        return m_settings.status() == QSettings::NoError && m_settings.isWritable();
    }

    mutable QSettings m_settings;
};

}  // namespace

std::filesystem::path IniSettingsStore::defaultFile() {
    if (const char* dir = std::getenv("KIVRANO_CONFIG_DIR"); dir && *dir)
        return std::filesystem::path(dir) / "Kivrano.ini";
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::filesystem::path(home) / ".config";
    else
        config = std::filesystem::temp_directory_path();
    return config / "Quentaro" / "Kivrano.ini";
}

std::unique_ptr<SettingsKey> IniSettingsStore::open(Open mode) {
    std::error_code error;
    if (!std::filesystem::exists(m_file, error)) {
        if (mode == Open::Existing) return nullptr;
        std::filesystem::create_directories(m_file.parent_path(), error);
        QFile file(qPath(m_file));
        if (!file.open(QIODevice::WriteOnly)) return nullptr;
    }
    return std::make_unique<IniKey>(m_file);
}

}  // namespace kivrano::platform
