// The chart view's menus and the commands behind them.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDateTime>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <cmath>
#include <ctime>
#include <cstring>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "chart/ChartMessages.h"
#include "chart/DataFileFormat.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "chart/TextImportGuess.h"
#include "chart/TraceExport.h"
#include "results/CResultDoc.h"
#include "chart/ZchartDoc.h"
#include "chart/ui/ChartDialogs.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/UndoActions.h"
#include "chart/ui/ZchartView.h"
#include "framework/AppServices.h"
#include "framework/FileOpener.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "framework/ui/ViewPngExport.h"
#include "settings/ProfileStore.h"

using namespace ordavia;
using namespace ordavia::chartui;

// The chart's menus are in the menu bar while its window is in front: their
// keys work then only, so that two charts side by side do not share them.
void ZchartView::buildMenus() {
    const auto cmd = [this](void (ZchartView::*fn)()) { return [this, fn] { (this->*fn)(); }; };
    auto* chart = new QMenu("&Chart", this);
    const auto canRun = [this] { return doc_->canRun(); };
    addCommands(chart, this,
                {{.text = "&Calculate Power Spectrum...", .run = cmd(&ZchartView::cmdPowerSpectrum)},
                 {.text = "&Simple smoothing....", .run = cmd(&ZchartView::cmdSmoothing)},
                 {.text = "&FIR filter...", .run = cmd(&ZchartView::cmdFir)},
                 {.text = "&Differentiate trace", .run = cmd(&ZchartView::cmdDifferentiate)},
                 {.text = "Calculate average of selection", .run = cmd(&ZchartView::cmdAverage)},
                 {.text = "&Normalise whole trace to selection", .run = cmd(&ZchartView::cmdNormalise)},
                 separator(),
                 {.text = "&Subtract trace", .run = [this] { cmdCombine(true); }},
                 {.text = "&add trace", .run = [this] { cmdCombine(false); }},
                 {.text = "S&quare trace", .run = cmd(&ZchartView::cmdSquare)},
                 {.text = "halve no. of pts", .run = cmd(&ZchartView::cmdHalve)},
                 separator(),
                 {.text = "cut to average", .run = [this] { cmdRowOperation(0); }},
                 {.text = "cut pedestal", .run = [this] { cmdRowOperation(2); }},
                 {.text = "cut PSD artifacts", .run = [this] { cmdRowOperation(1); }},
                 {.text = "DPS histogram", .run = [this] { cmdRowOperation(3); }},
                 separator(),
                 {.text = "Artifact &Filter...", .run = cmd(&ZchartView::cmdArtifactFilter)},
                 {.text = "&PSD profile", .run = cmd(&ZchartView::cmdRowProfile)},
                 {.text = "create image from trace", .run = cmd(&ZchartView::cmdImageFromTrace)},
                 {.text = "Golden search maxima", .run = cmd(&ZchartView::cmdGoldenSearch)},
                 separator(),
                 {.text = "Chart &Results", .run = cmd(&ZchartView::cmdChartResults)},
                 {.text = "&Run", .run = [this] { cmdRun(); }, .enabled = canRun, .ask = MenuCommand::Ask::OnBuild},
                 {.text = "&Stop", .run = [this] { doc_->run(false); }, .enabled = canRun,
                  .ask = MenuCommand::Ask::OnBuild}},
                CommandKeys::MenuOnly);

    auto* edit = new QMenu("&Edit", this);
    addCommands(edit, this,
                {{.text = "&Copy", .run = cmd(&ZchartView::cmdCopy), .shortcut = QKeySequence::Copy},
                 {.text = "Cu&t", .run = cmd(&ZchartView::cmdCut), .shortcut = QKeySequence::Cut},
                 {.text = "&Paste", .run = cmd(&ZchartView::cmdPaste), .shortcut = QKeySequence::Paste},
                 {.text = "&Delete", .run = cmd(&ZchartView::cmdDelete), .shortcut = QKeySequence::Delete},
                 {.text = "C&lear traces", .run = cmd(&ZchartView::cmdClear)},
                 separator(),
                 {.text = "&Insert Marker", .run = cmd(&ZchartView::cmdInsertMarker),
                  .shortcut = QKeySequence(Qt::Key_Space), .context = Qt::WidgetWithChildrenShortcut},
                 {.text = "&Edit Marker", .run = cmd(&ZchartView::cmdEditMarker)},
                 {.text = "&Edit new marks", .run = [this] { doc_->setEditNewMarks(!doc_->editNewMarks()); },
                  .checkable = true, .checked = [this] { return doc_->editNewMarks(); }}},
                CommandKeys::MenuOnly);
    addUndoActions(edit, doc_, this);

    auto* display = new QMenu("&Display", this);
    addCommands(display, this,
                {{.text = "&Trace properties...", .run = cmd(&ZchartView::cmdTraceProperties)},
                 {.text = "&Hide Trace", .run = cmd(&ZchartView::cmdHideTrace)},
                 {.text = "&Reduce full scale", .run = [this] { cmdFullScale(true); }},
                 {.text = "&Increase  full scale", .run = [this] { cmdFullScale(false); }},
                 {.text = "brighter", .run = [this] { cmdIntensity(true); }},
                 {.text = "dim", .run = [this] { cmdIntensity(false); }},
                 {.text = "&Colour", .run = cmd(&ZchartView::cmdColour)},
                 {.text = "In&verse Colours", .run = cmd(&ZchartView::cmdInverseColours)},
                 {.text = "&Minimum to background", .run = cmd(&ZchartView::cmdMinimumToBackground)},
                 {.text = "&Linear intensity scale", .run = cmd(&ZchartView::cmdLinearIntensity)},
                 separator(),
                 {.text = "Link y axis controls to all traces in chart",
                  .run = [this] { doc_->setLinkYAxes(!doc_->linkYAxes()); }, .checkable = true,
                  .checked = [this] { return doc_->linkYAxes(); }},
                 separator(),
                 {.text = "&Zoom to selection", .run = cmd(&ZchartView::zoomToSelection)},
                 {.text = "&Fit all", .run = cmd(&ZchartView::fitAll), .shortcut = QKeySequence(Qt::Key_Home)}},
                CommandKeys::MenuOnly);
    menus_ = {edit, chart, display};

    // A recording chart (docFlags 8) offers the saved file as a new document.
    auto afterSave = [this] {
        if (!(doc_->docFlags() & ZchartDoc::kAskOpenNew)) return;
        if (!chart::askYesNo("Open new file?", doc_->prompter())) return;
        // As File > Open opens it: a saved Doppler recording opens for review.
        if (FileOpener* opener = FileOpener::of(doc_->services())) {
            opener->openCopy(doc_->GetPathName());
            return;
        }
        auto saved = std::make_unique<ZchartDoc>();
        doc_->lendServicesTo(*saved);
        const ordavia::Status opened = saved->OnOpenDocument(doc_->GetPathName());
        if (opened) doc_->services().openDocument(std::move(saved));
        else showDocumentFailure(doc_->services().prompter(), opened);
    };
    auto save = [this, afterSave](const ordavia::Status& saved) {
        if (saved) afterSave();
        else showDocumentFailure(doc_->services().prompter(), saved);
    };
    // The main window's File menu shows these while the chart is active.
    fileActs_ = makeCommandActions(
        this,
        {{.text = "&Save", .run = [this, save] { save(doc_->OnFileSave()); }, .shortcut = QKeySequence::Save},
         {.text = "Save &As...", .run = [this, save] { save(doc_->OnFileSaveAs()); }, .shortcut = QKeySequence::SaveAs},
         {.text = "&Import...", .run = cmd(&ZchartView::cmdImport)},
         {.text = "&Export...", .run = cmd(&ZchartView::cmdExport)},
         {.text = ordavia::kExportViewAsPng, .run = cmd(&ZchartView::cmdExportViewPng)},
         {.text = "&Print...", .run = cmd(&ZchartView::printDocument), .shortcut = QKeySequence::Print},
         {.text = "Print Pre&view", .run = cmd(&ZchartView::printPreview)}},
        CommandKeys::MenuOnly);
}

// "&Run" starts the recording and marks where it starts with the time.
void ZchartView::cmdRun() {
    doc_->run(true);
    const std::time_t now = std::time(nullptr);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S %d/%m/%y\r\n", std::localtime(&now));
    const CTrace* t = doc_->trace(state_.active);
    doc_->AddMarker(std::make_unique<CMarker>(), t && t->hasData() ? t->sampleX(t->head) : 0.0, "start", stamp);
}

bool ZchartView::requireActive(bool oneDimensional) {
    const CTrace* t = doc_->trace(state_.active);
    if (!t || !t->hasData()) return false;
    if (oneDimensional && t->data->twoD()) {
        chart::showMessage(chart::kDopplerRefused, doc_->prompter());
        return false;
    }
    return true;
}

void ZchartView::selectionOrWhole(uint32_t& from, uint32_t& to) const {
    const CTrace* t = doc_->trace(state_.active);
    if (state_.hasSelection()) {
        from = state_.selFrom;
        to = state_.selTo;
        if (t) t->orderRange(from, to);
    } else {
        from = to = t ? t->head : 0;
    }
}

void ZchartView::cmdPowerSpectrum() {
    if (!requireActive(true)) return;
    if (doc_->powerSpectrum(state_.active, state_.xPerPixel)) setActiveTrace(doc_->traceCount() - 1);
}

void ZchartView::cmdSmoothing() {
    if (!requireActive()) return;
    const auto tau = smoothingDialog(this, *doc_);
    if (!tau) return;
    uint32_t f, t;
    selectionOrWhole(f, t);
    doc_->smooth(state_.active, f, t, *tau);
}

void ZchartView::cmdFir() {
    if (!requireActive(true)) return;
    ProfileStore& prof = profile();
    const std::string proposed = prof.GetString("FIR filter", "filename", "fir.txt");
    const auto path = prompter().openFile("FIR filter", "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||", proposed);
    if (!path) return;
    std::vector<uint8_t> bytes;
    const Status r = readFileBytes(*path, bytes, 1 << 20);
    if (!r.ok()) {
        chart::showMessage(r.reason(), doc_->prompter());
        return;
    }
    const auto c = readFirCoefficients(std::string(bytes.begin(), bytes.end()));
    if (c.empty()) {
        chart::showMessage(*path + ": no filter coefficients", doc_->prompter());
        return;
    }
    prof.WriteString("FIR filter", "filename", *path);
    uint32_t f, t;
    selectionOrWhole(f, t);
    doc_->fir(state_.active, f, t, c);
}

void ZchartView::cmdDifferentiate() {
    if (!requireActive(true)) return;
    if (doc_->differentiate(state_.active)) setActiveTrace(doc_->traceCount() - 1);
}

void ZchartView::cmdAverage() {
    if (!requireActive(true)) return;
    uint32_t f, t;
    selectionOrWhole(f, t);
    const SelectionAverage a = doc_->averageSelection(state_.active, f, t);
    const CTrace* tr = doc_->trace(state_.active);
    if (CResultDoc* r = ResultTables::in(doc_->services()).open(ResultTitles::kChart)) {
        ResultRecord rec;
        rec.first = doc_->GetTitle();
        rec.second = tr->name;
        rec.values = {tr->sampleX(f), tr->sampleX(t % tr->sampleCount()), a.mean, a.maximum, a.minimum, a.acceptedPercent, a.total};
        if (const Status st = r->addRow(rec); !st)
            doc_->services().prompter().messageBox(st.reason(), MsgButtons::Ok, MsgIcon::Warning);
    }
}

void ZchartView::cmdNormalise() {
    if (!requireActive(true) || !state_.hasSelection()) return;
    uint32_t f, t;
    selectionOrWhole(f, t);
    doc_->normaliseToSelection(state_.active, f, t);
}

void ZchartView::cmdCombine(bool subtract) {
    if (!requireActive(true)) return;
    const int other = pickTrace(this, *doc_, subtract ? "Subtract trace" : "add trace", state_.active);
    if (other < 0) return;
    if (doc_->combine(state_.active, other, subtract)) setActiveTrace(doc_->traceCount() - 1);
}

void ZchartView::cmdSquare() {
    if (!requireActive(true)) return;
    if (doc_->squareTrace(state_.active)) setActiveTrace(doc_->traceCount() - 1);
}

void ZchartView::cmdHalve() {
    if (!requireActive()) return;
    doc_->halvePoints(state_.active);
}

void ZchartView::cmdRowProfile() {
    if (!requireActive()) return;
    if (!doc_->trace(state_.active)->isTwoD()) {
        chart::showMessage("The PSD profile is taken over the rows of a two-dimensional trace (spectra or scan lines).",
                           doc_->prompter());
        return;
    }
    uint32_t f, t;
    selectionOrWhole(f, t);
    if (doc_->rowProfile(state_.active, f, t)) setActiveTrace(doc_->traceCount() - 1);
    else chart::showMessage("The selected rows hold no data.", doc_->prompter());
}

// The picture goes to a file the user names and opens as an image
// document, where it can be measured like any other.
void ZchartView::cmdImageFromTrace() {
    if (!requireActive()) return;
    const ZchartDoc::GreyPicture g = doc_->pictureOf(state_.active);
    if (g.pixels.empty()) {
        chart::showMessage("An image is made from a two-dimensional trace (spectra or scan lines).", doc_->prompter());
        return;
    }
    QImage img(g.width, g.height, QImage::Format_Indexed8);
    QVector<QRgb> greys(256);
    for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
    img.setColorTable(greys);
    for (int y = 0; y < g.height; ++y) std::memcpy(img.scanLine(y), g.pixels.data() + size_t(y) * size_t(g.width), size_t(g.width));
    const std::string base = doc_->GetPathName().empty() ? doc_->GetTitle() : withoutExtension(doc_->GetPathName());
    const auto path = prompter().saveFile("create image from trace", "Windows (*.bmp)|*.bmp||",
                                                base + "-" + doc_->trace(state_.active)->name + ".bmp");
    if (!path || path->empty()) return;
    const std::string target = iequals(extensionOf(*path), ".bmp") ? *path : *path + ".bmp";
    QSaveFile out(QString::fromStdString(target));
    if (!out.open(QIODevice::WriteOnly) || !img.save(&out, "BMP") || !out.commit()) {
        chart::showMessage(target + ": " + out.errorString().toStdString(), doc_->prompter());
        return;
    }
    DocTemplate* images = doc_->services().findTemplate("ZBasicDoc");
    if (!images) return;
    auto picture = images->createDocument();
    if (!picture) return;
    doc_->lendServicesTo(*picture);
    if (const ordavia::Status opened = picture->OnOpenDocument(target); !opened) {
        showDocumentFailure(doc_->services().prompter(), opened);
        return;
    }
    picture->SetPathName(target);
    doc_->services().openDocument(std::move(picture));
}

void ZchartView::cmdExportViewPng() {
    const std::string& path = doc_->GetPathName();
    const std::string base = withoutExtension(path.empty() ? doc_->GetTitle() : path);
    (void)ordavia::exportViewAsPng(renderToImage(canvasWidget()->size()), prompter(), base + "-view.png", {path});
}

void ZchartView::cmdRowOperation(int op) {
    if (!requireActive()) return;
    uint32_t f, t;
    selectionOrWhole(f, t);
    doc_->rowOperation(state_.active, f, t, static_cast<RowOp>(op));
}

void ZchartView::cmdCopy() {
    if (!requireActive()) return;
    QClipboard* cb = QApplication::clipboard();
    if (!cb) {
        chart::showMessage("Cannot Open Clipboard", doc_->prompter());
        return;
    }
    uint32_t f = 0, t = 0;
    if (state_.hasSelection()) selectionOrWhole(f, t);
    const std::vector<uint8_t> bytes = doc_->copyBytes(state_.active, f, t);
    if (bytes.empty()) return;
    auto* mime = new QMimeData;
    mime->setData(kClipboardFormat, QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())));
    const CTrace* tr = doc_->trace(state_.active);
    mime->setText(QString::fromStdString(tr->name));
    cb->setMimeData(mime);
}

void ZchartView::cmdCut() {
    if (!requireActive()) return;
    const CTrace* t = doc_->trace(state_.active);
    const std::string q = state_.hasSelection()
                              ? "Do you really want to cut selected data from " + t->name + " trace to the clipboard?"
                              : "Do you really want to cut the " + t->name + " trace to the clipboard?";
    if (!chart::askYesNo(q, doc_->prompter())) return;
    cmdCopy();
    uint32_t f = 0, e = 0;
    if (state_.hasSelection()) selectionOrWhole(f, e);
    doc_->deleteData(state_.active, f, e);
    state_.selFrom = state_.selTo = 0;
}

void ZchartView::cmdPaste() {
    QClipboard* cb = QApplication::clipboard();
    const QMimeData* mime = cb ? cb->mimeData() : nullptr;
    if (!mime) {
        chart::showMessage("Cannot Open Clipboard", doc_->prompter());
        return;
    }
    if (!mime->hasFormat(kClipboardFormat)) return;
    const QByteArray b = mime->data(kClipboardFormat);
    const std::vector<uint8_t> bytes(b.begin(), b.end());
    double start = 0;
    if (const CTrace* t = doc_->trace(state_.active); t && t->hasData() && state_.hasSelection()) {
        uint32_t f, e;
        selectionOrWhole(f, e);
        start = t->sampleX(f);
    }
    if (doc_->pasteBytes(bytes, start)) setActiveTrace(doc_->traceCount() - 1);
}

void ZchartView::cmdDelete() {
    const CTrace* t = doc_->trace(state_.active);
    if (!t) return;
    if (doc_->docFlags() & ZchartDoc::kNoDelete) return;
    const std::string q = state_.hasSelection() ? "Do you really want to delete selected data in " + t->name + " trace?"
                                                : "Do you really want to delete the " + t->name + " trace?";
    if (!chart::askYesNo(q, doc_->prompter())) return;
    uint32_t f = 0, e = 0;
    if (state_.hasSelection()) selectionOrWhole(f, e);
    doc_->deleteData(state_.active, f, e);
    state_.selFrom = state_.selTo = 0;
}

void ZchartView::cmdClear() {
    if (!chart::askYesNo("Do you really want to clear all traces to zero?", doc_->prompter())) return;
    doc_->clearTraces();
}

void ZchartView::cmdTraceProperties() {
    if (!doc_->trace(state_.active)) return;
    TraceDisplay& d = state_.displays[state_.active];
    // The dialog shows the scales this view draws at, not those stored.
    TraceProperties p = doc_->traceProperties(state_.active);
    p.displayXScale = state_.xPerPixel;
    p.displayYScale = d.yPerPixel;
    p.displayYOffset = static_cast<int>(std::lround(-d.yBottom / d.yPerPixel));
    if (!tracePropertiesDialog(this, p) || !doc_->setTraceProperties(state_.active, p)) return;
    TraceDisplay& shownAt = state_.displays[state_.active];
    state_.xPerPixel = p.displayXScale;
    shownAt.yPerPixel = p.displayYScale;
    shownAt.yBottom = -p.displayYOffset * p.displayYScale;
    updateReadouts();
    repaintChart();
}

void ZchartView::cmdHideTrace() {
    if (state_.active < static_cast<int>(state_.displays.size())) {
        state_.displays[state_.active].hidden = !state_.displays[state_.active].hidden;
        update();
        repaintChart();
    }
}

void ZchartView::cmdFullScale(bool reduce) {
    const QRect plot = plotRect();
    zoomY(reduce ? 0.5 : 2.0, plot.center().y());
}

void ZchartView::cmdIntensity(bool brighter) {
    const auto* t = dynamic_cast<const C2DTrace*>(doc_->trace(state_.active));
    if (!t) return;
    TraceDisplay& d = state_.displays[state_.active];
    const double step = t->rangeStep > 0 ? t->rangeStep : 2.0;
    const double kept = doc_->setIntensityRange(state_.active, brighter ? d.intensityRange / step : d.intensityRange * step);
    if (kept < 0) return;
    // The display record is this view's: the document told every view,
    // this one draws at the range it asked for.
    TraceDisplay& shownAt = state_.displays[state_.active];
    shownAt.intensityRange = kept;
    shownAt.stripValid = false;
    updateReadouts();
    repaintChart();
}

void ZchartView::cmdColour() {
    const CTrace* t = doc_->trace(state_.active);
    if (!t) return;
    const QColor c = QColorDialog::getColor(ChartPainter::traceColour(*t, state_.active), this, "Colour");
    if (!c.isValid()) return;
    doc_->setTraceColour(state_.active, uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16));
}

void ZchartView::cmdInverseColours() { doc_->invertPalette(state_.active); }

void ZchartView::cmdMinimumToBackground() { doc_->minimumToBackground(state_.active); }

void ZchartView::cmdLinearIntensity() { doc_->toggleLinearIntensity(state_.active); }

void ZchartView::cmdInsertMarker() {
    double x = state_.cursorX;
    if (x < -1e299) x = state_.xLeft + plotRect().width() * state_.xPerPixel / 2;
    const QString stamp = QDateTime::currentDateTime().toString("HH:mm:ss dd/MM/yy") + "\r\n";
    const CMarker* m = doc_->AddMarker(std::make_unique<CMarker>(), x, {}, stamp.toStdString());
    if (m && doc_->editNewMarks()) {
        state_.selectedMarker = doc_->markerIndex(m);
        cmdEditMarker();
    }
}

void ZchartView::cmdEditMarker() {
    const int i = state_.selectedMarker;
    if (i < 0 || i >= static_cast<int>(doc_->markers().size())) return;
    openEditMarker(this, &doc_->markers()[static_cast<size_t>(i)],
                   [this](const CMarker* m, const MarkerProperties& p) {
                       const int at = doc_->markerIndex(m);
                       if (at < 0) return false;
                       doc_->editMarker(at, p);
                       canvasWidget()->setFocus();
                       return true;
                   });
}

void ZchartView::cmdGoldenSearch() {
    const CTrace* t = doc_->trace(0);
    if (!t || !t->hasData() || t->data->twoD()) return;
    // Golden-section search for the maximum over the sample indices.
    const double g = (std::sqrt(5.0) - 1) / 2;
    double a = 0, b = t->sampleCount() - 1;
    int evals = 0;
    auto f = [&](double x) {
        ++evals;
        return t->data->valueAt(static_cast<uint32_t>(std::lround(x)));
    };
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = f(c), fd = f(d);
    while (b - a > 1.0 && evals < 200) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = f(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = f(d);
        }
    }
    const int x = static_cast<int>(std::lround((a + b) / 2));
    chart::showMessage(strprintf("x=%i val=%f n=%i", x, t->data->valueAt(static_cast<uint32_t>(x)), evals),
                       doc_->prompter());
}

void ZchartView::cmdArtifactFilter() {
    ArtifactFilter f = doc_->artifactFilter();
    if (artifactFilterDialog(this, f)) doc_->setArtifactFilter(f);
}

void ZchartView::cmdChartResults() {
    ResultTables::in(doc_->services()).open(ResultTitles::kChart);
}

void ZchartView::printDocument() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() != QDialog::Accepted) return;
    QPainter p(&printer);
    paintPage(p, printer.pageLayout().paintRectPixels(printer.resolution()).translated(
                     -printer.pageLayout().paintRectPixels(printer.resolution()).topLeft()));
}

void ZchartView::printPreview() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dlg(&printer, this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pr) {
        QPainter p(pr);
        const QRect r = pr->pageLayout().paintRectPixels(pr->resolution());
        paintPage(p, r.translated(-r.topLeft()));
    });
    dlg.exec();
}
