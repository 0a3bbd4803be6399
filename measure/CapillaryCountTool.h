#pragma once
// Capillary counting in an image document: counts along the lines of the
// current list (or one of them), marks every counted capillary with a
// single-vertex mark where it crosses the line (and, when asked, one at its
// apex), labels the line with its count and density, and writes the result
// text, a line of notes and a row of the count results table. A click near
// a counted line adds a mark there or takes the nearest one away, and the
// figures follow. Everything lives in the document (marks and labels), so
// counts survive saving and opening; the tool itself keeps only the ridge
// image of the picture, rebuilt when the picture, scale or settings change.
//
// Image coordinates throughout; no window is needed, so all of it is tested
// directly.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "figures/MeasureValues.h"
#include "image/CapillaryCount.h"

class CDim;
class CResultDoc;
class ProfileStore;
namespace ordavia {
class ResultTables;
}  // namespace ordavia
class ZBasicDoc;
namespace ordavia {

struct ResultColumn;

class CapillaryCountTool {
public:
    static constexpr const char* kResultTitle = "Capillary Count Results";
    static constexpr uint32_t kMarkColour = 0x00FF00;  // green (red in the low byte)
    // Apex marks are told from count marks by this colour (a label would
    // clutter the picture).
    static constexpr uint32_t kApexColour = 0xFF00FF;  // magenta
    static bool isApexMark(const CDim& d);
    static constexpr const char* kNeedsCalibration =
        "Counting capillaries needs the picture's size in micrometres: calibrate the picture first.";
    static constexpr const char* kNoLine =
        "Draw a line across the distal row of capillaries (Lines tool) and choose the command again.";
    static constexpr const char* kNoPicture = "There is no picture to count on.";
    static constexpr const char* kRowRefused =
        "The count was kept with the picture, but its row could not be added to the results table \"%s\".";
    // A click further than this from every counted line changes nothing.
    static constexpr double kClickReachPx = 12;

    struct LineCount {
        int lineIndex = -1;  // in the current list
        CountResult result;
    };

    explicit CapillaryCountTool(ZBasicDoc& doc);

    const CountSettings& settings() const { return settings_; }
    // Invalid settings are refused (false) and the old ones kept.
    bool setSettings(const CountSettings& s);
    // The settings chosen in the settings dialog for the line a-b: a nail
    // side given as left or right of that line is kept as a direction in
    // the picture, so that every other line, whichever way it was drawn,
    // takes the same side; the lines counted so far are counted again.
    // Fails when the settings are invalid or a recount cannot be done.
    Status applySettings(const CountSettings& s, ZPoint a, ZPoint b);
    // The nail side for the line a-b: 0 decided from the picture, 1 left, 2 right.
    int nailSideFor(ZPoint a, ZPoint b) const;

    // Micrometres per pixel in x and y; false when the document is not
    // calibrated in a unit of length.
    static bool micrometresPerPixel(const ZBasicDoc& doc, double& sx, double& sy);

    // The ridge image of the picture, made on first use and kept while the
    // picture, calibration and settings stay the same.
    Result<const RidgeImage*> ridge();
    // Where the ridge image's first pixel lies in document coordinates.
    int ridgeOriginX() const;
    int ridgeOriginY() const;
    // The count along a-b under the current settings, changing nothing
    // (the parameters dialog shows it live).
    Result<CountResult> preview(ZPoint a, ZPoint b);

    // Counts along line `index` of the current list (any object with two or
    // more vertices; its first and last vertex) and records it. An earlier
    // count of the same line is replaced: its marks go first.
    Result<LineCount> countLine(int index);
    // The current object when it is a line, else the last line of the list.
    Result<LineCount> countCurrentLine();
    // Every line of the current list.
    Result<std::vector<LineCount>> countAllLines();

    // Adds a mark on the counted line nearest to p, or takes away the mark
    // nearest to p, and updates that line's figures. False when p is not
    // near a counted line.
    bool correctAt(ZPoint p);

    // The open count results table to write rows into; none by default.
    void setResultTable(CResultDoc* table) { table_ = table; }
    static const ResultColumn* resultColumns(size_t& count);

    // The settings as kept in the profile (section "capillary count");
    // values that do not make valid settings give the defaults. The nail
    // side is not kept: left and right depend on each line's direction.
    static CountSettings storedSettings(const ProfileStore& p);
    static void storeSettings(const ProfileStore& p, const CountSettings& s);

    // A count's figures (from the measure catalogue's "count" set) for the
    // line `line` of list `list`, with the settings filed beside them.
    static MeasureValues figures(const CountResult& r, const CountSettings& s, int list, int line);
    // "Capillaries: 9 along 1000 um, 9.0 per mm (...parameters...), quality
    // 6.2" and the warnings, if any: "; low contrast, glare on the line".
    // With `how` (a hand correction) the parameters give way to it.
    static std::string resultText(const CountResult& r, const CountSettings& s, const char* how = "");
    std::string resultText(const CountResult& r) const { return resultText(r, settings_); }

private:
    // Marks of one line: single-vertex objects on it (within a pixel and a
    // half), in order along it.
    std::vector<int> marksOn(const CDim& line) const;
    // Apex marks of one line: those within reach of the band beside it, in
    // order along it.
    std::vector<int> apexMarksOf(const CDim& line) const;
    std::vector<int> marksAlong(const CDim& line, bool apexes, double reach) const;
    void record(int lineIndex, const CountResult& r, const char* how);

    // Removes objects (indexes in any order) and adds the marks, keeping
    // track of where the line moves; one undo step for the caller.
    int replaceMarks(int lineAt, std::vector<int> remove, const std::vector<std::pair<CountPoint, uint32_t>>& add);

    ZBasicDoc& doc_;
    CountSettings settings_;
    // Towards the nail in the picture (unit vector); 0, 0 when decided
    // from the picture for every line.
    double nailX_ = 0, nailY_ = 0;
    CResultDoc* table_ = nullptr;
    RidgeImage ridge_;
    bool ridgeValid_ = false;
    // What the kept ridge image was made from.
    const uint8_t* ridgePixels_ = nullptr;
    int ridgeWidth_ = 0, ridgeHeight_ = 0;
    double ridgeSx_ = 0, ridgeSy_ = 0;
    uint64_t ridgeChecksum_ = 0;
};

}  // namespace ordavia
