// The typed and two-dimensional members of the data vectors: the element
// loops written once per element type and instantiated for each.
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

// ---- typed members ----

template <class T>
double ordavia::TypedVect<T>::maxSearchStart() const { return static_cast<double>(std::numeric_limits<T>::lowest()); }
template <class T>
double ordavia::TypedVect<T>::minSearchStart() const { return static_cast<double>(std::numeric_limits<T>::max()); }

template <class T>
int64_t ordavia::TypedVect<T>::getI(size_t i) const {
    if constexpr (std::is_floating_point_v<T>) return truncToInt64(data()[i]);
    else return static_cast<int64_t>(data()[i]);
}

template <class T>
void ordavia::TypedVect<T>::setD(size_t i, double v) {
    if constexpr (std::is_floating_point_v<T>) data()[i] = static_cast<T>(v);
    else data()[i] = static_cast<T>(static_cast<uint64_t>(truncToInt64(v)));
}

namespace {
template <class T, class U>
inline U convertValue(T v) {
    if constexpr (std::is_floating_point_v<U>) return static_cast<U>(v);
    else if constexpr (std::is_floating_point_v<T>) return static_cast<U>(static_cast<uint64_t>(truncToInt64(v)));
    else return static_cast<U>(static_cast<int64_t>(v));
}

template <class T, class U>
uint32_t copyBlock(const T* src, size_t comps, U* dst, uint32_t start, uint32_t n, uint32_t step) {
    if constexpr (std::is_same_v<T, U>) {
        if (step == 1) {
            std::memcpy(dst, src + size_t(start) * comps, size_t(n) * comps * sizeof(T));
            return n;
        }
    }
    const T* s = src + size_t(start) * comps;
    for (uint32_t k = 0; k < n; ++k) {
        for (size_t c = 0; c < comps; ++c) *dst++ = convertValue<T, U>(s[c]);
        s += size_t(step) * comps;
    }
    return n;
}
}  // namespace

template <class T>
uint32_t ordavia::TypedVect<T>::readBlockTo(void* buf, ElemKind kind, uint32_t start, uint32_t n, uint32_t step) const {
    if (step == 0) step = 1;
    n = clippedCount(count, start, n, step);
    if (!n || !data_) return 0;
    const size_t c = components;
    switch (kind) {
        case ElemKind::F64: return copyBlock(data(), c, static_cast<double*>(buf), start, n, step);
        case ElemKind::F32: return copyBlock(data(), c, static_cast<float*>(buf), start, n, step);
        case ElemKind::U32: return copyBlock(data(), c, static_cast<uint32_t*>(buf), start, n, step);
        case ElemKind::I32: return copyBlock(data(), c, static_cast<int32_t*>(buf), start, n, step);
        case ElemKind::U16: return copyBlock(data(), c, static_cast<uint16_t*>(buf), start, n, step);
        case ElemKind::I16: return copyBlock(data(), c, static_cast<int16_t*>(buf), start, n, step);
        case ElemKind::U8: return copyBlock(data(), c, static_cast<uint8_t*>(buf), start, n, step);
        case ElemKind::I8: return copyBlock(data(), c, static_cast<int8_t*>(buf), start, n, step);
    }
    return 0;
}

template <class T>
uint32_t ordavia::TypedVect<T>::statistics(double& mean, double& mn, double& mx, uint32_t from, uint32_t to) const {
    const uint32_t c = count;
    if (!c || !data_) {
        mean = 0.0;
        return 0;
    }
    from %= c;
    to %= c;
    T lo = std::numeric_limits<T>::max(), hi = std::numeric_limits<T>::lowest();
    double sum = 0;
    uint32_t visited = 0;
    const T* d = data();
    const size_t comps = components;
    // The ring walk as two flat runs: from..end, then 0..to.
    auto run = [&](uint32_t a, uint32_t b) {
        for (uint32_t i = a; i < b; ++i) {
            const T v = d[size_t(i) * comps];
            sum += static_cast<double>(v);
            if (v < lo) lo = v;
            if (v > hi) hi = v;
        }
        visited += b - a;
    };
    if (from < to) {
        run(from, to);
    } else {
        run(from, c);
        run(0, to);
    }
    mean = sum / visited;
    if (lo != std::numeric_limits<T>::max()) mn = static_cast<double>(lo);
    if (hi != std::numeric_limits<T>::lowest()) mx = static_cast<double>(hi);
    return visited;
}

template <class T>
void ordavia::TypedVect<T>::linear(double a, double b) {
    T* d = data();
    if (!d) return;
    for (size_t i = 0, n = valueCount(); i < n; ++i) {
        const double v = a * static_cast<double>(d[i]) + b;
        if constexpr (std::is_floating_point_v<T>) d[i] = static_cast<T>(v);
        else d[i] = static_cast<T>(static_cast<uint64_t>(truncToInt64(v)));
    }
}

template <class T>
void ordavia::TypedVect<T>::derivative() {
    const uint32_t n = count;
    if (n < 3 || !data_) return;
    T* x = data();
    const size_t s = components;
    if constexpr (std::is_floating_point_v<T>) {
        const T last = x[(n - 1) * s] - x[(n - 2) * s];
        T prevOut = x[s] - x[0];
        T prevIn = x[0];
        x[0] = prevOut;
        for (uint32_t i = 1; i + 1 < n; ++i) {
            const T xi = x[i * s];
            prevIn = xi;
            prevOut = (x[(i + 1) * s] - xi + prevOut) / 2;
            x[i * s] = prevOut;
        }
        (void)prevIn;
        x[(n - 1) * s] = last;
    } else {
        const int64_t last = int64_t(x[(n - 1) * s]) - int64_t(x[(n - 2) * s]);
        int64_t prevOut = int64_t(x[s]) - int64_t(x[0]);
        x[0] = static_cast<T>(prevOut);
        for (uint32_t i = 1; i + 1 < n; ++i) {
            prevOut = (int64_t(x[(i + 1) * s]) - int64_t(x[i * s]) + prevOut) / 2;
            x[i * s] = static_cast<T>(prevOut);
        }
        x[(n - 1) * s] = static_cast<T>(last);
    }
}

template class ordavia::TypedVect<int8_t>;
template class ordavia::TypedVect<uint8_t>;
template class ordavia::TypedVect<int16_t>;
template class ordavia::TypedVect<uint16_t>;
template class ordavia::TypedVect<int32_t>;
template class ordavia::TypedVect<uint32_t>;
template class ordavia::TypedVect<float>;
template class ordavia::TypedVect<double>;

void CfloatVect::normaliseBy(const CdataVect& other, double k) {
    if (other.count != count) return;
    float* d = data();
    for (uint32_t i = 0; i < count; ++i) {
        const double o = other.getD(size_t(i) * other.components);
        double r = o == 0 ? 0.0 : d[i] * k / o;
        if (r >= 3.4028234663852886e38) r = 3.4028234663852886e38;
        else if (!(r >= 1.1754943508222875e-38)) r = 1.1754943508222875e-38;
        d[i] = static_cast<float>(r);
    }
}

// ---- two-dimensional members ----

template <class Base>
bool ordavia::Vect2D<Base>::setWidth(uint32_t n) {
    const uint32_t rows = this->count;
    const uint16_t old = this->components;
    if (n > 0xFFFF) return false;
    this->components = static_cast<uint16_t>(n);
    if (uint64_t(rows) * n * this->elemSize > CdataVect::kMaxBytes) {
        this->components = old;
        return false;
    }
    // The existing bytes stay where they are; they are not re-laid as rows.
    std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[std::max<size_t>(this->byteCount(), 1)]());
    if (!fresh) {
        this->components = old;
        return false;
    }
    if (this->data_) std::memcpy(fresh.get(), this->data_, std::min(this->byteCount(), size_t(rows) * old * this->elemSize));
    this->storage_ = std::move(fresh);
    this->data_ = this->storage_.get();
    return true;
}

template <class Base>
std::unique_ptr<CdataVect> ordavia::Vect2D<Base>::viewFrom(uint32_t row) {
    // A one-dimensional view of one row.
    std::unique_ptr<CdataVect> v = makeDataVect(this->typeCode() - 8);
    if (row >= this->count) return v;
    v->attach(this->data_ + size_t(row) * this->components * this->elemSize);
    v->count = this->components;
    return v;
}

template <class Base>
void ordavia::Vect2D<Base>::decimateInto(uint32_t column, CdataVect& dst) const {
    if (column >= this->components) return;
    const uint32_t n = std::min(this->count, dst.count);
    for (uint32_t i = 0; i < n; ++i) dst.setAt(i, this->getD(size_t(i) * this->components + column));
}

template <class Base>
void ordavia::Vect2D<Base>::gatherMean(const uint8_t* pixels, const PixelList& list) {
    if (this->cursor >= this->count) return;
    const uint32_t g = std::max<uint32_t>(list.group, 1);
    const uint32_t n = std::min<uint32_t>(list.outputs, this->components);
    const size_t row = size_t(this->cursor) * this->components;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t sum = 0;
        for (uint32_t k = 0; k < g; ++k) sum += pixels[list.indices[size_t(i) * g + k]];
        if (this->isFloating()) this->setD(row + i, double(sum) / g);
        else this->setI(row + i, int64_t(sum / g));
    }
}

template <class Base>
void ordavia::Vect2D<Base>::gather(const uint8_t* pixels, const PixelList& list) {
    if (this->cursor >= this->count) return;
    const uint64_t n = std::min<uint64_t>(uint64_t(list.outputs) * std::max<uint32_t>(list.group, 1), this->components);
    const size_t row = size_t(this->cursor) * this->components;
    for (uint64_t i = 0; i < n; ++i) this->setI(row + i, pixels[list.indices[i]]);
}

template <class Base>
void ordavia::Vect2D<Base>::resampleFrom(const CdataVect& src) {
    const uint32_t rows = std::min(this->count, src.count);
    for (uint32_t r = 0; r < rows; ++r) {
        auto mine = this->viewFrom(r);
        auto theirs = const_cast<CdataVect&>(src).viewFrom(r);
        if (mine && theirs) mine->resampleFrom(*theirs);
    }
}

template <class Base>
void ordavia::Vect2D<Base>::findMaximum(uint32_t row, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                                        double threshold) const {
    if (row >= this->count) return;
    auto v = const_cast<Vect2D*>(this)->viewFrom(row);
    v->findMaximum(0, values, a, indices, b, threshold);
}

template <class Base>
void ordavia::Vect2D<Base>::findPeak(uint32_t row, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                                     double threshold) const {
    if (row >= this->count) return;
    auto v = const_cast<Vect2D*>(this)->viewFrom(row);
    v->findPeak(0, values, a, indices, b, threshold);
}

template <class Base>
void ordavia::Vect2D<Base>::blockMeanFrom(const CdataVect& other, uint32_t k) {
    if (this->cursor >= this->count || !k) return;
    auto v = this->viewFrom(this->cursor);
    v->blockMeanFrom(other, k);
}

template class ordavia::Vect2D<Cubyte1Vect>;
template class ordavia::Vect2D<Cubyte2Vect>;
template class ordavia::Vect2D<CdoubleVect>;

void Cdouble2DVect::normaliseBy(const CdataVect& other, double k) {
    if (other.count != count) return;
    double* d = data();
    for (size_t i = 0, n = valueCount(); i < n; ++i) {
        const double o = other.getD(i / components * other.components + (other.twoD() ? i % components : 0));
        double r = o == 0 ? 0.0 : d[i] * k / o;
        if (r >= 1.7976931348623157e308) r = 1.7976931348623157e308;
        else if (!(r >= 2.2250738585072014e-308)) r = 2.2250738585072014e-308;
        d[i] = r;
    }
}

std::unique_ptr<CdataVect> ordavia::makeDataVect(int code) {
    switch (code) {
        case 1: return std::make_unique<Cbyte1Vect>();
        case 2: return std::make_unique<Cubyte1Vect>();
        case 3: return std::make_unique<Cbyte2Vect>();
        case 4: return std::make_unique<Cubyte2Vect>();
        case 5: return std::make_unique<Cbyte4Vect>();
        case 6: return std::make_unique<Cubyte4Vect>();
        case 7: return std::make_unique<CfloatVect>();
        case 8: return std::make_unique<CdoubleVect>();
        case 10: return std::make_unique<CArrayVect1>();
        case 12: return std::make_unique<CArrayVect>();
        case 16: return std::make_unique<Cdouble2DVect>();
        default: return nullptr;
    }
}

void ordavia::registerDataVectClasses() {
    ClassRegistry& r = ClassRegistry::instance();
    r.add<Cbyte1Vect>();
    r.add<Cubyte1Vect>();
    r.add<Cbyte2Vect>();
    r.add<Cubyte2Vect>();
    r.add<Cbyte4Vect>();
    r.add<Cubyte4Vect>();
    r.add<CfloatVect>();
    r.add<CdoubleVect>();
    r.add<CArrayVect1>();
    r.add<CArrayVect>();
    r.add<Cdouble2DVect>();
}
