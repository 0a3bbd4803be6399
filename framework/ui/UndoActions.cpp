#include "framework/ui/UndoActions.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#include "framework/Document.h"

namespace ordavia {

void addUndoActions(QMenu* menu, Document* doc, QWidget* owner) {
    QAction* before = menu->actions().isEmpty() ? nullptr : menu->actions().first();
    auto* undo = new QAction("&Undo", owner);
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(undo, &QAction::triggered, owner, [doc] { doc->undoStack().undo(); });
    auto* redo = new QAction("&Redo", owner);
    redo->setShortcut(QKeySequence::Redo);
    redo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(redo, &QAction::triggered, owner, [doc] { doc->undoStack().redo(); });
    menu->insertAction(before, undo);
    menu->insertAction(before, redo);
    if (before) menu->insertSeparator(before);
    owner->addAction(undo);
    owner->addAction(redo);
    // Named and enabled as the stack stands when the menu opens; the
    // shortcuts ask the stack themselves, so a stale state does no harm.
    QObject::connect(menu, &QMenu::aboutToShow, undo, [doc, undo, redo] {
        const UndoStack& s = doc->undoStack();
        undo->setEnabled(s.canUndo());
        redo->setEnabled(s.canRedo());
        undo->setText(s.canUndo() ? QString::fromUtf8("&Undo " + s.undoText()) : QString("&Undo"));
        redo->setText(s.canRedo() ? QString::fromUtf8("&Redo " + s.redoText()) : QString("&Redo"));
    });
}

}  // namespace ordavia
