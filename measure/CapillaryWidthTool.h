#pragma once
// The width commands of an image document: "Find capillary &width" (one
// line, or every line of the current list) and "Measure nailfold loops"
// (apex, loop and limb widths of each loop, the loop row's density and
// fit). Measured lines get their width as label; rows go to the results
// tables; the loop constructions go to the fourth list, emptied first, so
// that what was measured shows on the picture and is saved with it.
//
// Image coordinates throughout; no window is needed.
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "figures/MeasureValues.h"
#include "measure/CapillaryWidth.h"

class CDim;
class ZBasicDoc;

namespace ordavia {

class Prompter;

class CapillaryWidthTool {
public:
    static constexpr const char* kFindWidth = "Find capillary &width";
    static constexpr const char* kMeasureLoops = "Measure nailfold loops";
    static constexpr const char* kMethodDialog = "Capillary Width Method";
    static constexpr const char* kConfirm = "diameter = ";
    static constexpr const char* kNoLine =
        "Draw a short line across a capillary (Lines tool) and choose the command again.";
    static constexpr const char* kNoDip = "No capillary found across line %d.";
    // The list that receives the loop constructions.
    static constexpr int kConstructionList = 3;

    explicit CapillaryWidthTool(ZBasicDoc& doc);

    WidthSettings settings() const;

    struct Measured {
        int lineIndex = -1;
        LineWidth width;
        bool declined = false;  // found, but the user did not accept it
    };
    // Measures line `index` of the current list. Unless quiet the width is
    // shown for confirmation; a rejected or missing width gives samples -1
    // and files nothing. A found and accepted width labels the line and
    // adds its row to the widths table (unless fileRow is false).
    Measured measureLine(int index, bool quiet, Prompter* prompter, bool fileRow = true);
    // The command: the current object alone when there is one (asking for
    // confirmation), else every line of the list, quietly. Every line
    // measured also goes to the capillary measurement table.
    std::vector<Measured> findWidths(Prompter* prompter);

    // ---- Nailfold loops ----
    struct LoopRow {
        int line = 0;  // from 1; 0 for the summary row
        double apexWidth = 0, loopWidth = 0, leftWidth = 0, rightWidth = 0;
        double x = 0, y = 0, density = 0, fit = 0, cord = 0;
    };
    struct LoopResult {
        std::vector<LoopRow> rows;  // one per loop
        LoopRow summary;            // line = number of loops, means of the widths
        bool hasFit = false;
    };
    // The current object alone when there is one, else every object of the
    // current list. Rows go to the loop table unless `fileRows` is false.
    LoopResult measureLoops(bool quiet, Prompter* prompter, bool fileRows = true);
    // A loop row's figures (the summary's with `fitted` when the apexes
    // gave a row): widths not found and a row without a fit are missing.
    static MeasureValues loopFigures(const LoopRow& r, const std::string& units, bool fitted);

    // The two limb lines below an apex whose dip centre is (cx, cy): across
    // the loop, four apex widths down it, each from outside the loop to
    // its middle.
    static void limbLines(const CDim& apex, double apexCentreX, double apexCentreY, double apexWidthPx,
                          std::vector<ZPoint>& left, std::vector<ZPoint>& right);

    // Least-squares fit of y on x.
    struct Fit {
        double slope = 0, intercept = 0, r = 0;
    };
    static Fit fitLine(const std::vector<double>& x, const std::vector<double>& y);

private:
    // The capillary table gets the width as its apex width and the point
    // of the line it was found at.
    void fileWidthRow(const std::string& table, int line, double units, double x = 0, double y = 0);
    std::string source() const;
    // A row a table refused is told once per command, when the outermost
    // command (measureLine inside findWidths, say) ends.
    class CommandScope;
    void rowRefused(const ordavia::Status& st);

    ZBasicDoc& doc_;
    ordavia::Status refused_;
    int depth_ = 0;
};

}  // namespace ordavia
