#pragma once
// An examination's capillaroscopy answer, from the assessments of its
// pictures: the finger grid (fingers 2 to 5 of each hand, each with the
// figures of its pictures together) and the examination's pattern, which
// is the scleroderma pattern when any picture shows one, naming where.
// The grid's figures are declared in fingerMeasures().
#include <optional>
#include <string>
#include <vector>

#include "db/AssessmentStore.h"
#include "figures/MeasureCatalogue.h"
#include "figures/MeasureValues.h"

namespace ordavia {

class JsonWriter;

// "L2".."L5", "R2".."R5": the fingers a nailfold examination looks at, in
// the order the grid lists them.
const std::vector<std::string>& examFingers();
// The finger a typed text names ("r2", " L5 "), or "" for another text.
std::string fingerLabel(const std::string& text);
// The sites the New Exam dialog offers: both hands first, then each finger.
const std::vector<std::string>& siteChoices();
// The finger a new picture of the examination is most likely of: the
// site's finger when the site is one, else the first finger of the grid
// that has no picture yet (the last one when all have).
std::string nextFinger(const std::string& site, const std::vector<StoredAssessment>& done);
// The finger a picture's file name names as a word of its own ("f-R2.zvg",
// "SSC01 l5 200x.png"), or "" when it names none or more than one.
std::string fingerInFileName(const std::string& fileName);

// The keys under which a picture's assessment files its pattern: 1 for the
// scleroderma pattern, the Fast Track rule that decided (1..3), the
// suggested phase (0 none, 1 early, 2 active, 3 late) and the pattern's
// quality (0 to 1).
inline constexpr const char* kSclerodermaKey = "pattern";
inline constexpr const char* kRuleKey = "rule";
inline constexpr const char* kPhaseKey = "phase";
inline constexpr const char* kQualityKey = "quality";
// "early", "active", "late", or "" for none.
std::string phaseWord(int phase);

struct FingerSummary {
    std::string finger;
    MeasureValues figures{fingerMeasures()};
    bool scleroderma = false;
    int rule = 0;   // the rule of the picture that decided; 0 without one
    int phase = 0;  // the latest phase suggested by a scleroderma picture
    std::vector<std::string> pictures;  // file names
    std::vector<std::string> byHand;    // figures corrected by hand, in any picture
    // Whether the finger's pattern can be trusted: a scleroderma pattern
    // when a picture showing it is trusted, a non-scleroderma one when
    // every picture is (a picture filed without a quality counts as trusted).
    bool trusted = true;
};

struct ExamAssessmentSummary {
    std::vector<FingerSummary> fingers;  // the grid's order, then other sites as typed
    int pictures = 0;
    // Fingers whose pictures show the scleroderma pattern.
    std::vector<std::string> sclerodermaIn;
    // Fingers whose pattern cannot be trusted.
    std::vector<std::string> untrustedIn;
    bool hasPattern() const { return pictures > 0; }
    bool scleroderma() const { return !sclerodermaIn.empty(); }
    const FingerSummary* find(const std::string& finger) const;
};

ExamAssessmentSummary summariseExamination(const std::vector<StoredAssessment>& assessed);

// The figures named by their catalogue keys, as headings: "density, capillaries".
std::string figureHeadings(const std::vector<std::string>& keys);

// "scleroderma" / "non-scleroderma" (the JSON words).
std::string patternKey(bool scleroderma);
// The pattern in words: "Scleroderma pattern (rule 2: giant capillaries,
// or density of 3 per mm or less with abnormal shapes); phase suggested: active".
std::string patternWords(bool scleroderma, int rule, int phase);
// A finger's pattern in words, marked when it cannot be trusted.
std::string fingerPatternWords(const FingerSummary& f);
// The same in short, for a grid's cell: "scleroderma (rule 2) - not trusted".
std::string fingerPatternCell(const FingerSummary& f);
// The examination's pattern in words, naming the fingers that decided
// (those whose pattern cannot be trusted marked so) and, for a
// non-scleroderma pattern, the fingers whose answer cannot be trusted;
// "No picture of this examination is assessed yet." without pictures.
std::string examPatternWords(const ExamAssessmentSummary& s);

// {"fingers": {"R2": {...}, ...}, "pattern", "pictures"}: each finger
// object holds its figures, "pattern", "rule", "phase", "by_hand" and
// "trusted".
void writeSummaryJson(JsonWriter& j, const ExamAssessmentSummary& s);

}  // namespace ordavia
