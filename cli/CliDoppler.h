#pragma once
// What "info" tells of a chart that holds a Doppler recording.
#include <string>

class ZchartDoc;

namespace ordavia {

class JsonWriter;

// Adds a "doppler" object (json) or lines (text) when the chart holds a
// "Doppler spectrum" and a "CBV" trace; nothing otherwise.
void describeDopplerRecording(const ZchartDoc& doc, JsonWriter* json, std::string* text);

}  // namespace ordavia
