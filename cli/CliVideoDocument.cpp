// Video documents for the commands that work as the workstation's video
// window does.
#include <cstdio>

#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "framework/AppServices.h"
#include "video/CMotivaDoc.h"
#include "video/MovieIo.h"

namespace ordavia {

namespace {

// A frame the document could not hold is a failure of the command, never a
// picture of nothing.
Status enoughMemory(const std::string& path, const CMotivaDoc& doc) {
    if (!doc.frameMemoryFailed()) {
        if (const std::string notice = doc.movie().readingNotice(); !notice.empty())
            cliNote(path + ": " + notice);
        return Status::success();
    }
    return Status::failure(StatusCode::NoMemory, path + ": not enough memory for a frame of the video");
}

}  // namespace

Status openVideoDocument(const std::string& path, CMotivaDoc& doc, AppServices& services) {
    doc.setServices(&services);
    doc.setQuiet(true);
    if (toLower(extensionOf(path)) == ".dcs") {
        const Status opened = doc.OnOpenDocument(path);
        if (doc.frameMemoryFailed()) return enoughMemory(path, doc);
        if (!opened) return Status::failure(opened.code(), path + ": " + Document::failureReason(opened));
        if (!doc.hasFrames()) return Status::failure(StatusCode::NotFound, path + ": cannot find its movie " + doc.movieFileName());
        return enoughMemory(path, doc);
    }
    // Opened as the workstation opens a movie or a foreign video: imported
    // into a new document, which takes a foreign video's own frame rate.
    if (!doc.OnNewDocument()) return Status::failure(path + ": cannot create a video document");
    const Status s = doc.importVideoFile(path);
    if (!s) return s.reason().compare(0, path.size(), path) == 0 ? s : s.context(path);
    doc.SetTitle(fileNameOf(path));
    doc.startUnmodified();
    if (!doc.hasFrames()) return Status::failure(path + ": the movie holds no frames");
    return enoughMemory(path, doc);
}

}  // namespace ordavia
