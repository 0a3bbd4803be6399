#include "linescan/ui/LineScanCharts.h"

#include <algorithm>
#include <memory>

#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "chart/xychartdoc.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZchartReviewDoc.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "video/CMotivaDoc.h"

namespace ordavia::linescanui {

namespace {

// The charts the line scans of a run keep open and reuse, kept by the
// services under these names.
constexpr const char* kAverageChart = "linescan: average cbv vs correlation limit";
constexpr const char* kScatterChart = "linescan: cbv vs correlation";

Document* keptChart(Document& owner, const char* name) {
    return owner.services().keptDocument(name);
}
void keepChart(Document& owner, const char* name, Document* chart) {
    owner.services().keepDocument(name, chart);
}

// A new document of a template's class when the application has the
// template, else of the given class; with the owner's services.
template <class T>
std::unique_ptr<T> newDocument(Document& owner, const char* templateClass) {
    std::unique_ptr<T> doc;
    DocTemplate* t = owner.services().findTemplate(templateClass);
    if (t) {
        std::unique_ptr<Document> made = t->createDocument();
        if (auto* typed = dynamic_cast<T*>(made.get())) {
            made.release();
            doc.reset(typed);
        }
    }
    if (!doc) {
        doc = std::make_unique<T>();
        if (t) doc->setDocTemplate(t);
    }
    owner.lendServicesTo(*doc);
    doc->OnNewDocument();
    return doc;
}

// A chart the program fills from the scan opens unmodified: nothing in it
// is the user's work until the user changes it.
template <class T>
Document* showFilled(Document& owner, std::unique_ptr<T> chart) {
    chart->startUnmodified();
    return showDocument(owner, chart.release());
}

Prompter* prompterOf(Document& d) { return d.services().prompterPtr; }

}  // namespace

Document* showDocument(Document& owner, Document* doc) {
    if (!doc) return nullptr;
    return owner.services().openDocument(std::unique_ptr<Document>(doc));
}

void openChartReview(ZlineScanBaseDoc& scan) {
    const CTrace* source = scan.sourceTrace() ? scan.sourceTrace() : scan.scanTrace();
    if (!source || !source->hasData()) {
        if (Prompter* p = prompterOf(scan))
            p->messageBox("This line scan has no scan to review yet.", MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    // The review's own class, under the chart template (its view knows it).
    auto review = std::make_unique<ZchartReviewDoc>();
    scan.lendServicesTo(*review);
    if (DocTemplate* t = scan.services().findTemplate("CReviewDoc")) review->setDocTemplate(t);
    review->OnNewDocument();
    (void)review->beginReview(*source, scan.params(), "review of " + scan.GetTitle());
    showDocument(scan, review.release());
}

void showAverageCbvVsLimit(ZlineScanBaseDoc& scan) {
    if (auto* chart = dynamic_cast<ZchartDoc*>(keptChart(scan, kAverageChart))) {
        scan.fillAverageCbvChart(*chart);
        return;
    }
    auto chart = newDocument<ZchartDoc>(scan, "CReviewDoc");
    scan.fillAverageCbvChart(*chart);
    keepChart(scan, kAverageChart, showFilled(scan, std::move(chart)));
}

void showCbvVsCorrelation(ZlineScanBaseDoc& scan) {
    const CTrace* correlation = scan.correlationTrace();
    const CTrace* cbv = scan.cbvUncutTrace();
    if (!correlation || !cbv) {
        if (Prompter* p = prompterOf(scan))
            p->messageBox("This line scan has no velocities yet: switch \"&Calculate cbv\" on and scan.",
                          MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    auto* chart = dynamic_cast<ZchartDoc*>(keptChart(scan, kScatterChart));
    std::unique_ptr<xychartdoc> fresh;
    if (!chart) {
        fresh = newDocument<xychartdoc>(scan, "xychartdoc");
        fresh->SetTitle("cbv vs correlation");
        chart = fresh.get();
    }
    // The two traces that take the values.
    while (chart->traceCount() < 2) {
        CTrace* t = chart->newTrace(8, correlation->sampleCount(), true);
        if (!t) return;
        t->name = chart->traceCount() == 1 ? "correlation" : "cbv";
    }
    scan.fillCbvCorrelationChart(*chart);
    if (fresh) keepChart(scan, kScatterChart, showFilled(scan, std::move(fresh)));
}

void runFollowUps(ZlineScanBaseDoc& scan) {
    const CbvParams& p = scan.params();
    if (p.showCbvVCoef && scan.correlationTrace()) showAverageCbvVsLimit(scan);
    if (p.showCbvCorrel && scan.correlationTrace()) showCbvVsCorrelation(scan);
    scan.runFollowUpAnalyses();
    // Slopes drawn by the transform read as a measurement: one it could not
    // have made is said at once, as after "Calculate &Hough Velocities".
    if (p.doHough) {
        const HoughSummary h = scan.houghSummary();
        if (h.valid && !trusted(h.trust))
            if (Prompter* pr = prompterOf(scan)) pr->messageBox(h.text(), MsgButtons::Ok, MsgIcon::Warning);
    }
}

SummaryAnswer offerSummary(ZlineScanBaseDoc& scan, uint32_t from, uint32_t to, const ScanOrigin& origin) {
    Prompter* p = prompterOf(scan);
    if (!p) return SummaryAnswer::Rejected;
    if (!scan.cbvTrace()) {
        p->messageBox("This line scan has no \"cbv\" trace: switch \"&Calculate cbv\" on and scan again.",
                      MsgButtons::Ok, MsgIcon::Information);
        return SummaryAnswer::Rejected;
    }
    const CbvSummary s = scan.summary(from, to);
    const int lineNumber = origin.line >= 0 ? origin.line + 1 : 1;
    const bool doubtful = !summaryDoubt(s).empty();
    const bool acceptable = summaryAcceptable(s);
    if (!acceptable) p->messageBox(summaryQuestion(s, lineNumber), MsgButtons::Ok, MsgIcon::Warning);
    if (acceptable && p->messageBox(summaryQuestion(s, lineNumber), doubtful ? MsgButtons::YesNoDefaultNo : MsgButtons::YesNo,
                                    doubtful ? MsgIcon::Warning : MsgIcon::Question) == MsgResult::Yes) {
        scan.setAcceptedSummary(s);
        ResultTables* tables = ResultTables::of(scan.services());
        Status filed;
        if (origin.video) {
            filed = acceptVelocity(*origin.video, origin.line, s, origin.video->GetTitle(), tables);
        } else if (tables) {
            // No video line to keep it with: the table only, without a diameter.
            filed = fileVelocityRow(tables, scan.GetTitle(), s, lineNumber);
        }
        if (!filed) p->messageBox(filed.reason(), MsgButtons::Ok, MsgIcon::Warning);
        return SummaryAnswer::Accepted;
    }
    if (p->messageBox(kRejectedQuestion, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return SummaryAnswer::Rejected;
    p->messageBox(kMarkGoodPart, MsgButtons::Ok, MsgIcon::Information);
    return SummaryAnswer::MarkAnotherPart;
}

}  // namespace ordavia::linescanui
