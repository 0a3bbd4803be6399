#pragma once
// "Export to DICOM..." and "Send to PACS..." of the Examinations window, and
// the dialog that sets the archive (kept in the profile, see
// app/PacsSettings.h). Both run with a progress window that can cancel
// and end with what was done and, one line each, what was refused.
#include <QDialog>
#include <cstdint>

#include "dicom/PacsNode.h"

class CBasicApp;
class QLineEdit;
class QSpinBox;

namespace ordavia {

class PacsDialog : public QDialog {
public:
    explicit PacsDialog(const PacsNode& node, QWidget* parent = nullptr);
    // What the fields hold.
    PacsNode node() const;

private:
    QLineEdit* aeTitle_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* calling_;
};

void exportExaminationToDicom(CBasicApp& app, int64_t examId, QWidget* parent);
void sendExaminationToPacs(CBasicApp& app, int64_t examId, QWidget* parent);

}  // namespace ordavia
