#include "video/PixelSpectra.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/Text.h"
#include "chart/FftEngine.h"
#include "image/CZVimage.h"
#include "video/CZVMovie.h"

namespace ordavia {

namespace {

// The frames of a block in memory: a spectrum needs every frame of it for
// every pixel.
constexpr uint64_t kMaxBlockBytes = uint64_t(1) << 30;

struct Block {
    int width = 0, rows = 0, frames = 0;
    std::vector<uint8_t> grey;  // frame after frame, width x rows each
    const uint8_t* frame(int k) const { return grey.data() + size_t(k) * size_t(width) * size_t(rows); }
};

Status readBlock(CZVMovie& m, int start, int frames, Block& b) {
    const CZVimage& fmt = m.formatImage();
    b.width = fmt.width();
    b.rows = fmt.rows();
    b.frames = frames;
    const uint64_t bytes = uint64_t(b.width) * uint64_t(b.rows) * uint64_t(frames);
    if (bytes > kMaxBlockBytes)
        return Status::failure(strprintf("%d frames of %dx%d do not fit in memory at once; choose fewer FFT points",
                                         frames, b.width, fmt.height()));
    try {
        b.grey.resize(size_t(bytes));
    } catch (const std::bad_alloc&) {
        return Status::failure("memory allocation error!");
    }
    const int bpp = fmt.bytesPerPixel();
    MovieFrameImage scratch;
    for (int k = 0; k < frames; ++k) {
        const CZVimage& f = m.peekFrame(start + k, scratch);
        uint8_t* dst = b.grey.data() + size_t(k) * size_t(b.width) * size_t(b.rows);
        for (int y = 0; y < b.rows && y < f.rows(); ++y) {
            const uint8_t* src = f.row(y);
            uint8_t* d = dst + size_t(y) * size_t(b.width);
            if (bpp == 1) std::memcpy(d, src, size_t(std::min(b.width, f.width())));
            else
                for (int x = 0; x < std::min(b.width, f.width()); ++x) d[x] = src[size_t(x) * size_t(bpp)];
        }
    }
    return Status::success();
}

// Calls out(x, y, P) with the n powers of every pixel, row by row; the
// samples of a row are gathered first so that each frame row is read once.
template <class Out>
Status spectra(const Block& b, int n, Out&& out) {
    FftEngine fft;
    if (!fft.Prepare(n)) return Status::failure(strprintf("%d FFT points is not a power of 4 from 4 to 4096", n));
    const int twoN = 2 * n;
    std::vector<double> samples(size_t(b.width) * size_t(twoN));
    std::vector<double> power(static_cast<size_t>(n));
    for (int y = 0; y < b.rows; ++y) {
        for (int k = 0; k < twoN; ++k) {
            const uint8_t* r = b.frame(k) + size_t(y) * size_t(b.width);
            for (int x = 0; x < b.width; ++x) samples[size_t(x) * size_t(twoN) + size_t(k)] = r[x];
        }
        for (int x = 0; x < b.width; ++x) {
            fft.realPowerSpectrum(&samples[size_t(x) * size_t(twoN)], power.data());
            out(x, y, power.data());
        }
    }
    return Status::success();
}

uint8_t clip255(double v) { return v >= 255.0 ? 255 : v > 0 ? uint8_t(v) : 0; }

}  // namespace

Status fftPerPixelPass(CZVMovie& m, int start, int n, const std::function<bool(int)>& progress) {
    if (FftEngine::sizeCheck(n) <= 0) return Status::failure(strprintf("%d FFT points is not a power of 4 from 4 to 4096", n));
    if (!m.isOpen() || m.count() <= 0) return Status::failure("there is no movie");
    if (m.recording())
        return Status::failure("the movie is being recorded");
    if (start < 0 || int64_t(m.count()) - start < 2 * int64_t(n))
        return Status::failure(strprintf("%d FFT points need %d frames from frame %d; the movie has %d", n, 2 * n, start,
                                         m.count()));
    Block b;
    if (Status s = readBlock(m, start, 2 * n, b); !s) return s;
    std::vector<uint8_t> planes(size_t(n) * size_t(b.width) * size_t(b.rows));
    const size_t plane = size_t(b.width) * size_t(b.rows);
    Status s = spectra(b, n, [&](int x, int y, const double* p) {
        const size_t o = size_t(y) * size_t(b.width) + size_t(x);
        for (int k = 0; k < n; ++k) planes[size_t(k) * plane + o] = clip255(p[k]);
    });
    if (!s) return s;

    // The block becomes the movie: spectrum frames, then the second half.
    m.GoTo(start);
    if (Status o = m.openprocessing(false); !o) return o;
    const int bpp = m.formatImage().bytesPerPixel();
    for (int k = 0; k < 2 * n; ++k) {
        if (k < n) {
            CZVimage& cur = m.currentImage();
            for (int y = 0; y < b.rows; ++y) {
                const uint8_t* src = &planes[size_t(k) * plane + size_t(y) * size_t(b.width)];
                uint8_t* d = cur.row(y);
                if (bpp == 1) std::memcpy(d, src, size_t(b.width));
                else
                    for (int x = 0; x < b.width; ++x) std::memset(d + size_t(x) * size_t(bpp), src[x], size_t(bpp));
            }
            cur.dropDisplayHeader();
        }
        if (progress && !progress(k)) {
            m.abandonProcessing();
            m.GoTo(0);
            return Status::cancelled();
        }
        if (k + 1 < 2 * n) m.GoTo(start + k + 1);
        else m.leaveFrame();
    }
    s = m.FinishProcessing();
    m.GoTo(0);
    return s;
}

Status fluxConcSpeed(CZVMovie& m, const FluxParams& p, CZVimage* speed, CZVimage* conc, CZVimage* flux) {
    const int n = p.nfftpts;
    if (FftEngine::sizeCheck(n) <= 0) return Status::failure(strprintf("%d FFT points is not a power of 4 from 4 to 4096", n));
    if (!m.isOpen() || m.count() < 2 * n)
        return Status::failure(strprintf("%d FFT points need %d frames; the movie has %d", n, 2 * n, m.count()));
    Block b;
    if (Status s = readBlock(m, 0, 2 * n, b); !s) return s;
    const CZVimage& fmt = m.formatImage();
    CZVimage* outs[3] = {speed, conc, flux};
    for (CZVimage* o : outs) {
        if (!o) continue;
        CZVimage img;
        img.setInterlace(fmt.interlace());
        if (!img.resize(b.width, b.rows, 1)) return Status::failure("memory allocation error!");
        img.setColour(CZVimage::kGrey);
        *o = std::move(img);
    }
    const int lo = std::max(p.lfCutoff, 1), hi = std::min(p.hfCutoff, n);
    const double n2 = double(n) * double(n);
    return spectra(b, n, [&](int x, int y, const double* P) {
        double s0 = 0, s1 = 0;
        for (int k = lo; k < hi; ++k) {
            s0 += P[k];
            s1 += k * P[k];
        }
        s1 = s1 * 2.0 / n2;
        s0 /= n;
        const double v = s0 <= p.threshold ? 0.0 : s1 / s0 * 255.0;
        if (speed) speed->row(y)[x] = clip255(v);
        if (conc) conc->row(y)[x] = clip255(s0);
        if (flux) flux->row(y)[x] = clip255(s1);
    });
}

}  // namespace ordavia
