#include "framework/ui/ViewPngExport.h"

#include <QBuffer>
#include <QImageWriter>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "framework/Prompter.h"

namespace ordavia {

Status saveViewPng(const QImage& picture, const std::string& path) {
    if (picture.isNull()) return Status::failure(path + ": the view shows no picture");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture)) return Status::failure(path + ": " + writer.errorString().toStdString());
    return writeFileAtomically(path, bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::optional<std::string> exportViewAsPng(const QImage& picture, Prompter& prompter, const std::string& proposed,
                                           const std::vector<std::string>& keep) {
    const auto chosen = prompter.saveFile("Export view as PNG", "PNG pictures (*.png)|*.png||", proposed);
    if (!chosen || chosen->empty()) return std::nullopt;
    std::string path = *chosen;
    if (extensionOf(path).empty()) path += ".png";
    for (const std::string& k : keep) {
        if (!sameFile(path, k)) continue;
        prompter.messageBox(path + " is this document's own file. Export the view under another name.",
                            MsgButtons::Ok, MsgIcon::Warning);
        return std::nullopt;
    }
    const Status st = saveViewPng(picture, path);
    if (!st) {
        prompter.messageBox(st.reason(), MsgButtons::Ok, MsgIcon::Error);
        return std::nullopt;
    }
    return path;
}

}  // namespace ordavia
