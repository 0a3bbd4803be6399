#include "video/fcfdoc.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "figures/MeasureCatalogue.h"
#include "results/CResultDoc.h"
#include "results/MeasureColumns.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

fcfdoc::fcfdoc() = default;
fcfdoc::~fcfdoc() = default;

std::string fcfdoc::rawPath(const std::string& docPath) { return withoutExtension(docPath) + kRawExtension; }

// ---------------------------------------------------------------------------
// File layout

void fcfdoc::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        if (storedRegion_ && !storedRegion_->isEmpty()) {
            setRegion(*storedRegion_);
            ZBasicDoc::Serialize(ar);
            setRegion(ZRect{});
        } else {
            ZBasicDoc::Serialize(ar);
        }
        // A picture file may not keep the picture's place (a BMP has no
        // origin), and the marks on it are in that place's frame.
        const ZPoint at{image().originX(), image().originY()};
        const bool placed = at != ZPoint{};
        ar.writeInt(placed ? kFcfPlacedVersion : ignoreDrift_ ? kFcfDriftVersion : kFcfVersion);
        ar.writeDouble(threshold_);
        ar.writeDouble(gain_);
        ar.writeInt(width_);
        ar.writeInt(height_);
        if (placed || ignoreDrift_) ar.writeInt(ignoreDrift_ ? 1 : 0);
        if (placed) {
            ar.writeInt(at.x);
            ar.writeInt(at.y);
        }
        return;
    }
    ZBasicDoc::Serialize(ar);
    sdD_.clear();
    sdI_.clear();
    ratio_.clear();
    width_ = height_ = 0;
    ignoreDrift_ = false;
    placedAt_.reset();
    // A document that ends after the image part predates the flow fields.
    if (ar.remaining() < 4) return;
    const int32_t version = ar.readInt();
    if (version < 1000 || version > 1999) return;
    const double t = ar.readDouble();
    const double g = ar.readDouble();
    const int32_t w = ar.readInt();
    const int32_t h = ar.readInt();
    if (w < 0 || h < 0 || int64_t(w) * int64_t(h) > kMaxPixels)
        throw ArchiveError(strprintf("FCF document: statistics of %d x %d pixels", w, h));
    threshold_ = std::isfinite(t) ? t : kDefaultThreshold;
    gain_ = std::isfinite(g) ? g : kDefaultGain;
    width_ = w;
    height_ = h;
    ignoreDrift_ = version >= kFcfDriftVersion && ar.remaining() >= 4 && ar.readInt() != 0;
    if (version >= kFcfPlacedVersion && ar.remaining() >= 8) {
        const int32_t x = ar.readInt(), y = ar.readInt();
        if (std::abs(x) <= kMaxOrigin && std::abs(y) <= kMaxOrigin) placedAt_ = ZPoint{x, y};
    }
}

std::vector<uint8_t> fcfdoc::rawBytes() const {
    const size_t n = size_t(width_) * size_t(height_);
    if (sdD_.size() < n || sdI_.size() < n || n == 0) return {};
    std::vector<uint8_t> out(n * 16);
    // Little-endian doubles, as the machine holds them.
    std::memcpy(out.data(), sdD_.data(), n * 8);
    std::memcpy(out.data() + n * 8, sdI_.data(), n * 8);
    return out;
}

Status fcfdoc::readRaw(const std::string& path) {
    const uint64_t n = uint64_t(width_) * uint64_t(height_);
    if (n == 0) return Status::failure(path + ": the document holds no statistics");
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(path, bytes, n * 16); !s) return s;
    if (bytes.size() != n * 16)
        return Status::failure(strprintf("%s: %zu bytes, not the %llu of %d x %d statistics", path.c_str(), bytes.size(),
                                         static_cast<unsigned long long>(n * 16), width_, height_));
    try {
        sdD_.resize(size_t(n));
        sdI_.resize(size_t(n));
    } catch (const std::bad_alloc&) {
        sdD_.clear();
        sdI_.clear();
        return Status::failure(kMemoryError);
    }
    std::memcpy(sdD_.data(), bytes.data(), size_t(n) * 8);
    std::memcpy(sdI_.data(), bytes.data() + n * 8, size_t(n) * 8);
    // A standard deviation is finite and not negative; anything else is
    // damage and counts as no variation.
    for (std::vector<double>* v : {&sdD_, &sdI_})
        for (double& x : *v)
            if (!(x >= 0) || !std::isfinite(x)) x = 0;
    return Status::success();
}

// ---------------------------------------------------------------------------
// Life cycle

bool fcfdoc::OnNewDocument() {
    if (!ZBasicDoc::OnNewDocument()) return false;
    if (services().profileStore) {
        const ProfileStore& p = services().profile();
        threshold_ = p.GetDouble("fcf", "threshold", kDefaultThreshold);
        gain_ = p.GetDouble("fcf", "gain", kDefaultGain);
        ignoreDrift_ = p.GetInt("fcf", "ignoredrift", 0) != 0;
    }
    return true;
}

void fcfdoc::DeleteContents() {
    ZBasicDoc::DeleteContents();
    sdD_.clear();
    sdI_.clear();
    ratio_.clear();
    width_ = height_ = 0;
}

Status fcfdoc::OnOpenDocument(const std::string& path) {
    // The picture is computed from the statistics: a missing picture file
    // is no reason to ask the user for one.
    const bool wasQuiet = quiet();
    setQuiet(true);
    Status opened = ZBasicDoc::OnOpenDocument(path);
    setQuiet(wasQuiet);
    if (!opened) return opened;
    rawProblem_.clear();
    if (width_ > 0 && height_ > 0) {
        const std::string raw = rawPath(path);
        if (Status s = readRaw(raw); !s) {
            rawProblem_ = s.reason();
            sdD_.clear();
            sdI_.clear();
            debugLog("fcfdoc::OnOpenDocument %s\n", rawProblem_.c_str());
            if (!wasQuiet && services().prompterPtr)
                services().prompter().messageBox(
                    "The flow statistics could not be read:\n" + rawProblem_ +
                        "\nThe picture is shown as it was saved; threshold and gain cannot be changed.",
                    MsgButtons::Ok, MsgIcon::Warning);
        }
    }
    if (hasStatistics()) {
        compute();
    } else if (image().isEmpty() && width_ > 0 && height_ > 0) {
        // Neither statistics nor picture: an empty flow picture of the size.
        ratio_.assign(size_t(width_) * size_t(height_), 0);
        CZVimage pic;
        if (ordavia::fcfPicture(ratio_, width_, height_, gain_, pic)) setImage(std::move(pic));
    }
    if (placedAt_) pictureForPreview().setOrigin(placedAt_->x, placedAt_->y);
    SetModifiedFlag(false);
    return Status::success();
}

void fcfdoc::updateResultText() {
    // A density the user marked stays at the end of the result text.
    const size_t marked = result.find(kDensityPrefix);
    const std::string density = marked == std::string::npos ? std::string() : ", " + result.substr(marked);
    result = figures().text() + density;
}

Status fcfdoc::OnSaveDocument(const std::string& path) {
    // The document, its picture and its statistics are one set: all three
    // are written complete first, then put in place together, so that a
    // run that dies leaves the old set or the new one, never a mix.
    auto fail = [](const Status& why) { return saveFailure(why, kErrorSaving); };
    auto opened = ordavia::openSaveSet(path);
    if (!opened) return fail(opened.status());
    ordavia::SaveSet& set = opened.value();
    const std::vector<uint8_t> raw = rawBytes();
    if (!raw.empty()) {
        if (Status s = ordavia::writeFileAtomically(set.stage(rawPath(path)), raw); !s) {
            ordavia::abandonSaveSet(set);
            return fail(s);
        }
    }
    // The picture beside the document is always the whole image, and it is
    // derived data: it is replaced without the questions that protect a
    // raw picture. The region of interest stays in the document.
    std::string ext = services().profileStore ? services().profile().GetString("settings", "imagetype", ".bmp")
                                                               : std::string(".bmp");
    if (picture().colour() == CZVimage::kBayer) ext = ".zvg";
    if (!ext.empty() && ext[0] != '.') ext = "." + ext;
    const std::string imagePath = withoutExtension(path) + ext;
    if (!picture().isEmpty()) {
        if (Status s = ordavia::savePicture(picture(), set.stage(imagePath)); !s) {
            ordavia::abandonSaveSet(set);
            return fail(s);
        }
        setImageFile(imagePath, imageTime());
    }
    updateResultText();
    const ZRect region = marks().roi;
    storedRegion_ = &region;
    if (!region.isEmpty()) setRegion(ZRect{});
    const bool wasQuiet = quiet();
    setQuiet(true);
    // The document itself, naming the picture where it will be.
    const Status saved = CdbDocument::OnSaveDocument(set.stage(path));
    setQuiet(wasQuiet);
    setRegion(region);
    storedRegion_ = nullptr;
    if (!saved) {
        ordavia::abandonSaveSet(set);
        return saved;
    }
    if (Status s = ordavia::commitSaveSet(set); !s) return fail(s);
    SetModifiedFlag(false);
    return Status::success();
}

// ---------------------------------------------------------------------------
// Statistics and picture

void fcfdoc::setBlock(ordavia::FcfBlock&& block) {
    width_ = block.width;
    height_ = block.height;
    sdD_ = std::move(block.sdD);
    sdI_ = std::move(block.sdI);
    compute();
    CZVimage& pic = pictureForPreview();
    pic.setOrigin(block.originX, block.originY);
    // The region of interest lives in the picture's parent frame, like every
    // mark drawn on it; the block's common part is in canvas pixels.
    setRegion(block.common == ZRect{0, 0, width_, height_} ? ZRect{}
                                                           : block.common.offset(block.originX, block.originY));
    markImageForSave();
    SetModifiedFlag(true);
}

void fcfdoc::compute() {
    ordavia::fcfRatio(sdD_, sdI_, threshold_, ratio_, ignoreDrift_);
    CZVimage pic;
    if (!ordavia::fcfPicture(ratio_, width_, height_, gain_, pic)) return;
    pic.setOrigin(image().originX(), image().originY());
    setImage(std::move(pic));
}

void fcfdoc::setValues(double threshold, double gain, bool ignoreDrift) {
    if (std::isfinite(threshold)) threshold_ = threshold;
    if (std::isfinite(gain)) gain_ = gain;
    ignoreDrift_ = ignoreDrift;
}

void fcfdoc::recalculate(double threshold, double gain) { recalculate(threshold, gain, ignoreDrift_); }

void fcfdoc::recalculate(double threshold, double gain, bool ignoreDrift) {
    if (!std::isfinite(threshold) || !std::isfinite(gain)) return;
    threshold_ = threshold;
    gain_ = gain;
    ignoreDrift_ = ignoreDrift;
    if (services().profileStore) {
        ProfileStore& p = services().profile();
        p.WriteDouble("fcf", "threshold", threshold_);
        p.WriteDouble("fcf", "gain", gain_);
        p.WriteInt("fcf", "ignoredrift", ignoreDrift_ ? 1 : 0);
    }
    if (!hasStatistics()) return;
    compute();
    markImageForSave();
    SetModifiedFlag(true);
}

ordavia::FcfMeasures fcfdoc::measure() const {
    ZRect r = marks().roi.normalized();
    if (!r.isEmpty()) {
        r = r.offset(-image().originX(), -image().originY());
        // A region wholly off the picture measures nothing rather than
        // falling back to the whole picture.
        if (r.intersected(ZRect{0, 0, width_, height_}).isEmpty()) return ordavia::FcfMeasures{};
    }
    return ordavia::fcfMeasure(ratio_, sdD_, sdI_, width_, height_, r);
}

void fcfdoc::setMarkedDensity(double percent) {
    const size_t marked = result.find(kDensityPrefix);
    std::string head = marked == std::string::npos ? result : result.substr(0, marked);
    while (!head.empty() && (head.back() == ' ' || head.back() == ',')) head.pop_back();
    result = (head.empty() ? std::string() : head + ", ") + strprintf(kDensityText, percent);
    SetModifiedFlag(true);
}

ordavia::MeasureValues fcfdoc::figures() const {
    const ordavia::FcfMeasures m = measure();
    const double w = m.width * xScaleInEffect(), h = m.height * yScaleInEffect();
    ordavia::MeasureValues f(ordavia::fcfMeasures(), unitsInEffect());
    f.set("width", w).set("height", h).set("area", w * h).set("FCF", m.fcf).set("FCD (%)", m.fcd);
    f.set("flux", m.flux).set("conc", m.conc).set("threshold", threshold_);
    return f;
}

ResultRecord fcfdoc::resultRecord() const {
    return ordavia::resultRecordOf(figures(), GetPathName().empty() ? GetTitle() : GetPathName(), unitsInEffect());
}

ordavia::Status fcfdoc::addResultRow() {
    ResultTables* tables = ResultTables::of(services());
    if (!tables) return ordavia::Status::failure(ordavia::StatusCode::NotFound, "There are no results tables.");
    CResultDoc* table = tables->open(ResultTitles::kFcf);
    if (!table)
        return ordavia::Status::failure(strprintf("The results table \"%s\" could not be opened.", ResultTitles::kFcf));
    return table->addRow(resultRecord());
}
