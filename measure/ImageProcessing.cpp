// The filter commands of the image document. Each reads its settings,
// asks for what it needs, and runs the filter of image/ through the
// document's image operation protocol so that it can be undone.
#include "measure/ImageProcessing.h"

#include <algorithm>
#include <cmath>

#include "base/Paths.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/BoxFilter.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "image/CustomKernel.h"
#include "image/FilterTexts.h"
#include "image/GaussianBlur.h"
#include "image/GreyConversion.h"
#include "image/ImageFilters.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

Status noPicture() { return Status::noResult("no picture"); }

Status boxCommand(ZBasicDoc& doc, BoxMode mode) {
    if (doc.image().isEmpty()) return noPicture();
    const ProfileStore& store = doc.services().profile();
    int n = store.GetInt("WINDOWSZ", "w", 51);
    if (!doc.quiet()) {
        const char* title = mode == BoxMode::LowPass ? "Low pass filter" : "High pass filter";
        // The prompt only offers what it accepts; a stored value outside
        // that range is proposed at the nearest end.
        const int proposed = std::clamp(n, kBoxWindowMin, kBoxWindowMax);
        const auto v = doc.services().prompter().promptInt(title, "Window size", proposed, kBoxWindowMin, kBoxWindowMax);
        if (!v) return Status::cancelled();
        n = *v;
        store.WriteInt("WINDOWSZ", "w", n);
    }
    const char* format = mode == BoxMode::LowPass ? kHistoryLowPass : kHistoryHighPass;
    return ImageProcessing::changed(doc.imageOperation(strprintf(format, n, n), ImageProcessing::perChannel([&](CZVimage& img, const ZRect& r) {
                                          return boxFilter(img, r, n, mode);
                                      })));
}

ZRect halved(const ZRect& r) { return {r.left / 2, r.top / 2, r.right / 2, r.bottom / 2}; }

}  // namespace

ImageOp ImageProcessing::onGrey(const ZBasicDoc& doc, ImageOp filter) {
    // A colour picture becomes grey in the same step as the filter, so
    // that one undo brings the colour back.
    return [&doc, filter = std::move(filter)](CZVimage& img, const ZRect& r) {
        const bool converted = img.colour() == CZVimage::kColour && convertToGrey(img, doc.importWeights());
        return filter(img, r) || converted;
    };
}

ImageOp ImageProcessing::perChannel(ImageOp filter) {
    return [filter = std::move(filter)](CZVimage& img, const ZRect& r) {
        return forEachChannel(img, [&](CZVimage& plane) { return filter(plane, r); });
    };
}

Status ImageProcessing::changed(bool done) {
    return done ? Status::success() : Status::noResult("the picture is unchanged");
}

Status ImageProcessing::run(ZBasicDoc& doc, Command command, MsgIcon refusal) {
    Status done = command(doc);
    showFailure(doc.services().prompter(), done, doc.quiet(), refusal);
    return done;
}

CZVimage ImageProcessing::greyPicture(const ZBasicDoc& doc) { return greyCopyOf(doc.image(), doc.importWeights()); }

Status ImageProcessing::adjustBrightnessContrast(ZBasicDoc& doc, double gain, double offset) {
    if (!std::isfinite(gain) || !std::isfinite(offset)) return Status::noResult("gain or offset is not a number");
    // The map works on every byte, so colour pictures keep their colour.
    return changed(doc.imageOperation("", [&](CZVimage& img, const ZRect& r) {
        img.linearMap(r, gain, offset);
        img.dropDisplayHeader();
        return true;
    }));
}

Status ImageProcessing::equalise(ZBasicDoc& doc) {
    // Stretching each channel on its own would change the colours: the
    // grey picture is stretched.
    return changed(doc.imageOperation(kHistoryEqualise,
                                      onGrey(doc, [](CZVimage& img, const ZRect& r) { return ordavia::equalise(img, r); })));
}

Status ImageProcessing::negative(ZBasicDoc& doc) {
    return changed(doc.imageOperation(kHistoryNegative,
                                      perChannel([](CZVimage& img, const ZRect& r) { return negativeFilter(img, r); })));
}

Status ImageProcessing::lowPass(ZBasicDoc& doc) { return boxCommand(doc, BoxMode::LowPass); }
Status ImageProcessing::highPass(ZBasicDoc& doc) { return boxCommand(doc, BoxMode::HighPass); }

Status ImageProcessing::laplacian(ZBasicDoc& doc) {
    return changed(
        doc.imageOperation("", perChannel([](CZVimage& img, const ZRect& r) { return laplacianFilter(img, r); })));
}

Status ImageProcessing::customFilter(ZBasicDoc& doc) {
    CustomKernel k;
    k.load(doc.services().profile());
    return changed(
        doc.imageOperation("", perChannel([&](CZVimage& img, const ZRect& r) { return convolve3x3(img, r, k); })));
}

Status ImageProcessing::blur(ZBasicDoc& doc) {
    if (doc.image().isEmpty()) return noPicture();
    const ProfileStore& store = doc.services().profile();
    std::string text = store.GetString("blur", "sigma", "1.0");
    if (!doc.quiet()) {
        const auto v = doc.services().prompter().promptText("Blur", kHistorySigma, text);
        if (!v) return Status::cancelled();
        text = trim(*v);
    }
    const double sigma = parseSigma(text);
    if (!(sigma > 0.0) || !std::isfinite(sigma)) return Status::failure(StatusCode::OutOfRange, kSigmaNotPositive);
    store.WriteString("blur", "sigma", text);
    return changed(doc.imageOperation(std::string(kHistoryBlur) + kHistorySigma + text,
                                      perChannel([&](CZVimage& img, const ZRect& r) { return gaussianBlur(img, r, sigma); })));
}

Status ImageProcessing::bin(ZBasicDoc& doc) {
    // The reduction covers the whole picture, whatever region is set.
    const bool done = doc.imageOperation("", [](CZVimage& img, const ZRect&) {
        CZVimage b = binImage(img);
        if (b.isEmpty()) return false;
        img.adoptData(std::move(b));
        return true;
    });
    if (!done) return doc.image().isEmpty() ? noPicture() : Status::noResult("the picture is too small to bin");
    // The image operation remembered the scales and places too, so that an
    // undo brings all of them back with the picture.
    ImageCalibration c = doc.calibration();
    c.xScale *= 2.0;
    c.yScale *= 2.0;
    doc.setCalibration(c);
    for (CDimList& l : doc.lists())
        for (const auto& d : l.objects()) d->rescale(1, 2);
    // Everything else that names a place on the picture follows it, so that
    // the region of interest still covers the same part of the subject.
    ImageMarks m = doc.marks();
    m.roi = halved(m.roi);
    m.roi2 = halved(m.roi2);
    m.targetX /= 2;
    m.targetY /= 2;
    m.originX /= 2;
    m.originY /= 2;
    doc.setMarks(m);
    doc.appendHistory(kHistoryBinned);
    doc.UpdateAllViews();
    return Status::success();
}

Status ImageProcessing::subtractImage(ZBasicDoc& doc) {
    if (doc.image().isEmpty()) return noPicture();
    const std::string start = doc.services().profile().GetString("settings", "directory", "");
    const auto path = doc.services().prompter().openFile("Subtract image", ZBasicDoc::kImageFilter, start);
    if (!path) return Status::cancelled();
    CZVimage other;
    if (const Status loaded = loadPicture(*path, other, doc.importWeights()); !loaded) {
        debugLog("ImageProcessing::subtractImage %s\n", loaded.reason().c_str());
        // A file that reads but holds no picture we take is a bad format.
        const StatusCode code = loaded.code() == StatusCode::Failed ? StatusCode::BadFormat : loaded.code();
        return Status::failure(code, ZBasicDoc::kCouldNotLoad);
    }
    const bool done = doc.imageOperation(
        "", onGrey(doc, [&](CZVimage& img, const ZRect&) { return ordavia::subtractImage(img, other); }));
    if (!done)
        return Status::failure(StatusCode::Unsupported, strprintf(kNotSubtractable, fileNameOf(*path).c_str(),
                                                                  doc.image().width(), doc.image().height()));
    return Status::success();
}

Status ImageProcessing::removeSingleDustMark(ZBasicDoc& doc) {
    if (doc.image().isEmpty()) return noPicture();
    // The mark is the region of interest. Without one the "whole image"
    // rule would smear the entire picture into its border pixels.
    if (doc.marks().roi.normalized().isEmpty()) return Status::failure(StatusCode::OutOfRange, kSelectDustMark);
    return changed(doc.imageOperation(kHistoryRemoveDust,
                                      perChannel([](CZVimage& img, const ZRect& r) { return removeDustMark(img, r); })));
}

ZRect ImageProcessing::workRegion(const ZBasicDoc& doc) {
    const CZVimage& img = doc.image();
    if (img.isEmpty()) return {};
    const ZRect c = img.clip(doc.marks().roi.normalized());
    if (c.isEmpty()) return {};
    const int f = img.isField() ? 2 : 1;
    return {c.left + img.originX(), c.top * f + img.originY(), c.right + img.originX(), c.bottom * f + img.originY()};
}

std::string ImageProcessing::resultImagePath(const ZBasicDoc& doc, const std::string& suffix) {
    const std::string& base = !doc.GetPathName().empty() ? doc.GetPathName() : doc.imageFileName();
    if (base.empty()) return {};
    std::string ext = doc.services().profile().GetString("settings", "imagetype", ".bmp");
    if (ext.empty()) ext = ".bmp";
    if (ext[0] != '.') ext = "." + ext;
    return withoutExtension(base) + suffix + ext;
}

}  // namespace ordavia
