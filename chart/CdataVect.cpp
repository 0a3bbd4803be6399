#include "chart/CdataVect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "base/Archive.h"
#include "base/ClassRegistry.h"
#include "chart/Correlogram.h"

using namespace ordavia;

// ---- storage ----

bool CdataVect::allocate(uint32_t n) {
    release();
    count = 0;
    const size_t values = size_t(n) * components;
    if (values > kMaxBytes / (elemSize ? elemSize : 1)) return false;
    const size_t bytes = values * elemSize;
    if (bytes) {
        storage_.reset(new (std::nothrow) uint8_t[bytes]());
        if (!storage_) return false;
    }
    data_ = storage_.get();
    count = n;
    return true;
}

uint32_t CdataVect::clippedCount(uint32_t size, uint32_t start, uint32_t n, uint32_t step) {
    if (start >= size || n == 0) return 0;
    if (step == 0) step = 1;
    if (uint64_t(start) + uint64_t(n - 1) * step < size) return n;
    return static_cast<uint32_t>((uint64_t(size) - start + step - 1) / step);
}

std::unique_ptr<CdataVect> CdataVect::cloneRange(uint32_t start, uint32_t n, uint32_t step) const {
    std::unique_ptr<CdataVect> v = makeEmpty();
    if (!v->allocate(n)) return nullptr;
    if (data_ && n) {
        // Same element type: one block read straight into the new storage.
        const uint32_t got = readBlockTo(v->data_, elemKind(), start, n, step);
        (void)got;
    }
    v->stride = stride;
    v->cursor = cursor;
    return v;
}

std::unique_ptr<CdataVect> CdataVect::createLike() const {
    std::unique_ptr<CdataVect> v = makeEmpty();
    v->stride = stride;
    return v;
}

float CdataVect::valueAt(uint32_t row, uint32_t component) const {
    if (twoD() && component >= components) return 0.0f;
    return static_cast<float>(getD(size_t(row) * (twoD() ? components : 1) + component));
}

bool CdataVect::resize(uint32_t n) {
    if (n == count && (data_ || n == 0)) return true;
    const size_t values = size_t(n) * components;
    if (values > kMaxBytes / elemSize) return false;
    if (!storage_) {
        if (!allocate(n)) {
            count = 0;
            return false;
        }
        if (cursor >= n) cursor = 0;
        return true;
    }
    std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[std::max<size_t>(values * elemSize, 1)]());
    if (!fresh) return false;
    std::memcpy(fresh.get(), data_, std::min(values, valueCount()) * elemSize);
    storage_ = std::move(fresh);
    data_ = storage_.get();
    count = n;
    if (n < cursor) cursor = 0;
    return true;
}

bool CdataVect::setWidth(uint32_t n) { return resize(n); }

uint32_t CdataVect::flatten() {
    count = static_cast<uint32_t>(valueCount());
    components = 1;
    return count;
}

void CdataVect::fill(double v) {
    for (size_t i = 0, n = valueCount(); i < n; ++i) setD(i, v);
}

void CdataVect::copyFrom(uint32_t dst, const CdataVect& src, uint32_t n, uint32_t srcStart) {
    if (&src == this || !data_) return;
    n = clippedCount(count, dst, n, 1);
    if (!n) return;
    const ElemKind k = elemKind();
    // The source clips too; a short source leaves the rest as it was.
    std::vector<uint8_t> tmp(size_t(n) * components * elemSize);
    const uint32_t got = src.readBlockTo(tmp.data(), k, srcStart, n, 1);
    std::memcpy(data_ + size_t(dst) * components * elemSize, tmp.data(), size_t(got) * src.components * elemSize);
}

void CdataVect::fillRange(int64_t from, int64_t to, double v) {
    const int64_t c = count;
    if (c == 0) return;
    if (from < 0) from += c;
    if (from >= c) from -= c;
    if (to < 0) to += c;
    if (to >= c) to -= c;
    if (from < 0 || from >= c || to < 0 || to >= c) return;
    for (int64_t i = from; i != to; i = (i + 1 == c) ? 0 : i + 1) setAt(static_cast<uint32_t>(i), v);
}

void CdataVect::gatherMean(const uint8_t* pixels, const PixelList& list) {
    const uint32_t g = std::max<uint32_t>(list.group, 1);
    const uint32_t n = std::min(list.outputs, count);
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t sum = 0;
        for (uint32_t k = 0; k < g; ++k) sum += pixels[list.indices[size_t(i) * g + k]];
        if (isFloating()) setD(i, double(sum) / g);
        else setI(i, int64_t(sum / g));
    }
}

void CdataVect::gather(const uint8_t* pixels, const PixelList& list) {
    const uint64_t n = std::min<uint64_t>(uint64_t(list.outputs) * std::max<uint32_t>(list.group, 1), count);
    for (uint64_t i = 0; i < n; ++i) setI(i, pixels[list.indices[i]]);
}

bool CdataVect::assign(const CdataVect& other) {
    if (&other == this) return true;
    release();
    count = 0;
    components = other.components;
    if (!allocate(other.count)) return false;
    if (other.data_) other.readBlockTo(data_, elemKind(), 0, other.count, 1);
    stride = other.stride;
    cursor = other.cursor;
    return true;
}

std::unique_ptr<CdataVect> CdataVect::viewFrom(uint32_t index) {
    std::unique_ptr<CdataVect> v = makeEmpty();
    if (index >= count) {
        v->data_ = nullptr;
        v->count = 0;
        return v;
    }
    v->data_ = data_ + size_t(index) * components * elemSize;
    v->count = count - index;
    return v;
}

void CdataVect::decimateInto(uint32_t step, CdataVect& dst) const {
    if (step == 0) return;
    const uint32_t n = std::min(count / step, dst.count);
    for (uint32_t i = 0; i < n; ++i) dst.setAt(i, static_cast<float>(getD(size_t(i) * step * components)));
}

void CdataVect::zero() {
    if (data_) std::memset(data_, 0, byteCount());
}

void CdataVect::reverse() {
    if (!data_ || count < 2) return;
    const size_t row = size_t(components) * elemSize;
    std::vector<uint8_t> tmp(row);
    for (uint32_t i = 0, j = count - 1; i < j; ++i, --j) {
        std::memcpy(tmp.data(), data_ + i * row, row);
        std::memcpy(data_ + i * row, data_ + j * row, row);
        std::memcpy(data_ + j * row, tmp.data(), row);
    }
}

void CdataVect::resampleFrom(const CdataVect& src) {
    const uint32_t s = src.count;
    if (!count || !s || !data_) return;
    if (s == 1) {
        for (uint32_t i = 0; i < count; ++i) setAt(i, std::max(0.0, src.getD(0)));
        return;
    }
    const double per = double(count) / double(s - 1);
    for (uint32_t i = 0; i < count; ++i) {
        const double pos = i / per;
        const uint32_t k = static_cast<uint32_t>(pos);
        const double a = src.getD(std::min(k, s - 1) * size_t(src.components));
        const double b = src.getD(std::min(k + 1, s - 1) * size_t(src.components));
        setAt(i, std::max(0.0, a + (b - a) * (pos - k)));
    }
}

namespace {
inline uint32_t ringBack(uint32_t at, uint32_t back, uint32_t c) {
    return static_cast<uint32_t>((uint64_t(at) + c - back % c) % c);
}

// The vectors' correlograms go through the same kernel as the line-scan
// velocities: both windows are unrolled from their rings into flat rows
// (this one n values, the other 2n - 1 for the n shifts), the kernel runs
// once over every shift, and each lag step's coefficient is appended. A
// flat window has no coefficient and is written as 0.
void ringCorrelogram(const CdataVect& self, uint32_t start, const CdataVect& other, uint32_t otherStart,
                     CdataVect& out, uint32_t n, uint32_t lagStep, bool ring) {
    const uint32_t c = self.count, oc = other.count;
    if (!c || !oc || !n || !self.hasData() || !other.hasData()) return;
    if (lagStep == 0) lagStep = 1;
    uint32_t a0 = start % c, b0 = otherStart % oc;
    if (ring) {
        a0 = ringBack(a0, n, c);
        b0 = ringBack(b0, 2 * n, oc);
    }
    std::vector<double> x(n), y(size_t(2) * n - 1), r(n);
    for (uint32_t i = 0; i < n; ++i) x[i] = self.getD(size_t((uint64_t(a0) + i) % c) * self.components);
    for (size_t i = 0; i < y.size(); ++i) y[i] = other.getD(size_t((uint64_t(b0) + i) % oc) * other.components);
    correlogramSliding(x.data(), y.data(), n, n, r.data());
    const uint32_t firstOut = out.cursor;
    for (uint32_t k = 0; k < n; k += lagStep)
        if (out.cursor < out.count) out.writeNext(std::isnan(r[k]) ? 0.0 : r[k]);
    if (ring) {
        // Reverse only what this call wrote.
        for (uint32_t i = firstOut, j = out.cursor ? out.cursor - 1 : 0; i < j && j < out.count; ++i, --j) {
            const double t = out.getD(i);
            out.setD(i, out.getD(j));
            out.setD(j, t);
        }
    }
}
}  // namespace

void CdataVect::correlogram(uint32_t start, const CdataVect& other, uint32_t otherStart, CdataVect& out, uint32_t n,
                            uint32_t lagStep, bool ring) const {
    ringCorrelogram(*this, start, other, otherStart, out, n, lagStep, ring);
}

void CdataVect::correlateWindow(uint32_t start, const CdataVect& other, uint32_t otherStart, CdataVect& out,
                                uint32_t n, bool ring) const {
    ringCorrelogram(*this, start, other, otherStart, out, n, 1, ring);
}

uint32_t CdataVect::meanAndDeviation(double& mean, double& mn, double& mx, double& dev, uint32_t from,
                                     uint32_t to) const {
    const uint32_t visited = statistics(mean, mn, mx, from, to);
    dev = 0.0;
    if (!visited) return 0;
    double ss = 0;
    uint32_t i = from % count;
    for (uint32_t k = 0; k < visited; ++k) {
        const double d = getD(size_t(i) * components) - mean;
        ss += d * d;
        i = (i + 1 == count) ? 0 : i + 1;
    }
    dev = std::sqrt(ss / visited);
    return visited;
}

double CdataVect::mean() const {
    if (!count) return 0.0;
    double s = 0;
    for (uint32_t i = 0; i < count; ++i) s += getD(size_t(i) * components);
    return s / count;
}

void CdataVect::clampNegative() {
    for (size_t i = 0, n = valueCount(); i < n; ++i)
        if (getD(i) < 0) setD(i, 0.0);
}

void CdataVect::square() {
    for (size_t i = 0, n = valueCount(); i < n; ++i) {
        const double v = getD(i);
        setD(i, v * v);
    }
}

namespace {
void reportMaximum(double best, int64_t at, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                   double threshold) {
    if (values) values->setAt(a, static_cast<float>(best));
    if (indices) {
        if (best < threshold || at < 0) indices->setAt(b, -1.0);
        else indices->setAt(b, static_cast<uint32_t>(at));
    }
}
}  // namespace

void CdataVect::findMaximum(uint32_t from, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                            double threshold) const {
    double best = maxSearchStart();
    int64_t at = -1;
    for (uint32_t i = from; i < count; ++i) {
        const double v = getD(size_t(i) * components);
        if (v > best) {
            best = v;
            at = i;
        }
    }
    reportMaximum(best, at, values, a, indices, b, threshold);
}

void CdataVect::findPeak(uint32_t from, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                         double threshold) const {
    double best = maxSearchStart();
    int64_t at = -1;
    for (uint32_t i = from + 1; i + 1 < count; ++i) {
        const double p = getD(size_t(i - 1) * components), v = getD(size_t(i) * components),
                     nx = getD(size_t(i + 1) * components);
        if (v > p && v > nx && v > best) {
            best = v;
            at = i;
        }
    }
    reportMaximum(best, at, values, a, indices, b, threshold);
}

void CdataVect::difference(const CdataVect& a, const CdataVect& b) {
    const uint32_t n = std::min({count, a.count, b.count});
    for (uint32_t i = 0; i < n; ++i) setAt(i, double(a.valueAt(i, 0)) - double(b.valueAt(i, 0)));
}

void CdataVect::sum(const CdataVect& a, const CdataVect& b) {
    const uint32_t n = std::min({count, a.count, b.count});
    for (uint32_t i = 0; i < n; ++i) setAt(i, double(a.valueAt(i, 0)) + double(b.valueAt(i, 0)));
}

void CdataVect::smoothAt(uint32_t i, double k) {
    if (!count || i >= count || k == 0) return;
    const double p = getD(size_t(i == 0 ? count - 1 : i - 1) * components);
    setAt(i, (getD(size_t(i) * components) - p) / k + p);
}

void CdataVect::addAt(uint32_t row, uint32_t component, double v) {
    const size_t k = size_t(row) * components + component;
    if (k < valueCount()) setD(k, getD(k) + v);
}

void CdataVect::spreadInto(CdataVect& dst, uint32_t start, const double* factors, uint32_t m, uint32_t limit) const {
    if (!dst.count) return;
    for (uint32_t i = 0; i < count; ++i) {
        const double x = getD(size_t(i) * components);
        for (uint32_t j = 1; j < m; ++j) {
            const int64_t lag = truncToInt64(i * factors[j]);
            if (lag < 0 || lag >= int64_t(limit)) continue;
            const int64_t c = dst.count;
            const int64_t row = ((int64_t(start) - lag) % c + c) % c;
            dst.addAt(static_cast<uint32_t>(row), j, x);
        }
    }
}

void CdataVect::differenceAt(uint32_t i) {
    if (!count || i >= count) return;
    const double p = getD(size_t(i == 0 ? count - 1 : i - 1) * components);
    setAt(i, getD(size_t(i) * components) - p);
}

uint32_t CdataVect::argMin(int64_t from, int64_t to) const {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, count);
    if (from >= to) return 0;
    int64_t at = from;
    double best = getD(size_t(from) * components);
    for (int64_t i = from + 1; i < to; ++i) {
        const double v = getD(size_t(i) * components);
        if (v < best) {
            best = v;
            at = i;
        }
    }
    return static_cast<uint32_t>(at);
}

uint32_t CdataVect::argMax(int64_t from, int64_t to) const {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, count);
    if (from >= to) return 0;
    int64_t at = from;
    double best = getD(size_t(from) * components);
    for (int64_t i = from + 1; i < to; ++i) {
        const double v = getD(size_t(i) * components);
        if (v > best) {
            best = v;
            at = i;
        }
    }
    return static_cast<uint32_t>(at);
}

bool CdataVect::isDip(uint32_t from, uint32_t to) const {
    double m, lo, hi, before, after;
    if (from >= to || to > count || count < 5) return false;
    statistics(m, lo, hi, from, to);
    statistics(before, lo, hi, 2, from);
    statistics(after, lo, hi, to, count - 2);
    return m < before && m < after;
}

int CdataVect::widthAtLevel(double f, int& left, int& right) const {
    if (count < 11) return 0;
    const int n = static_cast<int>(count);
    auto x = [&](int i) { return getD(size_t(i) * components); };
    const double m = mean();
    const int i0 = static_cast<int>(argMin(n / 4, 3 * n / 4));
    right = i0;
    for (int i = i0; i < n; ++i)
        if (x(i) >= m) { right = i; break; }
    left = i0;
    for (int i = i0; i >= 0; --i)
        if (x(i) >= m) { left = i; break; }
    double lo = x(left);
    for (int i = left; i < right; ++i) lo = std::min(lo, x(i));
    double tailMean = 0;
    for (int i = right; i < n; ++i) tailMean += x(i);
    tailMean /= std::max(1, n - right);
    double headMean = 0;
    for (int i = 0; i < left; ++i) headMean += x(i);
    headMean = left > 0 ? headMean / left : lo;
    const double rLevel = lo + (tailMean - lo) * f, lLevel = lo + (headMean - lo) * f;
    int r = i0;
    for (int i = i0; i < n; ++i)
        if (x(i) >= rLevel) { r = i; break; }
    int l = i0;
    for (int i = i0; i >= 0; --i)
        if (x(i) >= lLevel) { l = i; break; }
    left = l;
    right = r;
    const int d = r - l - 1;
    return d < 1 ? r - l : d;
}

int CdataVect::troughWidth(int& left, int& right) const {
    if (count < 6) return 0;
    CdoubleVect d;
    if (!d.assign(*this)) return 0;
    d.components = 1;
    const int n = static_cast<int>(count);
    const int i0 = static_cast<int>(argMin(n / 4, 3 * n / 4));
    d.derivative();
    const int b = static_cast<int>(d.argMax(i0, n - 2));
    const int a = static_cast<int>(d.argMin(2, i0));
    d.derivative();
    right = static_cast<int>(d.argMin(b, std::min(2 * b - i0, n - 2)));
    left = static_cast<int>(d.argMin(std::max(i0 - 2 * a, 2), a));
    return right - left;
}

int CdataVect::edgeWidth(int& left, int& right) const {
    if (count < 6) return 0;
    CdoubleVect d;
    if (!d.assign(*this)) return 0;
    d.components = 1;
    const int n = static_cast<int>(count);
    auto x = [&](int i) { return getD(size_t(i) * components); };
    const int i0 = static_cast<int>(argMin(n / 4, 3 * n / 4));
    // The dip's own flanks: out from the floor past half its depth, then on
    // while the profile still rises, and two samples more for the lag of
    // the derivative. A neighbouring vessel on the line has steep edges
    // too; they must not be taken for this one's.
    double hi = x(0);
    for (int i = 1; i < n; ++i) hi = std::max(hi, x(i));
    const double half = (x(i0) + hi) / 2;
    int a = i0, b = i0;
    while (a > 0 && x(a) < half) --a;
    while (a > 0 && x(a - 1) >= x(a)) --a;
    while (b < n - 1 && x(b) < half) ++b;
    while (b < n - 1 && x(b + 1) >= x(b)) ++b;
    d.derivative();
    left = static_cast<int>(d.argMin(std::max(2, a - 2), i0));
    right = static_cast<int>(d.argMax(i0, std::min(b + 3, n - 2)));
    // A profile that does not fall and rise again has no dip.
    if (left >= i0 || right < i0 || d.valueAt(uint32_t(left)) >= 0 || d.valueAt(uint32_t(right)) <= 0) return 0;
    return right - left;
}

void CdataVect::normaliseBy(const CdataVect& other, double k) {
    if (other.count != count) return;
    for (uint32_t i = 0; i < count; ++i) {
        const double o = other.getD(size_t(i) * other.components);
        setAt(i, o == 0 ? 0.0 : getD(size_t(i) * components) * k / o);
    }
}

void CdataVect::blockMeanFrom(const CdataVect& other, uint32_t k) {
    if (!count || !k || uint64_t(other.count) < uint64_t(count) * k) return;
    for (uint32_t i = 0; i < count; ++i) {
        double s = 0;
        for (uint32_t j = 0; j < k; ++j) s += other.getD(size_t(i * k + j) * other.components);
        setAt(i, s / k);
    }
}

void CdataVect::rescale(double lo, double hi) {
    double m, mn = 0, mx = 0;
    statistics(m, mn, mx, 0, 0);
    if (mx == mn) return;
    const double a = (hi - lo) / (mx - mn);
    linear(a, hi - a * mx);
}

double CdataVect::maximum() const {
    double best = maxSearchStart();
    for (size_t i = 0, n = valueCount(); i < n; ++i) best = std::max(best, getD(i));
    return best;
}

void CdataVect::autoCorrelogram(const CdataVect& other, CdataVect& out, bool ring) const {
    out.cursor = 0;
    const uint32_t h = count / 2;
    if (ring) correlateWindow(h, other, 0, out, h, false);
    correlateWindow(0, other, 0, out, h, false);
}

void CdataVect::autoCorrelogramStep(const CdataVect& other, CdataVect& out, uint32_t lagStep, bool ring) const {
    out.cursor = 0;
    const uint32_t h = count / 2;
    if (ring) correlogram(h, other, 0, out, h, lagStep, false);
    correlogram(0, other, 0, out, h, lagStep, false);
}

void CdataVect::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeDword(count);
        ar.writeWord(static_cast<uint16_t>(stride));
        ar.writeDword(cursor);
        if (twoD()) ar.writeWord(components);
        if (data_) ar.writeBytes(data_, byteCount());
        else for (size_t i = 0, n = byteCount(); i < n; ++i) ar.writeByte(0);
        return;
    }
    const uint32_t n = ar.readDword();
    stride = ar.readWord();
    cursor = ar.readDword();
    components = 1;
    if (twoD()) components = ar.readWord();
    // The values must be in the file before anything is allocated for them.
    const uint64_t bytes = uint64_t(n) * components * elemSize;
    if (bytes > ar.remaining()) throw ArchiveError("data vector: " + std::to_string(n) + " samples exceed the file");
    // Rows of no columns hold nothing; keeping their count would only let
    // whatever is sized by rows (a scan's extent) allocate for nothing.
    if (components == 0) {
        release();
        count = 0;
        return;
    }
    if (!allocate(n)) {
        release();
        count = 0;
        return;
    }
    ar.readBytes(data_, static_cast<size_t>(bytes));
}
