#pragma once
// Widget tests on the offscreen platform: the application they need, and
// the answer to the next modal dialog a command opens.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace ordavia::test {

inline void ensureOffscreenApp() {
    if (qApp) return;
    static int argc = 1;
    static char name[] = "ordavia-test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

// Triggers the view's command of that menu text; a missing one fails the test.
template <class View>
void runCommand(View& view, const char* text) {
    QAction* a = view.findAction(text);
    ASSERT_NE(a, nullptr) << text;
    a->trigger();
}

// `edit` sees the dialog (and may change its fields); it is then accepted,
// or rejected when `edit` returns false.
inline void answerNextDialog(std::function<bool(QDialog&)> edit) {
    QTimer::singleShot(0, [edit] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        if (edit(*d)) d->accept();
        else d->reject();
    });
}

}  // namespace ordavia::test
