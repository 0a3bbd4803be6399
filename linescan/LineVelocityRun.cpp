#include "linescan/LineVelocityRun.h"

#include <algorithm>

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

Status fileVelocityRow(ResultTables* tables, const std::string& source, const CbvSummary& s, int lineNumber,
                     double diameter) {
    size_t count = 0;
    const ResultColumn* cols = capillaryVelocityColumns(count);
    CResultDoc* table = tables ? tables->open(kCapillaryVelocityTitle, cols, count) : nullptr;
    if (!table) return Status::failure(std::string("The results table \"") + kCapillaryVelocityTitle + "\" could not be opened.");
    return table->addRow(resultRecordOf(s.figures(lineNumber, diameter), source, s.units));
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

Result<std::unique_ptr<ZlineScanDoc>> scanWholeVideo(CMotivaDoc& video, int index, AppServices* services,
                                                    const std::function<bool(int)>& progress, bool reversed,
                                                    const CbvParams* params) {
    const CDim* line = video.currentDimList().at(index);
    if (!line) return Status::failure(StatusCode::NotFound, strprintf("There is no line %i to scan.", index + 1));
    if (!video.hasFrames()) return Status::failure(StatusCode::NotFound, "The video holds no frames.");
    const LineScanSettings run = lineScanSettings(video, *line, services);
    const int first = run.first, last = run.last;
    if (last <= first) return Status::failure(StatusCode::OutOfRange, "The selection holds no frames.");

    auto scan = std::make_unique<ZlineScanDoc>();
    if (services) {
        scan->setServices(services);
        // Shown later (when the user marks a part) as a finished scan.
        if (DocTemplate* t = services->findTemplate("ZlineScanBaseDoc")) scan->setDocTemplate(t);
    }
    if (!scan->OnNewDocument()) return Status::failure("The line scan document could not be made.");
    if (params) scan->setParams(*params, false);
    scan->SetTitle(video.GetTitle() + strprintf(" line %i", index + 1) + (reversed ? " (reversed)" : ""));
    // One column per frame, so that the summary covers the whole
    // selection; the user's "NoPtsToSample" stays as it is.
    scan->setColumnsToSample(std::max(2, last - first));
    LineScanSampler sampler(*scan, &kRunKey);
    if (!sampler.start(video, *line, nullptr, reversed))
        return Status::failure(StatusCode::Unsupported, strprintf("Line %i cannot be scanned.", index + 1));
    MovieFrameImage scratch;
    for (int f = first; f < last; ++f) {
        sampler.addFrame(video.movie().peekFrame(f, scratch));
        if (progress && !progress(f - first)) {
            scan->stop();
            return Status::cancelled();
        }
    }
    scan->stop();
    return Result<std::unique_ptr<ZlineScanDoc>>(std::move(scan));
}

Result<std::unique_ptr<ZlineScanDoc>> scanBothWays(CMotivaDoc& video, int index, AppServices* services,
                                                  const std::function<bool(int)>& progress, bool* reversedOut,
                                                  const CbvParams* params) {
    int offset = 0;
    const auto counted = [&](int f) { return !progress || progress(offset + f); };
    auto forward = scanWholeVideo(video, index, services, counted, false, params);
    if (!forward) return forward.status();
    std::unique_ptr<ZlineScanDoc> ahead = std::move(forward).value();
    offset = static_cast<int>(ahead->scanTrace() ? ahead->scanTrace()->sampleCount() : 0);
    auto backward = scanWholeVideo(video, index, services, counted, true, params);
    if (backward.isCancelled()) return backward.status();
    const auto score = [](const ZlineScanDoc& d) {
        const CbvSummary s = d.summary(0, 0);
        return s.meanCorrelation * s.good;
    };
    // A way that could not be scanned leaves the other.
    std::unique_ptr<ZlineScanDoc> back = backward ? std::move(backward).value() : nullptr;
    const bool reversed = back && score(*back) > score(*ahead);
    if (reversedOut) *reversedOut = reversed;
    return Result<std::unique_ptr<ZlineScanDoc>>(reversed ? std::move(back) : std::move(ahead));
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

Status acceptVelocity(CMotivaDoc& video, int index, const CbvSummary& s, const std::string& source,
                    ResultTables* tables) {
    const double diameter = lineDiameter(video, index);
    if (CDim* d = video.currentDimList().at(index)) {
        video.rememberForUndo();
        const std::string text = acceptedVelocityText(s, index + 1, diameter);
        d->setLabel(d->label().empty() ? text : d->label() + " " + text);
        video.markEdited();
        video.UpdateAllViews();
    }
    return tables ? fileVelocityRow(tables, source, s, index + 1, diameter) : Status::success();
}

}  // namespace ordavia
