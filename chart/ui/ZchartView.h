#pragma once
// The chart view: every trace of a chart document against a common x axis,
// with a y axis for the active trace, a selection, a cursor with read-outs,
// markers, zoom and pan with the mouse and wheel, the trace operations of
// the chart menus, the "CTrace" clipboard format, import, export and printing.
#include <QWidget>
#include <memory>
#include <vector>

#include "chart/CAxis.h"
#include "chart/ChartToolController.h"
#include "chart/ui/ChartPainter.h"
#include "framework/Document.h"
#include "framework/ui/MenuProvider.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QAction;
class QPrinter;
class ZchartDoc;
class ChartCanvas;
class DataFileFormat;
class ProfileStore;
namespace ordavia {
class Prompter;
struct TextImportGuess;
}  // namespace ordavia

class ZchartView : public QWidget, public ordavia::DocumentView, public ordavia::MenuProvider {
    Q_OBJECT
public:
    static constexpr const char* kClipboardFormat = "CTrace";

    explicit ZchartView(ZchartDoc* doc, QWidget* parent = nullptr);
    ~ZchartView() override;

    ZchartDoc* document() const { return doc_; }
    ordavia::ChartViewState& state() { return state_; }
    const ordavia::ChartViewState& state() const { return state_; }

    void OnUpdate(ordavia::Document* doc, long hint) override;
    QList<QMenu*> documentMenus() override;
    QList<QAction*> fileActions() override;
    QSize sizeHint() const override { return {900, 520}; }

    // The action of a menu text (for tests and scripted use); null when none.
    QAction* findAction(const QString& text) const;
    // The chart drawn as the view shows it.
    QImage renderToImage(QSize size) const;

    // View commands that tests and scripts use directly.
    void fitAll();
    void zoomToSelection();
    void zoomX(double factor, double aroundX);
    void zoomY(double factor, double aroundY);
    void setActiveTrace(int index);
    int activeTrace() const { return state_.active; }
    void setSelection(uint32_t from, uint32_t to);
    void setCursorX(double x);
    QRect plotRect() const;
    void repaintChart();
    QWidget* canvasWidget() const;
    // The mouse logic of the plot (in plot pixels).
    ordavia::ChartToolController& tool() { return tool_; }
    double xScale() const { return state_.xPerPixel; }

    // Commands of the menus.
    void cmdPowerSpectrum();
    void cmdSmoothing();
    void cmdFir();
    void cmdDifferentiate();
    void cmdAverage();
    void cmdNormalise();
    void cmdCombine(bool subtract);
    void cmdSquare();
    void cmdHalve();
    void cmdRowProfile();
    void cmdImageFromTrace();
    void cmdRowOperation(int op);
    void cmdCopy();
    void cmdCut();
    void cmdPaste();
    void cmdDelete();
    void cmdClear();
    void cmdImport();
    bool importFile(const std::string& path, DataFileFormat& fmt);
    // What "&Import..." says when the reader gave no trace: what was asked
    // for, and what the file holds.
    static std::string nothingImportedText(const std::string& path, const DataFileFormat& f,
                                           const ordavia::TextImportGuess& guess);
    void cmdExport();
    // The plot and its axes as shown, as a PNG file.
    void cmdExportViewPng();
    void cmdTraceProperties();
    void cmdHideTrace();
    void cmdFullScale(bool reduce);
    void cmdIntensity(bool brighter);
    void cmdColour();
    void cmdInverseColours();
    void cmdMinimumToBackground();
    void cmdLinearIntensity();
    void cmdInsertMarker();
    void cmdEditMarker();
    void cmdGoldenSearch();
    void cmdArtifactFilter();
    void cmdChartResults();
    void cmdRun();
    void printDocument();
    void printPreview();
    void paintPage(QPainter& p, const QRect& page);

    // Uses the first trace as the time axis when it rises by even steps
    // (an export with a time column); true when it did.
    bool adoptTimeColumn();

    // The read-outs of the four status panes.
    QString readout(int pane) const;
    // "Peak frequency ... Hz" above the plot while a power spectrum is the
    // active trace; empty otherwise.
    QString peakFrequencyText() const;

    // Plot coordinates: x in the axis's units, y in the units of trace
    // `index` as its display record shows it.
    double xAtPixel(double px) const;
    double pixelAtX(double x) const;
    double yAtPixel(int index, double py) const;
    double pixelAtY(int index, double y) const;

signals:
    void readoutsChanged();

protected:
    // Views of documents that draw on their traces (line scans) paint over
    // the plot here and may take a left press on the plot: when plotPress
    // returns true the moves and the release of that press go to plotDrag
    // and plotRelease instead of selecting. Positions are canvas pixels.
    virtual void paintOverlay(QPainter& p, const QRect& plot) {}
    virtual bool plotPress(QPointF pos, Qt::KeyboardModifiers mods) { return false; }
    virtual void plotDrag(QPointF pos) {}
    virtual void plotRelease(QPointF pos) {}
    // The menus and the bar above the plot, for derived views to extend.
    QList<QMenu*>& menuList() { return menus_; }
    QHBoxLayout* topBar() const { return topBar_; }
    // The document the view draws and reads out: its own, or a still copy
    // that a derived view holds; null gives the view its own back.
    void setShownDocument(const ZchartDoc* shown);
    const ZchartDoc& shown() const { return shown_ ? *shown_ : static_cast<const ZchartDoc&>(*doc_); }
    // The x axis's unit label; empty: the active trace's X units.
    void setXUnitLabel(const std::string& units) { xUnitLabel_ = units; }

private:
    friend class ChartCanvas;
    // The document's questions to the user and its profile.
    ordavia::Prompter& prompter() const;
    ProfileStore& profile() const;
    void buildMenus();
    void refreshTraceList();
    void updateReadouts();
    void updatePeakLabel();
    bool requireActive(bool oneDimensional = false);
    void selectionOrWhole(uint32_t& from, uint32_t& to) const;

    ZchartDoc* doc_;
    const ZchartDoc* shown_ = nullptr;
    std::string xUnitLabel_;
    // Owns the display state; state_ is the view's name for it.
    ordavia::ChartToolController tool_;
    ordavia::ChartViewState& state_ = tool_.state();
    CAxis xAxis_{true};
    CAxis yAxis_{false};
    ChartCanvas* canvas_ = nullptr;
    QComboBox* traceBox_ = nullptr;
    QHBoxLayout* topBar_ = nullptr;
    QLabel* panes_[4] = {};
    QLabel* peakLabel_ = nullptr;
    QList<QMenu*> menus_;
    QList<QAction*> fileActs_;
    bool fitted_ = false;
    int lastImportFirst_ = -1;
    int importBytes(const std::vector<uint8_t>& bytes, DataFileFormat& f);
};

namespace ordavia {
void registerChartViews();
}  // namespace ordavia
