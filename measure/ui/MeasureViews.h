#pragma once

namespace ordavia {

// Lets the main frame make image views: "ZBasicView" for image documents
// and "ZBasicfgView" for frozen live pictures, which are image documents
// too.
void registerMeasureViews();

}  // namespace ordavia
