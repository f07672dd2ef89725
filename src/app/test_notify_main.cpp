// "--test-notify", a program of its own because it links Qt.
#include "app/qt_messages.h"
#include "app/test_notify.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    using namespace brimlow;
    routeQtMessages(ProcessEnvironment());
    QCoreApplication app(argc, argv);
    return runTestNotify(stdout, ProcessEnvironment(), std::make_shared<SystemClock>());
}
