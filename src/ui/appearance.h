// Whether the panel is drawn light or dark: as the desktop prefers where it
// says so (the settings portal's colour scheme), else as its palette is.
#pragma once

#include <QObject>
#include <QtQml/qqml.h>

namespace brimlow {

enum class ColorScheme {
    NoPreference,
    Dark,
    Light,
};

class Appearance final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)

public:
    explicit Appearance(QObject* parent = nullptr);

    bool dark() const { return m_dark; }
    // The desktop's stated preference; without one the palette decides.
    void setPreference(ColorScheme scheme);

signals:
    void darkChanged();

private:
    void update();
    bool eventFilter(QObject* watched, QEvent* event) override;

    ColorScheme m_preference = ColorScheme::NoPreference;
    bool m_dark = false;
};

// The singleton Appearance of the panel's QML. One object answers every QML
// engine, the application's, which no engine may delete: its palette watch
// and the desktop's preference outlive any one panel. The first object
// shared is the one. (Declared apart from Appearance because Qt 6.4 makes a
// fresh object of a default-constructible singleton type instead of asking
// its create().)
struct AppearanceSingleton {
    Q_GADGET
    QML_FOREIGN(brimlow::Appearance)
    QML_NAMED_ELEMENT(Appearance)
    QML_SINGLETON

public:
    static void share(Appearance& appearance);
    static Appearance* create(QQmlEngine*, QJSEngine*);
};

} // namespace brimlow
