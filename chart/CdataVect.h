#pragma once
// Typed data vectors: the sample storage of every trace, correlogram,
// spectrum and scan line. CdataVect fixes the interface; the members below
// hold one element type each. Eight are one-dimensional; CArrayVect1,
// CArrayVect and Cdouble2DVect hold rows of `components` values.
//
// Conversions between element types: integer to real exact; real to
// integer truncates toward zero to 64 bits and keeps the low bits of the
// target (300.7 into 8 bits gives 44); integer to integer sign- or
// zero-extends and cuts. No rounding, no saturation.
//
// Archive layout (schema 1): count u32, stride u16 (low bits), cursor u32,
// width u16 (two-dimensional members only), then count x components raw
// values in memory order.
#include <cstdint>
#include <memory>
#include <type_traits>

#include "base/CObject.h"

namespace ordavia {

enum class ElemKind : uint8_t { F64, F32, U32, I32, U16, I16, U8, I8 };

template <class U>
constexpr ElemKind elemKindOf() {
    if constexpr (std::is_same_v<U, double>) return ElemKind::F64;
    else if constexpr (std::is_same_v<U, float>) return ElemKind::F32;
    else if constexpr (std::is_same_v<U, uint32_t>) return ElemKind::U32;
    else if constexpr (std::is_same_v<U, int32_t>) return ElemKind::I32;
    else if constexpr (std::is_same_v<U, uint16_t>) return ElemKind::U16;
    else if constexpr (std::is_same_v<U, int16_t>) return ElemKind::I16;
    else if constexpr (std::is_same_v<U, uint8_t>) return ElemKind::U8;
    else return ElemKind::I8;
}

// Real to integer as the vectors store it: truncation toward zero to 64
// bits (out-of-range and NaN give the processor's "indefinite" value).
inline int64_t truncToInt64(double v) {
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(v);
}

// The pixels a scan line or region gathers: L output samples, an index
// array of L x group entries.
struct PixelList {
    uint32_t outputs = 0;
    const uint32_t* indices = nullptr;
    uint32_t group = 1;
};

}  // namespace ordavia

class CdataVect : public ordavia::CObject {
public:
    ~CdataVect() override = default;
    CdataVect(const CdataVect&) = delete;
    CdataVect& operator=(const CdataVect&) = delete;

    uint16_t components = 1;
    uint16_t elemSize = 0;
    uint32_t count = 0;
    uint32_t stride = 1;
    uint32_t cursor = 0;

    // 1..8 for the one-dimensional members, 10, 12, 16 for the others.
    virtual int typeCode() const = 0;
    virtual bool twoD() const { return false; }
    virtual bool isFloating() const = 0;
    virtual ordavia::ElemKind elemKind() const = 0;
    // The element type's start values of the maximum and minimum searches.
    virtual double maxSearchStart() const = 0;
    virtual double minSearchStart() const = 0;

    bool hasData() const { return data_ != nullptr; }
    uint8_t* rawData() { return data_; }
    const uint8_t* rawData() const { return data_; }
    size_t valueCount() const { return size_t(count) * components; }
    size_t byteCount() const { return valueCount() * elemSize; }

    // A new, empty vector of the same class and components.
    virtual std::unique_ptr<CdataVect> makeEmpty() const = 0;
    std::unique_ptr<CdataVect> cloneRange(uint32_t start, uint32_t n, uint32_t step) const;
    std::unique_ptr<CdataVect> clone() const { return cloneRange(0, count, 1); }
    std::unique_ptr<CdataVect> duplicate() const { return clone(); }
    std::unique_ptr<CdataVect> createLike() const;

    // Flat element access with the conversion rules (no range checks).
    virtual double getD(size_t i) const = 0;
    virtual int64_t getI(size_t i) const = 0;
    virtual void setD(size_t i, double v) = 0;
    virtual void setI(size_t i, int64_t v) = 0;

    template <class U>
    void getAt(uint32_t i, U& v) const {
        if (twoD()) return;
        if constexpr (std::is_floating_point_v<U>) v = static_cast<U>(getD(i));
        else v = static_cast<U>(getI(i));
    }
    // Two-dimensional members set every component of row i.
    template <class U>
    void setAt(uint32_t i, U v) {
        const size_t first = size_t(i) * components;
        for (size_t c = 0; c < components; ++c) {
            if constexpr (std::is_floating_point_v<U>) setD(first + c, v);
            else setI(first + c, static_cast<int64_t>(v));
        }
    }
    // Two-dimensional members: the value at (row, component).
    template <class U>
    void setAt(uint32_t row, uint32_t component, U v) {
        if (component >= components) return;
        const size_t k = size_t(row) * components + component;
        if constexpr (std::is_floating_point_v<U>) setD(k, v);
        else setI(k, static_cast<int64_t>(v));
    }
    float valueAt(uint32_t row, uint32_t component) const;
    double valueAt(uint32_t index) const { return getD(size_t(index) * components); }

    template <class U>
    void readNext(U& v) {
        if (twoD()) return;
        getAt(cursor, v);
        cursor += stride;
    }
    template <class U>
    void writeNext(U v) {
        if (twoD()) return;
        setAt(cursor, v);
        cursor += stride;
    }

    // Copies samples start, start+step, ... (all components of each) into
    // buf; returns the number copied after clipping at count.
    virtual uint32_t readBlockTo(void* buf, ordavia::ElemKind kind, uint32_t start, uint32_t n, uint32_t step) const = 0;
    template <class U>
    uint32_t readBlock(U* buf, uint32_t start, uint32_t n, uint32_t step) const {
        return readBlockTo(buf, ordavia::elemKindOf<U>(), start, n, step);
    }
    static uint32_t clippedCount(uint32_t size, uint32_t start, uint32_t n, uint32_t step);

    void* elementPtr(uint32_t i) { return data_ + size_t(i) * components * elemSize; }
    bool resize(uint32_t n);
    virtual bool setWidth(uint32_t n);
    uint32_t flatten();
    void fill(double v);
    void copyFrom(uint32_t dst, const CdataVect& src, uint32_t n, uint32_t srcStart);
    void fillRange(int64_t from, int64_t to, double v);
    virtual void gatherMean(const uint8_t* pixels, const ordavia::PixelList& list);
    virtual void gather(const uint8_t* pixels, const ordavia::PixelList& list);
    // Assignment: false when the storage could not be had.
    bool assign(const CdataVect& other);
    virtual std::unique_ptr<CdataVect> viewFrom(uint32_t index);
    std::unique_ptr<CdataVect> viewFromCursor() { return viewFrom(cursor); }
    virtual void decimateInto(uint32_t step, CdataVect& dst) const;
    void advance(uint32_t n) { data_ += size_t(n) * components * elemSize; }
    void attach(uint8_t* p) { data_ = p; }
    void zero();
    void reverse();
    virtual void resampleFrom(const CdataVect& src);
    void correlateWindow(uint32_t start, const CdataVect& other, uint32_t otherStart, CdataVect& out, uint32_t n,
                         bool ring) const;
    void correlogram(uint32_t start, const CdataVect& other, uint32_t otherStart, CdataVect& out, uint32_t n,
                     uint32_t lagStep, bool ring) const;
    virtual uint32_t statistics(double& mean, double& mn, double& mx, uint32_t from, uint32_t to) const = 0;
    uint32_t meanAndDeviation(double& mean, double& mn, double& mx, double& dev, uint32_t from, uint32_t to) const;
    double mean() const;
    virtual void linear(double a, double b) = 0;
    void scale(double k) { linear(k, 0.0); }
    void subtract(double k) { linear(1.0, -k); }
    void clampNegative();
    void square();
    virtual void findMaximum(uint32_t from, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                             double threshold) const;
    virtual void findPeak(uint32_t from, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                          double threshold) const;
    void difference(const CdataVect& a, const CdataVect& b);
    void sum(const CdataVect& a, const CdataVect& b);
    void smoothAt(uint32_t i, double k);
    void addAt(uint32_t row, uint32_t component, double v);
    void spreadInto(CdataVect& dst, uint32_t start, const double* factors, uint32_t m, uint32_t limit) const;
    void differenceAt(uint32_t i);
    int troughWidth(int& left, int& right) const;
    int widthAtLevel(double fraction, int& left, int& right) const;
    // The distance between the steepest fall before the dip's floor and
    // the steepest rise after it: the edges of a blurred column.
    int edgeWidth(int& left, int& right) const;
    bool isDip(uint32_t from, uint32_t to) const;
    uint32_t argMin(int64_t from, int64_t to) const;
    uint32_t argMax(int64_t from, int64_t to) const;
    virtual void derivative() = 0;
    virtual void normaliseBy(const CdataVect& other, double k);
    virtual void blockMeanFrom(const CdataVect& other, uint32_t k);
    void rescale(double lo, double hi);
    double maximum() const;
    void autoCorrelogram(const CdataVect& other, CdataVect& out, bool ring) const;
    void autoCorrelogramStep(const CdataVect& other, CdataVect& out, uint32_t lagStep, bool ring) const;

    // Row work of the two-dimensional members; the others have no rows and
    // do nothing. Integer rows store a result beyond their element's range
    // at the range's end instead of wrapping it.
    //
    // The correlogram of each row of the ring range [from, to) (every row
    // from `from` when equal) against the row `rowLag` rows earlier in the
    // range: one target row per walked row, width / 2 shifts each; rows
    // without an earlier partner in the range stay 0. False when nothing
    // could be computed.
    virtual bool correlogramOfRows(CdataVect& target, uint32_t from, uint32_t to, uint32_t rowLag) const {
        return false;
    }
    // The correlogram of row i - lag (around the rows) against row i into
    // the target's row j, at the shifts 0, shiftStep, 2 shiftStep ... below
    // width / 2; the rest of the target row is 0.
    virtual bool correlateRow(uint32_t i, uint32_t lag, CdataVect& target, uint32_t j, uint32_t shiftStep) const {
        return false;
    }
    // Power spectra of consecutive blocks of n samples, one row each: 2 x
    // width real samples per row, or width complex samples when a
    // quadrature channel is given. The vector takes as many rows as whole
    // blocks; returns that number (0: the width is not an FFT size or the
    // samples fill no row, and the vector is unchanged).
    virtual uint32_t spectraOf(const double* samples, const double* quadrature, size_t n, int window) { return 0; }
    // Rows of the ring range: value := value x k / divisor, the divisor
    // from the other's matching row (same rows and width) or, for a
    // one-dimensional other of `components` values, from those; a zero
    // divisor gives 0. False when the other fits neither shape.
    virtual bool normaliseRows(uint32_t from, uint32_t to, const CdataVect& other, double k) { return false; }

    void Serialize(ordavia::Archive& ar) override;

    // Largest vector a reader accepts, in bytes.
    static constexpr size_t kMaxBytes = size_t(1) << 31;

protected:
    explicit CdataVect(uint16_t elementSize) : elemSize(elementSize) {}
    // Replaces storage by n x components zero-filled values; false (and
    // the vector left empty) when the memory is not there.
    bool allocate(uint32_t n);
    void release() {
        storage_.reset();
        data_ = nullptr;
    }
    std::unique_ptr<uint8_t[]> storage_;
    uint8_t* data_ = nullptr;
};

// The members. Their code lives in CdataVect.cpp.
#define ORDAVIA_DATAVECT(Class, Code)                                             \
    ORDAVIA_SERIAL(Class, 1)                                                      \
    int typeCode() const override { return Code; }                               \
    std::unique_ptr<CdataVect> makeEmpty() const override {                       \
        auto v = std::make_unique<Class>();                                      \
        v->components = components;                                              \
        return v;                                                                \
    }

namespace ordavia {

template <class T>
class TypedVect : public CdataVect {
public:
    using Elem = T;
    T* data() { return reinterpret_cast<T*>(data_); }
    const T* data() const { return reinterpret_cast<const T*>(data_); }

    bool isFloating() const override { return std::is_floating_point_v<T>; }
    ElemKind elemKind() const override { return elemKindOf<T>(); }
    double maxSearchStart() const override;
    double minSearchStart() const override;
    double getD(size_t i) const override { return static_cast<double>(data()[i]); }
    int64_t getI(size_t i) const override;
    void setD(size_t i, double v) override;
    void setI(size_t i, int64_t v) override { data()[i] = static_cast<T>(v); }
    uint32_t readBlockTo(void* buf, ElemKind kind, uint32_t start, uint32_t n, uint32_t step) const override;
    uint32_t statistics(double& mean, double& mn, double& mx, uint32_t from, uint32_t to) const override;
    void linear(double a, double b) override;
    void derivative() override;

protected:
    TypedVect() : CdataVect(sizeof(T)) {}
};

}  // namespace ordavia

class Cbyte1Vect : public ordavia::TypedVect<int8_t> { ORDAVIA_DATAVECT(Cbyte1Vect, 1) };
class Cubyte1Vect : public ordavia::TypedVect<uint8_t> { ORDAVIA_DATAVECT(Cubyte1Vect, 2) };
class Cbyte2Vect : public ordavia::TypedVect<int16_t> { ORDAVIA_DATAVECT(Cbyte2Vect, 3) };
class Cubyte2Vect : public ordavia::TypedVect<uint16_t> { ORDAVIA_DATAVECT(Cubyte2Vect, 4) };
class Cbyte4Vect : public ordavia::TypedVect<int32_t> { ORDAVIA_DATAVECT(Cbyte4Vect, 5) };
class Cubyte4Vect : public ordavia::TypedVect<uint32_t> { ORDAVIA_DATAVECT(Cubyte4Vect, 6) };
class CfloatVect : public ordavia::TypedVect<float> {
    ORDAVIA_DATAVECT(CfloatVect, 7)
    void normaliseBy(const CdataVect& other, double k) override;
};
class CdoubleVect : public ordavia::TypedVect<double> { ORDAVIA_DATAVECT(CdoubleVect, 8) };

namespace ordavia {

// The row work of the two-dimensional members, shared by all three.
namespace rows {
bool correlogramOfRows(const CdataVect& v, CdataVect& target, uint32_t from, uint32_t to, uint32_t rowLag);
bool correlateRow(const CdataVect& v, uint32_t i, uint32_t lag, CdataVect& target, uint32_t j, uint32_t shiftStep);
uint32_t spectraOf(CdataVect& v, const double* samples, const double* quadrature, size_t n, int window);
bool normaliseRows(CdataVect& v, uint32_t from, uint32_t to, const CdataVect& other, double k);
}  // namespace rows

// Rows of `components` values: the sequential typed access does nothing,
// searches and block means work within one row.
template <class Base>
class Vect2D : public Base {
public:
    bool twoD() const override { return true; }
    bool setWidth(uint32_t n) override;
    std::unique_ptr<CdataVect> viewFrom(uint32_t row) override;
    void decimateInto(uint32_t column, CdataVect& dst) const override;
    void gatherMean(const uint8_t* pixels, const PixelList& list) override;
    void gather(const uint8_t* pixels, const PixelList& list) override;
    void resampleFrom(const CdataVect& src) override;
    void findMaximum(uint32_t row, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                     double threshold) const override;
    void findPeak(uint32_t row, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                  double threshold) const override;
    void blockMeanFrom(const CdataVect& other, uint32_t k) override;
    bool correlogramOfRows(CdataVect& target, uint32_t from, uint32_t to, uint32_t rowLag) const override {
        return rows::correlogramOfRows(*this, target, from, to, rowLag);
    }
    bool correlateRow(uint32_t i, uint32_t lag, CdataVect& target, uint32_t j, uint32_t shiftStep) const override {
        return rows::correlateRow(*this, i, lag, target, j, shiftStep);
    }
    uint32_t spectraOf(const double* samples, const double* quadrature, size_t n, int window) override {
        return rows::spectraOf(*this, samples, quadrature, n, window);
    }
    bool normaliseRows(uint32_t from, uint32_t to, const CdataVect& other, double k) override {
        return rows::normaliseRows(*this, from, to, other, k);
    }
};

}  // namespace ordavia

class CArrayVect1 : public ordavia::Vect2D<Cubyte1Vect> { ORDAVIA_DATAVECT(CArrayVect1, 10) };
class CArrayVect : public ordavia::Vect2D<Cubyte2Vect> { ORDAVIA_DATAVECT(CArrayVect, 12) };
class Cdouble2DVect : public ordavia::Vect2D<CdoubleVect> {
    ORDAVIA_DATAVECT(Cdouble2DVect, 16)
    void normaliseBy(const CdataVect& other, double k) override;
};

namespace ordavia {

// A new empty vector for a type code (1..8, 10, 12, 16); null otherwise.
std::unique_ptr<CdataVect> makeDataVect(int typeCode);
// Registers the vector classes with the archive's class registry.
void registerDataVectClasses();

}  // namespace ordavia
