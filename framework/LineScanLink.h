#pragma once
// The road from a video view to the line scans. Line-scan documents sit
// above the video layer, so the video view cannot know them; the
// workstation's services carry one link (the live line scan) and the view
// reports to it. Without a link the view's line-scan commands stay
// disabled. It sits here, below the videos, so that the services can name
// it; the view it is given is the video view that reports (the link knows
// that view's class, the framework does not).

namespace ordavia {

class DocumentView;

class LineScanLink {
public:
    virtual ~LineScanLink() = default;

    // "&Linescan": the live line scan takes this view as its source and
    // starts from its scan line (now, or as soon as a line is drawn).
    virtual void startScan(DocumentView& view) = 0;
    // "Measuring line" (second false) chooses the current dimension line as
    // the scan line; "Temporal 2nd Measuring line" (second true) as the
    // second line of the two-line method.
    virtual void chooseMeasuringLine(DocumentView& view, bool second) = 0;
    // "Calculate all widths and velocities": every line of the video scanned
    // over the selected frames, each with its summary to accept or reject.
    virtual void calculateAll(DocumentView& view) = 0;

    // The view shows a frame other than the one it showed before.
    virtual void frameShown(DocumentView& view) = 0;
    // Playback of the view stopped (by the user or at the last frame).
    virtual void playbackStopped(DocumentView& view) = 0;
    // The view goes away.
    virtual void viewClosing(DocumentView& view) = 0;
    // Whether the view is the source of the live line scan.
    virtual bool isSource(const DocumentView& view) const = 0;
};

}  // namespace ordavia
