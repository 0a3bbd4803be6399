// Capillary counting in an image document. See CapillaryCountTool.h.
#include "measure/CapillaryCountTool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/MeasureColumns.h"
#include "figures/MeasureCatalogue.h"
#include "measure/CDimLine.h"
#include "measure/ZBasicDoc.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {


// Micrometres in one unit of the calibration; 0 for units that are not lengths.
double micrometresIn(std::string u) {
    for (char& c : u) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (u == "um" || u == "\xc2\xb5m" || u == "\xb5m" || u == "micron" || u == "microns" || u == "micrometre" ||
        u == "micrometer" || u == "micrometres" || u == "micrometers")
        return 1;
    if (u == "mm") return 1000;
    if (u == "cm") return 10000;
    if (u == "nm") return 0.001;
    if (u == "m") return 1e6;
    return 0;
}

// A line's label after a count: "9 capillaries, 9.0/mm".
std::string lineLabel(const CountResult& r) { return strprintf("%d capillaries, %.1f/mm", r.count, r.perMm); }

bool isCountedLine(const CDim& d) {
    int n = 0;
    char rest[32] = {};
    return d.vertexCount() >= 2 && std::sscanf(d.label().c_str(), "%d capillaries%31s", &n, rest) >= 1 &&
           d.label().find(" capillaries") != std::string::npos;
}

uint64_t checksum(const CZVimage& img) {
    uint64_t h = 1469598103934665603ull;
    const size_t n = img.byteCount();
    const uint8_t* p = img.data();
    for (size_t i = 0; i < n; i += 61) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

double distanceToSegment(ZPoint a, ZPoint b, double x, double y, double* along = nullptr) {
    const double ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
    const double t = len2 > 0 ? std::clamp(((x - a.x) * ex + (y - a.y) * ey) / len2, 0.0, 1.0) : 0.0;
    if (along) *along = t;
    return std::hypot(x - (a.x + t * ex), y - (a.y + t * ey));
}

}  // namespace

CapillaryCountTool::CapillaryCountTool(ZBasicDoc& doc) : doc_(doc) {}

bool CapillaryCountTool::isApexMark(const CDim& d) { return d.vertexCount() == 1 && d.colour() == kApexColour; }

bool CapillaryCountTool::setSettings(const CountSettings& s) {
    if (!s.validate()) return false;
    settings_ = s;
    ridgeValid_ = false;
    return true;
}

Status CapillaryCountTool::applySettings(const CountSettings& s, ZPoint a, ZPoint b) {
    CountSettings kept = s;
    const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
    if (s.distal != 0 && len > 0) {
        // Left of the walking direction with y pointing down.
        const double sign = s.distal == 1 ? 1 : -1;
        nailX_ = sign * ey / len;
        nailY_ = -sign * ex / len;
    } else if (s.distal == 0) {
        nailX_ = nailY_ = 0;
    }
    kept.distal = 0;
    if (!setSettings(kept))
        return Status::failure(StatusCode::OutOfRange, "The settings cannot be used: " + s.validate().reason());
    // The counted lines follow the new settings; indexes move as marks
    // come and go, so each line is found afresh.
    std::vector<const CDim*> counted;
    for (const auto& d : doc_.currentDimList().objects())
        if (isCountedLine(*d)) counted.push_back(d.get());
    for (const CDim* line : counted) {
        const auto& objs = doc_.currentDimList().objects();
        const auto it = std::find_if(objs.begin(), objs.end(), [&](const auto& p) { return p.get() == line; });
        if (it == objs.end()) continue;
        if (Result<LineCount> r = countLine(static_cast<int>(it - objs.begin())); !r) return r.status();
    }
    return Status::success();
}

int CapillaryCountTool::nailSideFor(ZPoint a, ZPoint b) const {
    if (settings_.distal != 0) return settings_.distal;
    const double ex = b.x - a.x, ey = b.y - a.y;
    if (nailX_ == 0 && nailY_ == 0) return 0;
    if (ex == 0 && ey == 0) return 0;
    return ey * nailX_ - ex * nailY_ >= 0 ? 1 : 2;
}

bool CapillaryCountTool::micrometresPerPixel(const ZBasicDoc& doc, double& sx, double& sy) {
    if (!doc.calibration().calibrated) return false;
    const double um = micrometresIn(doc.calibration().units);
    sx = doc.calibration().xScale * um;
    sy = doc.calibration().yScale * um;
    return um > 0 && sx > 0 && sy > 0 && std::isfinite(sx) && std::isfinite(sy);
}

namespace {
constexpr const char* kSection = "capillary count";
}

CountSettings CapillaryCountTool::storedSettings(const ProfileStore& p) {
    CountSettings s;
    s.minLimbUm = p.GetDouble(kSection, "narrowest limb", s.minLimbUm);
    s.maxLimbUm = p.GetDouble(kSection, "widest limb", s.maxLimbUm);
    s.backgroundUm = p.GetDouble(kSection, "background", s.backgroundUm);
    s.bandUm = p.GetDouble(kSection, "band", s.bandUm);
    s.minSpacingUm = p.GetDouble(kSection, "spacing", s.minSpacingUm);
    s.threshold = p.GetDouble(kSection, "threshold", s.threshold);
    // A new key: profiles saved before single limbs were on by default
    // wrote 0 under the old one without anyone choosing it.
    s.limbUm = p.GetDouble(kSection, "widest single limb", s.limbUm);
    s.channel = p.GetInt(kSection, "channel", s.channel);
    s.apexes = p.GetInt(kSection, "apexes", s.apexes ? 1 : 0) != 0;
    return s.validate() ? s : CountSettings{};
}

void CapillaryCountTool::storeSettings(const ProfileStore& p, const CountSettings& s) {
    p.WriteDouble(kSection, "narrowest limb", s.minLimbUm);
    p.WriteDouble(kSection, "widest limb", s.maxLimbUm);
    p.WriteDouble(kSection, "background", s.backgroundUm);
    p.WriteDouble(kSection, "band", s.bandUm);
    p.WriteDouble(kSection, "spacing", s.minSpacingUm);
    p.WriteDouble(kSection, "threshold", s.threshold);
    p.WriteDouble(kSection, "widest single limb", s.limbUm);
    p.WriteInt(kSection, "channel", s.channel);
    p.WriteInt(kSection, "apexes", s.apexes ? 1 : 0);
}

const ResultColumn* CapillaryCountTool::resultColumns(size_t& count) {
    static const std::vector<ResultColumn> columns = resultColumnsOf(countMeasures());
    count = columns.size();
    return columns.data();
}

MeasureValues CapillaryCountTool::figures(const CountResult& r, const CountSettings& s, int list, int line) {
    MeasureValues f(countMeasures());
    f.set("list", list).set("line", line).set("count", r.count).set("length_um", r.lengthUm).set("per_mm", r.perMm);
    if (!r.apexDistancesUm.empty()) {
        double sum = 0;
        for (double d : r.apexDistancesUm) sum += d;
        f.set("apex_um", sum / static_cast<double>(r.apexDistancesUm.size()));
    }
    f.set("limb_min_um", s.minLimbUm).set("limb_max_um", s.maxLimbUm).set("band_um", s.bandUm);
    f.set("spacing_um", s.minSpacingUm).set("threshold", s.threshold).set("quality", r.quality);
    return f;
}

std::string CapillaryCountTool::resultText(const CountResult& r, const CountSettings& s, const char* how) {
    const MeasureValues f = figures(r, s, 0, 0);
    std::string t = f.text();
    if (f.value("apex_um")) t += ", apex to apex " + f.withUnit("apex_um", 0);
    // A hand correction knows the marks, not how the picture was read.
    if (*how) return t + how;
    t += strprintf(" (limbs %g-%g um, band %g um, spacing %g um, threshold %g, nail on the %s%s, %s)", s.minLimbUm,
                   s.maxLimbUm, s.bandUm, s.minSpacingUm, s.threshold, r.distalLeft ? "left" : "right",
                   r.distalDecided ? " by the picture" : "", r.green ? "green channel" : "grey");
    t += ", quality " + f.number("quality");
    if (!r.warnings.empty()) t += "; " + countWarningText(r);
    return t;
}

Result<const RidgeImage*> CapillaryCountTool::ridge() {
    if (doc_.image().isEmpty()) return Status::failure(kNoPicture);
    double sx = 0, sy = 0;
    if (!micrometresPerPixel(doc_, sx, sy)) return Status::failure(kNeedsCalibration);
    const uint64_t sum = checksum(doc_.image());
    if (!ridgeValid_ || ridgePixels_ != doc_.image().data() || ridgeWidth_ != doc_.image().width() ||
        ridgeHeight_ != doc_.image().rows() || ridgeSx_ != sx || ridgeSy_ != sy || ridgeChecksum_ != sum) {
        ridge_ = ridgeImage(doc_.image(), sx, sy, settings_);
        ridgeValid_ = true;
        ridgePixels_ = doc_.image().data();
        ridgeWidth_ = doc_.image().width();
        ridgeHeight_ = doc_.image().rows();
        ridgeSx_ = sx;
        ridgeSy_ = sy;
        ridgeChecksum_ = sum;
    }
    return &ridge_;
}

int CapillaryCountTool::ridgeOriginX() const { return doc_.image().originX(); }
int CapillaryCountTool::ridgeOriginY() const { return doc_.image().originY(); }

Result<CountResult> CapillaryCountTool::preview(ZPoint a, ZPoint b) {
    Result<const RidgeImage*> r = ridge();
    if (!r) return r.status();
    // Document coordinates are the parent frame's; the ridge image starts
    // at the picture's origin.
    const double ox = doc_.image().originX(), oy = doc_.image().originY();
    CountSettings s = settings_;
    s.distal = nailSideFor(a, b);
    CountResult res = countAlongLine(**r, {a.x - ox, a.y - oy}, {b.x - ox, b.y - oy}, s);
    for (auto& p : res.crossings) p = {p.x + ox, p.y + oy};
    for (auto& p : res.apexes) p = {p.x + ox, p.y + oy};
    return res;
}

std::vector<int> CapillaryCountTool::marksOn(const CDim& line) const { return marksAlong(line, false, 1.5); }

std::vector<int> CapillaryCountTool::apexMarksOf(const CDim& line) const {
    return marksAlong(line, true, settings_.bandUm + 160);
}

std::vector<int> CapillaryCountTool::marksAlong(const CDim& line, bool apexes, double reach) const {
    const CDimList& list = doc_.currentDimList();
    const ZPoint a = line.getVertex(0), b = line.getVertex(line.vertexCount() - 1);
    std::vector<std::pair<double, int>> found;
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        if (!d || d->vertexCount() != 1 || isApexMark(*d) != apexes) continue;
        const ZPoint p = d->getVertex(0);
        double t = 0;
        if (distanceToSegment(a, b, p.x, p.y, &t) <= reach) found.push_back({t, i});
    }
    std::sort(found.begin(), found.end());
    std::vector<int> out;
    for (const auto& f : found) out.push_back(f.second);
    return out;
}

void CapillaryCountTool::record(int lineIndex, const CountResult& r, const char* how) {
    CDim* line = doc_.currentDimList().at(lineIndex);
    if (line) line->setLabel(lineLabel(r));
    const std::string text = resultText(r, settings_, how);
    doc_.result = text;
    doc_.appendHistory(text + "\r\n");
    if (table_) {
        const ResultRecord rec = resultRecordOf(figures(r, settings_, doc_.currentList(), lineIndex + 1),
                                                doc_.GetPathName().empty() ? doc_.GetTitle() : doc_.GetPathName(), "um");
        // The count stands on the picture; the user is told that the
        // table (full, or closed meanwhile) did not take it.
        if (!table_->addRow(rec)) {
            debugLog("CapillaryCountTool::record row refused\n");
            doc_.services().prompter().messageBox(strprintf(kRowRefused, kResultTitle), MsgButtons::Ok,
                                                  MsgIcon::Warning);
        }
    }
    doc_.markEdited();
    doc_.UpdateAllViews();
}

Result<CapillaryCountTool::LineCount> CapillaryCountTool::countLine(int index) {
    CDimList& list = doc_.currentDimList();
    const CDim* line = list.at(index);
    if (!line || line->vertexCount() < 2) return Status::failure(kNoLine);
    const ZPoint a = line->getVertex(0), b = line->getVertex(line->vertexCount() - 1);
    Result<CountResult> r = preview(a, b);
    if (!r) return r.status();

    // A recount replaces the earlier marks of this line (and their apexes,
    // which sit within the band beside it).
    std::vector<int> old = marksOn(*line);
    if (isCountedLine(*line))
        for (int i : apexMarksOf(*line)) old.push_back(i);
    std::vector<std::pair<CountPoint, uint32_t>> marks;
    for (const CountPoint& p : r->crossings) marks.push_back({p, kMarkColour});
    if (settings_.apexes)
        for (const CountPoint& p : r->apexes) marks.push_back({p, kApexColour});
    doc_.rememberForUndo();
    const int lineAt = replaceMarks(index, old, marks);
    list.setCurrent(lineAt);
    record(lineAt, *r, "");
    return LineCount{lineAt, std::move(*r)};
}

int CapillaryCountTool::replaceMarks(int lineAt, std::vector<int> remove,
                                     const std::vector<std::pair<CountPoint, uint32_t>>& add) {
    // Straight on the list: the document's own edits would each take the
    // undo copy, and one undo would then bring back only the last of them.
    CDimList& list = doc_.currentDimList();
    std::sort(remove.rbegin(), remove.rend());
    remove.erase(std::unique(remove.begin(), remove.end()), remove.end());
    for (int i : remove) {
        list.remove(i);
        if (i < lineAt) --lineAt;
    }
    for (const auto& [p, colour] : add) {
        auto m = std::make_unique<CDimLine>();
        m->setColour(colour);
        (void)m->addVertex(ZPoint{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
        list.add(std::move(m));
    }
    return lineAt;
}

Result<CapillaryCountTool::LineCount> CapillaryCountTool::countCurrentLine() {
    const CDimList& list = doc_.currentDimList();
    if (const CDim* c = list.currentObject(); c && c->vertexCount() >= 2) return countLine(list.current());
    for (int i = list.count() - 1; i >= 0; --i)
        if (list.at(i)->vertexCount() >= 2 && dynamic_cast<const CDimLine*>(list.at(i))) return countLine(i);
    return Status::failure(kNoLine);
}

Result<std::vector<CapillaryCountTool::LineCount>> CapillaryCountTool::countAllLines() {
    std::vector<const CDim*> lines;
    for (const auto& d : doc_.currentDimList().objects())
        if (d->vertexCount() >= 2 && dynamic_cast<const CDimLine*>(d.get())) lines.push_back(d.get());
    if (lines.empty()) return Status::failure(kNoLine);
    std::vector<LineCount> out;
    // Indexes move as marks come and go; find each line afresh.
    for (const CDim* line : lines) {
        const auto& objs = doc_.currentDimList().objects();
        const auto it = std::find_if(objs.begin(), objs.end(), [&](const auto& p) { return p.get() == line; });
        if (it == objs.end()) continue;
        Result<LineCount> r = countLine(static_cast<int>(it - objs.begin()));
        if (!r) return r.status();
        out.push_back(std::move(*r));
    }
    return out;
}

bool CapillaryCountTool::correctAt(ZPoint p) {
    CDimList& list = doc_.currentDimList();
    int best = -1;
    double bestDistance = kClickReachPx;
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        if (!d || !isCountedLine(*d)) continue;
        const double dist = distanceToSegment(d->getVertex(0), d->getVertex(d->vertexCount() - 1), p.x, p.y);
        if (dist <= bestDistance) {
            bestDistance = dist;
            best = i;
        }
    }
    if (best < 0) return false;
    const CDim* line = list.at(best);
    const ZPoint a = line->getVertex(0), b = line->getVertex(line->vertexCount() - 1);
    CountResult r;
    double sx = 1, sy = 1;
    if (!micrometresPerPixel(doc_, sx, sy)) return false;
    r.umPerPixelX = sx;
    r.umPerPixelY = sy;
    r.lengthUm = std::hypot((b.x - a.x) * sx, (b.y - a.y) * sy);
    const std::vector<int> marks = marksOn(*line);
    for (int i : marks) {
        const ZPoint q = list.at(i)->getVertex(0);
        r.crossings.push_back({double(q.x), double(q.y)});
    }
    // Apexes pair with the crossings in order along the line; when they do
    // not (marks deleted one by one in the list), the distances are left out
    // rather than guessed.
    std::vector<int> apexMarks = apexMarksOf(*line);
    if (apexMarks.size() != marks.size()) apexMarks.clear();
    for (int i : apexMarks) {
        const ZPoint q = list.at(i)->getVertex(0);
        r.apexes.push_back({double(q.x), double(q.y)});
    }
    const size_t before = r.crossings.size();
    const bool removed = toggleCrossing(r, {double(a.x), double(a.y)}, {double(b.x), double(b.y)},
                                        {double(p.x), double(p.y)}, 6);
    std::vector<int> gone;
    std::vector<std::pair<CountPoint, uint32_t>> added;
    if (removed) {
        // The one toggleCrossing dropped is the mark no longer in r; its
        // apex goes with it.
        for (size_t k = 0; k < before; ++k) {
            const ZPoint q = list.at(marks[k])->getVertex(0);
            const bool kept = std::any_of(r.crossings.begin(), r.crossings.end(),
                                          [&](const CountPoint& c) { return c.x == q.x && c.y == q.y; });
            if (!kept) {
                gone.push_back(marks[k]);
                if (k < apexMarks.size()) gone.push_back(apexMarks[k]);
                break;
            }
        }
    } else {
        const CountPoint mark = *std::find_if(r.crossings.begin(), r.crossings.end(), [&](const CountPoint& c) {
            return std::none_of(marks.begin(), marks.end(), [&](int i) {
                const ZPoint q = list.at(i)->getVertex(0);
                return c.x == q.x && c.y == q.y;
            });
        });
        added.push_back({mark, kMarkColour});
        // A capillary marked by hand has no traced apex: the mark stands for
        // it, so that the pairs stay whole for the next correction.
        if (!apexMarks.empty()) added.push_back({mark, kApexColour});
    }
    // One undo step brings back the marks and the label together.
    doc_.rememberForUndo();
    const int lineAt = replaceMarks(best, gone, added);
    // The nail side and channel are not known again here; the text says
    // what was counted by hand.
    r.distalDecided = false;
    record(lineAt, r, removed ? " - a mark removed by hand" : " - a mark added by hand");
    return true;
}

}  // namespace ordavia
