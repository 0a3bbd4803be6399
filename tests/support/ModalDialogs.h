#pragma once
// Widget tests: the command of a menu text run, and the answer to the next
// modal dialog a command opens (the application: QtTestApp.h).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

#include "QtTestApp.h"

namespace ordavia::test {

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
