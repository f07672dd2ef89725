#include "ui/appearance.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QQmlEngine>

namespace brimlow {

namespace {

// Cleared when the object goes, so that a late engine gets no Appearance
// rather than a dangling one.
QPointer<Appearance> shared;

// A window colour darker than the middle grey is a dark palette.
bool paletteIsDark() {
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

} // namespace

Appearance::Appearance(QObject* parent) : QObject(parent) {
    // The palette changes when the desktop's theme does (on desktops whose
    // theme Qt follows); the application object is told first.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    update();
}

void AppearanceSingleton::share(Appearance& appearance) {
    if (!shared)
        shared = &appearance;
}

Appearance* AppearanceSingleton::create(QQmlEngine*, QJSEngine*) {
    Q_ASSERT(shared);
    if (shared)
        QQmlEngine::setObjectOwnership(shared, QQmlEngine::CppOwnership);
    return shared;
}

void Appearance::setPreference(ColorScheme scheme) {
    m_preference = scheme;
    update();
}

void Appearance::update() {
    bool dark = m_preference == ColorScheme::NoPreference ? paletteIsDark()
                                                          : m_preference == ColorScheme::Dark;
    if (dark == m_dark)
        return;
    m_dark = dark;
    emit darkChanged();
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() &&
        event->type() == QEvent::ApplicationPaletteChange)
        update();
    return false;
}

} // namespace brimlow
