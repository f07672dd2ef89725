#include "ui/panel.h"

#include "ui/panel_format.h"

#include <QQmlEngine>

namespace brimlow {

namespace {

constexpr const char* kModule = "Brimlow.Ui";

} // namespace

QUrl meterPanelUrl(Appearance& appearance) {
    // The registry is Qt's own; asking it keeps this idempotent without a
    // flag of our own.
    if (qmlTypeId(kModule, 1, 0, "Format") < 0) {
        qmlRegisterSingletonType<PanelFormat>(
            kModule, 1, 0, "Format",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new PanelFormat; });
        // One object for every engine, and none of them may delete it.
        Appearance* shared = &appearance;
        qmlRegisterSingletonType<Appearance>(
            kModule, 1, 0, "Appearance", [shared](QQmlEngine*, QJSEngine*) -> QObject* {
                QQmlEngine::setObjectOwnership(shared, QQmlEngine::CppOwnership);
                return shared;
            });
    }
    return QUrl(QStringLiteral("qrc:/brimlow/ui/MeterPanel.qml"));
}

} // namespace brimlow
