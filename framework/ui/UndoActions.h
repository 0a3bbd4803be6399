#pragma once
// The Edit menu's "&Undo" and "&Redo" for a document's undo stack: each
// names the step it takes back or makes again, and is greyed when there is
// none.
class QMenu;
class QWidget;

namespace ordavia {

class Document;

// Adds the two actions at the top of the menu; owner holds them and scopes
// their shortcuts to its window.
void addUndoActions(QMenu* menu, Document* doc, QWidget* owner);

}  // namespace ordavia
