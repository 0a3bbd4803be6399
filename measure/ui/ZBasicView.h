#pragma once
// The view of an image document: the picture with its palette at a zoom in
// a scroll area, the overlays on top, the mouse tools (through
// ImageToolController, which holds what a click does) and the view's own
// menus. The document's own commands come from imageDocumentMenus().
#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <memory>

#include "framework/Document.h"
#include "framework/ui/MenuProvider.h"
#include "measure/CapillaryWidth.h"
#include "measure/ImageToolController.h"

class QAction;
class QMdiSubWindow;
class QMenu;
class ZBasicDoc;
class ZBasicCanvas;
class ZliveChartDoc;

class ZBasicView : public QScrollArea, public ordavia::DocumentView, public ordavia::MenuProvider {
    Q_OBJECT
public:
    // Update hint for changes of the overlays only (the picture is unchanged).
    static constexpr long kHintOverlays = 0x5A01;
    static constexpr const char* kClipboardFormat = "application/x-ordavia-dimension";

    explicit ZBasicView(ZBasicDoc* doc, QWidget* parent = nullptr);
    ~ZBasicView() override;

    ZBasicDoc* document() const { return doc_; }
    ordavia::ImageToolController& tools() { return *tools_; }
    const QImage& picture() const { return picture_; }
    QWidget* canvas() const;

    // DocumentView
    void OnUpdate(ordavia::Document* doc, long hint) override;
    // MenuProvider
    QList<QMenu*> documentMenus() override;
    QList<QAction*> fileActions() override;
    // The picture at its zoom with room for the scroll bars, so that a new
    // window shows the whole image when the frame has room for it.
    QSize sizeHint() const override;

    // The whole document as the view shows it at zoom 1, into an image of
    // the picture's size (for tests and for copying the view).
    QImage renderToImage() const;
    // What the canvas shows at the current zoom, overlays included, without
    // a half-drawn rubber band; null when it would be too large to hold.
    QImage renderViewImage() const;
    void exportViewAsPng();
    // The action of a menu text, for tests and scripted use; null when none.
    QAction* findAction(const QString& text) const;

    // Said by commands of later features that the video views still offer.
    static constexpr const char* kNotAvailable = "\"%s\" is not available in this version of Ordavia.";
    static constexpr const char* kFitToWindow = "Fit to &window";
    static constexpr const char* kHistogram = "&Histogram";
    static constexpr const char* kRemoveDustMarks = "Remove marks using dust mask";
    static constexpr const char* kNoDustMask =
        "The dust list is empty. Mark the dust with \"Edit dust mask\" or read a mask with \"Load dust mask\" first.";

    void zoomIn();
    void zoomOut();
    // One zoom step keeping the image point at canvasPos (canvas widget
    // coordinates) under the cursor: the mouse wheel.
    void zoomAround(QPointF canvasPos, bool in);
    // The largest zoom step at which the whole picture shows.
    void fitToWindow();
    void copyDimension();
    void pasteDimension();
    // "&Grey level": opens a live chart of the profile along the current
    // line (or refeeds the one this view already feeds); the view refeeds
    // it whenever the line or the picture changes.
    void showGreyLevel();
    // The live chart this view feeds, or null (cleared when it closes).
    ZliveChartDoc* greyLevelChart() const { return liveChart_; }
    void showHistogram();
    // "Find capillary &width", "Measure nailfold loops" and the
    // "Capillary Width Method" dialog.
    void findCapillaryWidth();
    void measureNailfoldLoops();
    // The prompter, when the current list has a line to measure; otherwise
    // says so and gives null.
    ordavia::Prompter* promptsWithLines();
    void chooseWidthMethod();
    static constexpr const char* kWidthMethod = "Capillary width &method...";
    void removeDustMarks();
    void printDocument();
    void printPreview();
    // Refreshes the status panes for the image point under the cursor.
    virtual void updateStatus(ordavia::ZPoint cursor);

protected:
    void showEvent(QShowEvent* e) override;

private:
    friend class ZBasicCanvas;
    void buildMenus();
    void syncToolActions();
    void rebuildPicture();
    void resizeCanvas();
    void applyEffects(unsigned fx);
    // A chart or table made by a command, as a child window of the frame.
    void openChildWindow(QWidget* w, const QString& title);
    void setZoomKeepingCentre(bool in);
    // Sends the current profile to the live chart; unless forced, only when
    // it differs from what was sent last (a mouse move redraws often).
    void feedGreyLevel(bool force);
    // The measured edges as markers on the grey-level chart.
    void markProfileEdges(const ordavia::LineWidth& w);
    static constexpr const char* kEdgeMarker = "capillary edge";

    ZBasicDoc* doc_;
    std::unique_ptr<ordavia::ImageToolController> tools_;
    ZBasicCanvas* canvas_ = nullptr;
    QImage picture_;
    ordavia::ZPoint cursor_;
    QPointer<QMdiSubWindow> frame_;
    // Set while the window is being activated (see mousePressEvent).
    bool justActivated_ = false;
    ZliveChartDoc* liveChart_ = nullptr;
    std::vector<int> fedProfile_;
    double fedInterval_ = 0;
    std::string fedUnits_;

    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QList<QMenu*> docMenus_;
    QList<QAction*> docFileActions_;
    bool docMenusMade_ = false;
    QList<QAction*> toolActions_;  // the tools, in the controller's order
    QAction* pasteAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* previewAction_ = nullptr;
    QAction* exportPngAction_ = nullptr;
};
