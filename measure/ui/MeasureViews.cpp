#include "measure/ui/MeasureViews.h"

#include "framework/ui/ViewRegistry.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/ProcessMenu.h"
#include "measure/ui/ZBasicView.h"

namespace ordavia {

void registerMeasureViews() {
    const ViewMaker maker = [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<ZBasicDoc*>(d);
        return doc ? new ZBasicView(doc, parent) : nullptr;
    };
    registerViewMaker("ZBasicView", maker);
    registerViewMaker("ZBasicfgView", maker);
    registerProcessMenu();
}

}  // namespace ordavia
