#pragma once
// SyntheticCapillaroscope: the synthetic nailfold drawn the way a
// videocapillaroscope delivers it, for scoring capillary counts. The loops
// come from SyntheticNailfold; this adds what makes real frames hard:
// skin colour (blood darkens green most, red least), vessels that darken
// the picture by a few per cent only, in wide soft dips, contrast that
// changes across the picture, uneven light, glare from the contact gel,
// dust, small smooth sensor noise and block compression like a JPEG file.
// The named conditions are measured against real 200x pictures with the
// figures of CapillaryCountStats.h.
//
// Like the grey generator it uses only its own random streams and plain
// arithmetic, so the same parameters give the same bytes everywhere.
#include <string>
#include <vector>

#include "base/Result.h"
#include "synth/SyntheticNailfold.h"

class CZVimage;

namespace ordavia {

struct CapillaroscopeLook {
    bool colour = true;
    double contrast = 0.5;     // vessel contrast relative to the grey drawing, 0.01..1.5
    double texture = 1.0;      // skin texture relative to the grey drawing, 0..2
    double unevenness = 0.5;   // how much the contrast changes across the picture, 0..1
    double gradient = 0.3;     // lighting falls by this share across the picture, 0..0.8
    double glare = 0.5;        // strength of glare spots and haze, 0..2
    double dust = 0.5;         // dark specks, 0..2
    double noise = 3.0;        // sensor noise per channel, grey levels, 0..50
    // The noise is smoothed over about this many pixels (demosaicing and
    // compression leave no pixel-to-pixel noise), 0..3.
    double noiseGrain = 0;
    double green = 0;          // green level of lit skin, 20..240; 0 picks 105..150
    int jpegQuality = 70;      // 0: none; otherwise 5..100, as in JPEG encoders

    ordavia::Status validate() const;
};

// The named conditions of "synth image --look": "typical" (the middle of
// real 200x pictures: darkening of a few per cent, dips about 45 um wide,
// 10-15 % uneven light) and "hard" (their difficult end: darkening of 1-2 %,
// dips 80-120 um wide, strong uneven light, glare, a second row). Sets the
// picture size, calibration, anatomy and look; the number of loops is drawn
// from p.seed (5 to 9 per millimetre of width) unless `keepLoops`. False
// for an unknown name.
bool applyCapillaroscopeCondition(const std::string& name, SyntheticNailfold::Params& p, CapillaroscopeLook& look,
                                  bool keepLoops = false);

struct CountLineTruth {
    SyntheticNailfold::Point a, b;
    int count = 0;
    std::vector<SyntheticNailfold::Point> crossings;  // one per capillary, ordered along the line
};

// Draws the picture (colour or grey by the look). The loops, their truth
// and the nail edge are those of SyntheticNailfold::generate for `p`.
Status generateCapillaroscope(const SyntheticNailfold::Params& p, const CapillaroscopeLook& look, CZVimage& image,
                              SyntheticNailfold::Truth& truth);

// The capillaries whose centre line crosses the segment a-b (pixels): a loop
// whose two limbs both cross counts once, at the middle of its crossings.
CountLineTruth countLineTruth(const SyntheticNailfold::Truth& truth, SyntheticNailfold::Point a,
                              SyntheticNailfold::Point b);

// A line across the distal row: `lengthUm` long, centred on x = centreX,
// running level a little below the apexes of the first-row loops there.
CountLineTruth distalRowLine(const SyntheticNailfold::Truth& truth, double centreX, double lengthUm,
                             double belowApexUm = 40);

// The line truth as a JSON object.
std::string countLineJson(const CountLineTruth& t);

}  // namespace ordavia
