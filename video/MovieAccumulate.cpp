#include "video/MovieAccumulate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Text.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"

namespace ordavia {

namespace {

Status checkRange(CZVMovie& movie, int& first, int& last) {
    if (!movie.isOpen() || movie.count() <= 0) return Status::failure("there is no movie");
    movie.clampRange(first, last);
    if (first >= last) return Status::failure("the range holds no frames");
    return Status::success();
}

// A damaged movie can hold a frame of another shape than its first; the
// sums below walk every frame with the first frame's rows and widths.
Status sameShape(const CZVimage& f, const CZVimage& fmt, int i) {
    if (f.width() == fmt.width() && f.rows() == fmt.rows() && f.bytesPerPixel() == fmt.bytesPerPixel())
        return Status::success();
    return Status::failure(strprintf("frame %i differs in size from the movie's first frame", i));
}

// What reading a foreign video holds besides a pass's own buffers: the
// decoder's frames and the converted one (about four frames, measured on
// FFV1 at 8192 x 8190). Movie files are read straight into the pass's frame.
uint64_t readerBytes(const CZVMovie& movie) {
    return movie.aviReader() ? 4 * uint64_t(movie.formatImage().byteCount()) : 0;
}

}  // namespace

Status passMemoryBudget(uint64_t bytes, const char* what) {
    if (bytes <= kMaxPassBytes) return Status::success();
    return Status::failure(StatusCode::NoMemory, strprintf("%s would need %llu MB, more than the %llu MB a pass may use", what,
                                                           static_cast<unsigned long long>(bytes >> 20),
                                                           static_cast<unsigned long long>(kMaxPassBytes >> 20)));
}

Status averageRange(CZVMovie& movie, int first, int last, CZVimage& out) {
    if (Status s = checkRange(movie, first, last); !s) return s;
    // The canvas is at least a frame: what that needs is known before the
    // offsets are gathered (which reads every frame).
    const uint64_t atLeast = uint64_t(movie.formatImage().byteCount()) * 8 + readerBytes(movie);
    if (Status s = passMemoryBudget(atLeast, "the average"); !s) return s;
    const CZVMovie::Bounds b = movie.OffsetBounds(first, last);
    const CZVimage& fmt = movie.formatImage();
    const bool field = fmt.isField();
    const int bpp = fmt.bytesPerPixel();
    const int canvasRows = field ? b.height / 2 : b.height;
    const size_t rowBytes = size_t(b.width) * size_t(bpp);
    // Movement offsets are a fraction of the frame; a canvas more than
    // three frames across means damaged offsets, not a bigger picture.
    if (b.width <= 0 || canvasRows <= 0 || int64_t(b.width) > 3 * int64_t(fmt.width()) ||
        int64_t(canvasRows) > 3 * int64_t(fmt.rows()))
        return Status::failure("the offsets spread the frames too far apart");
    // Sums, partial sums, cover counts, the result and a frame.
    if (Status s = passMemoryBudget(uint64_t(rowBytes) * uint64_t(canvasRows) * 7 + uint64_t(b.width) * uint64_t(canvasRows) * 4 +
                                        uint64_t(fmt.byteCount()) + readerBytes(movie),
                                    "the average");
        !s)
        return s;
    std::vector<uint32_t> sum(rowBytes * size_t(canvasRows), 0);
    // Frames add into 16-bit partial sums (256 frames of 255 fit), which
    // halve the memory traffic per frame; they join the 32-bit sums every
    // 256 frames.
    std::vector<uint16_t> part(sum.size(), 0);
    // With every frame at the same offset each canvas pixel is covered by
    // every frame, and the per-pixel count is not needed.
    std::vector<uint32_t> cover;
    if (b.anyNonZero) cover.assign(size_t(b.width) * size_t(canvasRows), 0);
    MovieFrameImage frame;
    const int fw = fmt.width(), fr = fmt.rows();
    const size_t frb = size_t(fw) * size_t(bpp);
    auto flush = [&] {
        for (size_t k = 0; k < sum.size(); ++k) sum[k] += part[k];
        std::fill(part.begin(), part.end(), 0);
    };
    uint32_t used = 0;
    for (int i = first; i < last; ++i) {
        const CZVimage& f = movie.peekFrame(i, frame);
        if (movie.isDamaged(i)) continue;
        if (Status s = sameShape(f, fmt, i); !s) return s;
        ++used;
        // In 64 bits: a damaged origin may lie anywhere in the int range.
        const int64_t ox64 = int64_t(f.originX()) - b.minX;
        const int64_t oy64 = field ? int64_t(f.storedOriginY()) - b.minY / 2 : int64_t(f.originY()) - b.minY;
        if (ox64 < 0 || ox64 >= b.width || oy64 < -int64_t(fr) || oy64 > canvasRows)
            return Status::failure(strprintf("frame %i lies outside the frames' common offsets", i));
        const int ox = int(ox64), oy = int(oy64);
        for (int y = 0; y < fr; ++y) {
            const int cy = y + oy;
            if (cy < 0 || cy >= canvasRows) continue;
            const uint8_t* src = f.row(y);
            uint16_t* dst = &part[size_t(cy) * rowBytes + size_t(ox) * size_t(bpp)];
            const size_t n = std::min(frb, rowBytes - size_t(ox) * size_t(bpp));
            for (size_t x = 0; x < n; ++x) dst[x] = uint16_t(dst[x] + src[x]);
            if (!cover.empty()) {
                uint32_t* c = &cover[size_t(cy) * size_t(b.width) + size_t(ox)];
                const size_t m = std::min(size_t(fw), size_t(b.width - ox));
                for (size_t x = 0; x < m; ++x) c[x] += 1;
            }
        }
        if (used % 256 == 0) flush();
    }
    flush();
    if (Status s = damagedFramesStatus(movie, first, last); !s) return s;
    CZVimage result;
    result.setInterlace(fmt.interlace());
    if (!result.resize(b.width, canvasRows, bpp) || !result.setColour(fmt.colour()))
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    const uint32_t n = used;
    for (int y = 0; y < canvasRows; ++y) {
        uint8_t* d = result.row(y);
        const uint32_t* s = &sum[size_t(y) * rowBytes];
        if (cover.empty()) {
            for (size_t x = 0; x < rowBytes; ++x) d[x] = uint8_t(s[x] / n);
        } else {
            const uint32_t* c = &cover[size_t(y) * size_t(b.width)];
            for (size_t x = 0; x < rowBytes; ++x) {
                const uint32_t k = c[x / size_t(bpp)];
                d[x] = k ? uint8_t(s[x] / k) : 0;
            }
        }
    }
    result.setOrigin(b.minX, b.minY);
    result.setTag(-1);
    out.adoptData(std::move(result));
    out.dropDisplayHeader();
    return Status::success();
}

Status rmsRange(CZVMovie& movie, int first, int last, CZVimage& out) {
    if (Status s = checkRange(movie, first, last); !s) return s;
    const CZVimage& fmt = movie.formatImage();
    const size_t rb = size_t(fmt.rowBytes());
    const int rows = fmt.rows();
    if (Status s = passMemoryBudget(uint64_t(rb) * uint64_t(rows) * 17 + uint64_t(fmt.byteCount()) + readerBytes(movie),
                                    "the temporal rms"); !s) return s;
    std::vector<uint32_t> s1(rb * size_t(rows), 0);
    // Squares add in 32 bits (65536 frames of 255^2 fit) and join 64-bit
    // sums only for longer ranges.
    std::vector<uint32_t> q32(rb * size_t(rows), 0);
    std::vector<uint64_t> s2(rb * size_t(rows), 0);
    auto flush = [&] {
        for (size_t k = 0; k < q32.size(); ++k) s2[k] += q32[k];
        std::fill(q32.begin(), q32.end(), 0u);
    };
    MovieFrameImage frame;
    uint32_t used = 0;
    for (int i = first; i < last; ++i) {
        const CZVimage& f = movie.peekFrame(i, frame);
        if (movie.isDamaged(i)) continue;
        if (Status s = sameShape(f, fmt, i); !s) return s;
        ++used;
        for (int y = 0; y < rows; ++y) {
            const uint8_t* p = f.row(y);
            uint32_t* a = &s1[size_t(y) * rb];
            uint32_t* q = &q32[size_t(y) * rb];
            for (size_t x = 0; x < rb; ++x) {
                const uint32_t v = p[x];
                a[x] += v;
                q[x] += v * v;
            }
        }
        if (used % 65536 == 0) flush();
    }
    flush();
    if (Status s = damagedFramesStatus(movie, first, last); !s) return s;
    CZVimage result;
    result.setInterlace(fmt.interlace());
    if (!result.resize(fmt.width(), rows, fmt.bytesPerPixel()) || !result.setColour(fmt.colour()))
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    const double n = double(used);
    for (int y = 0; y < rows; ++y) {
        uint8_t* d = result.row(y);
        for (size_t x = 0; x < rb; ++x) {
            const double a = s1[size_t(y) * rb + x];
            const double var = (double(s2[size_t(y) * rb + x]) - a * a / n) / n;
            const double sd = var > 0 ? std::sqrt(var) : 0.0;
            d[x] = uint8_t(std::min(255.0, sd));
        }
    }
    result.setTag(-1);
    out.adoptData(std::move(result));
    out.dropDisplayHeader();
    return Status::success();
}

double IntensityDiffStats::sdIntensity(size_t p) const {
    const double m = double(count - 1);
    if (m <= 0) return 0;
    const double v = (sumI2[p] - sumI[p] * sumI[p] / m) / m;
    return v > 0 ? std::sqrt(v) : 0;
}

double IntensityDiffStats::sdDifference(size_t p) const {
    const double m = double(count - 1);
    if (m <= 0) return 0;
    const double v = (sumD2[p] - sumD[p] * sumD[p] / m) / m;
    return v > 0 ? std::sqrt(v) : 0;
}

Status intensityDiffStats(CZVMovie& movie, int first, int last, IntensityDiffStats& st, const MovieProgress& progress) {
    if (Status s = checkRange(movie, first, last); !s) return s;
    const CZVimage& fmt = movie.formatImage();
    st.width = fmt.rowBytes();
    st.rows = fmt.rows();
    const size_t n = size_t(st.width) * size_t(st.rows);
    if (Status s = passMemoryBudget(uint64_t(n) * 34 + uint64_t(fmt.byteCount()) + readerBytes(movie),
                                    "the intensity statistics"); !s) return s;
    st.sumI.assign(n, 0);
    st.sumI2.assign(n, 0);
    st.sumD.assign(n, 0);
    st.sumD2.assign(n, 0);
    st.count = 0;
    std::vector<uint8_t> prev(n);
    MovieFrameImage frame;
    // A damaged frame breaks the chain of differences: the next good frame
    // seeds it again instead of being compared across the gap.
    bool seed = true;
    for (int i = first; i < last; ++i) {
        if (progress && !progress(strprintf("processing image %i of range %i to %i", i, first, last))) break;
        const CZVimage& f = movie.peekFrame(i, frame);
        if (movie.isDamaged(i)) {
            seed = true;
            continue;
        }
        if (Status s = sameShape(f, fmt, i); !s) return s;
        const bool seeding = seed;
        seed = false;
        for (int y = 0; y < st.rows; ++y) {
            const uint8_t* p = f.row(y);
            uint8_t* pv = &prev[size_t(y) * size_t(st.width)];
            if (seeding) {
                std::memcpy(pv, p, size_t(st.width));
                continue;
            }
            double* a = &st.sumI[size_t(y) * size_t(st.width)];
            double* a2 = &st.sumI2[size_t(y) * size_t(st.width)];
            double* dd = &st.sumD[size_t(y) * size_t(st.width)];
            double* dd2 = &st.sumD2[size_t(y) * size_t(st.width)];
            for (int x = 0; x < st.width; ++x) {
                const double v = p[x];
                const double d = v - pv[x];
                a[x] += v;
                a2[x] += v * v;
                dd[x] += d;
                dd2[x] += d * d;
                pv[x] = p[x];
            }
        }
        if (!seeding || st.count == 0) ++st.count;
    }
    if (progress) progress("final calculation");
    return damagedFramesStatus(movie, first, last);
}

Status speedByRms(CZVMovie& movie, int first, int last, double threshold, double gain, CZVimage& out,
                  const MovieProgress& progress) {
    IntensityDiffStats st;
    if (Status s = intensityDiffStats(movie, first, last, st, progress); !s) return s;
    const CZVimage& fmt = movie.formatImage();
    CZVimage result;
    result.setInterlace(fmt.interlace());
    if (!result.resize(fmt.width(), fmt.rows(), fmt.bytesPerPixel()) || !result.setColour(fmt.colour()))
        return Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
    for (int y = 0; y < st.rows; ++y) {
        uint8_t* d = result.row(y);
        for (int x = 0; x < st.width; ++x) {
            const size_t p = size_t(y) * size_t(st.width) + size_t(x);
            const double si = st.sdIntensity(p);
            if (si <= threshold) {
                d[x] = 0;
                continue;
            }
            const double v = st.sdDifference(p) * gain / si;
            d[x] = v >= 255.0 ? 255 : uint8_t(v);
        }
    }
    result.setTag(-1);
    out.adoptData(std::move(result));
    out.dropDisplayHeader();
    return Status::success();
}

}  // namespace ordavia
