#include "video/ui/FrameTraceCommands.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

#include "base/Text.h"
#include "chart/ZchartDoc.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/FlyingSpot.h"
#include "video/ui/CMotivaView.h"

namespace ordavia {

namespace {

// The five numbers stay as the user left them until the program ends.
FocusCheckSettings& keptFocusSettings(CMotivaDoc* doc) {
    return doc->services().runValue<FocusCheckSettings>();
}

void openChart(CMotivaDoc* doc, Result<std::unique_ptr<ZchartDoc>> r) {
    if (!r) {
        showFailure(doc->prompter(), r.status(), false, MsgIcon::Error);
        return;
    }
    if (DocTemplate* t = doc->services().findTemplate("CReviewDoc")) r.value()->setDocTemplate(t);
    doc->services().openDocument(std::unique_ptr<Document>(r.value().release()));
}

}  // namespace

bool focusCheckDialog(QWidget* parent, FocusCheckSettings& values) {
    QDialog d(parent);
    d.setWindowTitle("Focus check video");
    auto* f = new QFormLayout(&d);
    auto number = [&](const char* label, int v) {
        auto* s = new QSpinBox(&d);
        s->setRange(0, 10000);
        s->setValue(v);
        f->addRow(label, s);
        return s;
    };
    QSpinBox* gapFrom = number("gap from", values.gapFrom);
    QSpinBox* gapTo = number("gap to", values.gapTo);
    QSpinBox* thrFrom = number("threshold from", values.thresholdFrom);
    QSpinBox* thrTo = number("threshold to", values.thresholdTo);
    QSpinBox* divisions = number("number of divisions", values.divisions);
    divisions->setMinimum(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    f->addRow(buttons);
    if (d.exec() != QDialog::Accepted) return false;
    values = {gapFrom->value(), gapTo->value(), thrFrom->value(), thrTo->value(), divisions->value()};
    return true;
}

void focusCheckVideo(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames()) return;
    v->stop();
    if (!focusCheckDialog(v, keptFocusSettings(doc))) return;
    auto progress = doc->prompter().beginProgress("Focus check video", "", doc->frameCount());
    const int bits = focusMethodBits(&doc->profile());
    openChart(doc, focusCheckChart(*doc, keptFocusSettings(doc), bits, [&](int f) {
        return !progress || (progress->setValue(f + 1) && !progress->cancelled());
    }));
}

bool flyingSpotShown(const CMotivaView* v) {
    const auto* w = v->findChild<FlyingSpotWindow*>();
    return w && w->isVisible();
}

void toggleFlyingSpot(CMotivaView* v) {
    auto* w = v->findChild<FlyingSpotWindow*>();
    if (!w) w = new FlyingSpotWindow(v);
    w->setVisible(!w->isVisible());
}

void chartFlyingSpot(CMotivaView* v) {
    v->stop();
    openChart(v->video(), flyingSpotChart(*v->video()));
}

FlyingSpotWindow::FlyingSpotWindow(CMotivaView* view) : QWidget(view, Qt::Tool), doc_(view->video()) {
    setWindowTitle("Flying Spot");
    auto* f = new QFormLayout(this);
    frame_ = new QLabel(this);
    value_ = new QDoubleSpinBox(this);
    value_->setRange(-1e9, 1e9);
    value_->setDecimals(3);
    edit_ = new QCheckBox("edit mode", this);
    edit_->setToolTip("On: every frame shown takes the value in the box. Off: the box shows the value kept for the frame.");
    length_ = new QLabel(this);
    length_->setToolTip("Length of the selected line x frames per second x 0.5: the length per field period");
    f->addRow("frame", frame_);
    f->addRow("value", value_);
    f->addRow(edit_);
    f->addRow("length per field", length_);
    connect(value_, &QDoubleSpinBox::valueChanged, this, [this](double x) {
        if (!updating_ && editing()) doc_->setFlyingSpotValue(doc_->currentFrame(), x);
    });
    doc_->AddListener(this);
}

FlyingSpotWindow::~FlyingSpotWindow() { doc_->RemoveListener(this); }

bool FlyingSpotWindow::editing() const { return edit_->isChecked(); }
void FlyingSpotWindow::setEditing(bool on) { edit_->setChecked(on); }
double FlyingSpotWindow::value() const { return value_->value(); }
void FlyingSpotWindow::setValue(double v) { value_->setValue(v); }

void FlyingSpotWindow::OnUpdate(Document*, long) {
    if (isVisible() && !updating_) refresh(doc_->currentFrame() != shownFrame_);
}

void FlyingSpotWindow::refresh(bool frameChanged) {
    updating_ = true;
    doc_->fitFlyingSpot();
    const int f = doc_->currentFrame();
    shownFrame_ = f;
    frame_->setText(QString::fromStdString(strprintf("%i / %i", f, doc_->frameCount())));
    if (frameChanged) {
        if (editing()) doc_->setFlyingSpotValue(f, value_->value());
        else if (f >= 0 && size_t(f) < doc_->flyingSpot().size()) value_->setValue(doc_->flyingSpot()[size_t(f)]);
    }
    const long len = flyingSpotLengthPerField(*doc_);
    length_->setText(len < 0 ? QString("(select a line)")
                             : QString::fromStdString(strprintf("%li ", len) + doc_->unitsInEffect() + "/s"));
    updating_ = false;
}

void FlyingSpotWindow::showEvent(QShowEvent* e) {
    const ProfileStore& p = doc_->profile();
    move(p.GetInt(kFlyingSpotSection, "left", kFlyingSpotLeft), p.GetInt(kFlyingSpotSection, "top", kFlyingSpotTop));
    shownFrame_ = -1;
    refresh(true);
    QWidget::showEvent(e);
}

void FlyingSpotWindow::hideEvent(QHideEvent* e) {
    ProfileStore& p = doc_->profile();
    p.WriteInt(kFlyingSpotSection, "left", pos().x());
    p.WriteInt(kFlyingSpotSection, "top", pos().y());
    QWidget::hideEvent(e);
}

}  // namespace ordavia
