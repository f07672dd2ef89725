#include "platform/settings_store.h"

#include <QSettings>

namespace brimlow {

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Brimlow"),
                                             QStringLiteral("Brimlow"))) {}

QtSettingsStore::QtSettingsStore(const std::string& path)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::optional<bool> QtSettingsStore::readBool(const std::string& key) const {
    QVariant value = m_settings->value(QString::fromStdString(key));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString:
        // Not QVariant::toBool(), which also takes "1", "yes" or "0.5".
        if (value.toString() == QLatin1String("true"))
            return true;
        if (value.toString() == QLatin1String("false"))
            return false;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void QtSettingsStore::writeBool(const std::string& key, bool value) {
    m_settings->setValue(QString::fromStdString(key), value);
    m_settings->sync();
}

} // namespace brimlow
