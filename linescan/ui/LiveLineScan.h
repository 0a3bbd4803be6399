#pragma once
// The workstation's line-scan link: the live line scan and the video view
// that feeds it, and the videos' "Calculate all widths and velocities".
// Every scan is a document of its own, made for the video it scans: a new
// "&Linescan" never restarts a document that holds a scan (saved or not),
// so no scan is overwritten or saved under another video's name. It
// listens to the documents it refers to, so a closed video or scan is
// forgotten rather than left dangling.
#include <map>
#include <memory>

#include "framework/Document.h"
#include "linescan/ui/LineScanCharts.h"
#include "framework/LineScanLink.h"

class CMotivaDoc;
class CMotivaView;
class ZlineScanDoc;

namespace ordavia {

class AppServices;
class LineScanSampler;

class LiveLineScan : public LineScanLink, public DocumentView {
public:
    explicit LiveLineScan(ordavia::AppServices* services);
    ~LiveLineScan() override;

    // The services' line-scan link, when it is this kind.
    static LiveLineScan* of(const ordavia::AppServices& services);

    // LineScanLink: the views that report are video views; others are
    // not sources and are ignored.
    void startScan(DocumentView& view) override;
    void chooseMeasuringLine(DocumentView& view, bool second) override;
    void calculateAll(DocumentView& view) override;
    void frameShown(DocumentView& view) override;
    void playbackStopped(DocumentView& view) override;
    void viewClosing(DocumentView& view) override;
    bool isSource(const DocumentView& view) const override;

    // DocumentView: closing documents are forgotten.
    void OnUpdate(Document* doc, long hint) override;

    // The scan fed now, or the last one started or waiting for its line.
    ZlineScanDoc* live() const { return live_; }
    // The document waiting for a line of this video (made by "&Linescan",
    // not started yet); null when none.
    ZlineScanDoc* waitingFor(const CMotivaDoc* video) const;
    // "stop": the run ends, the follow-up analyses run; with `offer` the
    // run's summary is offered for the scanned line.
    void endRun(bool offer);
    // The video line a scan measures (video null when not known).
    ordavia::linescanui::ScanOrigin originOf(const Document* scan) const;
    // "Calculate" in a line-scan view: the summary of [from, to) of "cbv".
    void summarise(ZlineScanBaseDoc& scan, uint32_t from, uint32_t to);

    static constexpr const char* kNoLine =
        "Draw a dimension line along a capillary first (\"Dimension &Lines\" in the Tools menu), or choose one with "
        "\"Measuring line\".";
    static constexpr const char* kNoSecondLine =
        "The two-line method needs a second line: choose it with \"Temporal 2nd Measuring line\".";
    static constexpr const char* kNoLines = "Draw a dimension line along each capillary to measure first.";

private:
    void startScan(CMotivaView& view);
    void chooseMeasuringLine(CMotivaView& view, bool second);
    void calculateAll(CMotivaView& view);
    void frameShown(CMotivaView& view);
    ZlineScanDoc* documentFor(CMotivaView& view);
    bool tryStart(CMotivaView& view, bool tell);
    void remember(Document* scan, const ordavia::linescanui::ScanOrigin& origin);
    void listen(Document* d);

    ordavia::AppServices* services_;
    ZlineScanDoc* live_ = nullptr;
    CMotivaView* source_ = nullptr;
    std::unique_ptr<ordavia::LineScanSampler> sampler_;
    int sourceLine_ = -1;
    bool running_all_ = false;
    std::map<const Document*, ordavia::linescanui::ScanOrigin> origins_;
    std::map<const CMotivaDoc*, ZlineScanDoc*> waiting_;
    std::vector<Document*> listened_;
};

}  // namespace ordavia
