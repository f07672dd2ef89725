// The structured D-Bus types of the tray item and its menu, with their
// marshalling. QtDBus only knows how to send a struct once it is
// registered; registerTrayDBusTypes() does that for all of them.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace brimlow {

// (iiay): one size of an icon, ARGB32 with each pixel in network byte order.
struct DBusImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using DBusImages = QList<DBusImage>;

DBusImage toDBusImage(const QImage& image);

// (sa(iiay)ss): an icon name, its images, a title and a description.
struct DBusToolTip {
    QString iconName;
    DBusImages images;
    QString title;
    QString description;
};

// (ia{sv}av): a menu item, its properties and its children, each child a
// variant holding the same structure.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    std::vector<DBusMenuLayout> children;
};

// (ia{sv}): an item's properties.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItems = QList<DBusMenuItem>;

// (ias): the names of properties an item lost.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): an event on an item, as EventGroup sends them.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEvents = QList<DBusMenuEvent>;

void registerTrayDBusTypes();

QDBusArgument& operator<<(QDBusArgument& out, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& out, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuEvent& event);

} // namespace brimlow

Q_DECLARE_METATYPE(brimlow::DBusImage)
Q_DECLARE_METATYPE(brimlow::DBusToolTip)
Q_DECLARE_METATYPE(brimlow::DBusMenuLayout)
Q_DECLARE_METATYPE(brimlow::DBusMenuItem)
Q_DECLARE_METATYPE(brimlow::DBusMenuItemKeys)
Q_DECLARE_METATYPE(brimlow::DBusMenuEvent)
