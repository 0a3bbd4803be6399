#pragma once
// The image document's own commands as menus and File-menu actions, for
// every view that shows a ZBasicDoc. The actions belong to the view
// widget passed in and die with it.
#include <QList>
#include <functional>

class QAction;
class QMenu;
class QWidget;
class ZBasicDoc;

namespace ordavia {

// "&Image" and "&Palette" (and "&Process" once the processing commands are
// installed below).
QList<QMenu*> imageDocumentMenus(ZBasicDoc* doc, QWidget* view);
// "&Save", "Save &As...", "&Import...", "&Export...".
QList<QAction*> imageDocumentFileActions(ZBasicDoc* doc, QWidget* view);

// The processing commands (filters and capillary detection) add their menu
// through this maker.
using ProcessMenuMaker = std::function<QMenu*(ZBasicDoc* doc, QWidget* view)>;
void setImageProcessMenuMaker(ProcessMenuMaker maker);

}  // namespace ordavia
