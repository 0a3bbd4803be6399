#pragma once
// The ten display palettes for grey images, and the automatic contrast
// stretch. A palette is 256 entries of four bytes: blue, green, red, 0 (the
// order of a device-independent bitmap's colour table).
#include <cstdint>

namespace ordavia {

// Fills entries[0..1023] with palette index (0..9; others give grey).
void fillPalette(int index, uint8_t* entries);
// Stretches the grey range min..max over the palette: below
// lo = 3 min / 4 black, from lo a grey ramp with step 256 / (hi - lo),
// from hi = max + (255 - max) / 4 white. Returns false (entries untouched)
// unless max > min.
bool fillAutoContrastPalette(int min, int max, uint8_t* entries);
// The menu text of a palette ("&Greylevel" ... "Contour&16"); empty for an
// index outside 0..9.
const char* paletteMenuText(int index);

}  // namespace ordavia
