#include "ui/panel.h"

// Generated with the module: its object file registers the module's types
// with QML when it is linked in, and naming the function here links it into
// every program that shows the panel.
void qml_register_types_Brimlow_Ui();

namespace brimlow {

QUrl meterPanelUrl(Appearance& appearance) {
    volatile auto registration = &qml_register_types_Brimlow_Ui;
    (void)registration;
    AppearanceSingleton::share(appearance);
    return QUrl(QStringLiteral("qrc:/Brimlow/Ui/MeterPanel.qml"));
}

} // namespace brimlow
