#pragma once
// The chart's dialogs, each with the program's own texts. Every function
// returns nothing (or false) when the user cancels.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chart/MarkerProperties.h"
#include "chart/TraceAlgorithms.h"
#include "chart/TraceProperties.h"

class QWidget;
class CTrace;
class CMarker;
class DataFileFormat;
class ZchartDoc;

namespace ordavia::chartui {

// "Apply Smoothing": the time constant in seconds; choice and typed time
// are kept in the document (setSmoothing) for the next use.
std::optional<double> smoothingDialog(QWidget* parent, ZchartDoc& doc);

bool tracePropertiesDialog(QWidget* parent, TraceProperties& p);

// "Perform Action On...": all traces (true) or the active one; whole range
// (true) or the selection when there is one.
struct ActionScope {
    bool allTraces = false;
    bool wholeRange = true;
};
std::optional<ActionScope> performActionOnDialog(QWidget* parent, bool hasSelection);

// The export settings dialogs "Output", "Text delimiters", "Text Format".
bool exportSettingsDialogs(QWidget* parent, DataFileFormat& f);

// The import wizard over a file of the given length; `fileType` is the
// "File type" choice shown first (0 binary, 1 text, -1 none). The text
// pages start from f's columns, count and input type.
bool importWizard(QWidget* parent, DataFileFormat& f, uint64_t fileLength, int fileType = -1);

// A trace picked from "%2i:" + name entries; -1 when cancelled.
int pickTrace(QWidget* parent, const ZchartDoc& doc, const std::string& title, int exclude);

bool artifactFilterDialog(QWidget* parent, ArtifactFilter& f);

// The modeless "Edit Marker" dialog (one in the whole program).
// "OK" and "Update" hand the values to `apply`, which changes the marker
// through its document and returns false when the marker is gone (the
// dialog then closes).
using ApplyMarker = std::function<bool(const CMarker*, const MarkerProperties&)>;
void openEditMarker(QWidget* view, const CMarker* marker, ApplyMarker apply);
void closeEditMarkerFor(const CMarker* marker);
bool editMarkerOpen();

}  // namespace ordavia::chartui
