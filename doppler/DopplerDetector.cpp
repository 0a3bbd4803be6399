#include "doppler/DopplerDetector.h"

#include <algorithm>
#include <cmath>

#include "settings/StartupSettings.h"

namespace ordavia {

int DopplerDetector::edgeOf(const double* p, int n, double threshold, int run) {
    run = std::max(run, 1);
    int length = 0, start = 0;
    for (int i = n - 1; i >= 1; --i) {
        if (p[i] > threshold) {
            if (length == 0) start = i;
            if (++length >= run) return start;
        } else {
            length = 0;
        }
    }
    return 0;
}

void DopplerDetector::updateNoiseFloor(const double* p, int n, int32_t& threshold, const StartupSettings& s) {
    constexpr int kTop = 16;
    if (n < kTop) return;
    double m = 0.0;
    for (int i = n - kTop; i < n; ++i) m += p[i];
    m /= kTop;
    double ss = 0.0;
    for (int i = n - kTop; i < n; ++i) ss += (p[i] - m) * (p[i] - m);
    const double sd = std::sqrt(ss / (kTop - 1));
    const int rc = std::max(s.noisefloorRC, 1);
    floor_ += (s.threshOfAv2 * sd * 0.01 + m - floor_) / rc;
    threshold = static_cast<int32_t>(std::clamp(floor_, -2147483648.0, 2147483647.0));
}

double DopplerDetector::FindDopplerShift(double* p, int n, int32_t& threshold, const StartupSettings& s) {
    if (!p || n < 2) return 0.0;
    if (s.autonoise) updateNoiseFloor(p, n, threshold, s);
    const double T = threshold;
    switch (static_cast<DopplerMethod>(s.cbvMethod)) {
    case DopplerMethod::Maximum:
    case DopplerMethod::Peak: {
        int result = edgeOf(p, n, T, s.nOverThresh);
        if (s.cbvMethod == 1 && result > 0) {
            const int edge = result;
            double best = 0.0;
            result = 0;
            for (int i = edge; i >= edge / 2 + 1; --i)
                if (p[i] > best) {
                    best = p[i];
                    result = i;
                }
        }
        if (s.cutDopTop) std::fill(p + result + 1, p + n, 0.0);
        return result;
    }
    case DopplerMethod::PercentOfPower: {
        double total = 0.0;
        for (int i = 1; i < n; ++i) total += p[i];
        if (!(total / (n - 1) > s.minThreshold)) return 0.0;
        const double target = T * total * 0.01;
        double sum = 0.0;
        for (int i = 1; i < n; ++i) {
            sum += p[i];
            if (sum > target) return i + 0.5;
        }
        return 0.0;
    }
    case DopplerMethod::Average: {
        double total = 0.0, moment = 0.0;
        for (int i = 1; i < n; ++i) {
            total += p[i];
            moment += i * p[i];
        }
        return total / n > T && total > 0 ? moment / total : 0.0;
    }
    case DopplerMethod::Automatic:
        return automatic(p, n, threshold, s);
    }
    return 0.0;
}

double DopplerDetector::automatic(double* p, int n, int32_t threshold, const StartupSettings& s) {
    const double T = threshold;
    double* q = p;
    const bool copied = s.keepDop != 0;
    if (copied) {
        // Grows with the longest spectrum seen and is never shrunk.
        if (copy_.size() < size_t(n)) copy_.resize(size_t(n));
        std::copy(p, p + n, copy_.begin());
        q = copy_.data();
    }
    const int edge = edgeOf(q, n, T, s.nOverThresh);
    int limit = 0;
    if (edge > 0) {
        const double e = edge;
        const int q1 = edge / 4, q2 = edge / 2, q3 = 3 * edge / 4;
        for (int i = 0; i < q1; ++i) q[i] *= i * s.ped1 * 0.04 / e;
        for (int i = q1; i < q2; ++i) q[i] *= i * s.ped2 * 0.04 / e + (s.ped1 - s.ped2) * 0.01;
        for (int i = q2; i < q3; ++i) q[i] *= i * s.ped3 * 0.04 / e + (s.ped2 - s.ped3) * 0.01;
        std::fill(q + edge + 1, q + n, 0.0);
        limit = std::min(edge + 1, n - 1);
    } else {
        std::fill(q, q + n, 0.0);
    }
    int result = 0;
    double best = T;
    for (int i = 1; i <= limit; ++i)
        if (q[i] > best) {
            best = q[i];
            result = i;
        }
    if (s.cutDopTop) {
        const int last = copied ? n - 1 : limit;
        for (int i = result + 1; i <= last; ++i) p[i] = 0.0;
    }
    return result;
}

}  // namespace ordavia
