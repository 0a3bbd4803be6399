#include "video/FcdTool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "figures/MeasureCatalogue.h"
#include "results/MeasureColumns.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "measure/CDimCircle.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "settings/ProfileStore.h"
#include "video/fcfdoc.h"

namespace ordavia {

namespace {

// The pixels of a region row by row: for row y, the runs [x0, x1) whose
// centres (x + 0.5, y + 0.5) lie inside. Rectangles and the region of
// interest take their pixels as drawn (right and bottom exclusive).
class RegionRows {
public:
    explicit RegionRows(const ZRect& r) : rect_(r.normalized()), bounds_(rect_) {}
    explicit RegionRows(const CDim& d) {
        if (const auto* r = dynamic_cast<const CDimRect*>(&d)) {
            rect_ = r->boundingRect().normalized();
            bounds_ = rect_;
        } else if (const auto* c = dynamic_cast<const CDimCircle*>(&d)) {
            const ZPoint a = d.vertices()[0], b = d.vertices()[1];
            circle_ = true;
            cx_ = (a.x + b.x) / 2.0;
            cy_ = (a.y + b.y) / 2.0;
            radius_ = c->radius();
            bounds_ = ZRect{int(std::floor(cx_ - radius_)), int(std::floor(cy_ - radius_)),
                            int(std::ceil(cx_ + radius_)) + 1, int(std::ceil(cy_ + radius_)) + 1};
        } else {
            polygon_ = d.vertices();
            ZRect b{polygon_[0].x, polygon_[0].y, polygon_[0].x, polygon_[0].y};
            for (const ZPoint& p : polygon_)
                b = ZRect{std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y)};
            bounds_ = b;
        }
    }
    const ZRect& bounds() const { return bounds_; }

    // Calls f(x0, x1) for each run of row y.
    template <class F>
    void row(int y, F f) const {
        const double yc = y + 0.5;
        if (circle_) {
            const double dy = yc - cy_, h2 = radius_ * radius_ - dy * dy;
            if (h2 < 0) return;
            const double h = std::sqrt(h2);
            // Centres x + 0.5 within [cx - h, cx + h].
            const int x0 = int(std::ceil(cx_ - h - 0.5)), x1 = int(std::floor(cx_ + h - 0.5)) + 1;
            if (x1 > x0) f(x0, x1);
        } else if (!polygon_.empty()) {
            // Even-odd crossings of the closed outline with the row's centre line.
            crossings_.clear();
            const size_t n = polygon_.size();
            for (size_t i = 0; i < n; ++i) {
                const ZPoint a = polygon_[i], b = polygon_[(i + 1) % n];
                if ((a.y <= yc) == (b.y <= yc)) continue;
                crossings_.push_back(a.x + (yc - a.y) * (b.x - a.x) / double(b.y - a.y));
            }
            std::sort(crossings_.begin(), crossings_.end());
            for (size_t i = 0; i + 1 < crossings_.size(); i += 2) {
                const int x0 = int(std::ceil(crossings_[i] - 0.5)), x1 = int(std::ceil(crossings_[i + 1] - 0.5));
                if (x1 > x0) f(x0, x1);
            }
        } else if (y >= rect_.top && y < rect_.bottom && !rect_.isEmpty()) {
            f(rect_.left, rect_.right);
        }
    }

private:
    ZRect rect_, bounds_;
    bool circle_ = false;
    double cx_ = 0, cy_ = 0, radius_ = 0;
    std::vector<ZPoint> polygon_;
    mutable std::vector<double> crossings_;
};

std::string regionName(const CDim& d, int index) {
    const char* kind = dynamic_cast<const CDimCircle*>(&d) ? "circle" : dynamic_cast<const CDimRect*>(&d) ? "rectangle"
                                                                                                         : "polygon";
    return strprintf("%s %s", kind, CDimList::prefixText(index).c_str());
}

bool ourLabel(const std::string& label) { return label.rfind("FCD ", 0) == 0; }

}  // namespace

FcdSettings FcdTool::storedSettings(const ProfileStore& p) {
    FcdSettings s;
    std::string type = p.GetString(kSection, kTypeKey, kAuto);
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    s.manual = type == kManual;
    const double level = p.GetDouble(kSection, kLevelKey, kDefaultLevel);
    s.level = std::isfinite(level) && level >= 0 ? level : kDefaultLevel;
    return s;
}

void FcdTool::storeSettings(const ProfileStore& p, const FcdSettings& s) {
    p.WriteString(kSection, kTypeKey, s.manual ? kManual : kAuto);
    if (std::isfinite(s.level) && s.level >= 0) p.WriteDouble(kSection, kLevelKey, s.level);
}

bool FcdTool::isArea(const CDim& d) {
    if (dynamic_cast<const CDimRect*>(&d) || dynamic_cast<const CDimCircle*>(&d))
        return d.vertexCount() == 2 && d.vertices()[0] != d.vertices()[1];
    return dynamic_cast<const CDimPolygon*>(&d) && d.vertexCount() >= 3;
}

Result<FcdResult> FcdTool::measure(const FcdSettings& s) const {
    if (!doc_.hasStatistics()) return Status::failure(kNoStatistics);
    FcdResult out;
    const CDimList& list = doc_.currentDimList();
    const CDim* current = list.currentObject();
    const bool byObject = current && isArea(*current);
    if (!byObject && doc_.marks().roi.normalized().isEmpty()) return Status::failure(kNoRegion);
    const RegionRows region = byObject ? RegionRows(*current) : RegionRows(doc_.marks().roi);
    out.region = byObject ? regionName(*current, list.current()) : std::string("region of interest");
    out.level = s.manual && std::isfinite(s.level) ? std::max(0.0, s.level) : 0.0;

    const int w = doc_.arrayWidth(), h = doc_.arrayHeight();
    const int ox = doc_.image().originX(), oy = doc_.image().originY();
    const ZRect picture{ox, oy, ox + w, oy + h};
    const ZRect rows = region.bounds().intersected(picture);
    const std::vector<double>& ratio = doc_.ratio();
    const std::vector<double>& sdD = doc_.sdDifference();
    const std::vector<double>& sdI = doc_.sdIntensity();
    if (ratio.size() < size_t(w) * size_t(h)) return Status::failure(kNoStatistics);
    double sr = 0, sf = 0, sc = 0;
    ZRect box;
    for (int y = rows.top; y < rows.bottom; ++y) {
        region.row(y, [&](int x0, int x1) {
            x0 = std::max(x0, picture.left);
            x1 = std::min(x1, picture.right);
            if (x1 <= x0) return;
            const size_t o = size_t(y - oy) * size_t(w) + size_t(x0 - ox);
            for (size_t k = o; k < o + size_t(x1 - x0); ++k) {
                out.functional += ratio[k] > out.level;
                sr += ratio[k];
                sf += sdD[k];
                sc += sdI[k];
            }
            box = out.pixels == 0 ? ZRect{x0, y, x1, y + 1}
                                  : ZRect{std::min(box.left, x0), box.top, std::max(box.right, x1), y + 1};
            out.pixels += x1 - x0;
        });
    }
    if (out.pixels == 0) return Status::failure(kOutside);
    const double n = double(out.pixels);
    out.bounds = box;
    out.density = double(out.functional) * 100.0 / n;
    out.fcf = sr / n;
    out.flux = sf / n;
    out.conc = sc / n;
    return out;
}

Result<FcdResult> FcdTool::mark(const FcdSettings& s) {
    Result<FcdResult> m = measure(s);
    if (!m) return m;
    const FcdResult& r = *m;
    doc_.rememberForUndo();
    doc_.setMarkedDensity(r.density);
    const std::string rule = s.manual ? strprintf("manual, flow ratio above %.2f", r.level)
                                      : strprintf("auto, threshold %.1f", doc_.threshold());
    doc_.appendHistory(strprintf(fcfdoc::kDensityText, r.density) +
                       strprintf(" (%s: %lld of %lld pixels, %s)\r\n", r.region.c_str(),
                                 static_cast<long long>(r.functional), static_cast<long long>(r.pixels), rule.c_str()));

    // The label on the region; a label of the user's own stays.
    const std::string label = strprintf(kLabel, r.density);
    CDimList& list = doc_.currentDimList();
    CDim* current = list.currentObject();
    if (current && isArea(*current)) {
        if (current->label().empty() || ourLabel(current->label())) current->setLabel(label);
    } else {
        const ZRect roi = doc_.marks().roi.normalized();
        CDim* same = nullptr;
        for (const auto& o : list.objects())
            if (auto* rect = dynamic_cast<CDimRect*>(o.get());
                rect && ourLabel(rect->label()) && rect->boundingRect().normalized() == roi)
                same = rect;
        if (!same) {
            auto rect = CDimList::create(CDimList::kRectangle);
            rect->setColour(list.defaultColour());
            rect->setWidth(list.defaultWidth());
            rect->addVertex(ZPoint{roi.left, roi.top});
            rect->addVertex(ZPoint{roi.right, roi.bottom});
            same = rect.get();
            (void)list.add(std::move(rect));
        }
        same->setLabel(label);
    }

    if (ResultTables* tables = ResultTables::of(doc_.services())) {
        const double sx = doc_.xScaleInEffect(), sy = doc_.yScaleInEffect();
        // The area is that of the counted pixels, which for a rectangle is
        // width x height.
        MeasureValues f(fcfMeasures(), doc_.unitsInEffect());
        f.set("width", r.bounds.width() * sx).set("height", r.bounds.height() * sy).set("area", double(r.pixels) * sx * sy);
        f.set("FCF", r.fcf).set("FCD (%)", r.density).set("flux", r.flux).set("conc", r.conc);
        f.set("threshold", doc_.threshold());
        const ResultRecord row = resultRecordOf(f, doc_.GetPathName().empty() ? doc_.GetTitle() : doc_.GetPathName(),
                                                doc_.unitsInEffect());
        CResultDoc* table = tables->open(ResultTitles::kFcf);
        if (!table || !table->addRow(row)) {
            doc_.markEdited();
            doc_.UpdateAllViews();
            return Status::failure(StatusCode::OutOfRange,
                                   strprintf(fcfdoc::kDensityText, r.density) +
                                       std::string("\nThe row could not be added to the results table \"") +
                                       ResultTitles::kFcf + "\".");
        }
    }
    doc_.markEdited();
    doc_.UpdateAllViews();
    return m;
}

Result<FcdResult> FcdTool::run(Prompter& prompter, const ProfileStore& profile) {
    FcdSettings s = storedSettings(profile);
    if (s.manual) {
        auto level = prompter.promptDouble(kCommand, kLevelPrompt, s.level, 0, 1000, 2);
        if (!level) return Status::cancelled();
        s.level = *level;
        storeSettings(profile, s);
    }
    Result<FcdResult> r = mark(s);
    if (!r) {
        prompter.messageBox(r.reason(), MsgButtons::Ok, MsgIcon::Information);
        return r;
    }
    prompter.messageBox(strprintf(fcfdoc::kDensityText, r->density) +
                            strprintf("\n%lld of %lld pixels of the %s", static_cast<long long>(r->functional),
                                      static_cast<long long>(r->pixels), r->region.c_str()),
                        MsgButtons::Ok, MsgIcon::Information);
    return r;
}

}  // namespace ordavia
