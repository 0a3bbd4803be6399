#pragma once
// The image document's "&Process" menu: the filters, the dust mask and the
// capillary detectors, each run through ImageProcessing with the wait
// cursor shown while it works.
class QMenu;
class QWidget;
class ZBasicDoc;

namespace ordavia {

// The menu for one view; its actions belong to the view.
QMenu* makeProcessMenu(ZBasicDoc* doc, QWidget* view);
// Installs makeProcessMenu as the image document's process menu maker.
void registerProcessMenu();

}  // namespace ordavia
