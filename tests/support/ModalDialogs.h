#pragma once
// Answers the next modal dialog a command opens: `edit` sees it (and may
// change its fields) and then it is accepted, or rejected when `edit`
// returns false. For widget tests on the offscreen platform.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace ordavia::test {

inline void answerNextDialog(std::function<bool(QDialog&)> edit) {
    QTimer::singleShot(0, [edit] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        if (edit(*d)) d->accept();
        else d->reject();
    });
}

}  // namespace ordavia::test
