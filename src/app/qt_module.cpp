// The Qt module's one entry point: the executable passes the mode it chose.
#include "app/qt_module.h"

#include "app/application_mode.h"
#include "app/test_notify_mode.h"

#include <cstdio>

extern "C" __attribute__((visibility("default"))) int brimlow_qt_main(int argc, char** argv,
                                                                      int mode) {
    using namespace brimlow;
    switch (static_cast<QtModuleMode>(mode)) {
    case QtModuleMode::TestNotify:
        return runTestNotifyMode(argc, argv);
    case QtModuleMode::Application:
        return runApplicationMode(argc, argv);
    }
    // An executable newer than its module: an installation out of step.
    std::fputs("Brimlow의 모듈이 이 모드를 지원하지 않습니다: brimlow-qt.so\n", stdout);
    std::fflush(stdout);
    return 1;
}
