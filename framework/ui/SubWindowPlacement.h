#pragma once
// New child windows open where the user can see all of them: within the
// visible part of their MDI area, shrunk to it when they are larger.
class QMdiSubWindow;

namespace ordavia {

void keepInsideArea(QMdiSubWindow* sub);

}  // namespace ordavia
