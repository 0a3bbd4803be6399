#include "video/FcfStatistics.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/ParallelFor.h"
#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"
#include "video/MovieAccumulate.h"

namespace ordavia {

namespace {

// Frames read together; each strip of canvas rows takes them all in turn
// while its sums stay in cache, so the sums cross memory once per chunk
// instead of once per frame.
constexpr int kChunk = 16;
constexpr int kStripRows = 16;
// 32-bit sums of squares hold 65536 frames of 255^2; longer blocks move
// them into doubles at that period.
constexpr int kFlushFrames = 65536;

struct Sums {
    std::vector<uint8_t> prev;
    std::vector<uint32_t> cnt, sI, sI2, sD2;
    std::vector<int32_t> sD;
    // Totals of longer blocks.
    std::vector<double> tI, tI2, tD, tD2;

    void resize(size_t n) {
        prev.assign(n, 0);
        cnt.assign(n, 0);
        sI.assign(n, 0);
        sI2.assign(n, 0);
        sD2.assign(n, 0);
        sD.assign(n, 0);
    }
    void flush() {
        const size_t n = sI.size();
        if (tI.empty()) {
            tI.assign(n, 0);
            tI2.assign(n, 0);
            tD.assign(n, 0);
            tD2.assign(n, 0);
        }
        for (size_t k = 0; k < n; ++k) {
            tI[k] += sI[k];
            tI2[k] += sI2[k];
            tD[k] += sD[k];
            tD2[k] += sD2[k];
        }
        std::fill(sI.begin(), sI.end(), 0u);
        std::fill(sI2.begin(), sI2.end(), 0u);
        std::fill(sD.begin(), sD.end(), 0);
        std::fill(sD2.begin(), sD2.end(), 0u);
    }
};

// One row segment of one frame. A pixel's first covering frame only seeds
// its previous value; the masks keep the loop free of branches so that it
// vectorises.
void accumulate(const uint8_t* __restrict src, size_t n, uint8_t* __restrict prev, uint32_t* __restrict cnt,
                uint32_t* __restrict sI, uint32_t* __restrict sI2, int32_t* __restrict sD, uint32_t* __restrict sD2) {
    for (size_t x = 0; x < n; ++x) {
        const uint32_t v = src[x];
        const int32_t d = int32_t(v) - int32_t(prev[x]);
        const uint32_t m = cnt[x] ? 0xFFFFFFFFu : 0u;
        sI[x] += v & m;
        sI2[x] += (v * v) & m;
        sD[x] += d & int32_t(m);
        sD2[x] += uint32_t(d * d) & m;
        prev[x] = uint8_t(v);
        cnt[x] += 1;
    }
}

double sd(double s1, double s2, double m) {
    if (m <= 0) return 0;
    const double v = (s2 - s1 * s1 / m) / m;
    return v > 0 ? std::sqrt(v) : 0;
}

}  // namespace

Status fcfBlockStatistics(CZVMovie& movie, int first, int last, FcfBlock& out) {
    if (!movie.isOpen() || movie.count() <= 0) return Status::failure("there is no movie");
    movie.clampRange(first, last);
    if (first >= last) return Status::failure("the range holds no frames");
    const CZVMovie::Bounds b = movie.OffsetBounds(first, last);
    const CZVimage& fmt = movie.formatImage();
    const bool field = fmt.isField();
    const int fw = fmt.width(), fr = fmt.rows(), bpp = fmt.bytesPerPixel();
    const int W = b.width, R = field ? b.height / 2 : b.height;
    // Movement offsets are a fraction of the frame; a canvas more than
    // three frames across means damaged offsets, not a bigger picture.
    if (fw <= 0 || fr <= 0 || W <= 0 || R <= 0 || int64_t(W) > 3 * int64_t(fw) || int64_t(R) > 3 * int64_t(fr))
        return Status::failure("the offsets spread the frames too far apart");
    const size_t n = size_t(W) * size_t(R);
    // Sums, their totals, both results, the flow ratio and picture, and a
    // chunk of frames.
    const uint64_t need = uint64_t(n) * (21 + 32 + 16 + 9) + uint64_t(kChunk) * uint64_t(fmt.byteCount());
    if (Status st = passMemoryBudget(need, "the flow statistics"); !st) return st;
    Sums s;
    try {
        s.resize(n);
    } catch (const std::bad_alloc&) {
        return Status::failure(StatusCode::NoMemory, "memory allocation error!");
    }

    std::vector<MovieFrameImage> scratch(kChunk);
    const CZVimage* frames[kChunk];
    int ox[kChunk], oy[kChunk];
    int maxX = INT32_MIN, maxY = INT32_MIN;
    for (int c0 = first; c0 < last; c0 += kChunk) {
        const int kn = std::min(kChunk, last - c0);
        for (int j = 0; j < kn; ++j) {
            const CZVimage& f = movie.peekFrame(c0 + j, scratch[size_t(j)]);
            // Damaged frames stay out of the sums: the differences then
            // run from the frame before the gap to the frame after it.
            frames[j] = movie.isDamaged(c0 + j) ? nullptr : &f;
            if (!frames[j]) continue;
            ox[j] = f.originX() - b.minX;
            oy[j] = field ? f.storedOriginY() - b.minY / 2 : f.originY() - b.minY;
            maxX = std::max(maxX, f.originX());
            maxY = std::max(maxY, f.originY());
        }
        // Strips of canvas rows are disjoint: each thread takes whole
        // strips, and every pixel sees the frames in the same order.
        const int strips = (R + kStripRows - 1) / kStripRows;
        parallelFor(0, strips, [&](int fromStrip, int toStrip) {
            std::vector<uint8_t> grey(bpp > 1 ? size_t(fw) : 0);
            for (int y0 = fromStrip * kStripRows; y0 < std::min(R, toStrip * kStripRows); y0 += kStripRows) {
                const int y1 = std::min(R, y0 + kStripRows);
                for (int j = 0; j < kn; ++j) {
                    if (!frames[j]) continue;
                    const CZVimage& f = *frames[j];
                    if (f.rows() != fr || f.width() != fw) continue;
                    const int x = std::clamp(ox[j], 0, W);
                    const size_t len = size_t(std::min(fw, W - x));
                    for (int cy = std::max(y0, oy[j]); cy < std::min(y1, oy[j] + fr); ++cy) {
                        const uint8_t* src = f.row(cy - oy[j]);
                        if (bpp > 1) {
                            for (size_t k = 0; k < len; ++k) grey[k] = src[k * size_t(bpp)];
                            src = grey.data();
                        }
                        const size_t o = size_t(cy) * size_t(W) + size_t(x);
                        accumulate(src, len, &s.prev[o], &s.cnt[o], &s.sI[o], &s.sI2[o], &s.sD[o], &s.sD2[o]);
                    }
                }
            }
        });
        if ((c0 + kn - first) % kFlushFrames == 0 && c0 + kn < last) s.flush();
    }
    if (!s.tI.empty()) s.flush();
    if (Status st = damagedFramesStatus(movie, first, last); !st) return st;

    out.width = W;
    out.height = R;
    out.originX = b.minX;
    out.originY = b.minY;
    // Every frame covers [its offset, its offset + size): the common part
    // runs from the largest offset to the smallest offset + size.
    const int mx = maxX - b.minX, my = field ? maxY / 2 - b.minY / 2 : maxY - b.minY;
    out.common = ZRect{mx, my, fw, fr}.isEmpty() ? ZRect{} : ZRect{mx, my, fw, fr};
    try {
        out.sdD.assign(n, 0);
        out.sdI.assign(n, 0);
    } catch (const std::bad_alloc&) {
        out.sdD.clear();
        out.sdI.clear();
        return Status::failure(StatusCode::NoMemory, "memory allocation error!");
    }
    const bool totals = !s.tI.empty();
    parallelFor(0, R, [&](int fromRow, int toRow) {
        for (size_t k = size_t(fromRow) * size_t(W); k < size_t(toRow) * size_t(W); ++k) {
            if (s.cnt[k] < 2) continue;
            const double m = double(s.cnt[k] - 1);
            if (totals) {
                out.sdI[k] = sd(s.tI[k], s.tI2[k], m);
                out.sdD[k] = sd(s.tD[k], s.tD2[k], m);
            } else {
                out.sdI[k] = sd(s.sI[k], s.sI2[k], m);
                out.sdD[k] = sd(s.sD[k], s.sD2[k], m);
            }
        }
    }, 16);
    return Status::success();
}

void fcfRatio(const std::vector<double>& sdD, const std::vector<double>& sdI, double threshold,
              std::vector<double>& ratio, bool ignoreDrift) {
    const size_t n = std::min(sdD.size(), sdI.size());
    ratio.assign(n, 0);
    const double toI = 1.0 / std::sqrt(2.0);
    for (size_t k = 0; k < n; ++k) {
        const double variation = ignoreDrift ? sdD[k] * toI : sdI[k];
        if (variation >= threshold && sdI[k] > 0) ratio[k] = sdD[k] / sdI[k];
    }
}

bool fcfPicture(const std::vector<double>& ratio, int width, int height, double gain, CZVimage& out) {
    if (width <= 0 || height <= 0 || ratio.size() < size_t(width) * size_t(height)) return false;
    CZVimage img;
    img.setInterlace(CZVimage::kFrame);
    if (!img.resize(width, height, 1)) return false;
    img.setColour(CZVimage::kGrey);
    for (int y = 0; y < height; ++y) {
        uint8_t* d = img.row(y);
        const double* r = &ratio[size_t(y) * size_t(width)];
        for (int x = 0; x < width; ++x) {
            const double v = r[x] * gain;
            d[x] = v >= 255.0 ? 255 : v > 0 ? uint8_t(v) : 0;  // NaN gives 0
        }
    }
    img.dropDisplayHeader();
    out = std::move(img);
    return true;
}

FcfMeasures fcfMeasure(const std::vector<double>& ratio, const std::vector<double>& sdD,
                       const std::vector<double>& sdI, int width, int height, const ZRect& region) {
    FcfMeasures m;
    ZRect r = region.normalized();
    if (r.isEmpty()) r = ZRect{0, 0, width, height};
    r = r.intersected(ZRect{0, 0, width, height});
    const size_t need = size_t(std::max(0, width)) * size_t(std::max(0, height));
    if (r.isEmpty() || ratio.size() < need || sdD.size() < need || sdI.size() < need) return m;
    m.width = r.width();
    m.height = r.height();
    double sr = 0, sf = 0, sc = 0;
    size_t flowing = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        const size_t o = size_t(y) * size_t(width);
        for (int x = r.left; x < r.right; ++x) {
            const double v = ratio[o + size_t(x)];
            sr += v;
            flowing += v > 0;
            sf += sdD[o + size_t(x)];
            sc += sdI[o + size_t(x)];
        }
    }
    const double count = double(m.width) * double(m.height);
    m.fcf = sr / count;
    m.fcd = double(flowing) * 100.0 / count;
    m.flux = sf / count;
    m.conc = sc / count;
    return m;
}

}  // namespace ordavia
