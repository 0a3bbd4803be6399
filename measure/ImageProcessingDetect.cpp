// The capillary detection commands of the image document: the
// preprocessing views of what the detector sees, the detector itself with
// its circles and density report, counting, and the simple detectors whose
// marks and result images help to prepare that work.
#include <algorithm>
#include <cmath>
#include <memory>

#include "framework/AppServices.h"
#include "base/Text.h"
#include "framework/Prompter.h"
#include "image/ApexFilter.h"
#include "image/CZVimage.h"
#include "image/CapillaryDetection.h"
#include "image/FilterTexts.h"
#include "image/MinimaFinder.h"
#include "image/ProcessingArgs.h"
#include "measure/CDimCircle.h"
#include "measure/ImageProcessing.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

ProcessingArgs storedArgs(const ZBasicDoc& doc) {
    ProcessingArgs a;
    a.load(doc.services().profile());
    return a;
}

// Result images are a by-product for the user to look at; failing to
// write one does not undo the marks.
void writeResultImage(const ZBasicDoc& doc, const CZVimage& img, const char* suffix) {
    if (img.isEmpty()) return;
    const std::string path = ImageProcessing::resultImagePath(doc, suffix);
    if (path.empty()) {
        debugLog("ImageProcessing: no file name for the %s image of an unsaved document\n", suffix);
        return;
    }
    if (!img.Save(path)) debugLog("ImageProcessing: could not save %s\n", path.c_str());
}

Status noRegion() { return Status::noResult("no picture under the region"); }

Status addMinimaMarks(ZBasicDoc& doc, const MinimaResult& r, const char* suffix) {
    for (const MinimumMark& m : r.marks) doc.addNewDimension(0, ZPoint{m.x, m.y});
    doc.appendHistory(r.history + doc.regionText());
    writeResultImage(doc, r.marker, suffix);
    doc.UpdateAllViews();
    return r.marks.empty() ? Status::noResult("no minima were found") : Status::success();
}

}  // namespace

Status ImageProcessing::processing(ZBasicDoc& doc) {
    const ProcessingArgs args = storedArgs(doc);
    return changed(
        doc.imageOperation("", onGrey(doc, [&](CZVimage& img, const ZRect& r) { return preprocessChain(img, r, args); })));
}

Status ImageProcessing::preprocessCheck(ZBasicDoc& doc) { return processing(doc); }

Status ImageProcessing::apexFilter(ZBasicDoc& doc) {
    const ProcessingArgs args = storedArgs(doc);
    return changed(doc.imageOperation(
        "", onGrey(doc, [&](CZVimage& img, const ZRect& r) { return ordavia::apexFilter(img, r, args); })));
}

Status ImageProcessing::thresholdCapillaries(ZBasicDoc& doc) {
    if (doc.image().isEmpty()) return Status::noResult("no picture");
    const DetectionResult res = detectCapillaries(greyPicture(doc), doc.marks().roi.normalized(), storedArgs(doc));
    CDimList& list = doc.currentDimList();

    // The circles of an earlier run: those it recorded, and (for a document
    // saved and opened again) circles exactly where this run puts one.
    auto fromEarlierRun = [&](const CDim& d) {
        if (!dynamic_cast<const CDimCircle*>(&d) || d.vertexCount() != 2) return false;
        const std::pair<ZPoint, ZPoint> ends{d.getVertex(0), d.getVertex(1)};
        if (std::find(doc.lastDetection.begin(), doc.lastDetection.end(), ends) != doc.lastDetection.end())
            return true;
        return std::any_of(res.circles.begin(), res.circles.end(),
                           [&](const CircleDiameter& c) { return c.a == ends.first && c.b == ends.second; });
    };
    int earlier = 0;
    for (const auto& o : list.objects()) earlier += fromEarlierRun(*o) ? 1 : 0;
    // The removed circles and the new ones are one step for undo.
    doc.rememberForUndo();
    if (earlier > 0) {
        MsgResult answer = MsgResult::Yes;
        if (!doc.quiet())
            answer = doc.services().prompter().messageBox(strprintf(kReplaceDetection, earlier), MsgButtons::YesNoCancel,
                                                    MsgIcon::Question);
        if (answer == MsgResult::Cancel) return Status::cancelled();
        if (answer == MsgResult::Yes) {
            for (int i = list.count() - 1; i >= 0; --i)
                if (fromEarlierRun(*list.at(i))) list.remove(i);
            doc.markEdited();
        }
    }

    doc.lastDetection.clear();
    for (const CircleDiameter& c : res.circles) {
        auto circle = std::make_unique<CDimCircle>();
        circle->setColour(list.defaultColour());
        circle->setWidth(list.defaultWidth());
        circle->addVertex(c.a);
        circle->addVertex(c.b);
        list.add(std::move(circle));
        doc.lastDetection.emplace_back(c.a, c.b);
    }
    if (!res.circles.empty()) doc.markEdited();
    // Every run leaves its count in the result text, none found included,
    // so that an earlier run's figures never stand for this one.
    doc.result = strprintf("%7i, capillaries", static_cast<int>(res.circles.size()));
    if (auto d = densityReport(static_cast<int64_t>(res.regions.size()), res.windowWidth, res.windowHeight,
                               doc.xScaleInEffect(), doc.yScaleInEffect())) {
        doc.result += ", " + d->text;
        doc.appendHistory(d->text + doc.regionText());
    }
    // A caution about every run's figures, not a failure: it follows the
    // run whatever it found.
    if (!doc.calibration().calibrated && !doc.quiet())
        doc.services().prompter().messageBox(kNotCalibrated, MsgButtons::Ok, MsgIcon::Warning);
    doc.UpdateAllViews();
    return res.circles.empty() ? Status::noResult("no capillaries were found") : Status::success();
}

std::string ImageProcessing::reportDensity(ZBasicDoc& doc, long long n, const ZRect& region) {
    const auto d = densityReport(n, region.width(), region.height(), doc.xScaleInEffect(), doc.yScaleInEffect());
    if (!d) return {};
    doc.result = d->text;
    doc.appendHistory(d->text + doc.regionText());
    return d->text;
}

Status ImageProcessing::findCapillaries(ZBasicDoc& doc) {
    const ZRect region = workRegion(doc);
    if (region.isEmpty()) return noRegion();
    const long long n = doc.currentDimList().countInRect(region);
    const std::string text = reportDensity(doc, n, region);
    if (text.empty()) return Status::failure(StatusCode::OutOfRange, n == 0 ? kNoObjectsInRegion : kRegionWithoutArea);
    // The density is the command's answer, shown as it is found.
    if (!doc.quiet()) doc.services().prompter().messageBox(text, MsgButtons::Ok, MsgIcon::Information);
    doc.UpdateAllViews();
    return Status::success();
}

Status ImageProcessing::simpleThreshold(ZBasicDoc& doc) {
    if (doc.image().isEmpty()) return Status::noResult("no picture");
    const ProfileStore& store = doc.services().profile();
    int level = loadSimpleThresholdLevel(store);
    if (!doc.quiet()) {
        const auto v =
            doc.services().prompter().promptInt("Simple threshold", "Threshold level", std::clamp(level, 0, 255), 0, 255);
        if (!v) return Status::cancelled();
        level = *v;
        store.WriteInt("settings", "simpleimagethreshold", level);
    }
    return changed(doc.imageOperation(
        kHistorySimpleThreshold,
        onGrey(doc, [&](CZVimage& img, const ZRect& r) { return ordavia::simpleThreshold(img, r, level); })));
}

Status ImageProcessing::findMinimaWithinWindow(ZBasicDoc& doc) {
    if (workRegion(doc).isEmpty()) return noRegion();
    MinimaSettings s;
    s.load(doc.services().profile());
    return addMinimaMarks(doc, findMinimaInWindow(greyPicture(doc), doc.marks().roi.normalized(), s), kSuffixMinima);
}

Status ImageProcessing::findMinimaWithinTolerance(ZBasicDoc& doc) {
    if (workRegion(doc).isEmpty()) return noRegion();
    MinimaSettings s;
    s.load(doc.services().profile());
    return addMinimaMarks(doc, ordavia::findMinimaWithinTolerance(greyPicture(doc), doc.marks().roi.normalized(), s),
                          kSuffixMinima8);
}

Status ImageProcessing::findEightRegions(ZBasicDoc& doc) {
    if (workRegion(doc).isEmpty()) return noRegion();
    const EightRegionsResult r = ordavia::findEightRegions(greyPicture(doc), doc.marks().roi.normalized());
    doc.appendHistory(kHistoryEightRegions);
    writeResultImage(doc, r.labels, kSuffixEightRegions);
    doc.UpdateAllViews();
    return r.regions.empty() ? Status::noResult("no regions were found") : Status::success();
}

}  // namespace ordavia
