#pragma once
// The view of a flow document: the image view with an "&FCF" menu to
// recalculate with another threshold and gain, raise or lower the
// threshold, and send the region's row to the flow results table.
#include "measure/ui/ZBasicView.h"

class fcfdoc;

class fcfview : public ZBasicView {
    Q_OBJECT
public:
    explicit fcfview(fcfdoc* doc, QWidget* parent = nullptr);

    fcfdoc* flow() const { return flow_; }
    QList<QMenu*> documentMenus() override;
    QList<QAction*> fileActions() override;

    // "&Recalculate": the dialog with threshold, gain and the drift choice.
    void recalculateDialog();
    // The row of the region of interest (or the whole image), and the
    // results table shown.
    void averageOfSelection();
    // "Mark functional capillary density": the share of the current area
    // object (or the region of interest) that flows, reported and kept.
    void markDensity();
    // The counting rule: "FCDtype" auto or manual, and the manual level.
    void densityRuleDialog();

private:
    void buildFcfMenu();
    fcfdoc* flow_;
    QMenu* fcfMenu_ = nullptr;
};

// Registers the view maker of "fcfview".
namespace ordavia {
void registerFcfView();
}  // namespace ordavia
