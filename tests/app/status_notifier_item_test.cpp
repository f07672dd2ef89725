#include "app/status_notifier_item.h"
#include "app/tray_texts.h"
#include "platform/private_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

QDBusConnection connectTo(const std::string& address) {
    return QDBusConnection::connectToBus(QString::fromStdString(address),
                                         QUuid::createUuid().toString());
}

// A tray's StatusNotifierWatcher: takes registrations, says whether a host
// is there, and leaves (a panel restarting) when destroyed.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER host)

public:
    // A watcher that queues takes the name only when the one before it
    // leaves: the name passes straight from one to the other.
    FakeWatcher(const std::string& address, bool withHost, bool queues = false)
        : host(withHost), m_bus(connectTo(address)) {
        m_bus.registerObject("/StatusNotifierWatcher", this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                 QDBusConnection::ExportAllProperties);
        m_bus.interface()->registerService(kWatcher,
                                           queues ? QDBusConnectionInterface::QueueService
                                                  : QDBusConnectionInterface::DontQueueService);
    }
    ~FakeWatcher() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

    void hostArrives() {
        host = true;
        emit StatusNotifierHostRegistered();
    }

    bool host;
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }

signals:
    void StatusNotifierHostRegistered();

private:
    QDBusConnection m_bus;
};

// The arguments of the item's last signal of each name, as a host receives them.
class SignalLog : public QObject {
    Q_OBJECT
public:
    QMap<QString, QVariantList> last;
public slots:
    void record(const QDBusMessage& message) { last[message.member()] = message.arguments(); }
};

QString signatureOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return value.value<QDBusArgument>().currentSignature();
    return QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()));
}

class StatusNotifierItemTest : public ::testing::Test {
protected:
    std::unique_ptr<StatusNotifierItem> startItem() {
        TrayActions actions{.openPanel = [this] { ran.append("open"); },
                            .refresh = [this] { ran.append("refresh"); },
                            .quit = [this] { ran.append("quit"); }};
        return std::make_unique<StatusNotifierItem>(
            connectTo(m_bus.address()), trayMenuEntries(actions),
            StatusNotifierEvents{
                .activate = [this](const TrayClick& click) { clicks.push_back(click); },
                .secondaryActivate = [this] { ran.append("middle"); },
                .trayChanged = [this] { ++trayChanges; }});
    }

    // The item answers from this thread: the wait must run its loop.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(m_service, path, interface, method);
        message.setArguments(args);
        return m_client.call(message, QDBus::BlockWithGui);
    }
    QDBusMessage onItem(const QString& method, const QVariantList& args) {
        return call("/StatusNotifierItem", kItemInterface, method, args);
    }
    QDBusMessage onProperties(const QString& method, const QVariantList& args) {
        return call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", method, args);
    }
    QDBusMessage onMenu(const QString& method, const QVariantList& args) {
        return call("/MenuBar", "com.canonical.dbusmenu", method, args);
    }

    PrivateBus m_bus;
    QString m_service;
    QDBusConnection m_client = connectTo(m_bus.address());
    QStringList ran;
    std::vector<TrayClick> clicks;
    int trayChanges = 0;
};

TEST_F(StatusNotifierItemTest, RegistersWithEachWatcherThatAppearsAndFollowsItsHost) {
    auto item = startItem();
    EXPECT_FALSE(item->hasHost());
    EXPECT_FALSE(item->watcherPresent());

    // The tray starts after us, its host a moment later.
    auto watcher = std::make_unique<FakeWatcher>(m_bus.address(), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher->items.isEmpty(); }));
    EXPECT_EQ(watcher->items, QStringList{item->serviceName()});
    EXPECT_TRUE(m_client.interface()->isServiceRegistered(item->serviceName()));
    EXPECT_TRUE(item->watcherPresent());
    EXPECT_FALSE(item->hasHost()) << "a watcher without a host shows nothing";
    watcher->hostArrives();
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->hasHost(); }));
    int changes = trayChanges;

    // The panel restarts: the new watcher hears of us again.
    watcher.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item->hasHost(); }));
    watcher = std::make_unique<FakeWatcher>(m_bus.address(), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->hasHost(); }));
    EXPECT_EQ(watcher->items, QStringList{item->serviceName()});
    EXPECT_GE(trayChanges, changes + 2) << "the owner heard of the loss and of the return";

    // A panel's new process waits for the name while the old one exits.
    auto next = std::make_unique<FakeWatcher>(m_bus.address(), true, /*queues=*/true);
    watcher.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !next->items.isEmpty(); }));
    EXPECT_EQ(next->items, QStringList{item->serviceName()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->hasHost(); }));
}

TEST_F(StatusNotifierItemTest, ServesTypedPropertiesTheLabelClicksAndTheMenu) {
    FakeWatcher watcher(m_bus.address(), true);
    auto item = startItem();
    item->show({42.0, 80.0, "C 42%  A 80%"});
    m_service = item->serviceName();
    SignalLog log;
    m_client.connect(m_service, "/StatusNotifierItem", kItemInterface, QString(), &log,
                     SLOT(record(QDBusMessage)));

    QDBusMessage all = onProperties("GetAll", {kItemInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().at(0));
    // Every property a host reads, in the type it reads it as.
    for (const QString& entry :
         QString("Category:s Id:s Title:s Status:s WindowId:i IconName:s IconPixmap:a(iiay) "
                 "OverlayIconName:s OverlayIconPixmap:a(iiay) AttentionIconName:s "
                 "AttentionIconPixmap:a(iiay) ToolTip:(sa(iiay)ss) ItemIsMenu:b Menu:o "
                 "XAyatanaLabel:s XAyatanaLabelGuide:s")
             .split(' ')) {
        QString name = entry.section(':', 0, 0);
        ASSERT_TRUE(properties.contains(name)) << name.toStdString();
        EXPECT_EQ(signatureOf(properties[name]), entry.section(':', 1)) << name.toStdString();
    }
    const QVariantMap values{{"Category", "ApplicationStatus"},
                             {"Id", "brimlow"},
                             {"Title", "Brimlow"},
                             {"Status", "Active"},
                             {"WindowId", 0},
                             {"IconName", ""},
                             {"ItemIsMenu", false},
                             {"Menu", QVariant::fromValue(QDBusObjectPath("/MenuBar"))},
                             {"XAyatanaLabel", "C 42%  A 80%"},
                             {"XAyatanaLabelGuide", trayLabelGuide()}};
    for (const auto& [name, value] : values.asKeyValueRange())
        EXPECT_EQ(properties[name], value) << name.toStdString();
    DBusToolTip tip = qdbus_cast<DBusToolTip>(properties["ToolTip"]);
    EXPECT_EQ(tip.title, "C 42%  A 80%");
    EXPECT_EQ(tip.description, trayLegend());
    // Each size whole; the colours' byte order shows in the real hosts' tests.
    DBusImages images = qdbus_cast<DBusImages>(properties["IconPixmap"]);
    ASSERT_GE(images.size(), 3);
    for (const DBusImage& image : images)
        EXPECT_EQ(image.pixels.size(), image.width * image.height * 4) << image.width;

    // The label follows the title, with a signal for hosts that draw it.
    item->show({43.0, 80.0, "C 43%  A 80%"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.last.contains("XAyatanaNewLabel"); }));
    EXPECT_TRUE(log.last.contains("NewIcon") && log.last.contains("NewToolTip"));
    EXPECT_EQ(log.last["XAyatanaNewLabel"], (QVariantList{"C 43%  A 80%", trayLabelGuide()}));
    QDBusReply<QDBusVariant> label = onProperties("Get", {kItemInterface, "XAyatanaLabel"});
    EXPECT_EQ(label.value().variant(), "C 43%  A 80%");

    // Clicks: the point and the host's token, or none; a middle click refreshes.
    onItem("ProvideXdgActivationToken", {"tok-1"});
    onItem("Activate", {1210, 12});
    onItem("Activate", {0, 0});
    onItem("SecondaryActivate", {5, 5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks.size() == 2 && ran.size() == 1; }));
    EXPECT_EQ(clicks[0].anchor, QRect(1210, 12, 1, 1));
    EXPECT_EQ(clicks[0].activationToken, "tok-1");
    EXPECT_TRUE(clicks[1].anchor.isEmpty()) << "0, 0 is no position";
    EXPECT_TRUE(clicks[1].activationToken.isEmpty()) << "a token is used once";
    EXPECT_EQ(ran, QStringList{"middle"});
    ran.clear();

    // The menu: three entries and a separator ("label|type|what a click runs").
    QDBusMessage layoutReply = onMenu("GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layoutReply.signature(), "u(ia{sv}av)") << layoutReply.errorMessage().toStdString();
    DBusMenuLayout root = qdbus_cast<DBusMenuLayout>(layoutReply.arguments().at(1));
    QStringList entries;
    for (const DBusMenuLayout& child : root.children) {
        onMenu("Event", {child.id, "clicked", QVariant::fromValue(QDBusVariant(QString())), 0u});
        QTest::qWait(20);
        entries.append(child.properties.value("label").toString() + "|" +
                       child.properties.value("type").toString() + "|" + ran.join(""));
        ran.clear();
    }
    EXPECT_EQ(entries,
              (QStringList{"패널 열기||open", "새로고침||refresh", "|separator|", "종료||quit"}));
    ASSERT_GE(root.children.size(), 2u);
    QDBusMessage unknown =
        onMenu("Event", {99, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(unknown.type(), QDBusMessage::ErrorMessage);
    // Hosts that batch their events: the unknown item comes back.
    DBusMenuEvents batch{{root.children[1].id, "clicked", QDBusVariant(0), 0},
                         {99, "clicked", QDBusVariant(0), 0}};
    QDBusReply<QList<int>> errors = onMenu("EventGroup", {QVariant::fromValue(batch)});
    EXPECT_EQ(errors.value(), QList<int>{99}) << errors.error().message().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran == QStringList{"refresh"}; }));
}

} // namespace
} // namespace brimlow

#include "status_notifier_item_test.moc"
