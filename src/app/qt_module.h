// The Qt module: everything that needs Qt (the desktop's notification
// service, the tray application) lives in brimlow-qt.so, which the
// executable opens only for the modes that need it. This header is shared by
// both sides and must stay free of Qt.
#pragma once

namespace brimlow {

inline constexpr const char* kQtModuleFile = "brimlow-qt.so";
inline constexpr const char* kQtModuleEntry = "brimlow_qt_main";

// What the module is asked to run. The values cross the module boundary as
// plain ints, so they are fixed.
enum class QtModuleMode : int {
    TestNotify = 1,
    Application = 2,
};

// The entry point's type: the process's own argc/argv (Qt reads its options
// from them) and a QtModuleMode. Returns the process's exit status.
using QtModuleEntry = int (*)(int argc, char** argv, int mode);

} // namespace brimlow
