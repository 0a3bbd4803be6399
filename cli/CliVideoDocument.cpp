// Video documents for the commands that work as the workstation's video
// window does.
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "framework/AppServices.h"
#include "video/CMotivaDoc.h"
#include "video/MovieIo.h"

namespace ordavia {

Status openVideoDocument(const std::string& path, CMotivaDoc& doc, AppServices& services) {
    doc.setServices(&services);
    doc.setQuiet(true);
    if (toLower(extensionOf(path)) == ".dcs") {
        if (!doc.OnOpenDocument(path))
            return Status::failure(path + ": " + (doc.lastError().empty() ? "cannot be read" : doc.lastError()));
        if (!doc.hasFrames()) return Status::failure(StatusCode::NotFound, path + ": cannot find its movie " + doc.movieFileName());
        return Status::success();
    }
    // Opened as the workstation opens a movie or a foreign video: imported
    // into a new document, which takes a foreign video's own frame rate.
    if (!doc.OnNewDocument()) return Status::failure(path + ": cannot create a video document");
    const Status s = isForeignVideo(path) ? doc.importAvi(path) : doc.importMovie(path);
    if (!s) return s.reason().compare(0, path.size(), path) == 0 ? s : s.context(path);
    doc.SetTitle(fileNameOf(path));
    doc.SetModifiedFlag(false);
    if (!doc.hasFrames()) return Status::failure(path + ": the movie holds no frames");
    return Status::success();
}

}  // namespace ordavia
