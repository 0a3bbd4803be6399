#pragma once
// The one QApplication of a widget-test program, made on first use on the
// offscreen platform unless the caller chose another; and pictures of
// widgets for a person to look at, saved only when ORDAVIA_SCREENSHOTS names
// a folder.
#include <QApplication>
#include <QWidget>

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

inline void saveShot(QWidget& w, const char* name) {
    if (const QByteArray dir = qgetenv("ORDAVIA_SCREENSHOTS"); !dir.isEmpty())
        w.grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

}  // namespace testsupport
