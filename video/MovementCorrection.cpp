#include "video/MovementCorrection.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/ParallelFor.h"
#include "base/Text.h"
#include "image/BoxFilter.h"
#include "image/CpuDispatch.h"
#include "settings/ProfileStore.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"
#include "video/MovementKernels.h"

namespace ordavia {

extern const MovementKernels kMovementBaseline;
extern const MovementKernels kMovementAvx2;

const MovementKernels& movementKernels() { return useAvx2Kernels() ? kMovementAvx2 : kMovementBaseline; }

// ---------------------------------------------------------------------------
// Parameters

MovementParams MovementParams::fromProfile(const ProfileStore& s) {
    MovementParams p;
    auto percent = [&](const char* key, int def) {
        const double v = s.GetDouble(kSection, key, def);
        return std::isfinite(v) && std::fabs(v) < 1e6 ? int(v) : def;
    };
    p.window = percent("window", p.window);
    p.range = percent("range", p.range);
    p.limit = percent("limit", p.limit);
    p.resolution = s.GetInt(kSection, "resolution", p.resolution);
    p.step = s.GetInt(kSection, "step", p.step);
    p.method = s.GetInt(kSection, "method", p.method);
    p.lowpass = s.GetInt(kSection, "lowpass", p.lowpass);
    p.subpixel = s.GetInt(kSection, "subpixel", 0) != 0;
    p.robust = s.GetInt(kSection, "robust", 0) != 0;
    return p;
}

void MovementParams::toProfile(const ProfileStore& s) const {
    s.WriteInt(kSection, "window", window);
    s.WriteInt(kSection, "range", range);
    s.WriteInt(kSection, "limit", limit);
    s.WriteInt(kSection, "resolution", resolution);
    s.WriteInt(kSection, "step", step);
    s.WriteInt(kSection, "method", method);
    s.WriteInt(kSection, "lowpass", lowpass);
    s.WriteInt(kSection, "subpixel", subpixel ? 1 : 0);
    s.WriteInt(kSection, "robust", robust ? 1 : 0);
}

ordavia::Status MovementParams::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (window < 1 || window > 100) return outside("the window must be 1 to 100 % of the image");
    if (range < 0 || range > 50) return outside("the range must be 0 to 50 % of the image");
    if (limit < 0 || limit > 1000) return outside("the limit must be 0 to 1000 % of the range");
    if (resolution < 1 || resolution > 1000) return outside("the resolution must be 1 to 1000 pixels");
    if (step < 1 || step > 1000) return outside("the step must be 1 to 1000 pixels");
    if (lowpass < 0 || lowpass > 199) return outside("the low-pass size must be 0 to 199");
    return ordavia::Status::success();
}

// ---------------------------------------------------------------------------
// Sample patterns

int SamplePattern::rand15() {
    seed_ = seed_ * 214013u + 2531011u;
    return int((seed_ >> 16) & 0x7FFF);
}

const std::vector<int32_t>& SamplePattern::offsets(int method, int step, int ww, int wh, int stride) {
    step = std::max(1, step);
    const bool random = method != 1 && method != 2 && step > 1;
    // Random lists stay while step, window and stride stay, whatever the method.
    const int key[5] = {random ? -2 : method, step, ww, wh, stride};
    if (std::equal(key, key + 5, key_)) return offsets_;
    std::copy(key, key + 5, key_);
    offsets_.clear();
    if (ww <= 0 || wh <= 0) return offsets_;
    if (method == 2) {
        // A grid of lines: every step-th row in full, then every step-th column.
        for (int y = 0; y < wh; y += step)
            for (int x = 0; x < ww; ++x) offsets_.push_back(y * stride + x);
        for (int x = 0; x < ww; x += step)
            for (int y = 0; y < wh; ++y) offsets_.push_back(y * stride + x);
    } else if (!random) {
        for (int y = 0; y < wh; y += step)
            for (int x = 0; x < ww; x += step) offsets_.push_back(y * stride + x);
    } else {
        const int64_t n = int64_t(ww) * wh / (int64_t(step) * step);
        offsets_.reserve(size_t(n));
        for (int64_t i = 0; i < n; ++i) {
            const int64_t r1 = rand15(), r2 = rand15();
            offsets_.push_back(int32_t((r2 * (ww - 1) + r1 * stride * int64_t(wh - 1)) / 32767));
        }
    }
    return offsets_;
}

// ---------------------------------------------------------------------------
// Alignment

namespace {

// The first value of the grid lo, lo + res, ... that is at least v.
int gridFrom(int lo, int res, int v) { return v <= lo ? lo : lo + (v - lo + res - 1) / res * res; }

// Bilinear grey value of a at (x, y), which must lie inside the picture.
inline double bilinear(const CZVimage& a, double x, double y) {
    const int ix = std::clamp(int(std::floor(x)), 0, a.width() - 2), iy = std::clamp(int(std::floor(y)), 0, a.rows() - 2);
    const double fx = x - ix, fy = y - iy;
    const uint8_t* r0 = a.row(iy) + ix;
    const uint8_t* r1 = a.row(iy + 1) + ix;
    return (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy;
}

// The window of a picture and the shifts that keep it inside.
struct Geometry {
    int W = 0, H = 0, S = 0, ww = 0, wh = 0, x0 = 0, y0 = 0;
    bool ok = false;
    Geometry(const CZVimage& f, const CZVimage& a, int window) {
        W = f.width(), H = f.rows(), S = f.stride();
        if (f.isEmpty() || a.isEmpty() || a.width() != W || a.rows() != H || a.stride() != S || f.bytesPerPixel() != 1 ||
            a.bytesPerPixel() != 1)
            return;
        ww = int(W * (window / 100.0)), wh = int(H * (window / 100.0));
        x0 = (W - ww) / 2, y0 = (H - wh) / 2;
        ok = ww >= 1 && wh >= 1;
    }
    bool fitsX(int dx) const { return dx >= -x0 && dx <= W - ww - x0; }
    bool fitsY(int dy) const { return dy >= -y0 && dy <= H - wh - y0; }
};

// The exhaustive search over the grid lo, lo + res, ... of each axis,
// between the first and the last shift given (both inside the picture).
// The fraction beside a whole-pixel winner by Gauss-Newton steps on the
// squared differences (the linearised picture around the shift): unlike a
// parabola through three sums it does not lean towards whole pixels when
// the sums are V-shaped. Steps that would leave the pixel are refused.
void refineByGradient(const CZVimage& f, const CZVimage& a, const Geometry& g, const std::vector<int32_t>& dense, Alignment& r) {
    if (dense.empty() || g.W < 3 || g.H < 3) return;
    // The reference's gradients stand in for the frame's near the match,
    // so that they and their normal matrix are made once.
    struct Sample {
        int u, v;
        float gx, gy, value;
    };
    std::vector<Sample> s;
    s.reserve(dense.size());
    double gxx = 0, gxy = 0, gyy = 0;
    for (int32_t o : dense) {
        const int u = g.x0 + o % g.S, v = g.y0 + o / g.S;
        const int x = u + r.dx, y = v + r.dy;
        if (u < 1 || v < 1 || u > g.W - 2 || v > g.H - 2 || x < 1 || y < 1 || x > g.W - 3 || y > g.H - 3) continue;
        const float gx = 0.5f * (float(f.row(v)[u + 1]) - float(f.row(v)[u - 1]));
        const float gy = 0.5f * (float(f.row(v + 1)[u]) - float(f.row(v - 1)[u]));
        s.push_back({u, v, gx, gy, float(f.row(v)[u])});
        gxx += double(gx) * gx;
        gxy += double(gx) * gy;
        gyy += double(gy) * gy;
    }
    const double det = gxx * gyy - gxy * gxy;
    if (!(det > 1e-9)) return;
    double sx = 0, sy = 0;
    // The differences are taken on every thread, their sums in sample
    // order on one, as a single thread adds them.
    std::vector<double> err(s.size());
    for (int iter = 0; iter < 6; ++iter) {
        parallelFor(
            0, int(s.size()),
            [&](int from, int to) {
                for (int i = from; i < to; ++i) {
                    const Sample& q = s[size_t(i)];
                    err[size_t(i)] = q.value - bilinear(a, q.u + r.dx + sx, q.v + r.dy + sy);
                }
            },
            4096);
        double bx = 0, by = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            bx += s[i].gx * err[i];
            by += s[i].gy * err[i];
        }
        const double ddx = (gyy * bx - gxy * by) / det, ddy = (gxx * by - gxy * bx) / det;
        if (std::fabs(sx + ddx) > 1.5 || std::fabs(sy + ddy) > 1.5) break;
        sx += ddx;
        sy += ddy;
        if (std::fabs(ddx) < 0.005 && std::fabs(ddy) < 0.005) break;
    }
    r.fx = sx;
    r.fy = sy;
}

}  // namespace

void refineShift(const CZVimage& f, const CZVimage& a, int window, Alignment& r);

namespace {

// `off` are the samples of the search, `dense` (when given) those of the
// refinement instead of every pixel of the window.
Alignment search(const CZVimage& f, const CZVimage& a, const MovementParams& p, const std::vector<int32_t>& off,
                 const std::vector<int32_t>* dense, const Geometry& g, int gx0, int gxEnd, int gy0, int gyEnd, int res) {
    Alignment r;
    if (gx0 > gxEnd || gy0 > gyEnd) return r;
    if (off.empty()) return r;
    const uint8_t* fc = f.data() + ptrdiff_t(g.y0) * g.S + g.x0;
    std::vector<int16_t> ref(off.size());
    for (size_t s = 0; s < off.size(); ++s) ref[s] = fc[off[s]];
    const int nx = gxEnd - gx0 + 1;
    const int ny = (gyEnd - gy0) / res + 1;
    // The rows of sums are worked on every thread, a band of rows at a time
    // (a few megabytes), and the winner is then picked in row order as one
    // thread would: the sums are whole numbers, so the choice is the same.
    const int band = int(std::clamp<int64_t>((int64_t(1) << 19) / (int64_t(nx) + 1), 1, ny));
    std::vector<uint64_t> rows(size_t(band) * size_t(nx + 1));
    const MovementKernels& k = movementKernels();
    uint64_t best = UINT64_MAX;
    for (int b0 = 0; b0 < ny; b0 += band) {
        const int b1 = std::min(ny, b0 + band);
        parallelFor(b0, b1, [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                const int dy = gy0 + i * res;
                const uint8_t* img = a.data() + ptrdiff_t(g.y0 + dy) * g.S + g.x0 + gx0;
                k.ssdRow(ref.data(), off.data(), int(off.size()), img, nx, rows.data() + size_t(i - b0) * size_t(nx + 1));
            }
        });
        for (int i = b0; i < b1; ++i) {
            const uint64_t* row = rows.data() + size_t(i - b0) * size_t(nx + 1);
            for (int dx = gx0; dx <= gxEnd; dx += res) {
                const uint64_t v = row[size_t(dx - gx0)];
                if (v < best) {
                    best = v;
                    r.dx = dx;
                    r.dy = gy0 + i * res;
                }
            }
        }
    }
    r.found = true;
    r.sum = best;
    if (dense) {
        refineByGradient(f, a, g, *dense, r);
        return r;
    }
    if (p.subpixel) refineShift(f, a, p.window, r);
    return r;
}

}  // namespace

void refineShift(const CZVimage& f, const CZVimage& a, int window, Alignment& r) {
    const Geometry g(f, a, window);
    if (!g.ok || !r.found) return;
    std::vector<int32_t> grid;
    grid.reserve(size_t(g.ww / 2 + 1) * size_t(g.wh / 2 + 1));
    for (int v = 0; v < g.wh; v += 2)
        for (int u = 0; u < g.ww; u += 2) grid.push_back(v * g.S + u);
    r.fx = r.fy = 0;
    refineByGradient(f, a, g, grid, r);
}

Alignment alignToReference(const CZVimage& f, const CZVimage& a, const MovementParams& p, SamplePattern& pattern) {
    const Geometry g(f, a, p.window);
    if (!g.ok) return {};
    const int rx = int(g.W * (p.range / 100.0)), ry = int(g.H * (p.range / 100.0));
    const int res = std::max(1, p.resolution);
    // Shifts that keep the window inside the picture; the grid keeps its
    // places, so the order of the shifts searched does not change.
    const int gx0 = gridFrom(-rx, res, std::max(-rx, -g.x0)), gxEnd = std::min(rx - 1, g.W - g.ww - g.x0);
    const int gy0 = gridFrom(-ry, res, std::max(-ry, -g.y0)), gyEnd = std::min(ry - 1, g.H - g.wh - g.y0);
    return search(f, a, p, pattern.offsets(p.method, p.step, g.ww, g.wh, g.S), nullptr, g, gx0, gxEnd, gy0, gyEnd, res);
}

Alignment alignNear(const CZVimage& f, const CZVimage& a, const MovementParams& p, const std::vector<int32_t>& samples,
                    const std::vector<int32_t>* dense, int cx, int cy, int radius) {
    const Geometry g(f, a, p.window);
    if (!g.ok) return {};
    return search(f, a, p, samples, dense, g, std::max(cx - radius, -g.x0), std::min(cx + radius, g.W - g.ww - g.x0),
                  std::max(cy - radius, -g.y0), std::min(cy + radius, g.H - g.wh - g.y0), 1);
}

bool greyForComparing(const CZVimage& src, CZVimage& out) {
    if (src.isEmpty()) return false;
    if (out.width() != src.width() || out.rows() != src.rows() || out.colour() != CZVimage::kGrey || out.bytesPerPixel() != 1) {
        out.setInterlace(src.interlace());
        if (!out.resize(src.width(), src.rows(), 1)) return false;
        out.setColour(CZVimage::kGrey);
    }
    out.setInterlace(src.interlace());
    out.setTag(src.tag());
    out.setOriginX(src.originX());
    out.setStoredOriginY(src.storedOriginY());
    if (src.colour() == CZVimage::kColour) {
        for (int y = 0; y < src.rows(); ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < src.width(); ++x, s += 3) d[x] = uint8_t((s[0] * 29 + s[1] * 150 + s[2] * 77 + 128) >> 8);
        }
        return true;
    }
    for (int y = 0; y < src.rows(); ++y) std::memcpy(out.row(y), src.row(y), size_t(src.width()));
    if (src.colour() == CZVimage::kBayer) {
        out.setColour(CZVimage::kBayer);
        out.bayerToGrey();
    }
    return true;
}

// ---------------------------------------------------------------------------
// A run

namespace {
// The band pass of robust runs: what a box of this size averages is the
// light, not the picture.
constexpr int kLightBox = 41;
}  // namespace

namespace {

// A window without two different grey values gives every shift the same
// score: there is nothing to align it by.
bool flatWindow(const CZVimage& img, int window) {
    if (img.isEmpty() || img.bytesPerPixel() != 1) return false;
    const int ww = std::max(1, int(img.width() * (window / 100.0))), wh = std::max(1, int(img.rows() * (window / 100.0)));
    const int x0 = (img.width() - ww) / 2, y0 = (img.rows() - wh) / 2;
    const uint8_t v0 = img.row(y0)[x0];
    for (int y = y0; y < y0 + wh; ++y) {
        const uint8_t* r = img.row(y) + x0;
        for (int x = 0; x < ww; ++x)
            if (r[x] != v0) return false;
    }
    return true;
}

}  // namespace

Status MovementRun::status() const {
    if (movie_) {
        if (Status s = damagedFramesStatus(*movie_, first_, std::max(first_ + 1, phase_ > 1 ? last_ : next_)); !s) return s;
    }
    if (unaligned_ > 0 && aligned_ == 0)
        return Status::failure(StatusCode::BadFormat,
                               "nothing could be aligned: the frames show no structure to compare (their offsets are unchanged)");
    return Status::success();
}

Status MovementRun::start(CZVMovie& movie, int first, int last, const MovementParams& p) {
    if (Status valid = p.validate(); !valid) return valid;
    if (movie.count() <= 0) return Status::failure("the video has no frames");
    movie.clampRange(first, last);
    if (first >= last) return Status::failure("the selection holds no frames");
    movie_ = &movie;
    p_ = p;
    first_ = first;
    last_ = last;
    phase_ = 1;
    aligned_ = unaligned_ = 0;
    CZVimage& f = movie.GoTo(first);
    if (Status s = frameReadStatus(movie, first); !s) {
        movie_ = nullptr;
        return s.context("the first frame of the run, the reference");
    }
    {
        // What one frame will cost, before any of it is spent.
        const int W = f.width(), H = f.rows();
        const int ww = int(W * (p.window / 100.0)), wh = int(H * (p.window / 100.0));
        const int rx = int(W * (p.range / 100.0)), ry = int(H * (p.range / 100.0));
        const uint64_t shifts = uint64_t(2 * rx / std::max(1, p.resolution) + 1) * uint64_t(2 * ry / std::max(1, p.resolution) + 1);
        SamplePattern probe;  // the run's own pattern stays untouched
        const uint64_t samples = ww > 0 && wh > 0 ? probe.offsets(p.method, p.step, ww, wh, W).size() : 0;
        comparisons_ = shifts * samples;
        if (comparisons_ > kMaxComparisonsPerFrame) {
            movie_ = nullptr;
            return Status::failure(StatusCode::OutOfRange,
                                   strprintf("aligning frames of %d x %d would compare %llu samples per frame (at most %llu): "
                                             "choose a smaller searched range, a larger sampling step or a coarser resolution",
                                             W, H, static_cast<unsigned long long>(comparisons_),
                                             static_cast<unsigned long long>(kMaxComparisonsPerFrame)));
        }
    }
    const CZVimage* prepared = prepare(f);
    if (!prepared || !reference_.Copy(*prepared)) {
        movie_ = nullptr;
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    }
    if (p.lowpass > 0 && !work_.Copy(reference_)) {
        movie_ = nullptr;
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    }
    refIndex_ = first;
    next_ = first + 1;
    refX_ = firstX_ = reference_.originX();
    refY_ = firstY_ = reference_.originY();
    fine_.clear();
    text_.clear();
    bandValid_ = false;
    sum_.clear();
    squares_.clear();
    count_.clear();
    if (p.robust) {
        const size_t n = size_t(reference_.width()) * size_t(reference_.rows());
        sum_.assign(n, 0);
        squares_.assign(n, 0);
        count_.assign(n, 0);
        accumulate(reference_, 0, 0);
    }
    // Limits in whole pixels of the full frame.
    xLimit_ = int(f.width() * (p.limit / 100.0) * (p.range / 100.0));
    yLimit_ = int(f.height() * (p.limit / 100.0) * (p.range / 100.0));
    return Status::success();
}

CZVimage* MovementRun::prepare(CZVimage& cur) {
    // Grey frames without filters are compared as they are.
    if (p_.lowpass == 0 && !p_.robust && cur.colour() == CZVimage::kGrey && cur.bytesPerPixel() == 1) return &cur;
    if (!greyForComparing(cur, work_)) return p_.robust ? nullptr : &cur;
    if (p_.lowpass > 0) lowPassFilter(work_, {}, p_.lowpass);
    if (p_.robust) highPassFilter(work_, {}, kLightBox);
    return &work_;
}

void MovementRun::accumulate(const CZVimage& img, int sx, int sy) {
    const int W = reference_.width(), H = reference_.rows();
    if (img.width() != W || img.rows() != H || sum_.size() != size_t(W) * size_t(H)) return;
    for (int v = std::max(0, -sy); v < std::min(H, H - sy); ++v) {
        const uint8_t* src = img.row(v);
        const size_t at = size_t(v + sy) * size_t(W);
        for (int u = std::max(0, -sx); u < std::min(W, W - sx); ++u) {
            const size_t i = at + size_t(u + sx);
            if (count_[i] == 65535) continue;
            ++count_[i];
            sum_[i] += src[u];
            squares_[i] += uint32_t(src[u]) * src[u];
        }
    }
}

bool MovementRun::step() {
    if (!movie_ || finished()) return false;
    if (phase_ >= 2) {
        secondPassStep();
        if (next_ >= last_ && phase_ < passes()) beginSecondPass();
        return true;
    }
    CZVimage& cur = movie_->GoTo(next_);
    if (movie_->isDamaged(next_) || cur.isEmpty()) {
        // Nothing to align: the frame keeps its offsets, and status() tells.
        text_ = strprintf("aligning image %i of range %i to %i to image %i", next_, first_, last_, refIndex_);
        ++next_;
        if (p_.robust && next_ >= last_) beginSecondPass();
        return true;
    }
    CZVimage* compared = prepare(cur);
    if (!compared) compared = &cur;
    const int yUnit = reference_.isField() ? 2 : 1;
    // Sub-pixel fractions come from band-passed copies, which slow changes
    // of the light do not pull; the whole-pixel search stays as it is.
    MovementParams whole = p_;
    whole.subpixel = p_.subpixel && p_.robust;
    Alignment a;
    if (flatWindow(reference_, p_.window) || flatWindow(*compared, p_.window)) {
        ++unaligned_;
    } else {
        a = alignToReference(reference_, *compared, whole, pattern_);
        ++aligned_;
    }
    if (p_.subpixel && !p_.robust && a.found) {
        if (!bandValid_) {
            bandRef_.Copy(reference_);
            highPassFilter(bandRef_, {}, kLightBox);
            bandValid_ = true;
        }
        if (bandCur_.Copy(*compared)) {
            highPassFilter(bandCur_, {}, kLightBox);
            refineShift(bandRef_, bandCur_, p_.window, a);
        }
    }
    int x = reference_.originX(), y = reference_.originY();
    if (a.found) {
        x -= a.dx;
        y -= a.dy * yUnit;
        if (p_.subpixel) {
            const double fx = refX_ - (a.dx + a.fx), fy = refY_ - (a.dy + a.fy) * yUnit;
            // The whole offsets follow the refined ones.
            x = int(std::lround(fx));
            y = int(std::lround(fy / yUnit)) * yUnit;
            fine_.set(next_, x, y, fx, fy);
        }
    }
    movie_->ShiftCurrentOffset(x - cur.originX(), y - cur.originY());
    compared->setOrigin(x, y);
    if (p_.robust) accumulate(*compared, x - firstX_, (y - firstY_) / yUnit);
    if (std::abs(x - reference_.originX()) > xLimit_ || std::abs(y - reference_.originY()) > yLimit_) {
        if (p_.lowpass == 0 && !p_.robust) {
            greyForComparing(cur, reference_);
        } else {
            std::swap(reference_, work_);
        }
        reference_.setOrigin(x, y);
        double fx = x, fy = y;
        if (!p_.subpixel || !fine_.get(next_, x, y, fx, fy)) fx = x, fy = y;
        refX_ = fx;
        refY_ = fy;
        refIndex_ = next_;
        bandValid_ = false;
    }
    text_ = strprintf("aligning image %i of range %i to %i to image %i", next_, first_, last_, refIndex_);
    ++next_;
    if (p_.robust && next_ >= last_) beginSecondPass();
    return true;
}

void MovementRun::beginSecondPass() {
    if (!mean_.resize(reference_.width(), reference_.rows(), 1)) {
        phase_ = passes();  // without memory for the mean the first pass stands
        next_ = last_;
        return;
    }
    mean_.setColour(CZVimage::kGrey);
    mean_.setInterlace(reference_.interlace());
    for (int v = 0; v < mean_.rows(); ++v) {
        uint8_t* d = mean_.row(v);
        const size_t at = size_t(v) * size_t(mean_.width());
        for (int u = 0; u < mean_.width(); ++u) {
            const uint32_t c = count_[at + size_t(u)];
            d[u] = c ? uint8_t((sum_[at + size_t(u)] + c / 2) / c) : 128;
        }
    }
    // Pixels that change much more than most over the run (blood flowing
    // in the loops, cells passing) are left out of the second pass: only
    // what stands still can say where the frame lies.
    const int W = mean_.width(), H = mean_.rows(), S = mean_.stride();
    const int ww = int(W * (p_.window / 100.0)), wh = int(H * (p_.window / 100.0));
    const int x0 = (W - ww) / 2, y0 = (H - wh) / 2;
    std::vector<float> var(size_t(std::max(0, ww)) * size_t(std::max(0, wh)), 0.0f);
    for (int v = 0; v < wh; ++v)
        for (int u = 0; u < ww; ++u) {
            const size_t i = size_t(y0 + v) * size_t(W) + size_t(x0 + u);
            const double c = count_[i];
            var[size_t(v) * size_t(ww) + size_t(u)] =
                c > 1 ? float(double(squares_[i]) / c - (double(sum_[i]) / c) * (double(sum_[i]) / c)) : 0.0f;
        }
    std::vector<float> sorted(var);
    float cut = 0;
    if (!sorted.empty()) {
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
        cut = 1.5f * std::max(1.0f, sorted[sorted.size() / 2]);
    }
    auto still = [&](int32_t o) {
        const int v = o / S, u = o % S;
        return u < ww && v < wh && var[size_t(v) * size_t(ww) + size_t(u)] <= cut;
    };
    samples_.clear();
    for (int32_t o : pattern_.offsets(p_.method, p_.step, ww, wh, S))
        if (still(o)) samples_.push_back(o);
    dense_.clear();
    for (int v = 0; v < wh; v += 2)
        for (int u = 0; u < ww; u += 2)
            if (still(v * S + u)) dense_.push_back(v * S + u);
    ++phase_;
    next_ = first_;
    const bool again = phase_ < passes();
    std::fill(sum_.begin(), sum_.end(), 0u);
    std::fill(squares_.begin(), squares_.end(), 0u);
    std::fill(count_.begin(), count_.end(), uint16_t(0));
    if (!again) {
        sum_ = {};
        squares_ = {};
        count_ = {};
    }
}

// Frame next against the mean, near where the first pass put it. Frame
// first is measured too, so that the offsets stay relative to it.
void MovementRun::secondPassStep() {
    CZVimage& cur = movie_->GoTo(next_);
    if (movie_->isDamaged(next_) || cur.isEmpty()) {
        text_ = strprintf("aligning image %i of range %i to %i to the mean image", next_, first_, last_);
        ++next_;
        return;
    }
    CZVimage* compared = prepare(cur);
    const int yUnit = mean_.isField() ? 2 : 1;
    const int cx = firstX_ - cur.originX(), cy = (firstY_ - cur.originY()) / yUnit;
    const int radius = std::max(4, std::min(int(mean_.width() * (p_.range / 100.0)), int(mean_.rows() * (p_.range / 100.0))) / 4);
    const Alignment a = compared ? alignNear(mean_, *compared, p_, samples_, &dense_, cx, cy, radius) : Alignment{};
    if (a.found) {
        const double sx = a.dx + a.fx, sy = a.dy + a.fy;
        if (next_ == first_) {
            firstShiftX_ = sx;
            firstShiftY_ = sy;
        } else {
            const double fx = firstX_ - sx + firstShiftX_, fy = firstY_ + (firstShiftY_ - sy) * yUnit;
            const int x = int(std::lround(fx)), y = int(std::lround(fy / yUnit)) * yUnit;
            movie_->ShiftCurrentOffset(x - cur.originX(), y - cur.originY());
            if (p_.subpixel) fine_.set(next_, x, y, fx, fy);
        }
    }
    if (compared && !sum_.empty()) accumulate(*compared, cur.originX() - firstX_, (cur.originY() - firstY_) / yUnit);
    text_ = strprintf("aligning image %i of range %i to %i to the mean image", next_, first_, last_);
    ++next_;
}

}  // namespace ordavia
