#include "measure/CDimLine.h"

#include <cmath>
#include <numbers>

#include "measure/DimMath.h"
#include "settings/DebugLog.h"

using namespace ordavia;

CDimLine::CDimLine() = default;
CDimLine::~CDimLine() = default;

std::unique_ptr<CDim> CDimLine::clone() const { return cloneInto(std::make_unique<CDimLine>()); }

void CDimLine::update() {
    band_.clear();
    const size_t n = vertices_.size();
    if (n < 2) return;
    std::vector<ZPoint> left(n), right(n);
    const int half = width() / 2;
    const double exactHalf = width() / 2.0;
    for (size_t i = 0; i < n; ++i) {
        // The last vertex takes the direction of the segment that ends there.
        const size_t s = i + 1 < n ? i : n - 2;
        const ZPoint a = vertices_[s], b = vertices_[s + 1];
        const int64_t dx = static_cast<int64_t>(b.x) - a.x, dy = static_cast<int64_t>(b.y) - a.y;
        // Offset to the left of the direction of travel: (-sin, cos) * half.
        int64_t ox, oy;
        if (dy == 0) {
            // Axis-parallel segments use the half width exactly; the
            // trigonometric path could land a hair below it and truncate.
            ox = 0;
            oy = dx >= 0 ? half : -half;
        } else if (dx == 0) {
            ox = dy > 0 ? -half : half;
            oy = 0;
        } else {
            const double a = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
            ox = DimMath::truncToInt(-exactHalf * std::sin(a));
            oy = DimMath::truncToInt(exactHalf * std::cos(a));
        }
        left[i] = DimMath::offsetPoint(vertices_[i], ox, oy);
        right[i] = DimMath::offsetPoint(vertices_[i], -ox, -oy);
    }
    band_.reserve(2 * n);
    band_.insert(band_.end(), left.begin(), left.end());
    band_.insert(band_.end(), right.rbegin(), right.rend());
}

double CDimLine::tortuosityRatio() const {
    const int n = vertexCount();
    if (n < 3) return 1.0;
    const double chord = distance(0, n - 1, 1.0, 1.0);
    // A path that returns to its start has no finite ratio; report none
    // rather than poison the sums of a whole list with infinity.
    if (chord == 0.0) return 0.0;
    return pathLength(0, n - 1, 1.0, 1.0) / chord;
}

// Walks the line and splits it into curves wherever it turns the other way
// by more than the minimum angle. Each curve longer than the minimum curve
// length contributes its own arc-over-chord excess; the sum is weighted by
// the number of curves and normalised by the total length.
double CDimLine::tortuosity(double xs, double ys, int& curveCount, const TortuosityParams& params) const {
    curveMarks_.clear();
    curveCount = 0;
    const int n = vertexCount();
    if (n < 3) return 0.0;

    const double minTurn = params.minAngle * std::numbers::pi / 180.0;
    int anchor = 0, curveStart = 0;
    double previousAngle = angle(0, 1, xs, ys);
    double curveLength = 0.0, total = 0.0, sum = 0.0;
    int count = 0;
    bool haveSign = false, sign = false;
    curveMarks_.push_back(vertices_[0]);

    for (int k = 1; k < n; ++k) {
        const bool last = k == n - 1;
        const double d = distance(anchor, k, xs, ys);
        if (!(d > params.minLength || last)) continue;
        total += d;
        const double a = angle(anchor, k, xs, ys);
        double turn = a - previousAngle;
        if (turn > std::numbers::pi) turn -= 2.0 * std::numbers::pi;
        else if (turn < -std::numbers::pi) turn += 2.0 * std::numbers::pi;
        if (params.log)
            debugLog("CDimLine::tortuosity k=%i d=%f angle=%f turn=%f curve=%f\n", k, d, a, turn, curveLength);
        if (std::fabs(turn) > minTurn || last) {
            const bool turnSign = turn > 0;
            if (!haveSign) {
                haveSign = true;
                sign = turnSign;
            } else if (turnSign != sign || last) {
                const double chord = distance(curveStart, anchor, xs, ys);
                // A curve that comes back to its start has no chord to divide by.
                if (curveLength > params.minCurveLength && chord > 0.0) {
                    ++count;
                    sum += curveLength / chord - 1.0;
                    if (params.log)
                        debugLog("CDimLine::tortuosity curve %i from %i to %i length %f chord %f\n", count,
                                 curveStart, anchor, curveLength, chord);
                }
                curveMarks_.push_back(vertices_[static_cast<size_t>(anchor)]);
                curveLength = 0.0;
                curveStart = anchor;
                sign = turnSign;
            }
        }
        curveLength += d;
        anchor = k;
        previousAngle = a;
    }
    curveCount = count;
    return count > 1 ? (count - 1) * sum / total : 0.0;
}
