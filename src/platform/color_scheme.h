// The desktop's light or dark preference, as the settings portal states it
// (namespace "org.freedesktop.appearance", key "color-scheme": 0 no
// preference, 1 prefer dark, 2 prefer light). GNOME, KDE Plasma and others
// publish it there; a desktop without a portal simply never answers.
#pragma once

#include "base/environment.h"

#include <QDBusConnection>
#include <QObject>
#include <cstdint>
#include <functional>

class QDBusVariant;

namespace brimlow {

class PortalColorScheme final : public QObject {
    Q_OBJECT

public:
    // `onValue` gets the portal's value once it answers and again whenever
    // it changes.
    PortalColorScheme(const Environment& env, std::function<void(std::uint32_t)> onValue);
    ~PortalColorScheme() override;

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection m_bus;
    std::function<void(std::uint32_t)> m_onValue;
};

} // namespace brimlow
