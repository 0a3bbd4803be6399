#pragma once
// The live chart: one trace that a producer (an image profile, a line scan,
// a row of a two-dimensional trace) refills again and again. Equal feeds
// reuse the trace's storage.
#include <string>
#include <utility>
#include <vector>

#include "chart/ZchartDoc.h"

class ZliveChartDoc : public ZchartDoc {
public:
    ZliveChartDoc();
    ~ZliveChartDoc() override;

    const char* settingsClassName() const override { return "ZliveChartDoc"; }

    uint32_t sourceId = 0;
    // The trace the producer refills, or null.
    const CTrace* liveTrace() const { return liveTrace_; }
    // The producer's pointer to this chart, cleared when the chart closes.
    ZliveChartDoc** ownerSlot = nullptr;

    const CdataVect* liveData() const { return liveTrace_ ? liveTrace_->data.get() : nullptr; }

    // What a producer shows is not an edit of the chart: closing it asks to
    // save only what the user changed there. Both keep the modified flag as
    // it was and tell the views.
    // Refills the live trace with whole-number samples; false when no memory.
    bool showSamples(uint32_t source, const std::vector<int>& values, double interval, const std::string& xUnits,
                     const std::string& name, int typeCode);
    // Replaces the markers that carry `description` by labelled ones at the
    // given x positions.
    void showMarks(const std::string& description, const std::vector<std::pair<double, std::string>>& marks);

    bool OnNewDocument() override;
    void DeleteContents() override;
    void OnCloseDocument() override;

protected:
    // The live trace's storage, for the chart's own refills: the data
    // vector for `count` samples of the element type (count is written back
    // with the actual size), or for one row of a two-dimensional trace.
    // Null when no memory.
    CdataVect* feedLiveData(uint32_t source, uint32_t& count, double interval, const std::string& xUnits,
                            const std::string& name, int typeCode, const std::string& yUnits);
    CdataVect* feedRowOf(uint32_t source, const std::string& name, const C2DTrace& trace);

private:
    CTrace* liveTrace_ = nullptr;
};
