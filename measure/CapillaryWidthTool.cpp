#include "measure/CapillaryWidthTool.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/ZBasicDoc.h"
#include "figures/MeasureCatalogue.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/MeasureColumns.h"
#include "results/ResultTables.h"
#include "settings/DebugLog.h"

namespace ordavia {

CapillaryWidthTool::CapillaryWidthTool(ZBasicDoc& doc) : doc_(doc) {}

WidthSettings CapillaryWidthTool::settings() const {
    const ProfileStore* profile = doc_.services().profileStore;
    return profile ? WidthSettings::read(*profile) : WidthSettings{};
}

std::string CapillaryWidthTool::source() const {
    return doc_.GetPathName().empty() ? doc_.GetTitle() : doc_.GetPathName();
}

class CapillaryWidthTool::CommandScope {
public:
    CommandScope(CapillaryWidthTool& t, Prompter* prompter) : t_(t), prompter_(prompter) { ++t_.depth_; }
    ~CommandScope() {
        if (--t_.depth_ > 0 || t_.refused_.ok()) return;
        if (prompter_) prompter_->messageBox(t_.refused_.reason(), MsgButtons::Ok, MsgIcon::Warning);
        t_.refused_ = Status::success();
    }

private:
    CapillaryWidthTool& t_;
    Prompter* prompter_;
};

void CapillaryWidthTool::rowRefused(const Status& st) {
    debugLog("CapillaryWidthTool row refused\n");
    if (refused_.ok()) refused_ = st;
}

void CapillaryWidthTool::fileWidthRow(const std::string& title, int line, double units, double x, double y) {
    ResultTables* tables = ResultTables::of(doc_.services());
    CResultDoc* table = tables ? tables->open(title) : nullptr;
    if (!table) return;
    ResultRecord rec;
    if (title == ResultTitles::kDiameter) {
        MeasureValues f(widthMeasures(), doc_.unitsInEffect());
        rec = resultRecordOf(f.set("line", line).set("width", units), source(), doc_.unitsInEffect());
    } else {
        // Only the apex width and its place are known for a plain line.
        LoopRow r;
        r.line = line;
        r.apexWidth = units;
        r.x = x;
        r.y = y;
        rec = resultRecordOf(loopFigures(r, doc_.unitsInEffect(), false), source(), doc_.unitsInEffect());
    }
    if (Status st = table->addRow(rec); !st) rowRefused(st);
}

CapillaryWidthTool::Measured CapillaryWidthTool::measureLine(int index, bool quiet, Prompter* prompter, bool fileRow) {
    CommandScope scope(*this, prompter);
    Measured m;
    m.lineIndex = index;
    CDim* line = doc_.currentDimList().at(index);
    if (!line || line->vertexCount() < 2) return m;
    m.width = measureLineWidth(doc_.image(), *line, doc_.xScaleInEffect(), doc_.yScaleInEffect(), settings(),
                               doc_.importWeights());
    if (!m.width.found()) {
        m.width.samples = -1;
        return m;
    }
    const std::string label = widthLabel(m.width.units, doc_.unitsInEffect());
    if (!quiet && prompter &&
        prompter->messageBox(kConfirm + label, MsgButtons::OkCancel, MsgIcon::Question) != MsgResult::Ok) {
        m.width.samples = -1;
        m.declined = true;
        return m;
    }
    line->setLabel(label);
    if (fileRow) fileWidthRow(ResultTitles::kDiameter, index + 1, m.width.units);
    doc_.appendHistory(strprintf("capillary width line %d = ", index + 1) + label + "\r\n");
    doc_.markEdited();
    return m;
}

std::vector<CapillaryWidthTool::Measured> CapillaryWidthTool::findWidths(Prompter* prompter) {
    CommandScope scope(*this, prompter);
    std::vector<Measured> out;
    CDimList& list = doc_.currentDimList();
    if (list.currentObject()) {
        out.push_back(measureLine(list.current(), false, prompter));
    } else {
        for (int i = 0; i < list.count(); ++i) {
            if (list.at(i)->vertexCount() < 2) continue;
            Measured m = measureLine(i, true, prompter);
            if (m.width.found())
                fileWidthRow(ResultTitles::kCapillary, i + 1, m.width.units, m.width.centreX, m.width.centreY);
            out.push_back(std::move(m));
        }
    }
    doc_.UpdateAllViews();
    return out;
}

// ---------------------------------------------------------------------------
// Nailfold loops

MeasureValues CapillaryWidthTool::loopFigures(const LoopRow& r, const std::string& units, bool fitted) {
    MeasureValues f(loopMeasures(), units);
    // A width of 0 is one that was not found.
    auto width = [](double w) { return w > 0 ? std::optional<double>(w) : std::nullopt; };
    f.set("line", r.line).set("apex width", width(r.apexWidth)).set("loop width", width(r.loopWidth));
    f.set("left width", width(r.leftWidth)).set("right width", width(r.rightWidth)).set("x", r.x).set("y", r.y);
    if (fitted) f.set("density", r.density).set("fit", r.fit).set("cord", r.cord);
    return f;
}

CapillaryWidthTool::Fit CapillaryWidthTool::fitLine(const std::vector<double>& x, const std::vector<double>& y) {
    Fit f;
    const double n = static_cast<double>(std::min(x.size(), y.size()));
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (size_t i = 0; i < size_t(n); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    if (d == 0) return f;
    f.slope = (n * sxy - sx * sy) / d;
    f.intercept = (sy * sxx - sxy * sx) / d;
    const double den = (sxx - sx * sx / n) * (syy - sy * sy / n);
    // A level row of apexes fits perfectly but has no correlation to give.
    f.r = den > 0 ? (sxy - sx * sy / n) / std::sqrt(den) : 0;
    return f;
}

namespace {

ZPoint roundPoint(double x, double y) { return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))}; }

std::unique_ptr<CDimLine> makeLine(const std::vector<ZPoint>& v, int width, uint32_t colour) {
    auto l = std::make_unique<CDimLine>();
    for (const ZPoint& p : v) l->addVertex(p);
    l->setWidth(std::max(1, width));
    l->setColour(colour);
    return l;
}

// Down the loop from its apex: loops hang from the nailfold towards the
// finger, which the picture shows below the nail. The axis is the apex
// line's direction when the line was drawn along the loop, else its normal.
void loopAxis(const CDim& apex, double& ax, double& ay) {
    const ZPoint a = apex.vertices().front(), b = apex.vertices().back();
    double ux = b.x - a.x, uy = b.y - a.y;
    const double len = std::hypot(ux, uy);
    ux = len > 0 ? ux / len : 0;
    uy = len > 0 ? uy / len : 1;
    if (std::fabs(uy) >= std::fabs(ux)) {
        ax = ux;
        ay = uy;
    } else {
        ax = -uy;
        ay = ux;
    }
    if (ay < 0) {
        ax = -ax;
        ay = -ay;
    }
}

}  // namespace

void CapillaryWidthTool::limbLines(const CDim& apex, double cx, double cy, double apexWidthPx,
                                   std::vector<ZPoint>& left, std::vector<ZPoint>& right) {
    left.clear();
    right.clear();
    if (apex.vertexCount() < 2) return;
    double ax, ay;
    loopAxis(apex, ax, ay);
    const double nx = -ay, ny = ax;  // across the loop
    const double w = std::max(apexWidthPx, 2.0);
    // Far enough below the apex that the limbs have left the turn, and
    // wide enough to reach both limbs of a wide loop.
    const double depth = 4 * w, half = std::max(3.5 * w, apex.length(1, 1));
    const double mx = cx + depth * ax, my = cy + depth * ay;
    // Each limb line runs from outside the loop to the middle between the
    // limbs, so that its profile holds one limb only.
    left = {roundPoint(mx - half * nx, my - half * ny), roundPoint(mx, my)};
    right = {roundPoint(mx + half * nx, my + half * ny), roundPoint(mx, my)};
}

CapillaryWidthTool::LoopResult CapillaryWidthTool::measureLoops(bool quiet, Prompter* prompter, bool fileRows) {
    CommandScope scope(*this, prompter);
    LoopResult res;
    CDimList& list = doc_.currentDimList();
    CDimList& built = doc_.lists()[kConstructionList];
    if (&list == &built) return res;
    doc_.rememberForUndo();
    built.removeAll();
    const WidthSettings ws = settings();
    const double xs = doc_.xScaleInEffect(), ys = doc_.yScaleInEffect();
    const GreyWeights gw = doc_.importWeights();
    ResultTables* tables = fileRows ? ResultTables::of(doc_.services()) : nullptr;
    CResultDoc* table = tables ? tables->open(ResultTitles::kLoops) : nullptr;
    const std::string units = doc_.unitsInEffect();
    auto file = [&](const LoopRow& r, bool fitted) {
        if (!table) return;
        if (Status st = table->addRow(resultRecordOf(loopFigures(r, units, fitted), source(), units)); !st)
            rowRefused(st);
    };

    std::vector<int> which;
    if (list.currentObject())
        which.push_back(list.current());
    else
        for (int i = 0; i < list.count(); ++i) which.push_back(i);

    double apexSum = 0, loopSum = 0, leftSum = 0, rightSum = 0;
    int apexN = 0, loopN = 0, leftN = 0, rightN = 0;
    std::vector<double> fx, fy;
    for (int k : which) {
        const CDim* apex = list.at(k);
        if (!apex || apex->vertexCount() == 0) continue;
        LoopRow row;
        row.line = k + 1;
        if (apex->vertexCount() < 2) {
            row.x = apex->vertices()[0].x;
            row.y = apex->vertices()[0].y;
        } else {
            const Measured m = measureLine(k, quiet, prompter, fileRows);
            if (!m.width.found()) continue;
            row.apexWidth = m.width.units;
            apexSum += row.apexWidth;
            ++apexN;
            row.x = m.width.centreX;
            row.y = m.width.centreY;
            std::vector<ZPoint> lv, rv;
            limbLines(*apex, row.x, row.y, m.width.samples, lv, rv);
            auto limb = [&](const std::vector<ZPoint>& v, double& outer, double& ox, double& oy) {
                auto line = makeLine(v, apex->width(), 0xff6464);
                const LineWidth lw = measureLineWidth(doc_.image(), *line, xs, ys, ws, gw);
                if (lw.found()) {
                    outer = lw.left;  // the line starts outside the loop
                    pointAlong(*line, lw.left, ox, oy);
                }
                built.add(std::move(line));
                return lw.found() ? lw.units : 0.0;
            };
            double lo = 0, ro = 0, lx = 0, ly = 0, rx = 0, ry = 0;
            row.leftWidth = limb(lv, lo, lx, ly);
            row.rightWidth = limb(rv, ro, rx, ry);
            if (row.leftWidth > 0) leftSum += row.leftWidth, ++leftN;
            if (row.rightWidth > 0) rightSum += row.rightWidth, ++rightN;
            if (row.leftWidth > 0 && row.rightWidth > 0) {
                row.loopWidth = std::hypot((rx - lx) * xs, (ry - ly) * ys);
                if (row.loopWidth > 1) loopSum += row.loopWidth, ++loopN;
                built.add(makeLine({roundPoint(lx, ly), roundPoint(rx, ry)}, 1, 0xffff00));
            }
        }
        if (fx.size() < 100) {
            fx.push_back(row.x);
            fy.push_back(row.y);
        }
        file(row, false);
        res.rows.push_back(row);
    }

    // The loop row: the apexes joined from left to right.
    std::vector<std::pair<double, double>> apexes;
    for (size_t i = 0; i < fx.size(); ++i) apexes.push_back({fx[i], fy[i]});
    std::sort(apexes.begin(), apexes.end());
    if (apexes.size() >= 2) {
        std::vector<ZPoint> v;
        for (const auto& a : apexes) v.push_back(roundPoint(a.first, a.second));
        built.add(makeLine(v, 1, 0x00ffff));
    }

    LoopRow& s = res.summary;
    s.line = static_cast<int>(res.rows.size());
    s.apexWidth = apexN ? apexSum / apexN : 0;
    s.loopWidth = loopN ? loopSum / loopN : 0;
    s.leftWidth = leftN ? leftSum / leftN : 0;
    s.rightWidth = rightN ? rightSum / rightN : 0;
    const int W = doc_.image().width();
    if (fx.size() >= 2 && W > 0) {
        const Fit f = fitLine(fx, fy);
        const double y0 = f.intercept, y1 = f.slope * W + f.intercept;
        s.cord = std::hypot(W * xs, (y1 - y0) * ys);
        s.density = s.cord > 0 ? res.rows.size() * 1000.0 / s.cord : 0;
        s.fit = f.r;
        res.hasFit = true;
        built.add(makeLine({roundPoint(0, y0), roundPoint(W, y1)}, 1, 0x00ff00));
    }
    if (!res.rows.empty()) {
        file(s, res.hasFit);
        // The loops state themselves on the picture (the Examinations
        // window and the report show it), unless another analysis did.
        const std::string& now = doc_.result;
        if (now.empty() || startsWith(now, "Dimensions: ") || now.find(" loops, means: ") != std::string::npos)
            doc_.result = loopFigures(s, units, res.hasFit).text();
    }
    doc_.markEdited();
    doc_.UpdateAllViews();
    return res;
}

}  // namespace ordavia
