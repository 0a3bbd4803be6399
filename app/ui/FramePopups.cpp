// The main window's two popup menus: the commands of the window in front,
// and the acquisition commands.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/ui/MainFrame.h"
#include "framework/ui/MenuProvider.h"

namespace ordavia {

QMenu* MainFrame::viewPopup() {
    if (!viewPopup_) {
        viewPopup_ = new QMenu(this);
        // The same check marks as the View menu's.
        connect(viewPopup_, &QMenu::aboutToShow, this, &MainFrame::refreshViewChecks);
    }
    // Built afresh each time: the window in front decides what it holds.
    viewPopup_->clear();
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (auto* provider = w ? dynamic_cast<MenuProvider*>(w->widget()) : nullptr) {
        for (QMenu* m : provider->documentMenus()) viewPopup_->addMenu(m);
        if (!provider->fileActions().isEmpty()) {
            QMenu* file = viewPopup_->addMenu("&File");
            file->addActions(provider->fileActions());
        }
        viewPopup_->addSeparator();
    }
    for (QAction* a : frameViewActions_)
        if (!a->isSeparator() && a->text() != kViewPopup && a->text() != kAcquirePopup) viewPopup_->addAction(a);
    return viewPopup_;
}

QMenu* MainFrame::acquirePopup() {
    if (!acquirePopup_) {
        acquirePopup_ = new QMenu(this);
        acquirePopup_->addActions(acquireMenu_->actions());
        // The same check marks as the menu's.
        connect(acquirePopup_, &QMenu::aboutToShow, acquireMenu_, [this] { emit acquireMenu_->aboutToShow(); });
    }
    return acquirePopup_;
}

}  // namespace ordavia
