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
#include "base/ui/CommandTable.h"
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
    showFailure(doc->prompter(), s, false, MsgIcon::Error);
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

void deleteImages(CMotivaView* v, const char* question, ordavia::Status (CMotivaDoc::*remove)()) {
    CMotivaDoc* doc = v->video();
    v->stop();
    const std::string text = strprintf(question, doc->selectionFirst(), doc->selectionLast());
    if (doc->prompter().messageBox(text, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) tell(doc, (doc->*remove)());
}

void toggleDrag(CMotivaView* v, CMotivaView::DragMode mode) {
    v->setDragMode(v->dragMode() == mode ? CMotivaView::DragMode::None : mode);
}

void widthAgainstTimeChart(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    v->stop();
    auto progress = doc->prompter().beginProgress(ordavia::kWidthVsTime, "", doc->frameCount());
    auto r = ordavia::widthAgainstTime(*doc, [&](int k) { return !progress || progress->setValue(k + 1); });
    progress.reset();
    if (!r) {
        tell(doc, r.status());
        return;
    }
    doc->services().openDocument(std::unique_ptr<Document>(r.value().release()));
}

CommandTable videoCommands(CMotivaView* v, VideoMenus& out) {
    CMotivaDoc* doc = v->video();
    const auto canPlay = [v, doc] { return doc->hasFrames() && !v->isRecording(); };
    using Ask = MenuCommand::Ask;
    return {
        {.text = "play image sequence", .run = [v] { v->togglePlay(); }, .checkable = true, .enabled = canPlay, .action = &out.play},
        {.text = "&Loop", .run = [v] { v->playLooping(); }, .checkable = true, .enabled = canPlay, .action = &out.loop},
        {.text = "step one frame/field forwards", .run = [v] { v->step(1); }},
        {.text = "step one frame/field back", .run = [v] { v->step(-1); }},
        {.text = "&Playback frame skip...",
         .run =
             [v, doc] {
                 if (auto ms = doc->prompter().promptInt("Playback", "wait between images (msecs)", doc->playbackInterval(), 1, 60000)) {
                     doc->setPlaybackInterval(*ms);
                     if (v->playing()) {
                         v->stop();
                         v->togglePlay();
                     }
                 }
             }},
        separator(),
        {.text = "&Properties", .run = [v] { propertiesDialog(v); }},
        {.text = "&Select images...", .run = [v] { selectDialog(v); }},
        {.text = "Calculate &Velocities",
         .run = [doc] { doc->toggleCalculateVelocities(); },
         .checkable = true,
         .checked = [doc] { return doc->calculateVelocities(); }},
        {.text = "Calculate all widths and velocities",
         .run =
             [v] {
                 v->stop();
                 if (LineScanLink* link = v->lineScanLink()) link->calculateAll(*v);
             },
         .tip = "Scans every dimension line over the selected images and shows each line's velocity to accept",
         .enabled = [v] { return v->lineScanLink() != nullptr; },
         .ask = Ask::OnBuild},
        separator(),
        {.text = "Average &whole sequence", .run = [doc] { showResult(doc, doc->averageDocument()); }},
        {.text = "&rms of whole sequence", .run = [doc] { showResult(doc, doc->rmsDocument()); }},
        {.text = "&Speed by rms", .run = [v] { speedDialog(v); }},
        separator(),
        {.text = "&Delete selected images",
         .run = [v] { deleteImages(v, "delete all images from image %i upto image %i?", &CMotivaDoc::deleteSelected); }},
        {.text = "&Delete nonselected images",
         .run = [v] { deleteImages(v, "delete all images except image %i upto image %i?", &CMotivaDoc::deleteNonSelected); }},
        {.text = "Duplicate image in new window",
         .run =
             [doc] {
                 auto d = doc->duplicateFrame();
                 doc->services().openDocument(std::unique_ptr<Document>(d.release()));
             }},
        separator(),
        {.text = "&Reset offsets to zero",
         .run =
             [v, doc] {
                 v->stop();
                 doc->resetOffsets();
             }},
        {.text = "&Automatic Movement Correction", .run = [v] { v->startMovementCorrection(); }},
        {.text = "Correct &Movement (drag image)",
         .run = [v] { toggleDrag(v, CMotivaView::DragMode::Correct); },
         .checkable = true,
         .checked = [v] { return v->dragMode() == CMotivaView::DragMode::Correct; }},
        {.text = "&Track movement",
         .run = [v] { toggleDrag(v, CMotivaView::DragMode::Track); },
         .tip = "Dragging moves this frame and every later frame of the selection",
         .checkable = true,
         .checked = [v] { return v->dragMode() == CMotivaView::DragMode::Track; }},
        {.text = "Export Movement correction results...",
         .run =
             [v, doc] {
                 v->stop();
                 if (!doc->hasFrames()) return;
                 if (auto path = doc->prompter().saveFile("Export Movement correction results", kOffsetsFilter, doc->offsetsExportName())) {
                     // A name typed without an extension takes the first type's, as the save box always did.
                     if (extensionOf(*path).empty()) *path += ".txt";
                     tell(doc, doc->exportOffsets(*path));
                 }
             }},
        {.text = "FFT per pixel sequence", .run = [v] { fftPerPixelSequence(v); }},
        {.text = "Calculate &FCF", .run = [v] { calculateFcf(v); }},
        {.text = "&Calculate Flux conc && speed", .run = [v] { fluxConcSpeed(v); }},
        {.text = ordavia::kWidthVsTime,
         .run = [v] { widthAgainstTimeChart(v); },
         .tip = "The width across every dimension line, frame by frame, as a chart against time"},
        {.text = "Focus check video", .run = [v] { focusCheckVideo(v); }},
        {.text = "Flying Spot", .run = [v] { toggleFlyingSpot(v); }, .checkable = true, .checked = [v] { return flyingSpotShown(v); }},
        {.text = "Chart flying spot velocities", .run = [v] { chartFlyingSpot(v); }},
        // Only a recorder records.
        {.text = "&Record...",
         .run = [v] { v->recordCommand(); },
         .checkable = true,
         .enabled = [v] { return v->canRecord(); },
         .ask = Ask::Always,
         .checked = [v] { return v->isRecording(); }},
        separator(),
        {.text = "&Directories...",
         .run =
             [doc] {
                 ProfileStore& p = doc->profile();
                 if (auto f = doc->prompter().chooseFolder("Select Temporary work folder", p.GetString("directories", "tempdir", "")))
                     p.WriteString("directories", "tempdir", *f);
             }},
        {.text = "compress video &output",
         .run =
             [doc] {
                 ProfileStore& p = doc->profile();
                 p.WriteInt("Dynamic settings", "compressoutput", p.GetInt("Dynamic settings", "compressoutput", 0) ? 0 : 1);
             },
         .checkable = true,
         .checked = [doc] { return doc->profile().GetInt("Dynamic settings", "compressoutput", 0) != 0; }},
    };
}

// Passes that change the kind of frame write a new movie, with progress.
void reformat(CMotivaView* v, const char* what, ordavia::Status (CMotivaDoc::*f)(const std::function<bool(int)>&)) {
    CMotivaDoc* doc = v->video();
    if (!doc->hasFrames()) return;
    v->stop();
    auto progress = doc->prompter().beginProgress("Processing", what, doc->frameCount());
    tell(doc, (doc->*f)([&](int i) { return !progress || (progress->setValue(i + 1) && !progress->cancelled()); }));
}

void boxFilter(CMotivaView* v, bool high) {
    CMotivaDoc* doc = v->video();
    ProfileStore& p = doc->profile();
    auto n = doc->prompter().promptInt(high ? "High pass filter" : "Low pass filter", "window size", p.GetInt("WINDOWSZ", "w", 51), 3, 199);
    if (!n) return;
    p.WriteInt("WINDOWSZ", "w", *n);
    const int w = *n;
    pass(v, high ? "high pass" : "low pass", [w, high](CZVimage& f, const ZRect& r) {
        high ? highPassFilter(f, r, w) : lowPassFilter(f, r, w);
    });
}

CommandTable processCommands(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    const auto touch = [doc] { doc->touchFrames(); };
    return {
        {.text = "&Adjust brightness/contrast",
         .run =
             [v, doc] {
                 auto g = doc->prompter().promptDouble("Adjust brightness/contrast", "gain", 1.0, 0.01, 100, 3);
                 if (!g) return;
                 auto o = doc->prompter().promptDouble("Adjust brightness/contrast", "offset", 0.0, -255, 255, 1);
                 if (!o) return;
                 const double gain = *g, offset = *o;
                 pass(v, "brightness/contrast", [gain, offset](CZVimage& f, const ZRect& r) { f.linearMap(r, gain, offset); });
             }},
        {.text = "E&qualise", .run = [v] { pass(v, "equalise", [](CZVimage& f, const ZRect& r) { equalise(f, r); }); }},
        {.text = "&High pass filter", .run = [v] { boxFilter(v, true); }},
        {.text = "&Low pass filter", .run = [v] { boxFilter(v, false); }},
        {.text = "Ne&gative", .run = [v] { pass(v, "negative", [](CZVimage& f, const ZRect& r) { negativeFilter(f, r); }, true); }},
        {.text = "Convert to &grey", .run = [v] { reformat(v, "convert to grey", &CMotivaDoc::convertToGrey); }},
        {.text = "&Simple threshold",
         .run =
             [v, doc] {
                 const int t = doc->profile().GetInt("movie", "simpleimagethreshold", 128);
                 pass(v, "threshold", [t](CZVimage& f, const ZRect& r) { f.threshold(r, t); }, true);
             }},
        {.text = "&Colour Planes to RGB", .run = [v] { reformat(v, "colour planes to RGB", &CMotivaDoc::colourPlanesToRgb); }},
        {.text = "Remove single dust mark",
         .run =
             [v, doc] {
                 if (doc->marks().roi.normalized().isEmpty()) {
                     doc->prompter().messageBox("Draw a region of interest round the dust mark first.", MsgButtons::Ok,
                                                MsgIcon::Information);
                     return;
                 }
                 pass(v, "remove dust mark", [](CZVimage& f, const ZRect& r) { removeDustMark(f, r); });
             }},
        separator(),
        {.text = "&Merge into frames", .run = touch},
        {.text = "&Split images into fields", .run = touch},
        {.text = "S&witch field order", .run = touch},
        {.text = "Sw&itch lines", .run = touch},
        separator(),
        {.text = "&Subtract trace",
         .run =
             [v, doc] {
                 v->stop();
                 tell(doc, doc->subtractTrace());
             }},
        {.text = "Subtract image",
         .run =
             [v, doc] {
                 v->stop();
                 if (auto f = doc->prompter().openFile("Subtract image", ZBasicDoc::kImageFilter)) tell(doc, doc->subtractImage(*f));
             }},
        {.text = "S&quare of differences",
         .run =
             [v, doc] {
                 v->stop();
                 tell(doc, doc->squareOfDifferences());
             }},
        {.text = "&Bin"},  // not available
    };
}

CommandTable fileCommands(CMotivaView* v) {
    CMotivaDoc* doc = v->video();
    return {
        {.text = "&Import...",
         .run =
             [v, doc] {
                 v->stop();
                 if (auto f = doc->prompter().openFile("Import", CMotivaDoc::kImportFilter)) tell(doc, doc->importMovie(*f));
             }},
        {.text = "Import AVI...",
         .run =
             [v, doc] {
                 v->stop();
                 if (auto f = doc->prompter().openFile("Import AVI", CMotivaDoc::kAviFilter)) tell(doc, doc->importAvi(*f));
             }},
        {.text = "Import cytoscan...",
         .run =
             [v, doc] {
                 v->stop();
                 // The header extension is a setting; the frames are in the ".raw" beside it.
                 std::string ext = doc->profile().GetString("ftp", "header", "hdr");
                 if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
                 const std::string filter = "cytoscan files (*." + ext + ")|*." + ext + "|All files (*.*)|*.*||";
                 if (auto f = doc->prompter().openFile("Import cytoscan", filter)) tell(doc, doc->importCytoscan(*f));
             }},
        {.text = "Export as AVI...", .run = [v] { exportAviDialog(v); }},
        {.text = "Export uncompressed avi",
         .run =
             [v, doc] {
                 v->stop();
                 auto r = doc->exportUncompressed();
                 if (!r) tell(doc, r.status());
             }},
    };
}

}  // namespace

VideoMenus makeVideoMenus(CMotivaView* v) {
    VideoMenus out;
    auto* video = new QMenu("&Video", v);
    video->setToolTipsVisible(true);
    addCommands(video, v, videoCommands(v, out));
    out.menus << video;
    auto* process = new QMenu("&Process", v);
    addCommands(process, v, processCommands(v));
    out.menus << process;
    out.fileActions = makeCommandActions(v, fileCommands(v));
    return out;
}

}  // namespace ordavia
