#pragma once
// Blood flux of a capillary: the volume of blood through it per second,
// pi * d^2 * v / 4 for a round vessel of diameter d and mean velocity v. The
// velocity line runs along the capillary; the diameter is measured across
// it, at the middle of the line.
//
// The diameter is measured on the mean of the frames a scan of the line
// covers, never on the frame that happens to be shown: a single frame
// catches the column full of cells or in a plasma gap and gives a width
// that depends on where playback stopped. Averaged over the run the column
// is its whole width and the sensor noise is gone (on synthetic videos of
// known width the mean picture is the closest of the pictures tried, the
// shown frame the worst). Every path that files a diameter or a flux (the
// scan played in the workstation, "Calculate all widths and velocities",
// ordavia-cli linescan) takes these two functions.
#include <vector>

#include "measure/CDimLine.h"

class CDim;
class CMotivaDoc;
class CZVimage;

namespace ordavia {

// The short line across the capillary where the middle of `line`'s path
// lies (a line that follows a bend has its chord's midpoint off the vessel):
// long enough for a wide vessel at a high magnification, short enough to
// keep its neighbours out. False when the line has no length.
bool acrossLineAtMiddle(const CDim& line, CDimLine& across);

// The mean of frames [first, last) over the pixels of `box` (x0, y0, x1, y1
// inclusive, frame coordinates with the movement offsets applied, as a line
// scan samples them); the picture's pixel (0, 0) is the box's top left. The
// frames' colour kind is kept. False when there is no frame or no memory.
bool meanOfFrames(CMotivaDoc& video, int first, int last, const int box[4], CZVimage& out);

// The capillary's diameter across the middle of line `index` of the current
// list, on the mean of the frames a run of that line scans (the selection,
// else every frame), by the "capwidth" method, in the video's units in
// effect; -1 when there is no such line or no capillary is found.
double lineDiameter(CMotivaDoc& video, int index);

// The lines of the current list that a velocity is measured along: open
// lines of two or more vertices, less those laid across a capillary to
// measure its width. A line crosses the vessel when, on the mean picture of
// the run, the dip of dark blood is deeper along the line than across its
// middle (a line along the vessel is dark from end to end and has the dip
// across it).
std::vector<int> velocityLines(CMotivaDoc& video);

// pi * d^2 * |v| / 4 (length^3 per second in the units of d and v); -1 when
// the diameter is unknown. A volume per second has no direction: the sign
// a velocity carries for the line's direction does not reach it.
double bloodFlux(double diameter, double velocity);

}  // namespace ordavia
