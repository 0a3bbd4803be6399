#include "framework/ui/SubWindowPlacement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace ordavia {

void keepInsideArea(QMdiSubWindow* sub) {
    QMdiArea* mdi = sub ? sub->mdiArea() : nullptr;
    if (!mdi) return;
    const QRect room = mdi->viewport()->rect();
    if (room.width() < 100 || room.height() < 100) return;  // not laid out yet
    QRect g = sub->geometry();
    g.setWidth(std::min(g.width(), room.width()));
    g.setHeight(std::min(g.height(), room.height()));
    g.moveLeft(std::clamp(g.left(), 0, room.width() - g.width()));
    g.moveTop(std::clamp(g.top(), 0, room.height() - g.height()));
    sub->setGeometry(g);
}

}  // namespace ordavia
