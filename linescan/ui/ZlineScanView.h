#pragma once
#include <memory>
// The line-scan views. ZlineScanBaseView shows a ".zvl" (or a finished
// scan): the space-time picture in the upper band of the plot with the
// velocity slopes over it, the "cbv" velocity trace in the lower band, the
// line-scan commands, and slopes drawn and picked with the mouse while
// "Dimension &Lines" is on. ZlineScanView adds the commands of the live
// scan and follows the scan's newest column while it runs.
#include "chart/ui/ZchartView.h"
#include "linescan/ZlineScanBaseDoc.h"

class QLabel;
class ZlineScanDoc;

class ZlineScanBaseView : public ZchartView {
    Q_OBJECT
public:
    // Update hint of a new live column (the x range follows it).
    static constexpr long kHintLiveColumn = ZlineScanBaseDoc::kHintLiveColumn;
    static constexpr const char* kMenuTitle = "&Linescan";

    explicit ZlineScanBaseView(ZlineScanBaseDoc* doc, QWidget* parent = nullptr);
    ~ZlineScanBaseView() override;

    ZlineScanBaseDoc* lineScan() const { return ls_; }
    // The action of a menu text in the "&Linescan" menu (whose "&Delete"
    // deletes a slope, not a trace); null when none.
    QAction* lineScanAction(const QString& text) const;
    void OnUpdate(ordavia::Document* doc, long hint) override;
    // The chart's file actions, with "&Import..." taking kymographs too.
    QList<QAction*> fileActions() override;

    // The display index of the picture the slopes lie on (the source, else
    // "scan2D"); -1 without one.
    int scanIndex() const;
    // Lays the scan over the upper part of the plot and the velocity traces
    // under it, each band fitted to its data.
    void arrangeBands();
    // Slopes are drawn with the mouse while this is on.
    bool drawingSlopes() const;
    void setDrawingSlopes(bool on);
    // The pick rectangle's half sizes in the scan's units.
    double pickHalfWidth() const;
    double pickHalfHeight() const;
    // Scrolls so that time t is at the right edge when it is out of view.
    void followTime(double t);

    // Commands.
    void cmdParameters();
    void cmdSlopeVelocities();
    void cmdSetTraceAsLinescan();
    void cmdDeleteSlope();
    void cmdInterpolate();
    void cmdCalculateVelocity();
    void cmdCorrelate();
    void cmdDeleteAllSlopes();
    void cmdUseInterlace();
    void cmdCbvVsCorrelation();
    void cmdAverageCbvVsLimit();
    void cmdHough();
    // "&Import...": a grey TIFF kymograph becomes the scan; other files go
    // to the chart's data import.
    void cmdImport();
    static constexpr const char* kTimeAlongX = "Is time along x (one picture column per line)?";
    // "Calculate": the run summary of the marked part of "cbv" (the whole
    // trace without a mark), to accept or reject.
    void cmdSummary();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintOverlay(QPainter& p, const QRect& plot) override;
    bool plotPress(QPointF pos, Qt::KeyboardModifiers mods) override;
    void plotDrag(QPointF pos) override;
    void plotRelease(QPointF pos) override;
    QMenu* lineScanMenu() const { return menu_; }
    void updateVelocityLabel();

private:
    void buildLineScanMenu();
    void applyDefaultVisibility();

    ZlineScanBaseDoc* ls_;
    QMenu* menu_ = nullptr;
    QAction* dimLines_ = nullptr;
    QAction* import_ = nullptr;
    QLabel* velocityLabel_ = nullptr;
    std::vector<const void*> seen_;
    bool arranged_ = false;
    double liveTime_ = -1;
};

namespace ordavia {
class LiveCameraScan;
}

class ZlineScanView : public ZlineScanBaseView {
    Q_OBJECT
public:
    explicit ZlineScanView(ZlineScanDoc* doc, QWidget* parent = nullptr);
    ~ZlineScanView() override;
    ZlineScanDoc* live() const { return live_; }

    void cmdSampleRate();
    void cmdSubtract();
    void cmdCalculateCbv();
    void cmdStartLiveVideo();
    void cmdStop();

private:
    ZlineScanDoc* live_;
    // The scan of the live camera picture, while one runs.
    std::unique_ptr<ordavia::LiveCameraScan> camera_;
};

// Registers the makers of "ZlineScanBaseView", "ZlineScanView",
// "ZchartReView" and of "CReView" for chart review documents.
namespace ordavia {
void registerLineScanViews();
}  // namespace ordavia
