#pragma once
// Which widget shows which document: each document type's ui/ code
// registers a maker under its view class name; the main frame wraps the
// widget in an MDI child window.
#include <functional>
#include <string>

namespace ordavia {
class Document;
}  // namespace ordavia
class QWidget;

namespace ordavia {

using ViewMaker = std::function<QWidget*(Document* doc, QWidget* parent)>;

void registerViewMaker(const std::string& viewClass, ViewMaker maker);
// Null when no maker is registered for the class.
const ViewMaker* findViewMaker(const std::string& viewClass);

}  // namespace ordavia
