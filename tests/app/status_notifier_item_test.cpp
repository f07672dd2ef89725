#include "app/status_notifier_item.h"
#include "app/tray_texts.h"
#include "platform/private_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QTest>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");

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
        m_bus.registerObject("/StatusNotifierWatcher", this, QDBusConnection::ExportAllContents);
        m_bus.interface()->registerService(kWatcher,
                                           queues ? QDBusConnectionInterface::QueueService
                                                  : QDBusConnectionInterface::DontQueueService);
    }
    ~FakeWatcher() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

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
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args) {
        QString path = interface == kMenuInterface ? "/MenuBar" : "/StatusNotifierItem";
        QDBusMessage message = QDBusMessage::createMethodCall(m_service, path, interface, method);
        message.setArguments(args);
        return m_client.call(message, QDBus::BlockWithGui);
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
    EXPECT_TRUE(item->watcherPresent());
    EXPECT_FALSE(item->hasHost()) << "a watcher without a host shows nothing";
    watcher->host = true;
    emit watcher->StatusNotifierHostRegistered();
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

    QDBusMessage all = call(kProperties, "GetAll", {kItemInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().at(0));
    // Every property a host reads, in the type it reads it as ("name:type=value").
    for (const QString& entry : QStringList{
             "Category:s=ApplicationStatus", "Id:s=brimlow", "Title:s=Brimlow", "Status:s=Active",
             "WindowId:i=0", "IconName:s=", "IconPixmap:a(iiay)", "OverlayIconName:s",
             "OverlayIconPixmap:a(iiay)", "AttentionIconName:s", "AttentionIconPixmap:a(iiay)",
             "ToolTip:(sa(iiay)ss)", "ItemIsMenu:b=false", "Menu:o", "XAyatanaLabel:s=C 42%  A 80%",
             "XAyatanaLabelGuide:s=" + trayLabelGuide()}) {
        QString name = entry.section(':', 0, 0), type = entry.section(':', 1).section('=', 0, 0);
        EXPECT_EQ(signatureOf(properties[name]), type) << name.toStdString();
        if (entry.contains('=')) {
            EXPECT_EQ(properties[name].toString(), entry.section('=', 1)) << name.toStdString();
        }
    }
    EXPECT_EQ(qdbus_cast<QDBusObjectPath>(properties["Menu"]).path(), "/MenuBar");
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
    QDBusReply<QDBusVariant> label = call(kProperties, "Get", {kItemInterface, "XAyatanaLabel"});
    EXPECT_EQ(label.value().variant(), "C 43%  A 80%");

    // Clicks: the point and the host's token, or none; a middle click refreshes.
    call(kItemInterface, "ProvideXdgActivationToken", {"tok-1"});
    call(kItemInterface, "Activate", {1210, 12});
    call(kItemInterface, "Activate", {0, 0});
    call(kItemInterface, "SecondaryActivate", {5, 5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks.size() == 2 && ran.size() == 1; }));
    EXPECT_EQ(clicks[0].anchor, QRect(1210, 12, 1, 1));
    EXPECT_EQ(clicks[0].activationToken, "tok-1");
    EXPECT_TRUE(clicks[1].anchor.isEmpty()) << "0, 0 is no position";
    EXPECT_TRUE(clicks[1].activationToken.isEmpty()) << "a token is used once";
    EXPECT_EQ(ran, QStringList{"middle"});
    ran.clear();

    // The menu as hosts draw it ("label|type"), and a batch of clicks on each entry
    // and on an unknown item, which comes back.
    QDBusMessage layoutReply = call(kMenuInterface, "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layoutReply.signature(), "u(ia{sv}av)") << layoutReply.errorMessage().toStdString();
    DBusMenuLayout root = qdbus_cast<DBusMenuLayout>(layoutReply.arguments().at(1));
    QStringList entries;
    DBusMenuEvents batch{{99, "clicked", QDBusVariant(0), 0}};
    for (const DBusMenuLayout& child : root.children) {
        entries.append(child.properties.value("label").toString() + "|" +
                       child.properties.value("type").toString());
        batch.append({child.id, "clicked", QDBusVariant(0), 0});
    }
    ASSERT_EQ(entries, (QStringList{"패널 열기|", "새로고침|", "|separator", "종료|"}));
    QDBusReply<QList<int>> errors =
        call(kMenuInterface, "EventGroup", {QVariant::fromValue(batch)});
    EXPECT_EQ(errors.value(), QList<int>{99}) << errors.error().message().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (QStringList{"open", "refresh", "quit"}));
    // One click at a time, as other hosts send them; an unknown item is refused.
    const QVariant none = QVariant::fromValue(QDBusVariant(0));
    call(kMenuInterface, "Event", {root.children[1].id, "clicked", none, 0u});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4; }));
    EXPECT_EQ(ran.last(), "refresh");
    QDBusMessage unknown = call(kMenuInterface, "Event", {99, "clicked", none, 0u});
    EXPECT_EQ(unknown.type(), QDBusMessage::ErrorMessage);
}

} // namespace
} // namespace brimlow

#include "status_notifier_item_test.moc"
