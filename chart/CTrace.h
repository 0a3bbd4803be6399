#pragma once
// Traces: named, scaled series of samples. CTrace holds a one-dimensional
// data vector; C2DTrace a vector of rows with a per-row extent and an
// intensity mapping; CDopTrace marks a Doppler spectrum. A trace can be a
// ring: `head` names the oldest sample and range operations walk around.
//
// Archive layout of CTrace (schema 1): version 0x5A000008, colour, head,
// yScale, xInterval (doubles), data (object reference), displayYScale,
// displayXScale (doubles), xStart, displayYOffset (int32), name, xUnits,
// yUnits (strings), ring, yOffset (double), yGroup, auxFlag, showPoints,
// pointSize. Older layouts are told apart by the version word.
#include <cstdint>
#include <experimental/propagate_const>
#include <memory>
#include <string>
#include <vector>

#include "base/CObject.h"
#include "base/Result.h"
#include "chart/CdataVect.h"

class CTrace : public ordavia::CObject {
    ORDAVIA_SERIAL(CTrace, 1)
public:
    CTrace() = default;
    // A trace of `count` zero samples of the element type code (1..8);
    // without storage (hasData() false) when the memory is not there.
    CTrace(int typeCode, uint32_t count);
    ~CTrace() override = default;

    static constexpr uint32_t kVersion = 0x5A000008;

    // Const through a const trace: a read-only trace has read-only samples.
    std::experimental::propagate_const<std::unique_ptr<CdataVect>> data;
    double displayYScale = 1.0;
    double displayXScale = 1.0;
    int32_t displayYOffset = 0;
    double auxValue = 0.0;
    bool auxFlag = false;
    bool showPoints = false;
    int32_t pointSize = 5;
    uint32_t ring = 0;
    uint32_t head = 0;
    int32_t xStart = 0;
    double yScale = 1.0;
    double yOffset = 0.0;
    double xInterval = 1.0;
    uint32_t colour = 0;
    std::string name;
    std::string yUnits;
    std::string xUnits;
    int32_t yGroup = 0;

    bool hasData() const { return data && data->hasData(); }
    uint32_t sampleCount() const { return data ? data->count : 0; }
    // 1..8: the code of the element type (two-dimensional data give their element's code).
    int elementTypeCode() const;
    double sampleX(uint32_t i) const;
    void setXStart(double seconds);
    // The stored value of sample i with the y calibration applied.
    double physical(uint32_t i) const { return data->valueAt(i) * yScale + yOffset; }

    virtual bool isTwoD() const { return false; }
    virtual std::unique_ptr<CTrace> makeEmpty() const { return std::make_unique<CTrace>(); }
    std::unique_ptr<CTrace> clone() const;
    std::unique_ptr<CTrace> createLike() const;
    bool resizedata(uint32_t n);
    virtual void copyAttributes(const CTrace& other);
    // Copies the ring range [from, to) of the source (whole when equal).
    bool copyRange(const CTrace& source, uint32_t from, uint32_t to);
    virtual void clearAt(uint32_t i);
    bool assign(const CTrace& other);
    bool resample(uint32_t n);
    static std::unique_ptr<CdataVect> copyRangeVector(const CdataVect& v, uint32_t from, uint32_t to);
    // Row work that only two-dimensional traces do; false (nothing done) here.
    virtual bool correlogramInto(CTrace& target, uint32_t from, uint32_t to, uint32_t rowLag) const { return false; }
    virtual bool spectrumOf(uint32_t from, uint32_t to, const CTrace& source, const CTrace* second, int window = 0) {
        return false;
    }
    virtual bool rowOperation(uint32_t from, uint32_t to, const CTrace& other, double k) { return false; }
    virtual void reset();
    // Swaps the ends when the forward walk would pass the head.
    void orderRange(uint32_t& from, uint32_t& to) const;

    // The head moved by n samples through the wrap rule.
    uint32_t advanceHead(uint32_t i, int64_t n) const;
    void advanceHead(int64_t n) { head = advanceHead(head, n); }
    void setHead(uint32_t i) { head = advanceHead(0, i); }

    // Raw samples [from, to) around the ring, optionally after the 128-byte
    // header; negative ends mean the whole ring. Fails when from == to.
    ordavia::Status writeBinary(std::vector<uint8_t>& out, bool header, int64_t from, int64_t to) const;

    void Serialize(ordavia::Archive& ar) override;

protected:
    void copyFieldsFrom(const CTrace& o);
};

class C2DTrace : public CTrace {
    ORDAVIA_SERIAL(C2DTrace, 1)
public:
    C2DTrace() = default;
    // rows x width values of type code 10, 12 or 16, and an extent per row.
    C2DTrace(int typeCode, uint32_t rows, uint32_t width);

    double intensityRange = 500.0;
    double rangeStep = 2.0;
    double rangeMin = 1.0;
    double rangeMax = 1000.0;
    std::experimental::propagate_const<std::unique_ptr<CdoubleVect>> extent;
    double intensityOffset = 0.0;
    // Palette: 0 grey ramp, otherwise a colour ramp.
    int paletteScheme = 0;
    bool paletteReversed = false;
    bool windowColour = false;

    bool isTwoD() const override { return true; }
    std::unique_ptr<CTrace> makeEmpty() const override { return std::make_unique<C2DTrace>(); }
    void copyAttributes(const CTrace& other) override;
    void clearAt(uint32_t i) override;
    void reset() override;
    bool resizeRows(uint32_t n);
    // Both 0 without data; else the first run of rows with extent.
    void validRange(uint32_t& first, uint32_t& last) const;
    // Rows whose extent is 0 are set to 0.
    void zeroEmptyRows();
    uint32_t width() const { return data ? data->components : 0; }

    // The correlogram of every row of the range against the row `rowLag`
    // rows earlier, into the target (which must be two-dimensional): a row
    // per row of the range, width / 2 shifts each, the rows' extents, and a
    // y calibration that reads a shift as this trace's y units per x unit.
    // Rows without data, or without an earlier row with data in the range,
    // are empty in the target.
    bool correlogramInto(CTrace& target, uint32_t from, uint32_t to, uint32_t rowLag) const override;
    // Power spectra of the source's ring range, one row per 2 x width
    // samples (width sample pairs with a second, quadrature source of the
    // same length), window shape as SpectralWindow. False when the width
    // is not an FFT size or the range fills no row; the trace is unchanged.
    bool spectrumOf(uint32_t from, uint32_t to, const CTrace& source, const CTrace* second, int window = 0) override;
    // Rows of the range := row x k / the other's data (its matching rows, or
    // one row of `width` divisors).
    bool rowOperation(uint32_t from, uint32_t to, const CTrace& other, double k) override;

    // The velocity scale of row i against row i - n into the target's
    // extent j (extent / n x 0.5 / xInterval, 0 for a row without data),
    // and row i's correlogram against row i - n into the target's row j.
    bool rowExtentFrom(uint32_t i, uint32_t n, C2DTrace& target, uint32_t j) const;
    // The same for rows not yet binned: the shifts are taken every
    // `shiftStep` values, so the target row matches the binned row's.
    bool rowExtentFromStepped(uint32_t i, uint32_t n, C2DTrace& target, uint32_t j, uint32_t shiftStep) const;
    // The largest value of row i (or, local, its highest local maximum)
    // into values[a] and its component index into indices[b] (-1 below
    // the threshold); both -1 for a row without data.
    void peakOfRow(uint32_t i, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b, double threshold) const;
    void localPeakOfRow(uint32_t i, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                        double threshold) const;
    // The target's row i := block means of k values of row i, with its extent.
    void copyRowReduced(uint32_t i, C2DTrace& target, uint32_t k) const;
    double extentAt(uint32_t i) const { return extent && i < extent->count ? extent->getD(i) : 0.0; }

    void Serialize(ordavia::Archive& ar) override;
    friend class CTrace;
};

class CDopTrace : public C2DTrace {
    ORDAVIA_SERIAL(CDopTrace, 1)
public:
    using C2DTrace::C2DTrace;
    std::unique_ptr<CTrace> makeEmpty() const override { return std::make_unique<CDopTrace>(); }
};

// The chart's traces in display order; an entry may be null after a removal.
class CTraceArray : public ordavia::CObject {
    ORDAVIA_SERIAL(CTraceArray, 1)
public:
    std::vector<std::unique_ptr<CTrace>> items;
    int indexOf(const CTrace* t) const;
    // Exact, case-sensitive; the first match.
    int indexOf(const std::string& name) const;
    CTrace* find(const std::string& name);
    const CTrace* find(const std::string& name) const;
    size_t size() const { return items.size(); }
    void Serialize(ordavia::Archive& ar) override;
};

namespace ordavia {

void registerTraceClasses();

}  // namespace ordavia
