#include "app/ui/DicomUi.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "app/CBasicApp.h"
#include "app/DicomExamExport.h"
#include "app/ExamReport.h"
#include "app/PacsSettings.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.trimmed().toStdString(); }

// The report as the Examinations window exports it, and the progress.
DicomExportOptions optionsFor(CBasicApp& app, int64_t examId, Progress* progress) {
    DicomExportOptions o;
    AppServices& sv = app.services();
    o.writeReport = [&sv, examId](const std::string& pdf) -> Status {
        const auto report = collectExamReport(CSubjectDatabase::in(sv), examId, sv);
        if (!report) return report.status();
        return writeExamReportPdf(*report, pdf);
    };
    if (progress)
        o.progress = [progress](int done, int total, const std::string& what) {
            progress->setText(what.empty() ? std::string("Finishing...") : what);
            return progress->setValue(total > 0 ? long(done) * 100 / total : 100);
        };
    return o;
}

std::string refusalLines(const std::vector<DicomRefusal>& list) {
    std::string t;
    for (const DicomRefusal& r : list) t += "\n" + r.file + ": " + r.reason;
    return t;
}

}  // namespace

PacsDialog::PacsDialog(const PacsNode& node, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Send to PACS");
    aeTitle_ = new QLineEdit(q(node.aeTitle));
    host_ = new QLineEdit(q(node.host));
    port_ = new QSpinBox;
    port_->setRange(1, 65535);
    port_->setValue(node.port);
    calling_ = new QLineEdit(q(node.callingAeTitle));
    for (QLineEdit* e : {aeTitle_, calling_}) e->setMaxLength(16);
    auto* form = new QFormLayout(this);
    form->addRow(new QLabel("The archive that receives the examination:"));
    form->addRow("AE title", aeTitle_);
    form->addRow("Host", host_);
    form->addRow("Port", port_);
    form->addRow("Calling AE title", calling_);
    auto* box = new QDialogButtonBox;
    box->addButton("Send", QDialogButtonBox::AcceptRole);
    box->addButton("Cancel", QDialogButtonBox::RejectRole);
    form->addRow(box);
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (const Status st = checkPacsNode(this->node()); !st) {
            setWindowTitle("Send to PACS - " + q(st.reason()));
            return;
        }
        accept();
    });
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

PacsNode PacsDialog::node() const {
    PacsNode n;
    n.aeTitle = s(aeTitle_->text());
    n.host = s(host_->text());
    n.port = port_->value();
    n.callingAeTitle = s(calling_->text());
    return n;
}

void exportExaminationToDicom(CBasicApp& app, int64_t examId, QWidget*) {
    AppServices& sv = app.services();
    Prompter& prompter = sv.prompter();
    const auto folder = prompter.chooseFolder("Export to DICOM", CSubjectDatabase::in(sv).dataFolder());
    if (!folder) return;
    auto progress = prompter.beginProgress("Export to DICOM", "Exporting the examination...", 100);
    const auto done = exportExamToDicom(CSubjectDatabase::in(sv), examId, *folder, sv, optionsFor(app, examId, progress.get()));
    progress.reset();
    if (!done) {
        prompter.messageBox("The examination was not exported:\n" + done.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    std::string text = strprintf("%zu DICOM files written to ", done->files.size()) + *folder + " (study " +
                       done->studyUid + ").";
    if (done->cancelled) text = "Cancelled. " + text;
    if (!done->failed.empty()) text += "\n\nNot exported:" + refusalLines(done->failed);
    prompter.messageBox(text, MsgButtons::Ok, done->failed.empty() ? MsgIcon::Information : MsgIcon::Warning);
}

void sendExaminationToPacs(CBasicApp& app, int64_t examId, QWidget* parent) {
    AppServices& sv = app.services();
    Prompter& prompter = sv.prompter();
    PacsDialog dialog(pacsNodeFromProfile(sv.profile()), parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const PacsNode node = dialog.node();
    if (!storePacsNode(sv.profile(), node))
        prompter.messageBox("The archive's settings could not be kept in the profile.", MsgButtons::Ok, MsgIcon::Warning);
    auto progress = prompter.beginProgress("Send to PACS", "Sending the examination...", 100);
    const auto done = sendExamToPacs(CSubjectDatabase::in(sv), examId, node, sv, optionsFor(app, examId, progress.get()));
    progress.reset();
    if (!done) {
        prompter.messageBox("The examination was not sent:\n" + done.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    std::string text = strprintf("%zu objects stored by ", done->sent.size()) + node.aeTitle + "@" + node.host + ":" +
                       std::to_string(node.port) + ".";
    if (done->cancelled) text = "Cancelled. " + text;
    if (!done->refused.empty()) text += "\n\nNot stored:" + refusalLines(done->refused);
    prompter.messageBox(text, MsgButtons::Ok, done->refused.empty() ? MsgIcon::Information : MsgIcon::Warning);
}

}  // namespace ordavia
