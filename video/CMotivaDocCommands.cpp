// CMotivaDoc: the commands over all frames, imports, exports and the new
// image results.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "base/Paths.h"
#include "base/Text.h"
#include "dicom/DicomPicture.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/FileKinds.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "video/AviReader.h"
#include "video/CMotivaDoc.h"
#include "video/MovieAccumulate.h"
#include "video/MovieExport.h"
#include "video/MovieIo.h"
#include "video/MoviePasses.h"

using namespace ordavia;

Status CMotivaDoc::importVideoFile(const std::string& path) {
    // DICOM files go the way of other programs' videos: the movie reads
    // them and takes their own frame time.
    const bool foreign = ordavia::isForeignVideo(path) || ordavia::hasExtensionIn(path, ordavia::dicomExtensions()) ||
                         ordavia::isDicomFile(path);
    return foreign ? importAvi(path) : importMovie(path);
}

Status CMotivaDoc::importMovie(const std::string& path) {
    applyMovieSettings();
    Status s = movie_->Open(path);
    if (!s) return s;
    movieFileName_ = path;
    // A recording cut off by a crash opens with what it holds; the user is told.
    if (const std::string notice = movie_->readingNotice(); !notice.empty() && !quiet())
        prompter().messageBox(path + ": " + notice, MsgButtons::Ok, MsgIcon::Warning);
    fps_ = frameRateOfMovie(path, *movie_, &services());
    playbackInterval_ = int(std::clamp(1000.0 / fps_, 1.0, 60000.0));
    syncMovieRate();
    pairs_.assign(1, {0, 0});
    numberOfFrames_ = movie_->count();
    loadedTable_.clear();
    appendHistory("imported\r\n");
    showCurrentFrame();
    SetModifiedFlag(true);
    return s;
}

Status CMotivaDoc::importAvi(const std::string& path) {
    debugLog("importing avi file=%s\n", path.c_str());
    applyMovieSettings();
    Status s = movie_->Open(path);
    if (!s) return s;
    // A video cut short opens with what is there, and the user is told what is missing.
    if (movie_->aviReader() && !movie_->aviReader()->truncation().empty() && !quiet())
        prompter().messageBox(path + ": " + movie_->aviReader()->truncation(), MsgButtons::Ok, MsgIcon::Warning);
    fps_ = frameRateOfMovie(path, *movie_);
    playbackInterval_ = int(std::clamp(1000.0 / fps_, 1.0, 60000.0));
    numberOfFrames_ = movie_->count();
    pairs_.assign(1, {0, 0});
    flag_ = 0;
    movieFileName_ = path;
    loadedTable_.clear();
    appendHistory("imported avi\r\n");
    showCurrentFrame();
    SetModifiedFlag(true);
    return s;
}

Status CMotivaDoc::importCytoscan(const std::string& headerPath) {
    std::ifstream in(headerPath);
    if (!in) return Status::failure(headerPath + ": cannot be read");
    int width = 640, height = 480, frames = 0;
    double magnification = 0;
    bool haveMag = false;
    std::string magText;
    std::string line;
    // "KEY value", "KEY=value" or "KEY: value": the separator is any of
    // blanks, '=' or ':'.
    for (int guard = 0; guard < 10000 && std::getline(in, line); ++guard) {
        const size_t k = line.find_first_of(" \t=:");
        if (k == std::string::npos) continue;
        const std::string key = trim(line.substr(0, k));
        std::string value = trim(line.substr(k + 1));
        while (!value.empty() && (value[0] == '=' || value[0] == ':')) value = trim(value.substr(1));
        if (key == "WIDTH") width = std::atoi(value.c_str());
        else if (key == "HEIGHT") height = std::atoi(value.c_str());
        else if (key == "NUMBER_OF_FRAMES") frames = std::atoi(value.c_str());
        else if (key == "MAGNIFICATION") {
            magnification = std::atof(value.c_str());
            haveMag = magnification > 0;
            magText = value;
        }
    }
    auto r = movie_->importRaw16(withoutExtension(headerPath) + ".raw", width, height, frames);
    if (!r) return r.status();
    if (haveMag) {
        // The header names the objective; its scales come from the table.
        Magnification m = ZBasicDoc::magnification();
        m.name = magText;
        setMagnification(m, false, false);
    }
    fps_ = 30.0;
    playbackInterval_ = 33;
    syncMovieRate();
    numberOfFrames_ = r.value();
    movieFileName_.clear();
    appendHistory("raw ops\r\n");
    showCurrentFrame();
    SetModifiedFlag(true);
    return Status::success();
}

Status CMotivaDoc::exportAvi(const std::string& path, const std::string& codec, int every, bool corrected) {
    ordavia::ExportOptions o;
    o.first = selFirst_;
    o.last = selLast_;
    o.every = every;
    o.codec = codec;
    // Kept to the thousandth: 29.97 frames per second stays 29.97.
    o.rate = int(std::clamp(std::lround(fps_ * 1000.0), 1L, long(INT32_MAX)));
    o.scale = 1000;
    o.corrected = corrected;
    auto n = ordavia::exportFrames(*movie_, path, o);
    movie_->GoTo(movie_->currentIndex());
    return n ? Status::success() : n.status();
}

ordavia::Result<std::string> CMotivaDoc::exportUncompressed() {
    const std::string from = movieFileName_.empty() ? withoutExtension(GetPathName()) : movieFileName_;
    if (from.empty()) return Status::failure("the video has no file name to export beside");
    const std::string out = withoutExtension(from) + "-export.avi";
    debugLog("converting %s\n", from.c_str());
    if (Status s = exportAvi(out, "", 1); !s) return s;
    return out;
}

// A failed pass is reported by the command that ran it (once).
void CMotivaDoc::afterPass(const std::string& history, const Status& s) {
    if (s) {
        if (!history.empty()) appendHistory(history + "\r\n");
        if (!movie_->fileName().empty()) movieFileName_ = movie_->fileName();
        SetModifiedFlag(true);
    }
    showCurrentFrame();
}

Status CMotivaDoc::framePass(const std::string& history, const std::function<void(CZVimage&, const ZRect&)>& op,
                             const std::function<bool(int)>& progress) {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    const ZRect region = marks().roi;
    Status s = ordavia::framePass(*movie_, [&](CZVimage& f) { op(f, region); }, progress);
    afterPass(history, s);
    return s;
}

Status CMotivaDoc::convertToGrey(const std::function<bool(int)>& progress) {
    if (!hasFrames()) return Status::failure("there is no video");
    const int kind = movie_->formatImage().colour();
    if (kind == CZVimage::kGrey) return Status::success();
    applyMovieSettings();
    const ordavia::GreyWeights w = ordavia::greyWeightsOf(services().settings());
    Status s = ordavia::reformatPass(
        *movie_,
        [&](CZVimage& f) {
            if (f.colour() == CZVimage::kBayer) {
                f.bayerToGrey();
                return;
            }
            if (f.colour() != CZVimage::kColour) return;
            CZVimage grey(f.width(), f.height(), f.tag(), f.interlace(), CZVimage::kGrey);
            if (grey.isEmpty()) return;
            grey.setOrigin(f.originX(), f.originY());
            for (int y = 0; y < f.rows(); ++y) {
                const uint8_t* p = f.row(y);
                uint8_t* g = grey.row(y);
                for (int x = 0; x < f.width(); ++x, p += 3)
                    g[x] = uint8_t(weightedGrey(w.blue, p[0], w.green, p[1], w.red, p[2]));
            }
            f = std::move(grey);
        },
        progress);
    afterPass("convert to grey", s);
    return s;
}

Status CMotivaDoc::colourPlanesToRgb(const std::function<bool(int)>& progress) {
    if (!hasFrames()) return Status::failure("there is no video");
    if (movie_->formatImage().colour() != CZVimage::kBayer)
        return Status::failure("Only a raw colour (Bayer) video has colour planes to combine.");
    applyMovieSettings();
    Status s = ordavia::reformatPass(
        *movie_,
        [](CZVimage& f) {
            CZVimage rgb;
            if (f.colour() == CZVimage::kBayer && f.demosaicTo(rgb)) f = std::move(rgb);
        },
        progress);
    afterPass("colour planes to RGB", s);
    return s;
}

Status CMotivaDoc::subtractTrace() {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    Status s = ordavia::subtractTracePass(*movie_);
    afterPass("subtract trace", s);
    if (s) afterDelete();
    return s;
}

Status CMotivaDoc::subtractImage(const std::string& imagePath) {
    if (!hasFrames()) return Status::failure("there is no video");
    CZVimage img;
    if (!img.Load(imagePath, ordavia::greyWeightsOf(services().settings()))) return Status::failure(imagePath + ": " + kCouldNotLoad);
    applyMovieSettings();
    Status s = ordavia::subtractImagePass(*movie_, img, 0);
    afterPass("subtract image " + imagePath, s);
    return s;
}

Status CMotivaDoc::squareOfDifferences() {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    Status s = ordavia::squareOfDifferencesPass(*movie_);
    afterPass("square of differences", s);
    if (s) afterDelete();
    return s;
}

void CMotivaDoc::afterDelete() {
    numberOfFrames_ = movie_->count();
    if (movie_->formatImage().isField()) numberOfFrames_ /= 2;
    selFirst_ = selLast_ = -1;
}

Status CMotivaDoc::deleteSelected() {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    Status s = ordavia::deleteSelectedPass(*movie_, selFirst_, selLast_);
    afterPass(strprintf("deleted images %i to %i", selFirst_, selLast_), s);
    if (s) afterDelete();
    return s;
}

Status CMotivaDoc::deleteNonSelected() {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    Status s = ordavia::deleteNonSelectedPass(*movie_, selFirst_, selLast_);
    afterPass(strprintf("kept images %i to %i", selFirst_, selLast_), s);
    if (s) afterDelete();
    return s;
}

void CMotivaDoc::touchFrames() {
    if (!hasFrames()) return;
    SetModifiedFlag(true);
    UpdateAllViews();
}

std::unique_ptr<ZBasicDoc> CMotivaDoc::newImageResult(CZVimage&& img, const std::string& titleSuffix) const {
    auto doc = std::make_unique<ZBasicDoc>();
    lendServicesTo(*doc);
    doc->setDocTemplate(services().findTemplate("ZBasicDoc"));
    doc->setCalibration(calibration());
    doc->setPaletteIndex(paletteIndex());
    doc->setZeroAsBlack(zeroAsBlack());
    doc->setTortuosity(tortuosity());
    doc->setImage(std::move(img));
    doc->markImageForSave();
    doc->SetTitle(GetTitle() + titleSuffix);
    doc->startAsUnsaved();
    return doc;
}

ordavia::Result<std::unique_ptr<ZBasicDoc>> CMotivaDoc::averageDocument() {
    if (!hasFrames()) return Status::failure("there is no video");
    CZVimage img;
    if (Status s = ordavia::averageRange(*movie_, selFirst_, selLast_, img); !s) return s;
    movie_->GoTo(movie_->currentIndex());
    const int first = selFirst_ < 0 ? 0 : selFirst_;
    const int last = selLast_ < 0 ? movie_->count() : selLast_;
    return newImageResult(std::move(img), strprintf(" Average %i to %i", first, last));
}

ordavia::Result<std::unique_ptr<ZBasicDoc>> CMotivaDoc::rmsDocument() {
    if (!hasFrames()) return Status::failure("there is no video");
    CZVimage img;
    if (Status s = ordavia::rmsRange(*movie_, selFirst_, selLast_, img); !s) return s;
    return newImageResult(std::move(img), strprintf(" rms %i to %i", selFirst_, selLast_));
}

ordavia::Result<std::unique_ptr<ZBasicDoc>> CMotivaDoc::speedByRmsDocument(
    double threshold, double gain, const std::function<bool(const std::string&)>& progress) {
    if (!hasFrames()) return Status::failure("there is no video");
    CZVimage img;
    if (Status s = ordavia::speedByRms(*movie_, selFirst_, selLast_, threshold, gain, img, progress); !s) return s;
    return newImageResult(std::move(img), strprintf(" speed by rms %i to %i", selFirst_, selLast_));
}

std::unique_ptr<ZBasicDoc> CMotivaDoc::duplicateFrame() const {
    CZVimage copy;
    copy.Copy(movie_->currentImage());
    const std::string base = fileNameOf(withoutExtension(movieFileName_.empty() ? GetTitle() : movieFileName_));
    auto doc = newImageResult(std::move(copy), "");
    doc->SetTitle(base + strprintf("-%04i", movie_->currentIndex()));
    return doc;
}
