#include "video/ui/VideoMenus.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/Paths.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/BoxFilter.h"
#include "image/ImageFilters.h"
#include "settings/ProfileStore.h"
#include "video/AviWriter.h"
#include "video/CMotivaDoc.h"
#include "chart/ZchartDoc.h"
#include "video/WidthAgainstTime.h"
#include "video/ui/CMotivaView.h"
#include "framework/LineScanLink.h"
#include "video/ui/FcfCommands.h"
#include "video/ui/FrameTraceCommands.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kOffsetsFilter = "Text (*.txt)|*.txt|csv (*.csv)|*.csv|All files (*.*)|*.*||";
constexpr const char* kCorrectedFrames = "Movement-corrected frames (at their offsets)";

void tell(CMotivaDoc* doc, const ordavia::Status& s) {
    if (!s && !s.isCancelled()) doc->prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
}

void showResult(CMotivaDoc* doc, ordavia::Result<std::unique_ptr<ZBasicDoc>> r) {
    if (!r) {
        tell(doc, r.status());
        return;
    }
    doc->services().openDocument(std::unique_ptr<Document>(r.value().release()));
}

// A per-frame pass with a progress window that can be cancelled.
void pass(CMotivaView* v, const char* history, std::function<void(CZVimage&, const ZRect&)> op, bool redraw = false) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames()) return;
    v->stop();
    auto progress = doc->prompter().beginProgress("Processing", history, doc->frameCount());
    ordavia::Status s = doc->framePass(history, op, [&](int i) {
        if (redraw) {
            doc->showCurrentFrame();
            QApplication::processEvents();
        }
        return !progress || (progress->setValue(i + 1) && !progress->cancelled());
    });
    tell(doc, s);
}

void propertiesDialog(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    QDialog d(v);
    d.setWindowTitle("Video Sequence Properties");
    auto* f = new QFormLayout(&d);
    auto* name = new QLineEdit(q(doc->movieFileName()), &d);
    name->setReadOnly(true);
    name->setMinimumWidth(360);
    auto* fps = new QDoubleSpinBox(&d);
    fps->setRange(0.01, 10000);
    fps->setDecimals(3);
    fps->setValue(doc->framesPerSecond());
    auto* rate = new QLabel(QString::number(doc->movie().rate()), &d);
    auto* scale = new QLabel(QString::number(doc->movie().scale()), &d);
    f->addRow("Video data filename", name);
    f->addRow("Frames per second", fps);
    f->addRow("avi rate", rate);
    f->addRow("avi scale", scale);
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() == QDialog::Accepted) doc->setFramesPerSecond(fps->value());
}

void selectDialog(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    QDialog d(v);
    d.setWindowTitle("Select Images");
    auto* f = new QFormLayout(&d);
    auto* a = new QSpinBox(&d);
    auto* b = new QSpinBox(&d);
    for (QSpinBox* s : {a, b}) s->setRange(-1, std::max(0, doc->frameCount()));
    a->setValue(doc->selectionFirst());
    b->setValue(doc->selectionLast());
    f->addRow("select range of images from image number:", a);
    f->addRow("upto, but not including image number:", b);
    f->addRow(new QLabel("(use values of -1 to select the whole video sequence)", &d));
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() == QDialog::Accepted) doc->setSelection(a->value(), b->value());
}

void speedDialog(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    ProfileStore& p = doc->profile();
    const double t0 = p.GetDouble("fcf", "threshold", 2.0), g0 = p.GetDouble("fcf", "gain", 64.0);
    auto t = doc->prompter().promptDouble("Speed by rms", "threshold", t0, 0, 255, 2);
    if (!t) return;
    auto g = doc->prompter().promptDouble("Speed by rms", "gain", g0, 0, 100000, 2);
    if (!g) return;
    p.WriteDouble("fcf", "threshold", *t);
    p.WriteDouble("fcf", "gain", *g);
    auto progress = doc->prompter().beginProgress("Calculating Functional Capillary Flow", "", doc->frameCount() + 1);
    long n = 0;
    showResult(doc, doc->speedByRmsDocument(*t, *g, [&](const std::string& text) {
        if (!progress) return true;
        progress->setText(text);
        return progress->setValue(++n) && !progress->cancelled();
    }));
}

bool hasMovementOffsets(CMotivaDoc& doc) {
    if (!doc.hasFrames() || doc.movie().formatImage().isField()) return false;
    return doc.movie().OffsetBounds(doc.selectionFirst(), doc.selectionLast()).anyNonZero;
}

void exportAviDialog(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    QDialog d(v);
    d.setWindowTitle("Export as AVI");
    auto* f = new QFormLayout(&d);
    auto* codec = new QComboBox(&d);
    codec->addItem("Full frames (uncompressed)", QString());
    for (const std::string& c : ordavia::AviWriter::availableCodecs()) codec->addItem(q(c), q(c));
    auto* every = new QSpinBox(&d);
    every->setRange(1, 1000);
    f->addRow("Compressor", codec);
    f->addRow("every k-th image", every);
    // After movement correction the frames are what the user works on; the
    // stored ones still shake.
    QCheckBox* corrected = nullptr;
    if (hasMovementOffsets(*doc)) {
        corrected = new QCheckBox(kCorrectedFrames, &d);
        corrected->setChecked(true);
        f->addRow(corrected);
    }
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    f->addRow(bb);
    QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted) return;
    const std::string base = withoutExtension(doc->movieFileName().empty() ? doc->GetTitle() : doc->movieFileName());
    auto path = doc->prompter().saveFile("Export as AVI", "AVI videos (*.avi)|*.avi|All files (*.*)|*.*||", base + ".avi");
    if (!path) return;
    tell(doc, doc->exportAvi(*path, codec->currentData().toString().toStdString(), every->value(),
                             corrected && corrected->isChecked()));
}

}  // namespace

VideoMenus makeVideoMenus(CMotivaView* v) {
    VideoMenus out;
    CMotivaDoc* doc = v->video();
    auto add = [v](QMenu* m, const char* text, auto f) {
        QAction* a = m->addAction(QString::fromUtf8(text));
        QObject::connect(a, &QAction::triggered, v, f);
        v->addAction(a);
        return a;
    };

    auto* video = new QMenu("&Video", v);
    video->setToolTipsVisible(true);
    out.play = add(video, "play image sequence", [v] { v->togglePlay(); });
    out.play->setCheckable(true);
    out.loop = add(video, "&Loop", [v] { v->playLooping(); });
    out.loop->setCheckable(true);
    add(video, "step one frame/field forwards", [v] { v->step(1); });
    add(video, "step one frame/field back", [v] { v->step(-1); });
    add(video, "&Playback frame skip...", [v, doc] {
        if (auto ms = doc->prompter().promptInt("Playback", "wait between images (msecs)", doc->playbackInterval(), 1, 60000)) {
            doc->setPlaybackInterval(*ms);
            if (v->playing()) {
                v->stop();
                v->togglePlay();
            }
        }
    });
    video->addSeparator();
    add(video, "&Properties", [v] { propertiesDialog(v); });
    add(video, "&Select images...", [v] { selectDialog(v); });
    QAction* calc = add(video, "Calculate &Velocities", [doc] { doc->toggleCalculateVelocities(); });
    calc->setCheckable(true);
    QAction* all = add(video, "Calculate all widths and velocities", [v] {
        v->stop();
        if (LineScanLink* link = v->lineScanLink()) link->calculateAll(*v);
    });
    all->setEnabled(v->lineScanLink() != nullptr);
    all->setStatusTip("Scans every dimension line over the selected images and shows each line's velocity to accept");
    video->addSeparator();
    add(video, "Average &whole sequence", [doc] { showResult(doc, doc->averageDocument()); });
    add(video, "&rms of whole sequence", [doc] { showResult(doc, doc->rmsDocument()); });
    add(video, "&Speed by rms", [v] { speedDialog(v); });
    video->addSeparator();
    add(video, "&Delete selected images", [v, doc] {
        v->stop();
        const std::string text = strprintf("delete all images from image %i upto image %i?", doc->selectionFirst(), doc->selectionLast());
        if (doc->prompter().messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) tell(doc, doc->deleteSelected());
    });
    add(video, "&Delete nonselected images", [v, doc] {
        v->stop();
        const std::string text = strprintf("delete all images except image %i upto image %i?", doc->selectionFirst(), doc->selectionLast());
        if (doc->prompter().messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) tell(doc, doc->deleteNonSelected());
    });
    add(video, "Duplicate image in new window", [doc] {
        auto d = doc->duplicateFrame();
        doc->services().openDocument(std::unique_ptr<Document>(d.release()));
    });
    video->addSeparator();
    add(video, "&Reset offsets to zero", [v, doc] {
        v->stop();
        doc->resetOffsets();
    });
    add(video, "&Automatic Movement Correction", [v] { v->startMovementCorrection(); });
    QAction* dragCorrect = add(video, "Correct &Movement (drag image)", [v] {
        v->setDragMode(v->dragMode() == CMotivaView::DragMode::Correct ? CMotivaView::DragMode::None : CMotivaView::DragMode::Correct);
    });
    dragCorrect->setCheckable(true);
    QAction* dragTrack = add(video, "&Track movement", [v] {
        v->setDragMode(v->dragMode() == CMotivaView::DragMode::Track ? CMotivaView::DragMode::None : CMotivaView::DragMode::Track);
    });
    dragTrack->setCheckable(true);
    dragTrack->setStatusTip("Dragging moves this frame and every later frame of the selection");
    add(video, "Export Movement correction results...", [v, doc] {
        v->stop();
        if (!doc->hasFrames()) return;
        if (auto path = doc->prompter().saveFile("Export Movement correction results", kOffsetsFilter, doc->offsetsExportName())) {
            // A name typed without an extension takes the first type's, as the save box always did.
            if (extensionOf(*path).empty()) *path += ".txt";
            tell(doc, doc->exportOffsets(*path));
        }
    });
    add(video, "FFT per pixel sequence", [v] { fftPerPixelSequence(v); });
    add(video, "Calculate &FCF", [v] { calculateFcf(v); });
    add(video, "&Calculate Flux conc && speed", [v] { fluxConcSpeed(v); });
    add(video, ordavia::kWidthVsTime, [v, doc] {
        v->stop();
        auto progress = doc->prompter().beginProgress(ordavia::kWidthVsTime, "", doc->frameCount());
        auto r = ordavia::widthAgainstTime(*doc, [&](int k) { return !progress || progress->setValue(k + 1); });
        progress.reset();
        if (!r) {
            tell(doc, r.status());
            return;
        }
        doc->services().openDocument(std::unique_ptr<Document>(r.value().release()));
    })->setStatusTip("The width across every dimension line, frame by frame, as a chart against time");
    add(video, "Focus check video", [v] { focusCheckVideo(v); });
    QAction* spot = add(video, "Flying Spot", [v] { toggleFlyingSpot(v); });
    spot->setCheckable(true);
    QObject::connect(video, &QMenu::aboutToShow, spot, [v, spot] { spot->setChecked(flyingSpotShown(v)); });
    add(video, "Chart flying spot velocities", [v] { chartFlyingSpot(v); });
    QAction* record = add(video, "&Record...", [v] { v->recordCommand(); });
    record->setCheckable(true);
    // Only a recorder records; the menu keeps this in step when it opens.
    record->setEnabled(v->canRecord());
    video->addSeparator();
    add(video, "&Directories...", [doc] {
        ProfileStore& p = doc->profile();
        if (auto f = doc->prompter().chooseFolder("Select Temporary work folder", p.GetString("directories", "tempdir", "")))
            p.WriteString("directories", "tempdir", *f);
    });
    QAction* compress = add(video, "compress video &output", [doc] {
        ProfileStore& p = doc->profile();
        p.WriteInt("Dynamic settings", "compressoutput", p.GetInt("Dynamic settings", "compressoutput", 0) ? 0 : 1);
    });
    compress->setCheckable(true);
    QObject::connect(video, &QMenu::aboutToShow, v, [v, doc, calc, compress, dragCorrect, dragTrack, record] {
        record->setEnabled(v->canRecord());
        record->setChecked(v->isRecording());
        calc->setChecked(doc->calculateVelocities());
        dragCorrect->setChecked(v->dragMode() == CMotivaView::DragMode::Correct);
        dragTrack->setChecked(v->dragMode() == CMotivaView::DragMode::Track);
        compress->setChecked(doc->profile().GetInt("Dynamic settings", "compressoutput", 0) != 0);
        const bool can = doc->hasFrames() && !v->isRecording();
        for (QAction* a : v->findChildren<QAction*>())
            if (a->text() == "play image sequence" || a->text() == "&Loop") a->setEnabled(can);
    });
    out.menus << video;

    auto* process = new QMenu("&Process", v);
    add(process, "&Adjust brightness/contrast", [v, doc] {
        auto g = doc->prompter().promptDouble("Adjust brightness/contrast", "gain", 1.0, 0.01, 100, 3);
        if (!g) return;
        auto o = doc->prompter().promptDouble("Adjust brightness/contrast", "offset", 0.0, -255, 255, 1);
        if (!o) return;
        const double gain = *g, offset = *o;
        pass(v, "brightness/contrast", [gain, offset](CZVimage& f, const ZRect& r) { f.linearMap(r, gain, offset); });
    });
    add(process, "E&qualise", [v] { pass(v, "equalise", [](CZVimage& f, const ZRect& r) { equalise(f, r); }); });
    auto box = [v, doc](bool high) {
        ProfileStore& p = doc->profile();
        auto n = doc->prompter().promptInt(high ? "High pass filter" : "Low pass filter", "window size", p.GetInt("WINDOWSZ", "w", 51), 3, 199);
        if (!n) return;
        p.WriteInt("WINDOWSZ", "w", *n);
        const int w = *n;
        pass(v, high ? "high pass" : "low pass", [w, high](CZVimage& f, const ZRect& r) {
            high ? highPassFilter(f, r, w) : lowPassFilter(f, r, w);
        });
    };
    add(process, "&High pass filter", [box] { box(true); });
    add(process, "&Low pass filter", [box] { box(false); });
    add(process, "Ne&gative", [v] { pass(v, "negative", [](CZVimage& f, const ZRect& r) { negativeFilter(f, r); }, true); });
    // Passes that change the kind of frame write a new movie, with progress.
    auto reformat = [v, doc](const char* what, ordavia::Status (CMotivaDoc::*f)(const std::function<bool(int)>&)) {
        if (!doc->hasFrames()) return;
        v->stop();
        auto progress = doc->prompter().beginProgress("Processing", what, doc->frameCount());
        tell(doc, (doc->*f)([&](int i) { return !progress || (progress->setValue(i + 1) && !progress->cancelled()); }));
    };
    add(process, "Convert to &grey", [reformat] { reformat("convert to grey", &CMotivaDoc::convertToGrey); });
    add(process, "&Simple threshold", [v, doc] {
        const int t = doc->profile().GetInt("movie", "simpleimagethreshold", 128);
        pass(v, "threshold", [t](CZVimage& f, const ZRect& r) { f.threshold(r, t); }, true);
    });
    add(process, "&Colour Planes to RGB", [reformat] { reformat("colour planes to RGB", &CMotivaDoc::colourPlanesToRgb); });
    add(process, "Remove single dust mark", [v, doc] {
        if (doc->marks().roi.normalized().isEmpty()) {
            doc->prompter().messageBox("Draw a region of interest round the dust mark first.", MsgButtons::Ok, MsgIcon::Information);
            return;
        }
        pass(v, "remove dust mark", [](CZVimage& f, const ZRect& r) { removeDustMark(f, r); });
    });
    process->addSeparator();
    for (const char* t : {"&Merge into frames", "&Split images into fields", "S&witch field order", "Sw&itch lines"})
        add(process, t, [doc] { doc->touchFrames(); });
    process->addSeparator();
    add(process, "&Subtract trace", [v, doc] {
        v->stop();
        tell(doc, doc->subtractTrace());
    });
    add(process, "Subtract image", [v, doc] {
        v->stop();
        if (auto f = doc->prompter().openFile("Subtract image", ZBasicDoc::kImageFilter)) tell(doc, doc->subtractImage(*f));
    });
    add(process, "S&quare of differences", [v, doc] {
        v->stop();
        tell(doc, doc->squareOfDifferences());
    });
    QAction* bin = process->addAction("&Bin");
    bin->setEnabled(false);
    out.menus << process;

    auto file = [&](const char* text, auto f) {
        auto* a = new QAction(QString::fromUtf8(text), v);
        QObject::connect(a, &QAction::triggered, v, f);
        v->addAction(a);
        out.fileActions << a;
    };
    file("&Import...", [v, doc] {
        v->stop();
        if (auto f = doc->prompter().openFile("Import", CMotivaDoc::kImportFilter)) tell(doc, doc->importMovie(*f));
    });
    file("Import AVI...", [v, doc] {
        v->stop();
        if (auto f = doc->prompter().openFile("Import AVI", CMotivaDoc::kAviFilter)) tell(doc, doc->importAvi(*f));
    });
    file("Import cytoscan...", [v, doc] {
        v->stop();
        // The header extension is a setting; the frames are in the ".raw" beside it.
        std::string ext = doc->profile().GetString("ftp", "header", "hdr");
        if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
        const std::string filter = "cytoscan files (*." + ext + ")|*." + ext + "|All files (*.*)|*.*||";
        if (auto f = doc->prompter().openFile("Import cytoscan", filter)) tell(doc, doc->importCytoscan(*f));
    });
    file("Export as AVI...", [v] { exportAviDialog(v); });
    file("Export uncompressed avi", [v, doc] {
        v->stop();
        auto r = doc->exportUncompressed();
        if (!r) tell(doc, r.status());
    });
    return out;
}

}  // namespace ordavia
