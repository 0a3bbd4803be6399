#include "measure/AssessmentRecord.h"

#include <cmath>
#include <sstream>

#include "base/Text.h"

namespace ordavia {

namespace {

constexpr const char* kHeader = "ordavia assessment 1";
constexpr size_t kMostItems = 100000;

std::string num(double v) { return std::isfinite(v) ? strprintf("%.8g", v) : std::string("nan"); }

// Numbers of one line; false when a word is not a number (or an
// unexpected nan/inf).
bool numbers(std::istringstream& in, std::vector<double>& out, bool nanAllowedFirst = false) {
    std::string w;
    out.clear();
    while (in >> w) {
        if (w == "nan" && nanAllowedFirst && out.size() == 2) {
            out.push_back(std::nan(""));
            continue;
        }
        char* end = nullptr;
        const double v = std::strtod(w.c_str(), &end);
        if (!end || *end || !std::isfinite(v)) return false;
        out.push_back(v);
    }
    return true;
}

}  // namespace

std::string assessmentRecord(const CapillaryAssessment& a) {
    std::string t = std::string(kHeader) + "\n";
    t += "finger " + a.finger + "\n";
    t += "scale " + num(a.umPerPixel) + " " + (a.calibrated ? "1" : "0") + " " + (a.colour ? "1" : "0") + "\n";
    t += "line " + num(a.lineFrom.x) + " " + num(a.lineFrom.y) + " " + num(a.lineTo.x) + " " + num(a.lineTo.y) + " " +
         (a.lineAutomatic ? "1" : "0") + "\n";
    t += std::string("removed ") + (a.handRemoved ? "1" : "0") + "\n";
    const AssessmentQuality& q = a.pictureQuality;
    t += "quality " + num(q.density) + " " + num(q.diameter) + " " + num(q.shape) + " " + num(q.haemorrhages) + " " +
         num(q.gaps) + "\n";
    for (const std::string& w : a.pictureWarnings) t += "warning " + w + "\n";
    for (const AssessedCapillary& c : a.capillaries)
        t += "cap " + num(c.apex.x) + " " + num(c.apex.y) + " " + num(c.apexUm) + " " + (c.giant ? "1" : "0") + " " +
             (c.dilated ? "1" : "0") + " " + std::to_string(static_cast<int>(c.shape)) + " " + (c.byHand ? "1" : "0") + " " +
             num(c.widthFrom.x) + " " + num(c.widthFrom.y) + " " + num(c.widthTo.x) + " " + num(c.widthTo.y) + "\n";
    for (const Haemorrhage& h : a.haemorrhages) {
        t += "haem " + num(h.centre.x) + " " + num(h.centre.y) + " " + num(h.areaUm2) + " " + (h.byHand ? "1" : "0") + " " +
             std::to_string(h.outline.size());
        for (const AssessPoint& p : h.outline) t += " " + num(p.x) + " " + num(p.y);
        t += "\n";
    }
    return t;
}

Result<CapillaryAssessment> readAssessmentRecord(const std::string& text) {
    CapillaryAssessment a;
    std::istringstream lines(text);
    std::string line;
    int no = 0;
    auto bad = [&](const std::string& why) {
        return Status::failure(StatusCode::BadFormat, strprintf("assessment record, line %d: %s", no, why.c_str()));
    };
    if (!std::getline(lines, line) || line != kHeader) return Status::failure(StatusCode::BadFormat, "not an assessment record");
    ++no;
    bool scaled = false, lined = false;
    std::vector<double> v;
    while (std::getline(lines, line)) {
        ++no;
        if (line.empty()) continue;
        const size_t sp = line.find(' ');
        const std::string key = line.substr(0, sp);
        const std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
        if (key == "finger") {
            if (rest.size() > 16) return bad("finger name too long");
            a.finger = rest;
            continue;
        }
        if (key == "warning") {
            if (a.pictureWarnings.size() >= 64) return bad("too many warnings");
            a.pictureWarnings.push_back(rest);
            continue;
        }
        std::istringstream in(rest);
        if (!numbers(in, v, key == "cap")) return bad("a value that is not a number");
        auto flag = [](double d) { return d == 0 || d == 1; };
        if (key == "scale") {
            if (v.size() != 3 || !(v[0] > 0) || !flag(v[1]) || !flag(v[2])) return bad("scale UM CALIBRATED COLOUR");
            a.umPerPixel = v[0];
            a.calibrated = v[1] != 0;
            a.colour = v[2] != 0;
            scaled = true;
        } else if (key == "line") {
            if (v.size() != 5 || !flag(v[4])) return bad("line X1 Y1 X2 Y2 AUTOMATIC");
            a.lineFrom = {v[0], v[1]};
            a.lineTo = {v[2], v[3]};
            a.lineAutomatic = v[4] != 0;
            lined = true;
        } else if (key == "removed") {
            if (v.size() != 1 || !flag(v[0])) return bad("removed 0 or 1");
            a.handRemoved = v[0] != 0;
        } else if (key == "quality") {
            if (v.size() != 5) return bad("five qualities");
            for (double q : v)
                if (q < 0 || q > 1) return bad("a quality outside 0..1");
            a.pictureQuality = {};
            a.pictureQuality.density = v[0];
            a.pictureQuality.diameter = v[1];
            a.pictureQuality.shape = v[2];
            a.pictureQuality.haemorrhages = v[3];
            a.pictureQuality.gaps = v[4];
        } else if (key == "cap") {
            if (v.size() != 11 || !flag(v[3]) || !flag(v[4]) || !flag(v[6]) || v[5] < 0 || v[5] > 4 || v[5] != std::floor(v[5]))
                return bad("cap X Y APEX_UM GIANT DILATED SHAPE BYHAND FX FY TX TY");
            if (a.capillaries.size() >= kMostItems) return bad("too many capillaries");
            AssessedCapillary c;
            c.apex = {v[0], v[1]};
            c.apexUm = v[2];
            c.giant = v[3] != 0;
            c.dilated = v[4] != 0;
            c.shape = static_cast<CapillaryShape>(static_cast<int>(v[5]));
            c.byHand = v[6] != 0;
            c.widthFrom = {v[7], v[8]};
            c.widthTo = {v[9], v[10]};
            a.capillaries.push_back(c);
        } else if (key == "haem") {
            if (v.size() < 5 || !flag(v[3]) || v[4] < 0 || v[4] != std::floor(v[4]) ||
                v.size() != 5 + 2 * static_cast<size_t>(v[4]))
                return bad("haem X Y AREA BYHAND N and N points");
            if (a.haemorrhages.size() >= kMostItems) return bad("too many haemorrhages");
            Haemorrhage h;
            h.centre = {v[0], v[1]};
            h.areaUm2 = v[2];
            h.byHand = v[3] != 0;
            for (size_t i = 5; i + 1 < v.size(); i += 2) h.outline.push_back({v[i], v[i + 1]});
            a.haemorrhages.push_back(std::move(h));
        } else {
            return bad("unknown item \"" + key + "\"");
        }
    }
    if (!scaled || !lined) return Status::failure(StatusCode::BadFormat, "assessment record without its scale or line");
    recomputeAssessment(a, a.umPerPixel);
    return a;
}

}  // namespace ordavia
