#pragma once
// The standardised capillaroscopy assessment of one picture: the distal row
// of capillaries with, for each of them, its apex, apical diameter, size
// class (dilated, giant) and shape; the haemorrhages; the gaps between
// neighbouring capillaries; the density; and the Fast Track pattern with the
// rule that decided it and, for a scleroderma pattern, a suggested phase.
//
// The findings are one list the user may correct by hand; every figure is
// derived from that list by recomputeAssessment, so that an edited
// assessment and an automatic one go through exactly the same rules. Every
// figure carries a quality (0..1); a figure that cannot be trusted (an
// uncalibrated picture cannot tell a giant from a normal loop) says so in
// the warnings and the pattern is marked as not trusted instead of being
// decided silently.
//
// Pixel coordinates have pixel (i, j)'s centre at (i, j). No Qt here.
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "image/CapillaryCount.h"

class CZVimage;

namespace ordavia {

// The warnings, in the words of the command line and the workstation alike.
inline constexpr const char* kAssessLowContrast = "low contrast";
inline constexpr const char* kAssessOutOfFocus = "out of focus";
inline constexpr const char* kAssessUncalibrated = "uncalibrated";
inline constexpr const char* kAssessLineTooShort = "line too short";
inline constexpr const char* kAssessGlare = "glare";
inline constexpr const char* kAssessGreyPicture = "grey picture: haemorrhages cannot be told apart by colour";
inline constexpr const char* kAssessNoRow = "no distal row found";
inline constexpr const char* kAssessPatternUntrusted = "pattern not trusted";
// After a pattern in words that cannot be trusted.
inline constexpr const char* kPatternNotTrusted = " - not trusted";

// A figure (and the pattern) is trusted at this quality or above.
inline constexpr double kAssessTrustedQuality = 0.5;

// Apical diameters that make a loop dilated or giant (micrometres).
inline constexpr double kDilatedApexUm = 20;
inline constexpr double kGiantApexUm = 50;
// A gap between neighbouring distal-row capillaries longer than this is an
// avascular area (micrometres).
inline constexpr double kAvascularGapUm = 500;
// The shortest row the density is counted over (micrometres).
inline constexpr double kMinRowUm = 1000;

// Shapes: the first three are normal, the others abnormal.
enum class CapillaryShape : int { kHairpin = 0, kTortuous = 1, kCrossing = 2, kRamified = 3, kBizarre = 4 };
inline bool isNormalShape(CapillaryShape s) { return static_cast<int>(s) <= static_cast<int>(CapillaryShape::kCrossing); }
// "hairpin", "tortuous", "crossing", "ramified", "bizarre".
const char* shapeName(CapillaryShape s);
// The shape named so; nothing for another word.
std::optional<CapillaryShape> shapeFromName(const std::string& name);

enum class ScleroPhase : int { kNone = 0, kEarly = 1, kActive = 2, kLate = 3 };
// Null for kNone, else "early", "active", "late".
const char* phaseName(ScleroPhase p);

struct AssessPoint {
    double x = 0, y = 0;
};

struct AssessedCapillary {
    AssessPoint apex;
    // Apical diameter; NaN when it was not measured.
    double apexUm = std::numeric_limits<double>::quiet_NaN();
    // The width bar across the apex where the diameter was measured (pixels;
    // both ends equal when there is none).
    AssessPoint widthFrom, widthTo;
    bool dilated = false;
    bool giant = false;
    CapillaryShape shape = CapillaryShape::kHairpin;
    bool byHand = false;  // added or changed by the user
};

struct Haemorrhage {
    AssessPoint centre;
    std::vector<AssessPoint> outline;  // closed polygon, pixels
    double areaUm2 = 0;
    bool byHand = false;
};

// How far each figure can be trusted, 0 (not at all) to 1.
struct AssessmentQuality {
    double density = 0;
    // The apical diameters (and so the dilated loops). In a picture's own
    // qualities (as filed): how far its loops could be sized at all, which
    // is also how far its giants can be trusted.
    double diameter = 0;
    double shape = 0;
    double haemorrhages = 0;
    double gaps = 0;
    // The least of the figures that decided the pattern.
    double pattern = 0;
    // That the row's giants are all found and none false. A giant is found
    // by the blood its loop holds, which blur spreads but keeps: out of
    // focus the giants hold their trust where the apical diameters lose it.
    double giants = 0;
    // One figure for the picture: the pattern's quality.
    double overall() const { return pattern; }
};

struct CapillaryAssessment {
    // --- what was assessed
    std::string finger;        // "R2" ... "L5", or empty
    double umPerPixel = 0;     // the scale the figures were made with
    bool calibrated = false;   // the scale was known, not guessed
    bool colour = false;       // a colour picture (haemorrhages by colour)
    // The distal row line, first point to second, and whether it was found
    // automatically (fitted through the most distal apexes).
    AssessPoint lineFrom, lineTo;
    bool lineAutomatic = true;

    // --- the findings (edited by hand in the review)
    std::vector<AssessedCapillary> capillaries;  // in order along the line
    std::vector<Haemorrhage> haemorrhages;
    // A finding was taken away by hand (it leaves no trace in the lists).
    bool handRemoved = false;

    // --- what the picture itself says, kept for recomputing: warnings
    // about the picture (low contrast, out of focus, glare, grey picture,
    // uncalibrated) and the quality of the picture's own evidence per figure.
    std::vector<std::string> pictureWarnings;
    AssessmentQuality pictureQuality;

    // --- the figures, derived by recomputeAssessment
    double lineLengthUm = 0;
    int count = 0;
    double densityPerMm = 0;
    int giants = 0;
    int dilated = 0;
    int abnormalShapes = 0;
    double longestGapUm = 0;
    bool avascular = false;
    int rule = 3;               // the Fast Track rule that decided (1, 2, 3)
    bool scleroderma = false;   // the Fast Track pattern
    bool patternTrusted = true;
    ScleroPhase phase = ScleroPhase::kNone;  // a suggestion only
    AssessmentQuality quality;
    std::vector<std::string> warnings;  // the picture's and the figures'
    // Whether any finding was made or changed by hand.
    bool correctedByHand() const;
    int haemorrhageCount() const { return static_cast<int>(haemorrhages.size()); }
    // "scleroderma" or "non-scleroderma".
    const char* patternName() const { return scleroderma ? "scleroderma" : "non-scleroderma"; }
};

struct AssessOptions {
    // The distal row line (pixels); none: found automatically.
    std::optional<AssessPoint> lineFrom, lineTo;
    // Along a line given here the capillaries are those the capillary
    // counter counts on it with these settings (the workstation's count
    // settings), so that the count tool and the assessment agree.
    CountSettings lineCount;
    // Micrometres per pixel; 0 or less: unknown (a guess is used and the
    // figures that depend on it are not trusted).
    double umPerPixel = 0;
    // The scale used when none is known: a 200x capillaroscope at 1280x1024.
    double guessUmPerPixel = 2.6;
    std::string finger;
    // Called now and then with 0..1; returning false cancels (Cancelled).
    std::function<bool(double)> progress;
};

// Assesses one picture (grey or colour; a Bayer picture is demosaiced).
// Fails only for a picture that cannot be read as one (empty) or a
// cancelled pass; a poor picture gives an assessment with warnings.
Result<CapillaryAssessment> assessPicture(const CZVimage& image, const AssessOptions& options);

// Recomputes every derived figure (count, density, size classes, gaps,
// Fast Track rule, pattern and phase, qualities and warnings) from the
// findings and the line, at the given scale. The review calls it after
// each correction. Size flags of capillaries not marked by hand follow
// their apical diameter; flags set by hand stay.
void recomputeAssessment(CapillaryAssessment& a, double umPerPixel);

// Each figure's quality, in one order for every front end: the key the
// figure has in "ordavia-cli assess --json" and the words for it in the
// workstation and the report.
struct FigureQuality {
    const char* key;
    const char* words;
    double quality;
};
std::vector<FigureQuality> figureQualities(const CapillaryAssessment& a);
// The words of the figures whose quality is under kAssessTrustedQuality,
// comma separated ("density, apical diameters"); empty when all are trusted.
std::string untrustedFigures(const CapillaryAssessment& a);
// "Not trusted: " and those words, or empty.
std::string untrustedFiguresLine(const CapillaryAssessment& a);

// Where a gap lies along the row: between capillaries `from` and `from + 1`
// of the list (-1 / count for the row's ends), its length in micrometres.
struct AssessmentGap {
    int from = -1;
    double lengthUm = 0;
};
// The gaps between neighbouring capillaries along the line, ends included.
std::vector<AssessmentGap> assessmentGaps(const CapillaryAssessment& a);

}  // namespace ordavia
