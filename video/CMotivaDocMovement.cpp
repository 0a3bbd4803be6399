// CMotivaDoc: movement correction runs, manual correction, reset and
// export of the offsets, and the side table of sub-pixel offsets.
#include <algorithm>
#include <cmath>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "figures/MeasureCatalogue.h"
#include "settings/DebugLog.h"
#include "video/CMotivaDoc.h"
#include "video/MovementCorrection.h"

using namespace ordavia;

namespace {
bool sameInfo(const FrameInfo& a, const FrameInfo& b) {
    return a.field == b.field && a.interlace == b.interlace && a.x == b.x && a.y == b.y;
}
}  // namespace

// The frames whose offsets an edit changed, with their entries before and
// after it; undo and redo put one or the other back.
class CMotivaDoc::OffsetsEdit : public ordavia::UndoCommand {
public:
    static constexpr int kDragId = 4100;

    OffsetsEdit(CMotivaDoc& doc, const char* name, const OffsetsState& before, int dragKey)
        : UndoCommand(name), doc_(doc), dragKey_(dragKey), fineBefore_(before.fine), fineAfter_(doc.fine_),
          resultBefore_(before.result), resultAfter_(doc.result) {
        const FrameInfoList& now = doc.movie_->frameTable();
        for (size_t i = 0; i < now.size(); ++i) {
            const FrameInfo old = i < before.table.size() ? before.table[i] : FrameInfo{};
            if (!sameInfo(old, now[i])) slots_.push_back({i, old, now[i]});
        }
    }
    bool changesNothing() const {
        return slots_.empty() && resultBefore_ == resultAfter_ && fineBefore_.format() == fineAfter_.format();
    }
    void redo() override { put(true); }
    void undo() override { put(false); }
    int id() const override { return dragKey_ >= 0 ? kDragId : -1; }
    // The moves of one drag are one step: the first move's entries before,
    // the last move's after.
    bool mergeWith(const UndoCommand& newer) override {
        const auto* n = dynamic_cast<const OffsetsEdit*>(&newer);
        if (!n || n->dragKey_ != dragKey_) return false;
        for (const Slot& s : n->slots_) {
            auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& o) { return o.slot == s.slot; });
            if (it != slots_.end()) it->after = s.after;
            else slots_.push_back(s);
        }
        fineAfter_ = n->fineAfter_;
        resultAfter_ = n->resultAfter_;
        return true;
    }

private:
    struct Slot {
        size_t slot;
        FrameInfo before, after;
    };
    void put(bool after) {
        FrameInfoList& t = doc_.movie_->frameTable();
        for (const Slot& s : slots_)
            if (s.slot < t.size()) t[s.slot] = after ? s.after : s.before;
        doc_.fine_ = after ? fineAfter_ : fineBefore_;
        doc_.result = after ? resultAfter_ : resultBefore_;
        doc_.movie_->refreshCurrentInfo();
        doc_.showCurrentFrame();
        doc_.UpdateAllViews();
    }

    CMotivaDoc& doc_;
    int dragKey_;
    std::vector<Slot> slots_;
    ordavia::FineOffsets fineBefore_, fineAfter_;
    std::string resultBefore_, resultAfter_;
};

CMotivaDoc::OffsetsState CMotivaDoc::offsetsState() const { return {movie_->frameTable(), fine_, result}; }

void CMotivaDoc::recordOffsetsEdit(const char* name, const OffsetsState& before, int dragKey) {
    auto step = std::make_unique<OffsetsEdit>(*this, name, before, dragKey);
    if (step->changesNothing()) return;
    undoStack().pushApplied(std::move(step));
}

Status CMotivaDoc::startMovementCorrection(const ordavia::MovementParams& p) {
    if (!hasFrames()) return Status::failure("the video has no frames");
    if (movementRun_) return Status::failure("a movement correction is running");
    auto run = std::make_unique<ordavia::MovementRun>();
    // The run reads each frame's stored offsets as it goes; they are read
    // first, so that its undo step knows them.
    (void)movie_->OffsetBounds(selFirst_, selLast_);
    OffsetsState before = offsetsState();
    if (Status s = run->start(*movie_, selFirst_, selLast_, p); !s) return s;
    beforeRun_ = std::move(before);
    movementRun_ = std::move(run);
    showCurrentFrame();
    return Status::success();
}

bool CMotivaDoc::movementStep() {
    if (!movementRun_ || !movementRun_->step()) return false;
    showCurrentFrame();
    return true;
}

void CMotivaDoc::endMovementCorrection() {
    if (!movementRun_) return;
    // A new run replaces the fractions of its frames; whole-pixel runs leave
    // none, so that old fractions cannot outlive the offsets they refined.
    const ordavia::MovementRun& r = *movementRun_;
    if (r.params().subpixel) {
        fine_.merge(r.fine());
    } else {
        ordavia::FineOffsets kept;
        for (size_t i = 0; i < fine_.entries().size(); ++i) {
            const ordavia::FineOffset& e = fine_.entries()[i];
            if (e.set && (int(i) < r.first() || int(i) >= r.next())) kept.set(int(i), e.x, e.y, e.fx, e.fy);
        }
        fine_ = kept;
    }
    const bool done = r.status().ok() && r.finished();
    movementRun_.reset();
    goToFrame(0);
    // A finished run states itself in the result text, as the command line
    // files it; a text of another analysis stays.
    if (done && (result.empty() || result.rfind("movement corrected", 0) == 0)) result = movementFigures().text();
    recordOffsetsEdit("Movement correction", beforeRun_);
    beforeRun_ = {};
    UpdateAllViews();
}

ordavia::MeasureValues CMotivaDoc::movementFigures() {
    ordavia::MeasureValues f(ordavia::stabiliseMeasures());
    const int n = frameCount();
    double furthest = 0;
    for (int i = 0; i < n; ++i) {
        double x = 0, y = 0;
        frameOffset(i, x, y);
        furthest = std::max(furthest, std::hypot(x, y));
    }
    f.set("frames", n).set("max_shift_px", n > 0 ? std::optional<double>(furthest) : std::nullopt);
    return f;
}

void CMotivaDoc::resetOffsets() {
    if (!hasFrames()) return;
    (void)movie_->OffsetBounds(selFirst_, selLast_);
    const OffsetsState before = offsetsState();
    movie_->SetOffsets(0, 0, selFirst_, selLast_);
    goToFrame(0);
    recordOffsetsEdit("Reset offsets", before);
}

void CMotivaDoc::shiftCurrentFrame(int dx, int dy, bool onwards) {
    if (!hasFrames() || (dx == 0 && dy == 0)) return;
    const OffsetsState before = offsetsState();
    movie_->ShiftCurrentOffset(dx, dy);
    if (onwards) {
        int first = selFirst_, last = selLast_;
        movie_->clampRange(first, last);
        FrameInfoList& t = movie_->frameTable();
        for (int i = std::max(first, currentFrame() + 1); i < last; ++i) {
            FrameInfo& e = t[size_t(movie_->PhysicalIndex(i))];
            if (!e.known()) continue;  // unread frames keep their offsets until read
            e.x += dx;
            e.y += dy;
        }
    }
    showCurrentFrame();
    recordOffsetsEdit("Move frame", before, shiftDrag_);
}

std::string CMotivaDoc::offsetsExportName() const {
    const std::string base = movieFileName_.empty() ? GetTitle() : withoutExtension(movieFileName_);
    return base + "-offsets";
}

void CMotivaDoc::frameOffset(int i, double& x, double& y) {
    x = y = 0;
    if (i < 0 || i >= movie_->count()) return;
    FrameInfo& e = movie_->frameTable()[size_t(movie_->PhysicalIndex(i))];
    if (!e.known()) {
        CZVimage tmp;
        movie_->CopyFrame(i, tmp);
    }
    x = e.x;
    y = e.y;
    fine_.get(i, e.x, e.y, x, y);
}

Status CMotivaDoc::exportOffsets(const std::string& path) {
    if (!hasFrames()) return Status::failure("the video has no frames");
    return movie_->ExportOffsets(path, selFirst_, selLast_, xScaleInEffect(), yScaleInEffect(),
                                 [this](int i, double& x, double& y) {
                                     const FrameInfo& e = movie_->frameTable()[size_t(movie_->PhysicalIndex(i))];
                                     fine_.get(i, e.x, e.y, x, y);
                                 },
                                 unitsInEffect());
}

Status CMotivaDoc::saveFineOffsets(const std::string& dcsPath) const {
    const std::string side = withoutExtension(dcsPath) + ordavia::FineOffsets::kExtension;
    // Only fractions that still refine the frames' offsets are kept.
    ordavia::FineOffsets live;
    for (size_t i = 0; i < fine_.entries().size() && int(i) < movie_->count(); ++i) {
        const ordavia::FineOffset& e = fine_.entries()[i];
        const FrameInfo& t = movie_->frameTable()[size_t(movie_->PhysicalIndex(int(i)))];
        if (e.set && t.x == e.x && t.y == e.y && (e.fx != e.x || e.fy != e.y)) live.set(int(i), e.x, e.y, e.fx, e.fy);
    }
    if (live.empty()) {
        // Fractions of an earlier save would no longer describe this document.
        if (fileExists(side)) std::remove(side.c_str());
        return Status::success();
    }
    return writeFileAtomically(side, live.format());
}

void CMotivaDoc::loadFineOffsets(const std::string& dcsPath) {
    fine_.clear();
    const std::string side = withoutExtension(dcsPath) + ordavia::FineOffsets::kExtension;
    if (!fileExists(side)) return;
    std::vector<uint8_t> bytes;
    // A line per frame; a million frames is far beyond any video we keep.
    if (Status s = readFileBytes(side, bytes, 64u << 20); !s) {
        debugLog("CMotivaDoc: sub-pixel offsets %s not read: %s\n", side.c_str(), s.reason().c_str());
        return;
    }
    auto r = ordavia::FineOffsets::parse(std::string(bytes.begin(), bytes.end()), std::max(movie_->count(), 1000000));
    if (!r) {
        debugLog("CMotivaDoc: sub-pixel offsets %s not read: %s\n", side.c_str(), r.reason().c_str());
        return;
    }
    fine_ = std::move(r.value());
}
