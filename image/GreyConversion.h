#pragma once
// Colour pictures stay colour in documents; the analyses that work on one
// grey value per pixel (detection, thresholds, most filters) get it here,
// with the colour weights the user chose ("Colour weighting on import...")
// and the same arithmetic a colour bitmap read as grey has always had, so
// that their numbers do not depend on when the picture became grey.
#include <functional>

#include "image/ImageFormats.h"

class CZVimage;

namespace ordavia {

// Colour becomes grey with `w`; a Bayer mosaic gets its own conversion
// (green estimates). Shape, tag, interlace,
// origin and display settings stay. False when the picture was grey or
// empty already, or memory ran out.
bool convertToGrey(CZVimage& img, const GreyWeights& w);

// A grey picture to analyse: a grey one is copied as it is, others are
// converted as above. Empty when memory runs out.
CZVimage greyCopyOf(const CZVimage& img, const GreyWeights& w);

// The grey value of one pixel in parent coordinates (origin applied),
// converted as above for colour; -1 outside the picture.
int greyAt(const CZVimage& img, int x, int y, const GreyWeights& w);

// Runs a filter made for grey pictures on each of the three channels of a
// colour picture (on the picture itself when it is grey or Bayer), so that
// smoothing or repairing a colour picture keeps it in colour. True when
// the filter changed any channel.
bool forEachChannel(CZVimage& img, const std::function<bool(CZVimage&)>& filter);

}  // namespace ordavia
