#pragma once
// The workstation's one icon set: SVG drawings shipped in the program's
// resources (":/icons/NAME.svg"), drawn on a 24-unit grid in one palette so
// that they read alike at any size and stay sharp on high-density screens.
#include <QIcon>
#include <QStringList>

namespace ordavia {

// The icon of that name; an empty icon for a name the set does not have.
QIcon frameIcon(const char* name);
// Every icon name in the set.
QStringList frameIconNames();

}  // namespace ordavia
