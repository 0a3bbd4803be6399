#pragma once
// The chart review document: a chart of a stack of scan lines (the source
// trace of a line scan, or any two-dimensional trace) with one command of
// its own, "&Calculate velocity": the correlation of every selected row
// against the one before and the velocity per row from it, as the traces
// "correlation" and "cbv", in the stack's length units per second (its
// calibration along the line applied to the shift).
#include <cstdint>
#include <string>

#include "chart/ZchartDoc.h"
#include "linescan/CbvParams.h"

class ZchartReviewDoc : public ZchartDoc {
public:
    const char* settingsClassName() const override { return "ZchartReviewDoc"; }

    // The parameters the velocity uses (a line scan hands over its own).
    const ordavia::CbvParams& params() const { return params_; }
    void setParams(const ordavia::CbvParams& p);
    // A review of a line scan: its parameters, the title, and a copy of
    // the stack of scan lines as the first trace; unmodified, as nothing in
    // it is the user's yet. False (low memory) when the copy failed.
    bool beginReview(const CTrace& stack, const ordavia::CbvParams& p, const std::string& title);

    // "&Calculate velocity" on trace `index` over its rows [from, to) (all
    // when equal): adds "correlation" and "cbv"; false (nothing added) when
    // the trace is not two-dimensional or has no rows.
    bool calculateVelocity(int index, uint32_t from, uint32_t to);
    static constexpr const char* kNeedsStack =
        "Calculate velocity needs a two-dimensional trace (a stack of scan lines) as the active trace.";

private:
    ordavia::CbvParams params_;
};
