// Whether the panel is drawn light or dark: as the desktop prefers where it
// says so (the settings portal's colour scheme), else as its palette is.
#pragma once

#include <QObject>

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

} // namespace brimlow
