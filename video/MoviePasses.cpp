#include "video/MoviePasses.h"

#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"

namespace ordavia {

namespace {

Status needFrames(CZVMovie& m, int atLeast) {
    if (!m.isOpen() || m.count() < atLeast) return Status::failure("the movie has too few frames");
    if (m.recording())
        return Status::failure("the movie is being recorded");
    return Status::success();
}

// Visits `keep` in order; each frame is written when the next is reached.
Status keepFrames(CZVMovie& m, const std::vector<int>& keep) {
    if (keep.empty()) return Status::failure("a movie must keep at least one frame");
    m.GoTo(keep.front());
    if (Status s = m.openprocessing(false); !s) return s;
    for (size_t k = 1; k < keep.size(); ++k) m.GoTo(keep[k]);
    m.GoTo(keep.back() == 0 ? 1 : 0);
    Status s = m.FinishProcessing();
    m.GoTo(0);
    return s;
}

// A pass writes every frame it reads: a frame that did not decode would go
// into the output as a black frame, so the output is not kept.
Status damagedPass(CZVMovie& m) {
    if (m.damagedFrames().empty() && !m.outOfMemory()) return Status::success();
    CZVMovie::Options o = m.options;
    m.options.skipDamaged = false;
    Status s = damagedFramesStatus(m, 0, m.count());
    m.options = o;
    if (s) s = Status::failure(StatusCode::BadFormat, "frames of the video cannot be decoded");
    m.abandonProcessing();
    m.GoTo(0);
    return s;
}


// Frames 0 .. n - 2 become f(frame i, frame i + 1); the last is not written.
Status pairPass(CZVMovie& m, const std::function<void(CZVimage& cur, const CZVimage& next)>& f,
                const PassProgress& progress) {
    if (Status s = needFrames(m, 2); !s) return s;
    m.GoTo(0);
    if (Status s = m.openprocessing(false); !s) return s;
    CZVimage next;
    const int n = m.count();
    for (int i = 0; i + 1 < n; ++i) {
        m.CopyFrame(i + 1, next);
        f(m.currentImage(), next);
        if (progress && !progress(i)) {
            m.abandonProcessing();
            m.GoTo(0);
            return Status::cancelled();
        }
        m.GoTo(i + 1);
    }
    if (Status d = damagedPass(m); !d) return d;
    Status s = m.FinishProcessing();
    m.GoTo(0);
    return s;
}

}  // namespace

namespace {

Status eachFrame(CZVMovie& m, bool inPlace, const std::function<void(CZVimage&)>& op, const PassProgress& progress) {
    if (Status s = needFrames(m, 1); !s) return s;
    m.GoTo(0);
    if (Status s = m.openprocessing(inPlace); !s) return s;
    int i = 0;
    do {
        op(m.currentImage());
        m.currentImage().dropDisplayHeader();
        if (progress && !progress(i)) {
            m.abandonProcessing();
            m.GoTo(0);
            return Status::cancelled();
        }
        i = m.Next();
        // A single frame is never left by stepping: leave it explicitly.
        if (m.count() == 1) m.leaveFrame();
        m.GoTo(i);
    } while (i != 0);
    if (Status d = damagedPass(m); !d) return d;
    Status s = m.FinishProcessing();
    m.GoTo(0);
    return s;
}

}  // namespace

Status framePass(CZVMovie& m, const std::function<void(CZVimage&)>& op, const PassProgress& progress) {
    return eachFrame(m, true, op, progress);
}

Status reformatPass(CZVMovie& m, const std::function<void(CZVimage&)>& op, const PassProgress& progress) {
    return eachFrame(m, false, op, progress);
}

Status subtractTracePass(CZVMovie& m, const PassProgress& progress) {
    return pairPass(m, [](CZVimage& cur, const CZVimage& next) { cur.subtract(next, 128); }, progress);
}

Status subtractImagePass(CZVMovie& m, const CZVimage& image, int offset, const PassProgress& progress) {
    if (Status s = needFrames(m, 1); !s) return s;
    const CZVimage& f = m.formatImage();
    if (image.width() != f.width() || image.rows() != f.rows() || image.bytesPerPixel() != f.bytesPerPixel())
        return Status::failure("the image is not the size of the frames");
    return framePass(m, [&](CZVimage& cur) { cur.subtract(image, offset); }, progress);
}

Status squareOfDifferencesPass(CZVMovie& m, const PassProgress& progress) {
    CZVimage work;
    return pairPass(
        m,
        [&](CZVimage& cur, const CZVimage& next) {
            work.Copy(cur);
            std::memset(cur.data(), 0, cur.byteCount());
            cur.squaredDifference(work, next);
        },
        progress);
}

Status deleteSelectedPass(CZVMovie& m, int first, int last) {
    if (Status s = needFrames(m, 1); !s) return s;
    m.clampRange(first, last);
    std::vector<int> keep;
    for (int i = 0; i < m.count(); ++i)
        if (i < first || i >= last) keep.push_back(i);
    if (int(keep.size()) == m.count()) return Status::success();
    return keepFrames(m, keep);
}

Status deleteNonSelectedPass(CZVMovie& m, int first, int last) {
    if (Status s = needFrames(m, 1); !s) return s;
    m.clampRange(first, last);
    std::vector<int> keep;
    for (int i = first; i < last; ++i) keep.push_back(i);
    if (int(keep.size()) == m.count()) return Status::success();
    return keepFrames(m, keep);
}

}  // namespace ordavia
