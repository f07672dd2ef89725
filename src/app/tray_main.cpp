// The tray application, which `brimlow` without a mode flag runs. It runs
// until the user quits; a second start hands over to the running instance
// and ends with status 0 at once.
#include "app/app_delegate.h"
#include "app/helper.h"
#include "app/meter_icon.h"
#include "app/meter_services.h"
#include "app/modes.h"
#include "app/panel_popup.h"
#include "app/qt_messages.h"
#include "app/single_instance.h"
#include "app/system_tray.h"
#include "base/memory.h"
#include "platform/bus_address.h"
#include "platform/bus_connection.h"
#include "platform/color_scheme.h"
#include "ui/panel.h"

#include <QApplication>
#include <QPointer>
#include <QQuickStyle>
#include <QQuickWindow>

int main(int argc, char** argv) {
    using namespace brimlow;
    returnLargeBuffersWhenFreed();
    routeQtMessages(ProcessEnvironment());
    if (auto platform = preferredQtPlatform(ProcessEnvironment()))
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    // The panel is drawn the same on every desktop, whatever style the
    // desktop would pick; this must precede the first QML engine.
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // Qt Quick's software renderer: a small panel needs no GPU context (nor
    // its memory), and the layer-shell popup draws into images of ours.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // Widgets for the tray icon's menu and its fallback on X11 trays.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brimlow"));
    QApplication::setOrganizationName(QStringLiteral("Brimlow"));
    QApplication::setDesktopFileName(QStringLiteral("brimlow"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("brimlow"), meterIcon(std::nullopt, std::nullopt)));
    // Closing the panel leaves the application in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(instanceSocketName(ProcessEnvironment()));
    if (instance.claim() == InstanceRole::Handover)
        return 0;

    Appearance appearance;
    PortalColorScheme colorScheme(ProcessEnvironment(), [&appearance](std::uint32_t value) {
        appearance.setPreference(value == 1   ? ColorScheme::Dark
                                 : value == 2 ? ColorScheme::Light
                                              : ColorScheme::NoPreference);
    });

    AppDelegate delegate(desktopMeterServices(launcherPath(argc, argv)),
                         ShellFactories{
                             .tray =
                                 [](TrayActions actions) {
                                     auto address = sessionBusAddress(ProcessEnvironment());
                                     return std::make_unique<SystemTray>(
                                         std::move(actions), address ? connectPrivately(*address)
                                                                     : QDBusConnection(QString()));
                                 },
                             .panel =
                                 [&appearance](MeterModel& model) {
                                     return std::make_unique<PanelPopup>(&model,
                                                                         meterPanelUrl(appearance));
                                 },
                         });
    QPointer<AppDelegate> weak(&delegate);
    instance.onReopen = [weak] {
        if (weak)
            weak->reopen();
    };
    return app.exec();
}
