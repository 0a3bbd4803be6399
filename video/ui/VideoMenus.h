#pragma once
// The video document's menus: "&Video" (playback, selection, properties,
// averages, deletions, settings, and the commands that arrive later) and
// the video "&Process" menu whose commands run over every frame.
#include <QList>

class CMotivaView;
class QAction;
class QMenu;

namespace ordavia {

struct VideoMenus {
    QList<QMenu*> menus;
    QList<QAction*> fileActions;
    QAction* play = nullptr;
    QAction* loop = nullptr;
};

VideoMenus makeVideoMenus(CMotivaView* view);

}  // namespace ordavia
