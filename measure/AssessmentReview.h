#pragma once
// The review of a picture's assessment: what a click on the picture does
// in each of the review's tools, each change one step on the review's undo
// stack, the figures and the pattern recomputed after every step. The
// window only translates mouse events into picture coordinates and paints
// assessment(); tests drive this class directly.
#include <functional>
#include <string>
#include <vector>

#include "base/UndoStack.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

enum class ReviewTool {
    kCapillary,    // adds a capillary, or removes the one clicked
    kGiant,        // marks the capillary clicked giant, or not giant
    kAbnormal,     // marks the capillary clicked abnormal in shape, or normal
    kHaemorrhage,  // marks a haemorrhage, or unmarks the one clicked
};

class AssessmentReview {
public:
    // `automatic` is the assessment as the picture gave it; it stays as the
    // reference for what was corrected by hand.
    explicit AssessmentReview(CapillaryAssessment automatic);

    // A filed assessment opened again: the review shows `filed` (with its
    // hand corrections) while `automatic` stays the reference. Not a step
    // that undoes; the undo history starts here.
    AssessmentReview(CapillaryAssessment automatic, const CapillaryAssessment& filed);

    const CapillaryAssessment& assessment() const { return current_; }
    const CapillaryAssessment& automatic() const { return automatic_; }
    // The finger the assessment is filed under; not an undoable change.
    void setFinger(const std::string& finger);

    // A click at picture coordinates; true when it changed the findings.
    bool click(ReviewTool tool, double x, double y);
    // How near (pixels) a click must be to a finding to hit it.
    double hitRadius() const;

    UndoStack& undoStack() { return undo_; }
    const UndoStack& undoStack() const { return undo_; }
    void undo() { undo_.undo(); }
    void redo() { undo_.redo(); }

    // The figures hand corrections changed (catalogue keys).
    std::vector<std::string> handCorrected() const;
    // Told after every change, undo and redo.
    std::function<void()> changed;

private:
    struct Findings {
        std::vector<AssessedCapillary> capillaries;
        std::vector<Haemorrhage> haemorrhages;
        bool handRemoved = false;
    };
    Findings findings() const;
    void apply(const Findings& f);
    // Records the change from `before` to the current findings as one step.
    void record(const std::string& text, Findings before);
    int nearestCapillary(double x, double y) const;
    int haemorrhageAt(double x, double y) const;
    void insertAlongLine(AssessedCapillary c);

    CapillaryAssessment automatic_;
    CapillaryAssessment current_;
    UndoStack undo_;
};

}  // namespace ordavia
