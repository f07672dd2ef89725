// The focus for the panel on Wayland and X11, with the activation token the tray
// host handed over with the click. Compositors give the focus only to a
// window that shows such a token, and GNOME shows its busy cursor until the
// token is used. Qt 6.4 has no way to pass one on, so the token goes to the
// compositor on Qt's own connection, for the window's own surface.
#pragma once

#include <QString>

class QWindow;

namespace brimlow {

// False when this is not a Wayland session, the window has no surface yet,
// or the compositor has no activation protocol; the caller then asks Qt to
// activate the window as usual.
bool activateWithToken(QWindow& window, const QString& token);

// On X11 (Xwayland included) the same token is a startup notification id;
// handed to Qt before the window shows, Qt ends the startup sequence when
// it maps the window.
void announceStartup(const QString& token);

// On X11, ends the startup sequence of a token no window will show.
// (Wayland has no such message: an unused token expires.)
void completeStartup(const QString& token);

} // namespace brimlow
