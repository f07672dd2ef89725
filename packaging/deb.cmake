# The Debian package `make deb` builds (cpack -G DEB) from the install rules.
#
# dpkg-shlibdeps derives the shared libraries the executable and its
# helpers link (Qt, simdjson, zstd, the C and C++ runtimes). It cannot see
# what Qt loads by name at run time, so that is listed by hand: the QML
# modules the panel imports (QtQuick.Controls brings the Basic style the
# application selects, built on the templates; QtQml's worker script is
# imported by QtQuick itself), the platform plugins (Debian 12 keeps the xcb
# one in libqt6gui6, other releases in qt6-qpa-plugins), the SVG image and
# icon plugins for the panel's symbols and the menu icon, and a font with
# Hangul for the Korean texts. scripts/test-deb shows what goes missing.
set(BRIMLOW_DEB_MAINTAINER "Brimlow maintainers <maintainers@brimlow.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray meter for Codex CLI and Claude Code rate limits")
# CPack puts the summary above this and indents it as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brimlow shows how much of the Codex CLI's and Claude Code's
rate-limit windows you have used, with the time each window resets, and the
tokens both tools logged today, over the last 7 days or in all. It lives in
the desktop's tray and notifies when a window you used heavily resets.

The command-line modes (--snapshot, the Claude Code status-line bridge) load
no GUI library.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRIMLOW_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Joined with what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qml6-module-qtquick, qml6-module-qtquick-controls, \
qml6-module-qtquick-templates, qml6-module-qtquick-layouts, qml6-module-qtqml-workerscript, \
qt6-qpa-plugins, libqt6svg6, fonts-noto-cjk | fonts-nanum")
# Wayland sessions run the panel natively with it, through XWayland without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
