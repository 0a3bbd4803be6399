#include "app/ui/MainToolbar.h"

#include <QAction>

#include "app/ui/FrameIcons.h"
#include "chart/ui/ZliveChartView.h"
#include "measure/ImageToolController.h"

namespace ordavia {

const std::vector<RoutedToolbar::Button>& MainToolbar::buttons() {
    static const std::vector<Button> kButtons = {
        {"Save the document", "&Save", "save"},
        {"Cut", "Cu&t", "cut", kChartEditing, true},
        {"Copy", "&Copy", "copy", kChartEditing},
        {"Paste", "&Paste", "paste", kChartEditing},
        {"Simple smoothing", "&Simple smoothing....", "smooth", kChartEditing},
        {"Average of selection", "Calculate average of selection", "average", kChartEditing},
        {"Increase trace brightness", "brighter", "brighter", kChartEditing},
        {"Decrease trace brightness", "dim", "dim", kChartEditing},
        {"Reduce full scale", "&Reduce full scale", "reduce-scale", kChartEditing},
        {"Increase full scale", "&Increase  full scale", "increase-scale", kChartEditing},
        {"Hide trace", "&Hide Trace", "hide", kChartEditing},
        {"Decrease bandwidth", "&Decrease Bandwidth", "narrower", kNoGroup, true},
        {"Increase bandwidth", "&Increase Bandwidth", "wider"},
        {"Hold the live chart's picture", ZliveChartView::kHoldText, "hold", kNoGroup, true},
        {"Play the image sequence", "play image sequence", "play", kNoGroup, true},
        {"Step one frame back", "step one frame/field back", "step-back"},
        {"Step one frame forward", "step one frame/field forwards", "step-forward"},
        {"Play in a loop", "&Loop", "loop"},
        {"Calculate velocity", "&Calculate velocity", "velocity", kNoGroup, true},
        {"Flying spot", "Flying Spot", "flying-spot"},
    };
    return kButtons;
}

MainToolbar::MainToolbar(QAction* openAction, QWidget* parent) : RoutedToolbar("Main toolbar", buttons(), parent) {
    setObjectName("MainToolbar");
    if (openAction) {
        openAction->setIcon(frameIcon("open"));
        openAction->setToolTip("Open one or more documents (File > Open...)");
        insertAction(actions().isEmpty() ? nullptr : actions().first(), openAction);
    }
    if (QAction* hold = buttonFor(ZliveChartView::kHoldText)) hold->setData(ZliveChartView::kHoldCommand);
}

const std::vector<RoutedToolbar::Button>& SecondToolbar::buttons() {
    using TC = ImageToolController;
    static const std::vector<Button> kButtons = {
        {"Set the origin", "&Origin", "origin"},
        {"Show the crosshair", "Show &Crosshair", "crosshair"},
        {"Pan the picture", "&Pan image", "pan"},
        {"Zoom in", TC::kZoomIn, "zoom-in"},
        {"Zoom out", TC::kZoomOut, "zoom-out"},
        {"Region of interest", "&ROI", "roi"},
        {"Show the grid", "&Grid", "grid"},
        {"Start timed saves", "Start timed saves", "timed-saves"},
        {"Dust mask filter", "Use Dust Mask filter", "dust"},
        {"Add measuring/dimension", "", "measure-group", kMeasurement, true},
        {"Counting", "&Counting", "counting", kMeasurement},
        {"Dimension lines", "Dimension &Lines", "lines", kMeasurement},
        {"Polyline", "Dimension &polyline", "polyline", kMeasurement},
        {"Freehand lines", "&Freehand dimension lines", "freehand-line", kMeasurement},
        {"Freehand area", "Freehand area", "freehand-area", kMeasurement},
        {"Irregular polygon", "&Irregular polygon", "polygon", kMeasurement},
        {"Circle", "&Circle", "circle", kMeasurement},
        {"Find capillary width", "Find capillary &width", "width", kMeasurement},
        {"Measure nailfold loops", "Measure nailfold loops", "loops", kMeasurement},
        {"Trace capillaries", "trace capillaries", "trace", kMeasurement},
        {"Find capillaries", "&Find Capillaries", "find-capillaries", kMeasurement},
        {"Image processing tools", "", "image-group", kImageTools, true},
        {"Brightness/contrast", "&Adjust brightness/contrast", "brightness", kImageTools},
        {"Equalise", "E&qualise", "equalise", kImageTools},
        {"High pass filter", "&High pass filter", "high-pass", kImageTools},
        {"Negative", "Ne&gative", "negative", kImageTools},
    };
    return kButtons;
}

SecondToolbar::SecondToolbar(QWidget* parent) : RoutedToolbar("Second toolbar", buttons(), parent) {
    setObjectName("SecondToolbar");
}

}  // namespace ordavia
