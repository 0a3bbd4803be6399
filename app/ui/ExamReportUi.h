#pragma once
// "Export examination report...": asks for the PDF's name, writes it and the
// results as CSV beside it (same name, ".csv").
#include <cstdint>

class CBasicApp;
class QWidget;

namespace ordavia {

void exportExaminationReport(CBasicApp& app, int64_t examId, QWidget* parent);

}  // namespace ordavia
