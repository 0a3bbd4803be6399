#include "measure/AssessmentRecord.h"

#include <cmath>
#include <sstream>

#include "base/Text.h"
#include "figures/MeasureValues.h"
#include "measure/AssessmentFigures.h"

namespace ordavia {

namespace {

// A findings row holds at most this many outline points per haemorrhage:
// more is not an outline a review made.
constexpr size_t kMaxOutline = 4096;

std::string num(double v) { return std::isfinite(v) ? strprintf("%.9g", v) : std::string("nan"); }

bool finite(std::initializer_list<double> vs) {
    for (double v : vs)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

std::string findingsText(const CapillaryAssessment& a) {
    std::string t = "scale " + num(a.umPerPixel) + strprintf(" %d %d\n", a.calibrated ? 1 : 0, a.colour ? 1 : 0);
    t += "line " + num(a.lineFrom.x) + " " + num(a.lineFrom.y) + " " + num(a.lineTo.x) + " " + num(a.lineTo.y) +
         strprintf(" %d\n", a.lineAutomatic ? 1 : 0);
    for (const AssessedCapillary& c : a.capillaries)
        t += "cap " + num(c.apex.x) + " " + num(c.apex.y) + " " + num(c.apexUm) + " " + num(c.widthFrom.x) + " " +
             num(c.widthFrom.y) + " " + num(c.widthTo.x) + " " + num(c.widthTo.y) +
             strprintf(" %d %d %d %d\n", c.dilated ? 1 : 0, c.giant ? 1 : 0, static_cast<int>(c.shape), c.byHand ? 1 : 0);
    for (const Haemorrhage& h : a.haemorrhages) {
        t += "haem " + num(h.centre.x) + " " + num(h.centre.y) + " " + num(h.areaUm2) + strprintf(" %d", h.byHand ? 1 : 0);
        for (const AssessPoint& p : h.outline) t += " " + num(p.x) + " " + num(p.y);
        t += "\n";
    }
    t += strprintf("removed %d\n", a.handRemoved ? 1 : 0);
    const AssessmentQuality& q = a.pictureQuality;
    t += "quality " + num(q.density) + " " + num(q.diameter) + " " + num(q.shape) + " " + num(q.haemorrhages) + " " +
         num(q.gaps) + " " + num(q.pattern) + "\n";
    for (const std::string& w : a.pictureWarnings)
        if (w.find('\n') == std::string::npos) t += "warn " + w + "\n";
    return t;
}

Result<CapillaryAssessment> assessmentFromFindings(const std::string& text) {
    CapillaryAssessment a;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool scaled = false;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty()) continue;
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        bool ok = true;
        if (kind == "scale") {
            int cal = 0, col = 0;
            ok = static_cast<bool>(in >> a.umPerPixel >> cal >> col) && std::isfinite(a.umPerPixel);
            a.calibrated = cal != 0, a.colour = col != 0, scaled = ok;
        } else if (kind == "line") {
            int automatic = 1;
            ok = static_cast<bool>(in >> a.lineFrom.x >> a.lineFrom.y >> a.lineTo.x >> a.lineTo.y >> automatic) &&
                 finite({a.lineFrom.x, a.lineFrom.y, a.lineTo.x, a.lineTo.y});
            a.lineAutomatic = automatic != 0;
        } else if (kind == "cap") {
            AssessedCapillary c;
            std::string apexUm;
            int dil = 0, giant = 0, shape = 0, hand = 0;
            ok = static_cast<bool>(in >> c.apex.x >> c.apex.y >> apexUm >> c.widthFrom.x >> c.widthFrom.y >>
                                   c.widthTo.x >> c.widthTo.y >> dil >> giant >> shape >> hand) &&
                 finite({c.apex.x, c.apex.y}) && shape >= 0 && shape <= static_cast<int>(CapillaryShape::kBizarre);
            c.apexUm = apexUm == "nan" ? std::nan("") : std::strtod(apexUm.c_str(), nullptr);
            c.dilated = dil != 0, c.giant = giant != 0, c.shape = static_cast<CapillaryShape>(shape), c.byHand = hand != 0;
            if (ok) a.capillaries.push_back(c);
        } else if (kind == "haem") {
            Haemorrhage h;
            int hand = 0;
            ok = static_cast<bool>(in >> h.centre.x >> h.centre.y >> h.areaUm2 >> hand) && finite({h.centre.x, h.centre.y});
            h.byHand = hand != 0;
            AssessPoint p;
            while (ok && h.outline.size() < kMaxOutline && in >> p.x >> p.y) h.outline.push_back(p);
            if (ok) a.haemorrhages.push_back(std::move(h));
        } else if (kind == "removed") {
            int removed = 0;
            ok = static_cast<bool>(in >> removed);
            a.handRemoved = removed != 0;
        } else if (kind == "quality") {
            AssessmentQuality& q = a.pictureQuality;
            ok = static_cast<bool>(in >> q.density >> q.diameter >> q.shape >> q.haemorrhages >> q.gaps >> q.pattern);
        } else if (kind == "warn") {
            std::string w;
            std::getline(in >> std::ws, w);
            a.pictureWarnings.push_back(w);
        } else {
            ok = false;
        }
        if (!ok) return Status::failure(StatusCode::Failed, strprintf("the assessment's findings are damaged at line %d", number));
    }
    if (!scaled) return Status::failure(StatusCode::Failed, "the assessment's findings have no scale");
    recomputeAssessment(a, a.umPerPixel);
    return a;
}

StoredAssessment storedAssessmentOf(const CapillaryAssessment& a, const std::string& filename,
                                    std::vector<std::string> byHand) {
    StoredAssessment s;
    s.filename = filename;
    s.finger = a.finger;
    const MeasureValues v = assessmentFigures(a);
    for (const Measure& m : v.set().measures)
        if (const auto value = v.value(m.key)) s.figures[m.key] = *value;
    s.byHand = std::move(byHand);
    s.findings = findingsText(a);
    return s;
}

std::vector<std::string> handCorrectedFigures(const CapillaryAssessment& automatic, const CapillaryAssessment& corrected) {
    const MeasureValues before = assessmentFigures(automatic), after = assessmentFigures(corrected);
    std::vector<std::string> changed;
    for (const Measure& m : before.set().measures) {
        const std::string key = m.key;
        // Follow-on figures: the flag itself and the quality say nothing a
        // user corrected.
        if (key == "by_hand" || key == "quality") continue;
        const auto b = before.value(key), c = after.value(key);
        if (b.has_value() != c.has_value() || (b && std::fabs(*b - *c) > 1e-9)) changed.push_back(key);
    }
    return changed;
}

}  // namespace ordavia
