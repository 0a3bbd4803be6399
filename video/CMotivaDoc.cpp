// CMotivaDoc: the ".dcs" layout, the movie link and the document life cycle.
// The commands over all frames are in CMotivaDocCommands.cpp.
#include "video/CMotivaDoc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "video/MovementCorrection.h"
#include "video/MovieIo.h"

using namespace ordavia;

CMotivaDoc::CMotivaDoc() : movie_(std::make_unique<CZVMovie>()) {}

CMotivaDoc::~CMotivaDoc() { setResults(nullptr); }

void CMotivaDoc::setResults(CResultDoc* table) {
    if (results_ == table) return;
    if (results_) results_->unregisterOwner(&results_);
    results_ = table;
    if (results_) results_->registerOwner(&results_);
}

// The stored table is looked for where it was saved, then beside the
// ".dcs" (a folder copied to another disc); a missing table is not a
// reason to refuse the video.
void CMotivaDoc::openStoredResults() {
    if (resultsFileName_.empty() || quiet()) return;
    std::string path = resultsFileName_;
    if (!fileExists(path)) path = folderOf(GetPathName()) + fileNameOf(path);
    if (!fileExists(path)) {
        debugLog("results file %s not found\n", resultsFileName_.c_str());
        return;
    }
    auto table = std::make_unique<CResultDoc>();
    lendServicesTo(*table);
    if (!table->OnOpenDocument(path)) return;
    table->SetPathName(path);
    setResults(dynamic_cast<CResultDoc*>(services().openDocument(std::move(table))));
}

ProfileStore& CMotivaDoc::profile() const { return services().profile(); }

Prompter& CMotivaDoc::prompter() const { return services().prompter(); }

void CMotivaDoc::applyMovieSettings() {
    const ProfileStore& p = profile();
    movie_->options.compressOutput = p.GetInt("Dynamic settings", "compressoutput", 0) != 0;
    movie_->options.tempFolder = p.GetString("directories", "tempdir", "");
    movie_->options.codec = p.GetString("Dynamic settings", "compresscodec", "mjpeg");
}

bool CMotivaDoc::hasFrames() const {
    return movie_->isOpen() && !movie_->recording() && movie_->count() > 0;
}

void CMotivaDoc::setPlaybackInterval(int ms) { playbackInterval_ = std::clamp(ms, 1, 60000); }

void CMotivaDoc::setFramesPerSecond(double fps) {
    if (!(fps > 0) || !std::isfinite(fps) || fps == fps_) return;
    // Undo puts back the movie's own rate and scale too (a foreign video's
    // 30000/1001 is not 29970/1000).
    const double oldFps = fps_;
    const int32_t oldInterval = playbackInterval_, oldRate = movie_->rate(), oldScale = movie_->scale();
    pushEdit(
        "Frames per second",
        [this, fps] {
            fps_ = fps;
            playbackInterval_ = int(std::clamp(1000.0 / fps_, 1.0, 60000.0));
            syncMovieRate();
            UpdateAllViews();
        },
        [this, oldFps, oldInterval, oldRate, oldScale] {
            fps_ = oldFps;
            playbackInterval_ = oldInterval;
            movie_->setRate(oldRate, oldScale);
            UpdateAllViews();
        });
}

void CMotivaDoc::syncMovieRate() {
    const int r = movie_->rate(), s = movie_->scale();
    if (r > 0 && s > 0 && std::fabs(double(r) / s - fps_) < 1e-9 * fps_) return;
    const double milli = std::clamp(fps_ * 1000.0, 1.0, 2e9);
    movie_->setRate(int32_t(std::lround(milli)), 1000);
}

double CMotivaDoc::frameRateOfMovie(const std::string& moviePath, const CZVMovie& movie, AppServices* services) {
    if (movie.aviReader() || movie.fromDicom()) {
        const double r = movie.scale() > 0 ? double(movie.rate()) / movie.scale() : 0.0;
        return r > 0 && std::isfinite(r) ? r : kCaptureRate;
    }
    // The document a recording or a save wrote beside its movie.
    const std::string dcs = withoutExtension(moviePath) + ".dcs";
    if (!fileExists(dcs)) return kCaptureRate;
    CMotivaDoc beside;
    if (services) beside.setServices(services);
    beside.setQuiet(true);
    if (!beside.readDcs(dcs) || beside.movieFileName().empty()) return kCaptureRate;
    // Only a document that links this very movie speaks for its rate.
    const std::string linked = beside.movieFileName();
    if (!sameFile(linked, moviePath) && !sameFile(folderOf(dcs) + fileNameOf(linked), moviePath)) return kCaptureRate;
    return beside.framesPerSecond();
}

void CMotivaDoc::setSelection(int first, int last) {
    first = first < 0 ? -1 : first;
    last = last < 0 ? -1 : last;
    if (first >= 0 && last >= 0 && last < first) std::swap(first, last);
    if (first == selFirst_ && last == selLast_) return;
    const int32_t oldFirst = selFirst_, oldLast = selLast_;
    auto select = [this](int32_t a, int32_t b) {
        return [this, a, b] {
            selFirst_ = a;
            selLast_ = b;
            UpdateAllViews();
        };
    };
    pushEdit("Selection", select(first, last), select(oldFirst, oldLast));
}

void CMotivaDoc::toggleCalculateVelocities() { calcVelocities_ = calcVelocities_ ? 0 : 1; }

// ---------------------------------------------------------------------------
// The ".dcs" layout

void CMotivaDoc::Serialize(Archive& ar) {
    ZBasicDoc::Serialize(ar);
    if (ar.IsStoring()) {
        ar.writeInt(kVideoVersion);
        ar.writeInt(numberOfFrames_);
        ar.writeInt(skipFrames_);
        ar.writeInt(flag_);
        ar.writeString(movieFileName_);
        ar.writeInt(profile().GetInt("Dynamic settings", "direct2disc", 0));
        ar.writeString(profile().GetString("directories", "tempdir", ""));
        ar.writeInt(2);
        ar.writeString(resultsFileName_);
        const FrameInfoList& t = movie_->isOpen() ? movie_->frameTable() : loadedTable_;
        ar.writeInt(int32_t(t.size()));
        ar.writeInt(int32_t(t.size() * 16));
        const std::vector<uint8_t> bytes = ordavia::encodeFrameInfos(t);
        if (!bytes.empty()) ar.writeBytes(bytes.data(), bytes.size());
        ar.writeInt(int32_t(flyingSpot_.size()));
        for (double v : flyingSpot_) ar.writeDouble(v);
        ar.writeDouble(fps_);
        ar.writeCount(uint32_t(pairs_.size()));
        for (const auto& [a, b] : pairs_) {
            ar.writeInt(a);
            ar.writeInt(b);
        }
        return;
    }
    const int32_t v = ar.readInt();
    if (v < 1 || v > kVideoVersion) throw ArchiveError(strprintf("video document layout %d is not known", v));
    videoVersionRead_ = v;
    numberOfFrames_ = ar.readInt();
    skipFrames_ = ar.readInt();
    flag_ = ar.readInt();
    movieFileName_ = ar.readString();
    (void)ar.readInt();     // "direct2disc" when saved: the program's own setting stays
    (void)ar.readString();  // "tempdir" when saved
    int32_t fieldsPerSecond = 50;
    if (v > 1) fieldsPerSecond = ar.readInt();
    fps_ = fieldsPerSecond == 59 ? 30000.0 / 1001.0 : fieldsPerSecond / 2.0;
    if (v > 2) resultsFileName_ = ar.readString();
    loadedTable_.clear();
    if (v > 3) {
        const int32_t entries = ar.readInt();
        const int32_t bytes = ar.readInt();
        if (entries < 0 || bytes < 0 || int64_t(bytes) != int64_t(entries) * 16 || size_t(bytes) > ar.remaining())
            throw ArchiveError("the frame table of the video document is damaged");
        std::vector<uint8_t> raw(static_cast<size_t>(bytes));
        if (bytes) ar.readBytes(raw.data(), raw.size());
        loadedTable_ = ordavia::decodeFrameInfos(raw.data(), raw.size());
    }
    flyingSpot_.clear();
    if (v > 4) {
        const int32_t n = ar.readInt();
        if (n < 0 || uint64_t(n) * 8 > ar.remaining()) throw ArchiveError("the flying-spot values of the video document are damaged");
        flyingSpot_.resize(size_t(n));
        for (double& x : flyingSpot_) x = ar.readDouble();
    }
    if (v > 5) fps_ = ar.readDouble();
    if (!(fps_ > 0) || !std::isfinite(fps_)) fps_ = 25.0;
    // A damaged rate of a few frames per year must not overflow the interval.
    playbackInterval_ = int(std::clamp(1000.0 / fps_, 1.0, 60000.0));
    const uint32_t n = ar.readCountFor(8);
    pairs_.clear();
    pairs_.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        const int32_t a = ar.readInt();
        pairs_.emplace_back(a, ar.readInt());
    }
}

// ---------------------------------------------------------------------------
// Life cycle

bool CMotivaDoc::OnNewDocument() {
    if (!ZBasicDoc::OnNewDocument()) return false;
    movie_ = std::make_unique<CZVMovie>();
    applyMovieSettings();
    return true;
}

void CMotivaDoc::DeleteContents() {
    ZBasicDoc::DeleteContents();
    movementRun_.reset();
    if (movie_) movie_->Close();
    pairs_.clear();
    fine_.clear();
}

void CMotivaDoc::OnCloseDocument() {
    movementRun_.reset();
    if (movie_) movie_->Close();
    ZBasicDoc::OnCloseDocument();
}

ordavia::Status CMotivaDoc::readDcs(const std::string& path) { return readFile(path); }

Status CMotivaDoc::linkMovie() {
    applyMovieSettings();
    if (movieFileName_.empty()) return Status::failure(StatusCode::NotFound, "no movie file is named");
    Status s = movie_->Open(movieFileName_);
    if (!s && s.code() == StatusCode::NotFound && !GetPathName().empty()) {
        const std::string beside = folderOf(GetPathName()) + fileNameOf(movieFileName_);
        Status b = movie_->Open(beside);
        if (b) movieFileName_ = beside;
        if (b || b.code() != StatusCode::NotFound) s = b;
    }
    linkStatus_ = s;
    if (!s) {
        if (s.code() != StatusCode::NotFound) lastStatus_ = s;
        debugLog("CMotivaDoc: movie %s not opened: %s\n", movieFileName_.c_str(), s.reason().c_str());
        return s;
    }
    movieLinked();
    return s;
}

Status CMotivaDoc::linkMovieAt(const std::string& path) {
    Status s = movie_->Open(path);
    linkStatus_ = s;
    if (!s) {
        debugLog("CMotivaDoc: movie %s not opened: %s\n", path.c_str(), s.reason().c_str());
        return s;
    }
    movieFileName_ = path;
    SetModifiedFlag(true);
    movieLinked();
    return s;
}

void CMotivaDoc::movieLinked() {
    syncMovieRate();
    // The document's frame table carries the offsets of movement correction.
    FrameInfoList& t = movie_->frameTable();
    for (size_t i = 0; i < std::min(t.size(), loadedTable_.size()); ++i)
        if (loadedTable_[i].known()) t[i] = loadedTable_[i];
    movie_->GoTo(0);
    showCurrentFrame();
}

bool CMotivaDoc::OnOpenDocument(const std::string& path) {
    if (ordavia::isForeignVideo(path)) {
        DeleteContents();
        SetPathName(path);
        Status s = importVideoFile(path);
        if (!s) {
            prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
            return false;
        }
        SetModifiedFlag(false);
        return true;
    }
    if (!CdbDocument::OnOpenDocument(path)) return false;
    SetPathName(path);
    Status linked = linkMovie();
    // A movie that is there but damaged is not "cannot find": the user is
    // told what is wrong with it, and no empty document stays open. A
    // missing one is asked for; without it the document opens without frames.
    if (!linked && linked.code() == StatusCode::NotFound && !movieFileName_.empty() && !quiet()) {
        std::string text = kCannotFind;
        text.replace(text.find("%1"), 2, movieFileName_);
        prompter().messageBox(text, MsgButtons::Ok, MsgIcon::Warning);
        if (auto chosen = prompter().openFile("Open", kMovieFilter, folderOf(GetPathName()))) {
            linked = linkMovieAt(*chosen);
            if (!linked) prompter().messageBox(linked.reason(), MsgButtons::Ok, MsgIcon::Error);
        }
    } else if (!linked && linked.code() != StatusCode::NotFound && !quiet()) {
        prompter().messageBox(linked.reason(), MsgButtons::Ok, MsgIcon::Error);
    }
    if (!linked && linked.code() != StatusCode::NotFound) return false;
    openStoredResults();
    loadFineOffsets(path);
    SetModifiedFlag(false);
    return true;
}

bool CMotivaDoc::OnSaveDocument(const std::string& path) {
    const std::string base = withoutExtension(path);
    applyMovieSettings();
    if (movieFileName_.empty()) movieFileName_ = base + (movie_->options.compressOutput ? ".avi" : ".mve");
    if (movie_->isOpen() && movie_->count() > 0 && movieFileName_ != movie_->fileName()) {
        Status s = movie_->save(movieFileName_, selFirst_, selLast_);
        if (!s) {
            lastStatus_ = s;
            if (!quiet()) prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
            return false;
        }
        movieFileName_ = movie_->fileName();
        showCurrentFrame();
    }
    if (results_) {
        // The table goes first: a document must not name a table that was
        // never written.
        const std::string rst = base + ".rst";
        if (!results_->OnSaveDocument(rst)) {
            lastStatus_ = ordavia::Status::failure(rst + ": the results table could not be saved");
            if (!quiet()) prompter().messageBox(lastStatus_.reason(), MsgButtons::Ok, MsgIcon::Error);
            return false;
        }
        results_->SetPathName(rst);
        resultsFileName_ = rst;
    }
    const std::string dcs = base + ".dcs";
    if (!CdbDocument::OnSaveDocument(dcs)) return false;
    if (Status s = saveFineOffsets(dcs); !s) {
        lastStatus_ = s;
        if (!quiet()) prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    movie_->setModified(false);
    return true;
}

bool CMotivaDoc::OnFileSave() {
    ProposeExamPath();
    const std::string& path = GetPathName();
    if (!path.empty() && iequals(extensionOf(path), ".dcs") && fileExists(path)) return DoSave(path, true);
    return OnFileSaveAs();
}

bool CMotivaDoc::OnFileSaveAs() {
    if (!movieFileName_.empty() && selFirst_ == -1 && selLast_ == -1) {
        if (prompter().messageBox(movieFileName_ + kLinkQuestion, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::No)
            movieFileName_.clear();
    }
    const std::string proposed = withoutExtension(GetPathName().empty() ? GetTitle() : GetPathName()) + ".dcs";
    auto chosen = prompter().saveFile("Save As", kDcsFilter, proposed);
    if (!chosen || chosen->empty()) return false;
    const std::string target = withoutExtension(*chosen) + ".dcs";
    if (!OnSaveDocument(target)) return false;
    SetPathName(target);
    return true;
}

// ---------------------------------------------------------------------------
// Frames

int CMotivaDoc::currentFrame() const { return movie_->currentIndex(); }
int CMotivaDoc::frameCount() const { return movie_->count(); }

void CMotivaDoc::showCurrentFrame() {
    const CZVimage& f = movie_->currentImage();
    if (f.isEmpty()) return;
    if (picture().width() != f.width() || picture().rows() != f.rows() || picture().colour() != f.colour() || picture().isEmpty()) {
        picture().setInterlace(f.interlace());
        // A frame the picture cannot hold is not shown: the picture keeps
        // what it had and the document says why.
        if (!picture().resize(f.width(), f.rows(), f.bytesPerPixel()) || !picture().setColour(f.colour()) ||
            picture().width() != f.width() || picture().rows() != f.rows() || picture().isEmpty()) {
            frameMemoryFailed_ = true;
            lastStatus_ = Status::failure(StatusCode::NoMemory,
                                          strprintf("not enough memory to show a frame of %d x %d", f.width(), f.height()));
            debugLog("CMotivaDoc::showCurrentFrame: %s\n", lastStatus_.reason().c_str());
            return;
        }
    }
    for (int y = 0; y < f.rows(); ++y) std::memcpy(picture().row(y), f.row(y), size_t(f.rowBytes()));
    picture().setInterlace(f.interlace());
    picture().setTag(f.tag());
    picture().setOriginX(f.originX());
    picture().setStoredOriginY(f.storedOriginY());
    picture().dropDisplayHeader();
    UpdateAllViews();
}

void CMotivaDoc::goToFrame(int i) {
    if (!hasFrames()) return;
    movie_->GoTo(i);
    showCurrentFrame();
}

void CMotivaDoc::stepFrame(int delta) {
    if (!hasFrames()) return;
    const int n = movie_->count();
    goToFrame(((movie_->currentIndex() + delta) % n + n) % n);
}

std::string CMotivaDoc::frameText() const { return strprintf("Image# %03i/%03i", movie_->currentIndex(), movie_->count()); }

std::string CMotivaDoc::fieldText() const { return strprintf("Field# %3li", long(movie_->currentImage().tag())); }

std::string CMotivaDoc::elapsedText() {
    const double s = movie_->ElapsedFields() / (2.0 * fps_);
    const int m = int(s / 60);
    return strprintf("%02i:%05.2f", m, s - 60.0 * m);
}
