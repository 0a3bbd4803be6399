#include "linescan/LineVelocityRun.h"

#include <algorithm>

#include "base/ParallelFor.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/MeasureColumns.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/LineScanSampler.h"
#include "linescan/LineScanSettings.h"
#include "linescan/ZlineScanDoc.h"
#include "figures/MeasureCatalogue.h"
#include "measure/CDim.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "video/CMotivaDoc.h"

namespace ordavia {

namespace {

// The key a background run passes as the scan's source: no view is one.
const char kRunKey = 0;
}  // namespace

const ResultColumn* capillaryVelocityColumns(size_t& count) {
    static const std::vector<ResultColumn> columns = resultColumnsOf(linescanMeasures());
    count = columns.size();
    return columns.data();
}

std::string acceptedVelocityText(const CbvSummary& s, int lineNumber, double diameter) {
    const MeasureValues f = s.figures(lineNumber, diameter);
    std::string text = f.text();
    if (!s.trust.inRange) text += " (outside the range of this method)";
    if (diameter >= 0) text += " diameter = " + f.withUnit("diameter") + " flux = " + f.withUnit("flux");
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool fileVelocityRow(ResultTables* tables, const std::string& source, const CbvSummary& s, int lineNumber,
                     double diameter) {
    size_t count = 0;
    const ResultColumn* cols = capillaryVelocityColumns(count);
    CResultDoc* table = tables ? tables->open(kCapillaryVelocityTitle, cols, count) : nullptr;
    return table && table->addRow(resultRecordOf(s.figures(lineNumber, diameter), source, s.units));
}

std::vector<int> scannableLines(const CMotivaDoc& video) {
    std::vector<int> out;
    const CDimList& list = video.currentDimList();
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        if (dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2) out.push_back(i);
    }
    return out;
}

namespace {

// A scan document of line `index` set up as a run over the selection takes
// it, with the selection; null when there is nothing to scan.
std::unique_ptr<ZlineScanDoc> newRunScan(CMotivaDoc& video, int index, AppServices* services, bool reversed,
                                         const CbvParams* params, int& first, int& last) {
    const CDim* line = video.currentDimList().at(index);
    if (!line || !video.hasFrames()) return nullptr;
    const LineScanSettings run = lineScanSettings(video, *line, services);
    first = run.first;
    last = run.last;
    if (last <= first) return nullptr;

    auto scan = std::make_unique<ZlineScanDoc>();
    if (services) {
        scan->setServices(services);
        // Shown later (when the user marks a part) as a finished scan.
        if (DocTemplate* t = services->findTemplate("ZlineScanBaseDoc")) scan->setDocTemplate(t);
    }
    if (!scan->OnNewDocument()) return nullptr;
    if (params) scan->setParams(*params, false);
    scan->SetTitle(video.GetTitle() + strprintf(" line %i", index + 1) + (reversed ? " (reversed)" : ""));
    // One column per frame, so that the summary covers the whole
    // selection; the user's "NoPtsToSample" stays as it is.
    scan->setServices(nullptr);
    scan->setColumnsToSample(std::max(2, last - first));
    scan->setServices(services);
    return scan;
}

}  // namespace

std::unique_ptr<ZlineScanDoc> scanWholeVideo(CMotivaDoc& video, int index, AppServices* services,
                                            const std::function<bool(int)>& progress, bool reversed,
                                            const CbvParams* params) {
    int first = 0, last = 0;
    auto scan = newRunScan(video, index, services, reversed, params, first, last);
    if (!scan) return nullptr;
    LineScanSampler sampler(*scan, &kRunKey);
    if (!sampler.start(video, *video.currentDimList().at(index), nullptr, reversed)) return nullptr;
    MovieFrameImage scratch;
    for (int f = first; f < last; ++f) {
        sampler.addFrame(video.movie().peekFrame(f, scratch));
        if (progress && !progress(f - first)) {
            scan->stop();
            return nullptr;
        }
    }
    scan->stop();
    return scan;
}

std::unique_ptr<ZlineScanDoc> scanBothWays(CMotivaDoc& video, int index, AppServices* services,
                                          const std::function<bool(int)>& progress, bool* reversedOut,
                                          const CbvParams* params) {
    int first = 0, last = 0;
    auto forward = newRunScan(video, index, services, false, params, first, last);
    if (!forward) return nullptr;
    auto backward = newRunScan(video, index, services, true, params, first, last);
    const CDim& line = *video.currentDimList().at(index);
    LineScanSampler fs(*forward, &kRunKey);
    if (!fs.start(video, line, nullptr, false)) return nullptr;
    std::unique_ptr<LineScanSampler> bs;
    if (backward) {
        bs = std::make_unique<LineScanSampler>(*backward, &kRunKey);
        if (!bs->start(video, line, nullptr, true)) bs.reset();
    }
    // Each frame is read once for both directions; the two scans then take
    // a chunk of frames each on a thread of its own, every one of them
    // column after column as a scan of its own would.
    constexpr int kChunk = 32;
    std::vector<std::vector<double>> values[2] = {std::vector<std::vector<double>>(kChunk),
                                                  std::vector<std::vector<double>>(kChunk)};
    MovieFrameImage scratch;
    for (int f0 = first; f0 < last; f0 += kChunk) {
        const int f1 = std::min(last, f0 + kChunk);
        for (int f = f0; f < f1; ++f) {
            const CZVimage& frame = video.movie().peekFrame(f, scratch);
            fs.sample(frame, values[0][size_t(f - f0)]);
            if (bs) bs->sample(frame, values[1][size_t(f - f0)]);
            // Progress counts both directions: 2 x the selected frames.
            if (progress && !progress(2 * (f - first) + 1)) {
                forward->stop();
                if (backward) backward->stop();
                return nullptr;
            }
        }
        parallelFor(0, bs ? 2 : 1, [&](int from, int to) {
            for (int way = from; way < to; ++way) {
                LineScanSampler& s = way ? *bs : fs;
                for (int f = f0; f < f1; ++f) s.addValues(values[way][size_t(f - f0)]);
            }
        });
    }
    forward->stop();
    if (backward) backward->stop();
    const auto score = [](const ZlineScanDoc& d) {
        const CbvSummary s = d.summary(0, 0);
        return s.meanCorrelation * s.good;
    };
    const bool back = bs && score(*backward) > score(*forward);
    if (reversedOut) *reversedOut = back;
    return back ? std::move(backward) : std::move(forward);
}

std::string summaryDoubt(const CbvSummary& s) {
    // Outside the band the correlation can see, the number is no
    // measurement at all: that alone is said.
    if (const std::string advice = rangeAdvice(s.trust, false); !advice.empty())
        return "The " + advice + ". The number below is not a measurement of this capillary.";
    // A velocity that its columns bear out beyond chance is sound, however
    // few of them pass the correlation limit on a faint, noisy scan.
    if (trusted(s.trust)) return {};
    std::vector<std::string> why;
    if (s.trust.chance > 0)
        why.push_back(strprintf("only %.0f %% of the columns peak at it (%.0f %% would by chance)",
                                100.0 * s.trust.agreement, 100.0 * s.trust.chance));
    if (s.percentGood < kDoubtfulPercentGood)
        why.push_back(strprintf("only %.1f %% of the columns have a velocity (%.0f %% or more are wanted)", s.percentGood,
                                kDoubtfulPercentGood));
    if (s.good && s.meanCorrelation < kDoubtfulCorrelation)
        why.push_back(strprintf("their average correlation is %.2f (%.2f or more is wanted)", s.meanCorrelation,
                                kDoubtfulCorrelation));
    if (why.empty())
        why.push_back(strprintf("its quality is %.2f (%.2f or more is wanted)", s.trust.quality, kTrustedQuality));
    std::string text = "This velocity is doubtful: " + why[0];
    for (size_t i = 1; i < why.size(); ++i) text += " and " + why[i];
    return text + ". Mark a better part of the velocity trace, or accept it knowingly.";
}

std::string summaryQuestion(const CbvSummary& s, int lineNumber) {
    const std::string advice = rangeAdvice(s.trust, false);
    std::string text = advice.empty() ? s.text(lineNumber) : advice + "\n\n" + s.text(lineNumber);
    text += strprintf("\nquality = %.2f", s.trust.quality);
    if (s.outliers)
        text += strprintf("\n(%u outlying column%s left out of the range)", s.outliers, s.outliers == 1 ? "" : "s");
    if (const std::string doubt = summaryDoubt(s); !doubt.empty() && advice.empty()) text += "\n\n" + doubt;
    if (!summaryAcceptable(s)) return text + "\n\n" + kNotAcceptable;
    return text + "\n\nAccept this velocity?";
}

bool summaryAcceptable(const CbvSummary& s) { return s.good > 0 && s.trust.inRange; }

void acceptVelocity(CMotivaDoc& video, int index, const CbvSummary& s, const std::string& source,
                    ResultTables* tables) {
    const double diameter = lineDiameter(video, index);
    if (CDim* d = video.currentDimList().at(index)) {
        video.rememberForUndo();
        const std::string text = acceptedVelocityText(s, index + 1, diameter);
        d->setLabel(d->label().empty() ? text : d->label() + " " + text);
        video.SetModifiedFlag();
        video.UpdateAllViews();
    }
    if (tables) (void)fileVelocityRow(tables, source, s, index + 1, diameter);
}

}  // namespace ordavia
