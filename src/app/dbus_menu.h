// The tray item's menu for hosts that draw it themselves: the
// com.canonical.dbusmenu interface over a fixed list of entries. Item 0 is
// the root; the entries are items 1 to n in order.
#pragma once

#include "app/tray_dbus_types.h"
#include "app/tray_texts.h"

#include <QDBusContext>
#include <QObject>

namespace brimlow {

class DBusMenu final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenu(std::vector<TrayMenuEntry> entries);

    uint version() const { return 3; }
    QString status() const { return QStringLiteral("normal"); }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    // QtDBus finds argument types by name: they are spelled out here as
    // they were registered, not through the aliases.
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   brimlow::DBusMenuLayout& layout);
    QList<brimlow::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                    const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<brimlow::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    // The menu never changes; hosts still look for the signals.
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const QList<brimlow::DBusMenuItem>& updatedProps,
                                const QList<brimlow::DBusMenuItemKeys>& removedProps);

private:
    bool knows(int id) const { return id >= 0 && id <= int(m_entries.size()); }
    QVariantMap properties(int id, const QStringList& names) const;
    // False for an unknown item.
    bool handle(int id, const QString& eventId);
    void refuseUnknown(int id);

    std::vector<TrayMenuEntry> m_entries;
};

} // namespace brimlow
