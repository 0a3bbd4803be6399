#include "video/ui/CMotivaRecView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QToolButton>
#include <memory>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/ViewRegistry.h"
#include "live/CameraSources.h"
#include "video/CMotivaRecDoc.h"

using namespace ordavia;

namespace {

// The record and stop symbols, drawn like the player's own.
QIcon recordGlyph(bool stop) {
    const qreal dpr = 2;
    QPixmap pm(int(18 * dpr), int(18 * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    if (stop) {
        p.setBrush(QColor("#e8eaed"));
        p.drawRect(QRectF(4, 4, 10, 10));
    } else {
        p.setBrush(QColor("#ea4335"));
        p.drawEllipse(QRectF(3, 3, 12, 12));
    }
    return QIcon(pm);
}

}  // namespace

CMotivaRecView::CMotivaRecView(CMotivaRecDoc* doc, QWidget* parent) : CMotivaView(doc, parent), recorder_(doc) {
    doc->onBeep = [] { QApplication::beep(); };
    if (auto* h = qobject_cast<QHBoxLayout*>(playerBar()->layout())) {
        auto* rec = new QToolButton(playerBar());
        rec->setIcon(recordGlyph(false));
        rec->setIconSize(QSize(18, 18));
        rec->setCheckable(true);
        rec->setToolTip("Record the live video (start and stop)");
        rec->setFocusPolicy(Qt::NoFocus);
        rec->setObjectName("recordButton");
        connect(rec, &QToolButton::clicked, this, [this] { recordCommand(); });
        auto* stopButton = new QToolButton(playerBar());
        stopButton->setIcon(recordGlyph(true));
        stopButton->setIconSize(QSize(18, 18));
        stopButton->setToolTip("stop");
        stopButton->setFocusPolicy(Qt::NoFocus);
        connect(stopButton, &QToolButton::clicked, this, [this] { stopAll(); });
        recordLabel_ = new QLabel(playerBar());
        recordLabel_->setObjectName("recordLabel");
        h->insertWidget(0, rec);
        h->insertWidget(1, stopButton);
        h->insertSpacing(2, 8);
        h->addSpacing(8);
        h->addWidget(recordLabel_);
        recordBar_ = rec;
    }
    syncRecordBar();
}

CMotivaRecView::~CMotivaRecView() = default;

ZBasicfgDoc* CMotivaRecView::currentLive() const {
    CameraSources* c = CameraSources::of(recorder_->services());
    return c ? c->liveDocument() : nullptr;
}

bool CMotivaRecView::isRecording() const { return recorder_->recording(); }

void CMotivaRecView::recordCommand() {
    stop();
    if (recorder_->recording()) {
        (void)recorder_->stopRecording();
    } else if (ZBasicfgDoc* live = currentLive()) {
        (void)recorder_->startRecording(live);
    } else {
        recorder_->prompter().messageBox("Open the live video window first: a recording records the live video.",
                                         MsgButtons::Ok, MsgIcon::Information);
    }
    syncRecordBar();
}

void CMotivaRecView::stopAll() {
    stop();
    (void)recorder_->stopRecording();
    syncRecordBar();
}

void CMotivaRecView::syncRecordBar() {
    if (auto* b = qobject_cast<QToolButton*>(recordBar_)) b->setChecked(recorder_->recording());
    if (!recordLabel_) return;
    if (recorder_->recording()) {
        recordLabel_->setStyleSheet("color: #ea4335; font-weight: bold;");
        recordLabel_->setText(QString("REC %1").arg(recorder_->framesRecorded()));
    } else {
        recordLabel_->setText(QString());
    }
}

void CMotivaRecView::OnUpdate(Document* doc, long hint) {
    CMotivaView::OnUpdate(doc, hint);
    syncRecordBar();
}

QList<QMenu*> CMotivaRecView::documentMenus() {
    QList<QMenu*> menus = CMotivaView::documentMenus();
    for (QMenu* m : menus) {
        if (m->title() != "&Video" || m->property("recordingAdded").toBool()) continue;
        m->setProperty("recordingAdded", true);
        addCommands(m, this,
                    {{.text = "&Image sequence...", .run = [this] { imageSequenceDialog(recorder_, currentLive(), this); }},
                     {.text = "stop", .run = [this] { stopAll(); }}});
    }
    return menus;
}

ZVcytoView::ZVcytoView(ZVcytoDoc* doc, QWidget* parent) : CMotivaRecView(doc, parent) {}

namespace ordavia {

QDialog* makeImageSequenceDialog(CMotivaRecDoc* doc, ZBasicfgDoc* live, QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setWindowTitle("Image Sequence Settings");
    const CMotivaRecDoc::SequenceSettings s = doc->sequenceSettings();
    auto* f = new QFormLayout(d);
    auto* frames = new QSpinBox(d);
    frames->setObjectName("frames");
    frames->setRange(1, 1000000);
    frames->setValue(s.frames);
    auto* skip = new QSpinBox(d);
    skip->setObjectName("skip");
    skip->setRange(0, 10000);
    skip->setValue(s.skip);
    auto* loop = new QCheckBox("Loop (record until stopped)", d);
    loop->setObjectName("loop");
    loop->setChecked(s.loop);
    auto* direct = new QCheckBox("save direct to disc", d);
    direct->setObjectName("direct");
    direct->setChecked(s.direct2disc);
    auto* folder = new QLineEdit(QString::fromStdString(s.folder), d);
    folder->setObjectName("folder");
    folder->setMinimumWidth(320);
    auto* browse = new QToolButton(d);
    browse->setText("...");
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder, 1);
    folderRow->addWidget(browse);
    auto* base = new QLineEdit(QString::fromStdString(s.baseName), d);
    base->setObjectName("base");
    f->addRow("Number of frames to aquire", frames);
    f->addRow("Frames to skip between each saved frame", skip);
    f->addRow(loop);
    f->addRow(direct);
    f->addRow("folder", folderRow);
    f->addRow("base filename", base);
    auto* memory = new QLabel(d);
    auto* duration = new QLabel(d);
    auto* rate = new QLabel(d);
    auto* roi = new QLabel(d);
    memory->setObjectName("memory");
    duration->setObjectName("duration");
    f->addRow("memory required :", memory);
    f->addRow("Duration of recording (secs.)", duration);
    f->addRow("required transfer rate:", rate);
    f->addRow("using current source ROI:", roi);
    ZRect region;
    int bpp = 1;
    double fps = 25.0;
    if (live) {
        region = live->captureRegion();
        bpp = live->image().bytesPerPixel();
        if (live->framesPerSecond() > 0) fps = live->framesPerSecond();
        roi->setText(QString("%1, %2  %3 x %4").arg(region.left).arg(region.top).arg(region.width()).arg(region.height()));
    } else {
        roi->setText("no live video");
    }
    // The figures follow the values as they are typed; the document keeps
    // its own settings until OK.
    auto refresh = [=] {
        CMotivaRecDoc::SequenceSettings t = doc->sequenceSettings();
        t.frames = frames->value();
        t.skip = skip->value();
        const CMotivaRecDoc::SequenceFigures g = CMotivaRecDoc::figuresFor(t, region, bpp, fps);
        memory->setText(QString::asprintf("%.1f MB", g.memoryMB));
        duration->setText(g.seconds > 0 ? QString::asprintf("%.1f", g.seconds) : QString("-"));
        rate->setText(QString::asprintf("%.1f MB/s", g.transferMBps));
    };
    refresh();
    QObject::connect(frames, qOverload<int>(&QSpinBox::valueChanged), d, refresh);
    QObject::connect(skip, qOverload<int>(&QSpinBox::valueChanged), d, refresh);
    QObject::connect(browse, &QToolButton::clicked, d, [doc, folder] {
        if (auto chosen = doc->prompter().chooseFolder("folder", folder->text().toStdString()))
            folder->setText(QString::fromStdString(*chosen));
    });
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, d, [=] {
        CMotivaRecDoc::SequenceSettings t;
        t.frames = frames->value();
        t.skip = skip->value();
        t.loop = loop->isChecked();
        t.direct2disc = direct->isChecked();
        t.folder = folder->text().toStdString();
        t.baseName = base->text().toStdString();
        doc->setSequenceSettings(t);
        d->accept();
    });
    QObject::connect(bb, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return d;
}

bool imageSequenceDialog(CMotivaRecDoc* doc, ZBasicfgDoc* live, QWidget* parent) {
    std::unique_ptr<QDialog> d(makeImageSequenceDialog(doc, live, parent));
    return d->exec() == QDialog::Accepted;
}

void registerRecordingViews() {
    registerViewMaker("ZVcytoView", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<ZVcytoDoc*>(d);
        return doc ? new ZVcytoView(doc, parent) : nullptr;
    });
    registerViewMaker("CMotivaRecView", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<CMotivaRecDoc*>(d);
        return doc ? new CMotivaRecView(doc, parent) : nullptr;
    });
}

}  // namespace ordavia
