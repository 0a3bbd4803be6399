#include "video/ui/FcfCommands.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QObject>
#include <QSpinBox>
#include <memory>

#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "framework/Timer.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/FcfRun.h"
#include "video/PixelSpectra.h"
#include "video/fcfdoc.h"
#include "video/ui/CMotivaView.h"

namespace ordavia {

namespace {

void tell(CMotivaDoc* doc, const ordavia::Status& s) {
    showFailure(doc->prompter(), s, false, MsgIcon::Error);
}

// A run in progress: owned by its view, so that closing the view ends it.
class FcfRunner : public QObject {
public:
    static constexpr const char* kName = "fcfRunner";

    FcfRunner(CMotivaView* view, int blockSize) : QObject(view), view_(view) {
        setObjectName(kName);
        CMotivaDoc* doc = view->video();
        status_ = run_.start(*doc, blockSize);
        if (!status_) return;
        progress_ = doc->prompter().beginProgress(ordavia::FcfRun::kProgressTitle, run_.progressText(), run_.blockCount());
        timer_ = doc->services().timers().create();
        timer_->onTimeout = [this] { tick(); };
        timer_->start(1);
    }
    const ordavia::Status& status() const { return status_; }

private:
    void tick() {
        CMotivaDoc* doc = view_->video();
        if (progress_) progress_->setText(run_.progressText());
        auto d = run_.step();
        if (!d) {
            finish(d.status());
            return;
        }
        doc->services().openDocument(std::unique_ptr<Document>(d.value().release()));
        ++done_;
        const bool go = !progress_ || (progress_->setValue(done_) && !progress_->cancelled());
        if (!go || run_.done()) finish(ordavia::Status::success());
    }
    void finish(const ordavia::Status& s) {
        timer_->stop();
        progress_.reset();
        CMotivaDoc* doc = view_->video();
        doc->goToFrame(0);
        // Finished: a new run may start before the event loop deletes this one.
        setObjectName(QString());
        tell(doc, s);
        deleteLater();
    }

    CMotivaView* view_;
    ordavia::FcfRun run_;
    ordavia::Status status_;
    std::unique_ptr<Progress> progress_;
    std::unique_ptr<Timer> timer_;
    long done_ = 0;
};

}  // namespace

void calculateFcf(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames() || v->findChild<QObject*>(FcfRunner::kName)) return;  // one run at a time
    v->stop();
    auto n = doc->prompter().promptInt("Calculate FCF", ordavia::FcfRun::kPrompt, -1, -1, 1 << 30);
    if (!n) return;
    auto* runner = new FcfRunner(v, *n);
    if (!runner->status()) {
        tell(doc, runner->status());
        delete runner;
    }
}

void fftPerPixelSequence(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames()) return;
    v->stop();
    auto n = doc->prompter().promptInt("FFT per pixel sequence", "number of FFT points (must be a power of 4)", 64, 4, 4096);
    if (!n) return;
    auto progress = doc->prompter().beginProgress("FFT per pixel sequence", "", 2 * *n);
    tell(doc, doc->fftPerPixel(*n, [&](int i) { return !progress || (progress->setValue(i + 1) && !progress->cancelled()); }));
}

void fluxConcSpeed(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames()) return;
    v->stop();
    ProfileStore& p = doc->profile();
    QDialog d(v);
    d.setWindowTitle("Calculate Flux conc & speed");
    auto* f = new QFormLayout(&d);
    auto* points = new QSpinBox(&d);
    points->setRange(4, 4096);
    points->setValue(p.GetInt("FCF", "nfftpts", 16));
    auto* threshold = new QDoubleSpinBox(&d);
    threshold->setRange(0, 100000);
    threshold->setDecimals(3);
    threshold->setValue(p.GetDouble("FCF", "threshold", 0.1));
    auto* lf = new QSpinBox(&d);
    lf->setRange(0, 4096);
    lf->setValue(p.GetInt("FCF", "LFcutoff", 1));
    auto* hf = new QSpinBox(&d);
    hf->setRange(0, 4096);
    hf->setValue(p.GetInt("FCF", "HFcutoff", 16));
    auto* both = new QCheckBox("Also open the concentration and flux pictures", &d);
    both->setChecked(p.GetInt("FCF", "concflux", 0) != 0);
    f->addRow("nfftpts (a power of 4)", points);
    f->addRow("threshold", threshold);
    f->addRow("LFcutoff", lf);
    f->addRow("HFcutoff", hf);
    f->addRow(both);
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted) return;
    ordavia::FluxParams fp;
    fp.nfftpts = points->value();
    fp.threshold = threshold->value();
    fp.lfCutoff = lf->value();
    fp.hfCutoff = hf->value();
    p.WriteInt("FCF", "nfftpts", fp.nfftpts);
    p.WriteDouble("FCF", "threshold", fp.threshold);
    p.WriteInt("FCF", "LFcutoff", fp.lfCutoff);
    p.WriteInt("FCF", "Hfcutoff", fp.hfCutoff);
    p.WriteInt("FCF", "concflux", both->isChecked() ? 1 : 0);
    auto docs = doc->fluxConcSpeedDocuments(fp, both->isChecked());
    if (!docs) {
        tell(doc, docs.status());
        return;
    }
    for (auto& r : docs.value())
        doc->services().openDocument(std::unique_ptr<Document>(r.release()));
}

}  // namespace ordavia
