#include "app/ui/FrameIcons.h"

#include <QDir>
#include <QFile>

namespace ordavia {

QIcon frameIcon(const char* name) {
    const QString path = QStringLiteral(":/icons/") + QString::fromUtf8(name) + QStringLiteral(".svg");
    if (!name || !*name || !QFile::exists(path)) return QIcon();
    // The SVG icon engine renders at whatever size and pixel ratio is asked.
    return QIcon(path);
}

QStringList frameIconNames() {
    QStringList names;
    for (const QString& f : QDir(":/icons").entryList({"*.svg"}, QDir::Files, QDir::Name)) names << f.chopped(4);
    return names;
}

}  // namespace ordavia
