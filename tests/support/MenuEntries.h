#pragma once
// A menu as its user sees it, for tests that keep menus as they are: each
// entry's text, "-" for a separator, and marks for checkable (c), one of an
// exclusive group (r), disabled (x), a shortcut (with "app" when it works in
// every window) and a status tip.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QList>
#include <QMenu>
#include <QStringList>
#include <QTimer>
#include <ostream>

// Menu texts in test failures as text, not as bytes.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testsupport {

// The entry of that text, or null.
inline QAction* entryNamed(QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}

// The menu of that title among a view's menus, or null.
inline QMenu* menuTitled(const QList<QMenu*>& menus, const QString& title) {
    for (QMenu* m : menus)
        if (m->title() == title) return m;
    return nullptr;
}

inline QStringList menuEntries(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            out << "-";
            continue;
        }
        QString e = a->text();
        if (a->isCheckable()) e += " [c]";
        if (a->actionGroup() && a->actionGroup()->isExclusive()) e += " [r]";
        if (!a->isEnabled()) e += " [x]";
        if (!a->shortcut().isEmpty())
            e += " [" + a->shortcut().toString() + (a->shortcutContext() == Qt::ApplicationShortcut ? " app]" : "]");
        if (!a->statusTip().isEmpty()) e += " {" + a->statusTip() + "}";
        out << e;
    }
    return out;
}

// The menu as it shows when it opens: its states asked again, hidden
// entries left out, and "[v]" on the ticked ones.
inline QStringList shownEntries(QMenu* menu) {
    emit menu->aboutToShow();
    QList<QAction*> shown;
    for (QAction* a : menu->actions())
        if (a->isVisible()) shown << a;
    QStringList out = menuEntries(shown);
    for (int i = 0; i < shown.size(); ++i)
        if (shown[i]->isChecked()) out[i] += " [v]";
    return out;
}

// Only the entries of the opened menu that are ticked ("[v]") or off
// ("[x]"), by their text: the states a menu follows, not its fixed texts.
inline QStringList shownStates(QMenu* menu) {
    emit menu->aboutToShow();
    QStringList out;
    for (QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator() && (a->isChecked() || !a->isEnabled()))
            out << a->text() + (a->isEnabled() ? "" : " [x]") + (a->isChecked() ? " [v]" : "");
    return out;
}

// The popup menu that `open` shows (a context menu run with exec()), as
// shownEntries gives it; empty when none shows.
template <class Open>
QStringList popupEntries(Open open) {
    QStringList out;
    QTimer::singleShot(0, [&out] {
        if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            out = menuEntries(m->actions());
            for (int i = 0; i < m->actions().size(); ++i)
                if (m->actions()[i]->isChecked()) out[i] += " [v]";
            m->close();
        }
    });
    open();
    return out;
}

}  // namespace testsupport
