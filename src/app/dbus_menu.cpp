#include "app/dbus_menu.h"

#include <QTimer>

namespace brimlow {

namespace {

constexpr uint kLayoutRevision = 1;
constexpr int kRootId = 0;

} // namespace

DBusMenu::DBusMenu(std::vector<TrayMenuEntry> entries) : m_entries(std::move(entries)) {}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == kRootId) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else {
        const TrayMenuEntry& entry = m_entries[size_t(id - 1)];
        if (entry.label.isEmpty())
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        else
            all.insert(QStringLiteral("label"), entry.label);
    }
    if (names.isEmpty())
        return all;
    QVariantMap asked;
    for (const QString& name : names) {
        if (all.contains(name))
            asked.insert(name, all.value(name));
    }
    return asked;
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                         DBusMenuLayout& layout) {
    if (!knows(parentId)) {
        refuseUnknown(parentId);
        return kLayoutRevision;
    }
    layout = {parentId, properties(parentId, propertyNames), {}};
    if (parentId == kRootId && recursionDepth != 0) {
        for (int id = 1; id <= int(m_entries.size()); ++id)
            layout.children.push_back({id, properties(id, propertyNames), {}});
    }
    return kLayoutRevision;
}

DBusMenuItems DBusMenu::GetGroupProperties(const QList<int>& ids,
                                           const QStringList& propertyNames) {
    DBusMenuItems items;
    for (int id : ids) {
        if (knows(id))
            items.append({id, properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name) {
    QVariantMap all = knows(id) ? properties(id, {}) : QVariantMap();
    if (!all.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no property ") + name);
        return {};
    }
    return QDBusVariant(all.value(name));
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!handle(id, eventId))
        refuseUnknown(id);
}

QList<int> DBusMenu::EventGroup(const DBusMenuEvents& events) {
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (!handle(event.id, event.eventId))
            unknown.append(event.id);
    }
    return unknown;
}

bool DBusMenu::AboutToShow(int) {
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (int id : ids) {
        if (!knows(id))
            idErrors.append(id);
    }
    return {};
}

bool DBusMenu::handle(int id, const QString& eventId) {
    if (!knows(id))
        return false;
    if (id == kRootId || eventId != QLatin1String("clicked"))
        return true;
    // After the reply: the entry may quit, or open a window that takes a
    // while, and the host waits for the call to end.
    if (auto run = m_entries[size_t(id - 1)].run)
        QTimer::singleShot(0, this, run);
    return true;
}

void DBusMenu::refuseUnknown(int id) {
    sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu item %1").arg(id));
}

} // namespace brimlow
