#include "measure/ZBasicDoc.h"

#include <ctime>
#include <filesystem>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "dicom/DicomPicture.h"
#include "image/FileKinds.h"
#include "image/ImageFormats.h"
#include "measure/ImageProcessing.h"
#include "measure/MagnificationTable.h"
#include "measure/MeasureClasses.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

// Two names of the same file (relative, "..", links); names that do not
// exist yet compare as written.
bool samePath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea), cb = std::filesystem::weakly_canonical(b, eb);
    if (ea || eb) return a == b;
    return ca == cb;
}

// FNV-1a over the pixel rows: tells whether the pixels still are those of
// the picture file they came from.
uint64_t pixelHash(const CZVimage& img) {
    uint64_t h = 1469598103934665603ull;
    if (img.isEmpty()) return h;
    const size_t rowBytes = static_cast<size_t>(img.width()) * static_cast<size_t>(img.bytesPerPixel());
    for (int y = 0; y < img.rows(); ++y) {
        const uint8_t* p = img.row(y);
        for (size_t i = 0; i < rowBytes; ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
    return h;
}

bool isPictureExtension(const std::string& ext) { return ordavia::hasExtensionIn(ext, ordavia::pictureExtensions()); }

struct ListSettings {
    const char* section;
    uint32_t colour;
};
// The fifth list's section ends in the letter D.
constexpr ListSettings kListSettings[ZBasicDoc::kListCount] = {
    {"dimlist_0", 255}, {"dimlist_1", 0x80ff}, {"dimlist_2", 0xff00}, {"dimlist_3", 0xff6464}, {"dimlist_D", 0xff00ff}};

void rememberFolder(const ProfileStore* profile, const std::string& path) {
    const std::string folder = folderOf(path);
    if (profile && !folder.empty()) profile->WriteString("settings", "directory", folder);
}

void writeRect(Archive& ar, const ZRect& r) {
    ar.writeInt(r.left);
    ar.writeInt(r.top);
    ar.writeInt(r.right);
    ar.writeInt(r.bottom);
}

ZRect readRect(Archive& ar) {
    ZRect r;
    r.left = ar.readInt();
    r.top = ar.readInt();
    r.right = ar.readInt();
    r.bottom = ar.readInt();
    return r;
}

}  // namespace

ZBasicDoc::ZBasicDoc() {
    // One step, exchanged back and forth: undoing twice redoes.
    undoStack().setLimit(1);
    registerMeasureClasses();
    lists_[kDustList].setHidden(true);
}

ZBasicDoc::~ZBasicDoc() = default;

void ZBasicDoc::setServices(ordavia::AppServices* services) {
    CdbDocument::setServices(services);
    if (const ProfileStore* p = profileOrNull()) readSettings(*p);
}

ordavia::GreyWeights ZBasicDoc::importWeights() const {
    // Without start-up settings (a document made by a tool) the profile's defaults hold.
    if (!services().startupSettings) return ordavia::GreyWeights{};
    return ordavia::greyWeightsOf(services().settings());
}

const ProfileStore* ZBasicDoc::profileOrNull() const {
    return services().profileStore;
}

void ZBasicDoc::readSettings(const ProfileStore& p) {
    marks_.targetX = p.GetInt("settings", "targetx", 0);
    marks_.targetY = p.GetInt("settings", "targety", 0);
    marks_.showTarget = p.GetInt("settings", "showtarget", 1);
    calibration_.calibrated = p.GetInt("settings", "calibrated", 0);
    calibration_.units = p.GetString("settings", "userunits", "um");
    grid_.style = p.GetInt("grid", "gridstyle", 0);
    grid_.units = p.GetInt("grid", "gridunits", 0);
    grid_.show = p.GetInt("grid", "gridshow", 0);
    grid_.colour = static_cast<uint32_t>(p.GetInt("grid", "grid colour", 0x808080));
    grid_.spacing = p.GetDouble("grid", "grid spacing", 100.0);
    grid_.userFile = p.GetString("grid", "userfielname", "");
    for (int i = 0; i < kListCount; ++i) {
        lists_[static_cast<size_t>(i)].setDefaultWidth(p.GetInt(kListSettings[i].section, "width", 1));
        lists_[static_cast<size_t>(i)].setDefaultColour(
            static_cast<uint32_t>(p.GetInt(kListSettings[i].section, "colour", static_cast<int>(kListSettings[i].colour))));
    }
    lists_[kDustList].setHidden(true);
    tortuosity_ = TortuosityParams::fromProfile(p);
}

// ---------------------------------------------------------------------------
// File layout

void ZBasicDoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeInt(kLayoutVersion);
        ar.writeInt(marks_.targetX);
        ar.writeInt(marks_.targetY);
        ar.writeInt(marks_.showTarget);
        ar.writeDouble(calibration_.xScale);
        ar.writeDouble(calibration_.yScale);
        ar.writeInt(calibration_.calibrated);
        ar.writeString(calibration_.units);
        ar.writeInt(marks_.originX);
        ar.writeInt(marks_.originY);
        writeRect(ar, marks_.roi);
        writeRect(ar, marks_.roi2);
        ar.writeString(imageFileName_);
        ar.writeInt(imageTime_);
        ar.writeString(notes_);
        ar.writeInt(grid_.style);
        ar.writeInt(grid_.units);
        ar.writeInt(grid_.show);
        ar.writeDouble(grid_.spacing);
        ar.writeInt(static_cast<int32_t>(grid_.colour));
        ar.writeString(grid_.userFile);
        ar.writeInt(kListCount);
        ar.writeInt(paletteIndex_);
        ar.writeInt(zeroAsBlack_ ? -1 : 0);
        ar.writeString(calibration_.magName);
        ar.writeInt(calibration_.magDate);
        ar.writeString(description_);
        for (CDimList& l : lists_) l.Serialize(ar);
        serializeDbBlock(ar);
        return;
    }

    // Loading: each item behind the gate of the version that added it.
    const int32_t version = ar.readInt();
    versionRead_ = version;
    marks_.targetX = ar.readInt();
    marks_.targetY = ar.readInt();
    marks_.showTarget = ar.readInt();
    calibration_.xScale = ar.readDouble();
    calibration_.yScale = ar.readDouble();
    calibration_.calibrated = ar.readInt();
    calibration_.units = ar.readString();
    marks_.originX = ar.readInt();
    marks_.originY = ar.readInt();
    marks_.roi = readRect(ar);
    marks_.roi2 = readRect(ar);
    imageFileName_ = ar.readString();
    if (version > 1) {
        imageTime_ = ar.readInt();
        notes_ = ar.readString();
    }
    if (version > 2) {
        grid_.style = ar.readInt();
        grid_.units = ar.readInt();
        grid_.show = ar.readInt();
        grid_.spacing = ar.readDouble();
        grid_.colour = static_cast<uint32_t>(ar.readInt());
    }
    if (version > 3) grid_.userFile = ar.readString();
    reloadGridDrawing();
    readLists(ar, version);
    if (version > 8) serializeDbBlock(ar);
    lists_[kDustList].setHidden(true);
}

void ZBasicDoc::readLists(Archive& ar, int32_t version) {
    if (version > 5) {
        const int32_t n = ar.readInt();
        if (version > 6) {
            paletteIndex_ = ar.readInt();
            zeroAsBlack_ = ar.readInt() != 0;
        }
        if (version > 7) {
            calibration_.magName = ar.readString();
            calibration_.magDate = ar.readInt();
        }
        if (version > 9) {
            std::string d = ar.readString();
            if (description_.empty()) description_ = std::move(d);
        }
        if (n < 0 || static_cast<size_t>(n) > ar.remaining() / 2)
            throw ArchiveError("image document: bad number of dimension lists_");
        for (int32_t i = 0; i < n; ++i) {
            if (i < kListCount) {
                lists_[static_cast<size_t>(i)].Serialize(ar);
            } else {
                // Lists beyond the fifth are read past and dropped.
                CDimList spare;
                spare.Serialize(ar);
            }
        }
        return;
    }
    lists_[0].Serialize(ar);
    if (version == 5) lists_[2].Serialize(ar);
}

void ZBasicDoc::reloadGridDrawing() {
    gridMetafile_.clear();
    if (grid_.style == 2)
        gridMetafile_ = readMetafileBytes(
            joinPath(services().programFolder, "chalkley.wmf"));
    else if (!grid_.userFile.empty())
        gridMetafile_ = readMetafileBytes(grid_.userFile);
}

std::vector<uint8_t> ordavia::readMetafileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (path.empty() || !readFileBytes(path, bytes, 64u << 20).ok()) return {};
    // A placeable metafile starts with its own 22-byte header (key
    // 0x9AC6CDD7); the standard header follows it.
    size_t start = 0;
    if (bytes.size() >= 22 && bytes[0] == 0xD7 && bytes[1] == 0xCD && bytes[2] == 0xC6 && bytes[3] == 0x9A) start = 22;
    if (bytes.size() < start + 18) return {};
    const uint8_t* h = bytes.data() + start;
    const uint32_t words = static_cast<uint32_t>(h[6]) | (static_cast<uint32_t>(h[7]) << 8) |
                           (static_cast<uint32_t>(h[8]) << 16) | (static_cast<uint32_t>(h[9]) << 24);
    const uint64_t size = static_cast<uint64_t>(words) * 2;
    if (size < 18 || size > bytes.size() - start) return {};
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                bytes.begin() + static_cast<std::ptrdiff_t>(start + size));
}

// ---------------------------------------------------------------------------
// Framework

bool ZBasicDoc::OnNewDocument() {
    if (!CdbDocument::OnNewDocument()) return false;
    if (const ProfileStore* p = profileOrNull()) readSettings(*p);
    const Magnification m = profileOrNull() ? MagnificationTable(*profileOrNull()).readDefault() : Magnification{};
    calibration_.xScale = m.xScale;
    calibration_.yScale = m.yScale;
    calibration_.magName = m.name;
    calibration_.magDate = m.date;
    return true;
}

void ZBasicDoc::DeleteContents() {
    for (CDimList& l : lists_) l.removeAll();
    image_ = CZVimage();
    pending_ = UndoState{};
    lastStep_.reset();
    imageFileName_.clear();
    imageTime_ = 0;
    notes_.clear();
    imageModified_ = false;
}

ordavia::Status ZBasicDoc::readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (ordavia::Status r = readFileBytes(path, bytes, 256u << 20); !r) return r;
    if (ordavia::Status r = readBytes(std::move(bytes)); !r) return r.context(path);
    SetPathName(path);
    return ordavia::Status::success();
}

ordavia::Status ZBasicDoc::readBytes(std::vector<uint8_t> bytes) {
    if (const ProfileStore* p = profileOrNull()) readSettings(*p);
    return loadBytes(std::move(bytes));
}

ordavia::Status ZBasicDoc::writeFile(const std::string& path) {
    Archive ar;
    Serialize(ar);
    return writeFileAtomically(path, ar.bytes());
}

ordavia::Status ZBasicDoc::OnOpenDocument(const std::string& path) {
    // What the file does not record comes from the profile.
    if (const ProfileStore* p = profileOrNull()) readSettings(*p);
    if (ordavia::Status opened = CdbDocument::OnOpenDocument(path); !opened) return opened;
    SetPathName(path);
    rememberFolder(profileOrNull(), path);
    if (const ordavia::Status st = loadImage(); !st && !quiet_ && !imageFileName_.empty()) askForImage(st);
    SetModifiedFlag(false);
    return ordavia::Status::success();
}

ordavia::Status ZBasicDoc::loadImage() {
    if (imageFileName_.empty()) return ordavia::Status::failure(ordavia::StatusCode::NotFound, "no picture file is named");
    CZVimage loaded;
    ordavia::Status st = loadPictureAsIs(imageFileName_, loaded, importWeights());
    if (!st && !GetPathName().empty()) {
        const std::string beside = folderOf(GetPathName()) + fileNameOf(imageFileName_);
        if (beside != imageFileName_ && fileExists(beside)) {
            st = loadPictureAsIs(beside, loaded, importWeights());
            if (st) imageFileName_ = beside;
        }
    }
    if (!st) {
        // Missing is told apart from there but unreadable by the file itself.
        const bool there = fileExists(imageFileName_);
        if (!there && st.code() != ordavia::StatusCode::NotFound)
            st = ordavia::Status::failure(ordavia::StatusCode::NotFound, st.reason());
        else if (there && st.code() == ordavia::StatusCode::NotFound)
            st = ordavia::Status::failure(st.reason());
        lastStatus_ = st;
        return st;
    }
    takeLoadedImage(std::move(loaded));
    return ordavia::Status::success();
}

void ZBasicDoc::askForImage(const ordavia::Status& failed) {
    Prompter& prompter = services().prompter();
    std::string text = couldNotLoad(failed);
    if (failed.code() == ordavia::StatusCode::NotFound) {
        text = kCannotFind;
        text.replace(text.find("%1"), 2, imageFileName_);
    }
    prompter.messageBox(text, MsgButtons::Ok, MsgIcon::Warning);
    auto chosen = prompter.openFile("Open", kImageFilter, folderOf(GetPathName()));
    if (!chosen) return;
    CZVimage loaded;
    if (const ordavia::Status st = loadPictureAsIs(*chosen, loaded, importWeights()); !st) {
        prompter.messageBox(couldNotLoad(st), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    imageFileName_ = *chosen;
    SetModifiedFlag(true);
    takeLoadedImage(std::move(loaded));
}

void ZBasicDoc::takeLoadedImage(CZVimage&& loaded) {
    image_ = std::move(loaded);
    pictureHash_ = pixelHash(image_);
    applyDisplay(image_);
    forgetSteps();
    // Dust on the camera is in every picture: the mask filter, while it is
    // switched on, is part of loading.
    ImageProcessing::applyDustMaskAfterLoad(*this, image_);
    UpdateAllViews();
}

ordavia::Status ZBasicDoc::importImage(const std::string& path) {
    CZVimage loaded;
    if (const ordavia::Status st = loadPictureAsIs(path, loaded, importWeights()); !st) {
        lastStatus_ = st;
        return st;
    }
    UndoState before = captureState(true);
    image_ = std::move(loaded);
    pictureHash_ = pixelHash(image_);
    applyDisplay(image_);
    ImageProcessing::applyDustMaskAfterLoad(*this, image_);
    imageFileName_ = path;
    imageTime_ = static_cast<int32_t>(std::time(nullptr));
    imageModified_ = true;
    capturedBy = "imported";
    // A DICOM picture brings its calibration: Pixel Spacing in millimetres.
    if (ordavia::DicomPicture dicom; ordavia::isDicomFile(path) && ordavia::readDicomFileHeader(path, dicom) &&
                                     dicom.rowSpacingMm > 0 && dicom.columnSpacingMm > 0) {
        ordavia::ImageCalibration c = calibration_;
        c.xScale = dicom.columnSpacingMm * 1000.0;
        c.yScale = dicom.rowSpacingMm * 1000.0;
        c.units = "um";
        c.magName = "DICOM";
        c.calibrated = true;
        (void)setCalibration(c);
    }
    rememberFolder(profileOrNull(), path);
    recordStep(std::move(before), "Import");
    UpdateAllViews();
    return ordavia::Status::success();
}

ordavia::Status ZBasicDoc::saveImageBeside(const std::string& docPath, bool& regionOnly, ZPoint& shift) {
    regionOnly = false;
    shift = {};
    const bool hasRegion = !marks_.roi.normalized().isEmpty();
    if (!imageModified_ && !hasRegion && !forceImageSave_) return ordavia::Status::success();
    if (image_.isEmpty()) return ordavia::Status::success();

    std::string ext = profileOrNull() ? profileOrNull()->GetString("settings", "imagetype", ".bmp") : std::string(".bmp");
    if (image_.colour() == CZVimage::kBayer) ext = ".zvg";
    if (!ext.empty() && ext[0] != '.') ext = "." + ext;
    std::string imagePath = withoutExtension(docPath) + ext;
    // The picture the document shows, unchanged and already there: nothing
    // to write, and the user's file is left as it is.
    const bool pixelsChanged = imageModified_ && pixelHash(image_) != pictureHash_;
    if (!pixelsChanged && !hasRegion && samePath(imagePath, imageFileName_) && fileExists(imagePath)) {
        imageModified_ = false;
        return ordavia::Status::success();
    }
    // Raw pictures are primary data: a file beside the document that this
    // document did not write is replaced only when the user says so.
    if (fileExists(imagePath) && !samePath(imagePath, pictureWrittenHere_) && !quiet_) {
        const std::string fresh = nextFreePictureName(imagePath);
        const std::string q = strprintf(kKeepOriginalPicture, fileNameOf(imagePath).c_str(),
                                        fileNameOf(fresh).c_str(), fileNameOf(imagePath).c_str());
        switch (services().prompter().messageBox(q, MsgButtons::YesNoCancel, MsgIcon::Question)) {
            case MsgResult::Cancel: return ordavia::Status::cancelled();
            case MsgResult::Yes: imagePath = fresh; break;
            default: break;
        }
    }

    if (hasRegion)
        regionOnly = !quiet_ && services().prompter().messageBox(kRegionQuestion, MsgButtons::YesNo, MsgIcon::Question) ==
                     MsgResult::Yes;

    debugLog("basicdoc saving %s as %s\n", docPath.c_str(), imagePath.c_str());
    ordavia::Status st;
    if (regionOnly) {
        CZVimage part;
        st = part.copyRect(image_, marks_.roi.normalized()) ? savePicture(part, imagePath)
                                                    : ordavia::Status::failure(imagePath + ": empty region");
        const ZRect r = marks_.roi.normalized();
        shift = {r.left, r.top};
    } else {
        st = savePicture(image_, imagePath);
    }
    if (!st) {
        regionOnly = false;
        shift = {};
        return st;
    }
    imageFileName_ = imagePath;
    pictureWrittenHere_ = imagePath;
    if (!regionOnly) pictureHash_ = pixelHash(image_);
    imageModified_ = false;
    return ordavia::Status::success();
}

std::string ZBasicDoc::proposedSaveName() const {
    if (GetPathName().empty() && !imageFileName_.empty()) return withoutExtension(imageFileName_);
    return CdbDocument::proposedSaveName();
}

std::string ordavia::nextFreePictureName(const std::string& path) {
    const std::string stem = withoutExtension(path), ext = extensionOf(path);
    for (int i = 1;; ++i) {
        const std::string candidate = stem + "-" + std::to_string(i) + ext;
        if (!fileExists(candidate)) return candidate;
    }
}

ordavia::Status ZBasicDoc::OnSaveDocument(const std::string& path) {
    // A document over its own picture would destroy the picture and point
    // at itself.
    if (samePath(path, imageFileName_) || isPictureExtension(extensionOf(path)))
        return ordavia::Status::failure(strprintf(kSaveOverPicture, path.c_str()));
    bool regionOnly = false;
    ZPoint shift;
    // A picture that could not be written must not be named by a document
    // that was: the previous document file and picture stay as they were.
    const ordavia::Status imageSaved = saveImageBeside(path, regionOnly, shift);
    forceImageSave_ = false;
    if (!imageSaved) return imageSaved.isCancelled() ? imageSaved : saveFailure(imageSaved, kErrorSaving);
    // A region-only image moves every coordinate by minus the region's
    // corner for the file, and back for the open document.
    if (regionOnly) moveAll(-shift.x, -shift.y);
    ordavia::Status saved = CdbDocument::OnSaveDocument(path);
    if (regionOnly) moveAll(shift.x, shift.y);
    if (saved) rememberFolder(profileOrNull(), path);
    return saved;
}

ordavia::Status ZBasicDoc::OnFileSaveAs() {
    forceImageSave_ = true;
    ordavia::Status ok = CdbDocument::OnFileSaveAs();
    forceImageSave_ = false;
    return ok;
}
