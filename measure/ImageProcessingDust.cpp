// The dust mask commands. A dust mask is the document's hidden fifth
// dimension list: each object marks one speck of dust on the camera by its
// bounding rectangle. The ".dm" file holds exactly that list as archived
// by CDimList::Serialize (object count, then each object with its class),
// so masks move freely between this program and files written elsewhere.
#include <algorithm>
#include <climits>

#include "framework/AppServices.h"
#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "framework/Prompter.h"
#include "image/GreyConversion.h"
#include "image/ImageFilters.h"
#include "image/ImageFormats.h"
#include "measure/CDimCircle.h"
#include "measure/CDimRect.h"
#include "measure/ImageProcessing.h"
#include "measure/MeasureClasses.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

// A mask is a handful of small objects; anything near this size is not one.
constexpr uint64_t kMaxDustMaskBytes = 16u << 20;

std::string storedMaskName(const ZBasicDoc& doc) {
    return doc.services().profile().GetString("dustmask", "filename", ImageProcessing::kDustMaskDefault);
}

CDimList& dustList(ZBasicDoc& doc) { return doc.lists()[ZBasicDoc::kDustList]; }

// The user reads what failed in our words; the system's reason goes to
// the debug log. The code stays, so that the failure shows as an error.
Status inOurWords(const Status& failure, const char* where, std::string text) {
    debugLog("ImageProcessing::%s %s\n", where, failure.reason().c_str());
    return Status::failure(failure.code() == StatusCode::Failed ? StatusCode::IoError : failure.code(), std::move(text));
}

// Reloads the picture from its file: the stored path, else the same name
// beside the document. Empty when neither loads.
CZVimage reloadFromFile(const ZBasicDoc& doc) {
    CZVimage img;
    if (doc.imageFileName().empty()) return img;
    const GreyWeights weights = doc.importWeights();
    if (loadPictureAsIs(doc.imageFileName(), img, weights)) return img;
    if (!doc.GetPathName().empty())
        (void)loadPictureAsIs(folderOf(doc.GetPathName()) + fileNameOf(doc.imageFileName()), img, weights);
    return img;
}

}  // namespace

bool ImageProcessing::dustMaskFilterOn(const ZBasicDoc& doc) { return doc.services().profile().GetInt("settings", "dustmask", 0) != 0; }

std::vector<ZRect> ImageProcessing::dustMarks(const CDimList& list) {
    std::vector<ZRect> marks;
    marks.reserve(static_cast<size_t>(list.count()));
    for (const auto& d : list.objects()) {
        if (const auto* c = dynamic_cast<const CDimCircle*>(d.get())) {
            marks.push_back(c->boundingRect().normalized());
        } else if (const auto* r = dynamic_cast<const CDimRect*>(d.get())) {
            marks.push_back(r->boundingRect().normalized());
        } else if (d->vertexCount() > 0) {
            ZRect b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
            for (const ZPoint& p : d->vertices()) {
                b.left = std::min(b.left, p.x);
                b.top = std::min(b.top, p.y);
                b.right = std::max(b.right, p.x);
                b.bottom = std::max(b.bottom, p.y);
            }
            marks.push_back(b);
        } else {
            marks.push_back({});
        }
    }
    return marks;
}

Status ImageProcessing::writeDustMaskFile(const std::string& path, CDimList& list) {
    Archive ar;
    list.Serialize(ar);
    return writeFileAtomically(path, ar.bytes());
}

Status ImageProcessing::readDustMaskFile(const std::string& path, CDimList& list) {
    registerMeasureClasses();
    std::vector<uint8_t> bytes;
    if (Status r = readFileBytes(path, bytes, kMaxDustMaskBytes); !r) return r;
    try {
        Archive ar(std::move(bytes));
        // CDimList keeps its objects until the whole list has been read.
        list.Serialize(ar);
    } catch (const ArchiveError& e) {
        return Status::failure(StatusCode::BadFormat, path + ": " + e.what());
    }
    return Status::success();
}

Status ImageProcessing::saveDustMask(ZBasicDoc& doc) {
    const auto chosen = doc.services().prompter().saveFile("Save Dust Mask", kDustMaskFilter, storedMaskName(doc));
    if (!chosen) return Status::cancelled();
    std::string path = *chosen;
    if (extensionOf(path).empty()) path += ".dm";
    if (const Status written = writeDustMaskFile(path, dustList(doc)); !written)
        return inOurWords(written, "saveDustMask", "Could not save the dust mask " + path + ".");
    doc.services().profile().WriteString("dustmask", "filename", path);
    return Status::success();
}

Status ImageProcessing::loadDustMask(ZBasicDoc& doc) {
    const std::string stored = storedMaskName(doc);
    const auto chosen = doc.services().prompter().openFile("Load dust mask", kDustMaskFilter, folderOf(stored));
    if (!chosen) return Status::cancelled();
    if (const Status read = readDustMaskFile(*chosen, dustList(doc)); !read)
        return inOurWords(read, "loadDustMask",
                          "Could not read the dust mask " + *chosen + ": the file is damaged or not a dust mask.");
    // The filter switch reads the stored name, so it should find the mask
    // the user has just chosen.
    doc.services().profile().WriteString("dustmask", "filename", *chosen);
    dustList(doc).setHidden(true);
    doc.markEdited();
    doc.UpdateAllViews();
    return Status::success();
}

Status ImageProcessing::toggleDustMaskFilter(ZBasicDoc& doc) {
    const ProfileStore& store = doc.services().profile();
    if (dustMaskFilterOn(doc)) {
        store.WriteInt("settings", "dustmask", 0);
        // Reloading removes the filter's effect; the undo copy keeps what
        // was shown, edits made since the load included.
        CZVimage fresh = reloadFromFile(doc);
        if (fresh.isEmpty()) {
            // Switched off all the same: later loads are not filtered.
            if (doc.image().isEmpty()) return Status::success();
            return Status::failure("Could not reload the image file; the dust filter stays applied to this picture.");
        }
        (void)doc.imageOperation("", [&](CZVimage& img, const ZRect&) {
            img.adoptData(std::move(fresh));
            return true;
        });
        return Status::success();
    }

    const std::string path = storedMaskName(doc);
    if (const Status read = readDustMaskFile(path, dustList(doc)); !read) {
        debugLog("ImageProcessing::toggleDustMaskFilter %s\n", read.reason().c_str());
        // A list drawn in the document still serves; without one there is
        // nothing to filter with.
        if (dustList(doc).count() == 0) return Status::failure("Could not read the dust mask " + path + ".");
    }
    dustList(doc).setHidden(true);
    store.WriteInt("settings", "dustmask", 1);
    const std::vector<ZRect> marks = dustMarks(dustList(doc));
    (void)doc.imageOperation("", perChannel([&](CZVimage& img, const ZRect&) { return applyDustFilter(img, marks) > 0; }));
    return Status::success();
}

bool ImageProcessing::applyDustMaskAfterLoad(ZBasicDoc& doc, CZVimage& picture) {
    if (!dustMaskFilterOn(doc) || picture.isEmpty()) return false;
    if (dustList(doc).count() == 0) {
        if (const Status read = readDustMaskFile(storedMaskName(doc), dustList(doc)); !read) {
            debugLog("ImageProcessing::applyDustMaskAfterLoad %s\n", read.reason().c_str());
            return false;
        }
        dustList(doc).setHidden(true);
    }
    const std::vector<ZRect> marks = dustMarks(dustList(doc));
    return forEachChannel(picture, [&](CZVimage& plane) { return applyDustFilter(plane, marks) > 0; });
}

}  // namespace ordavia
