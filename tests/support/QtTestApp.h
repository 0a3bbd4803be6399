#pragma once
// The one QApplication of a widget-test program, made on first use on the
// offscreen platform unless the caller chose another.
#include <QApplication>

namespace testsupport {

inline QApplication& ensureQtApp() {
    static int argc = 1;
    static char name[] = "ordavia-test";
    static char* argv[] = {name, nullptr};
    if (!qApp) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace testsupport
