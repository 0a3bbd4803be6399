#pragma once
// A document view that brings its own menus. While its child window is
// active the main frame shows these menus between "&File" and "&Window",
// the way each document type had its own menu bar.
#include <QList>

class QMenu;

namespace ordavia {

class MenuProvider {
public:
    virtual ~MenuProvider() = default;
    // Menus owned by the view; the frame only shows them.
    virtual QList<QMenu*> documentMenus() = 0;
    // Actions the frame adds to its File menu after "&Open..." while the
    // view is active ("&Save", "Save &As...", "&Import...", "&Print..."...).
    virtual QList<QAction*> fileActions() { return {}; }
};

}  // namespace ordavia
