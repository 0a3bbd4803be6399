// The chart view's import and export of traces through text and data files.
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

void ZchartView::cmdImport() {
    const auto path = prompter().openFile("Import", "All Files (*.*)|*.*||");
    if (!path) return;
    std::vector<uint8_t> bytes;
    const Status r = readFileBytes(*path, bytes, uint64_t(1) << 31);
    if (!r.ok()) {
        chart::showMessage(std::string(Document::kOpenFailed) + "\n" + r.reason(), doc_->prompter());
        return;
    }
    DataFileFormat f;
    // The wizard proposes what the file holds; the user confirms it.
    const TextImportGuess guess = guessTextImport(bytes);
    if (guess.text) {
        f.columns = guess.columns;
        f.count = guess.rows;
        f.inputType = guess.type;
    }
    if (!importWizard(this, f, bytes.size(), guess.text ? 1 : -1)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int n = importBytes(bytes, f);
    QApplication::restoreOverrideCursor();
    if (n <= 0) {
        chart::showMessage(nothingImportedText(*path, f, guess), doc_->prompter());
        return;
    }
    if (n > 1 && !f.binary) {
        const CTrace* first = doc_->trace(lastImportFirst_);
        if (first && first->sampleCount() > 2) {
            const double step = first->data->valueAt(1) - first->data->valueAt(0);
            if (step > 0 &&
                chart::askYesNo(strprintf("The first column rises by equal steps of %g. Use it as the time axis of the "
                                          "other traces?",
                                          step),
                                doc_->prompter()))
                adoptTimeColumn();
        }
    }
    fitAll();
}

namespace {
// Seconds in one unit of time; 0 for a unit that is not one.
double secondsPerUnit(const std::string& u) {
    if (u.empty() || u == "s" || u == "sec" || u == "seconds") return 1.0;
    if (u == "ms") return 1e-3;
    if (u == "us" || u == "\u00b5s") return 1e-6;
    if (u == "min") return 60.0;
    if (u == "h") return 3600.0;
    return 0.0;
}

// The heading line of a text export ("Time (s),Flux (PU)"): names and units.
std::vector<std::pair<std::string, std::string>> headings(const std::vector<uint8_t>& bytes) {
    std::vector<std::pair<std::string, std::string>> out;
    const auto nl = std::find(bytes.begin(), bytes.end(), uint8_t('\n'));
    std::string line(bytes.begin(), nl);
    if (line.size() > 1023) return out;
    const size_t lead = line.find_first_not_of(" \t");
    if (lead == std::string::npos || !(line[lead] == '"' || std::isalpha(static_cast<unsigned char>(line[lead]))))
        return out;
    size_t start = 0;
    while (start <= line.size()) {
        size_t comma = line.find(',', start);
        if (comma == std::string::npos) comma = line.size();
        std::string cell = trim(line.substr(start, comma - start));
        cell.erase(std::remove(cell.begin(), cell.end(), '"'), cell.end());
        std::string unit;
        const size_t open = cell.rfind('('), close = cell.rfind(')');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            unit = trim(cell.substr(open + 1, close - open - 1));
            cell = trim(cell.substr(0, open));
        }
        out.emplace_back(cell, unit);
        start = comma + 1;
    }
    return out;
}
}  // namespace

std::string ZchartView::nothingImportedText(const std::string& path, const DataFileFormat& f,
                                            const TextImportGuess& guess) {
    std::string text = "Nothing was imported from " + path + ": ";
    if (f.binary) return text + "no sample fits the header, block and type chosen.";
    if (f.columns <= 0 || f.count <= 0) text += strprintf("%i columns of %i rows were asked for.", f.columns, f.count);
    else text += "no line holds a number in the columns asked for.";
    if (guess.text && guess.rows > 0)
        text += strprintf(" The file holds %i column%s of numbers on %i line%s.", guess.columns,
                          guess.columns == 1 ? "" : "s", guess.rows, guess.rows == 1 ? "" : "s");
    return text;
}

int ZchartView::importBytes(const std::vector<uint8_t>& bytes, DataFileFormat& f) {
    const int before = doc_->traceCount();
    const int n = doc_->importTraces(bytes, f);
    lastImportFirst_ = n > 0 ? before : -1;
    if (n > 0 && !f.binary) {
        // Names and units from a heading line, where the file has one.
        const auto h = headings(bytes);
        // A column without values makes no trace: the heading of each trace
        // is that of its column ("col%i").
        for (int i = 0; i < n; ++i) {
            TraceProperties p = doc_->traceProperties(before + i);
            const int c = p.name.compare(0, 3, "col") == 0 ? std::atoi(p.name.c_str() + 3) - 1 : i;
            if (c < 0 || c >= static_cast<int>(h.size())) continue;
            if (!h[size_t(c)].first.empty()) p.name = h[size_t(c)].first;
            p.yUnits = h[size_t(c)].second;
            doc_->setTraceProperties(before + i, p);
        }
    }
    return n;
}

bool ZchartView::importFile(const std::string& path, DataFileFormat& f) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, uint64_t(1) << 31).ok()) return false;
    if (f.binary && !f.planBinary(bytes.size(), f.count > 0 ? f.count : f.availablePoints(bytes.size()))) return false;
    return importBytes(bytes, f) > 0;
}

bool ZchartView::adoptTimeColumn() {
    const int first = lastImportFirst_;
    const CTrace* t = doc_->trace(first);
    if (!t || t->sampleCount() < 3 || first + 1 >= doc_->traceCount()) return false;
    const uint32_t n = t->sampleCount();
    const double x0 = t->data->valueAt(0);
    const double step = (t->data->valueAt(n - 1) - x0) / (n - 1);
    if (!(step > 0)) return false;
    for (uint32_t i = 1; i < n; ++i) {
        const double d = t->data->valueAt(i) - t->data->valueAt(i - 1);
        if (std::fabs(d - step) > 0.01 * step) return false;
    }
    std::string unit = t->yUnits;
    // The chart has one x axis: traces imported beside others take the
    // others' time unit (a column in ms becomes seconds for a chart in
    // seconds), so that neither the traces already there nor the axis
    // change their meaning.
    double factor = 1.0;
    const CTrace* before = first > 0 ? doc_->trace(0) : nullptr;
    if (before) {
        const double from = secondsPerUnit(unit.empty() ? before->xUnits : unit);
        const double to = secondsPerUnit(before->xUnits);
        if (from > 0 && to > 0) {
            factor = from / to;
            unit = before->xUnits;
        }
    }
    for (int i = first + 1; i < doc_->traceCount(); ++i) {
        TraceProperties p = doc_->traceProperties(i);
        p.xInterval = step * factor;
        p.start = x0 * factor;
        p.xUnits = unit;
        doc_->setTraceProperties(i, p);
    }
    // An undo step like the import's own (a chart that refuses deletions
    // still loses the column, without one).
    if (!doc_->deleteTrace(first)) doc_->removeTrace(first);
    lastImportFirst_ = -1;
    if (!before) state_.active = std::max(0, first);
    return true;
}

void ZchartView::cmdExport() {
    if (!requireActive()) return;
    const auto scope = performActionOnDialog(this, state_.hasSelection());
    if (!scope) return;
    ProfileStore& prof = profile();
    DataFileFormat f;
    f.read(prof, "Export");
    if (!exportSettingsDialogs(this, f)) return;
    f.write(prof, "Export");
    const std::string filter = "Binary Files (*.bin)|*.bin|Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    std::string proposed = withoutExtension(doc_->GetPathName().empty() ? doc_->GetTitle() : doc_->GetPathName());
    proposed += f.binary ? ".bin" : ".txt";
    const auto path = prompter().saveFile("Export", filter, proposed);
    if (!path) return;
    std::vector<const CTrace*> chosen;
    if (scope->allTraces) {
        for (int i = 0; i < doc_->traceCount(); ++i)
            if (doc_->trace(i)->hasData()) chosen.push_back(doc_->trace(i));
    } else {
        chosen.push_back(doc_->trace(state_.active));
    }
    uint32_t from = 0, to = 0;
    const bool part = !scope->wholeRange && state_.hasSelection();
    if (part) selectionOrWhole(from, to);
    Status w;
    if (f.binary) {
        std::vector<uint8_t> bytes;
        for (const CTrace* t : chosen) {
            const Status s = part ? t->writeBinary(bytes, f.headers, from, to) : t->writeBinary(bytes, f.headers, -1, -1);
            if (!s) {
                chart::showMessage(t->name + ": " + s.reason(), doc_->prompter());
                return;
            }
        }
        w = writeFileAtomically(*path, bytes);
    } else {
        const MissingSample missing = [d = doc_](const CTrace& t, double raw) { return d->isMissingSample(t, raw); };
        w = writeFileAtomically(*path, exportTracesAsText(chosen, f, from, to, missing));
    }
    if (!w.ok()) chart::showMessage(w.reason(), doc_->prompter());
}
