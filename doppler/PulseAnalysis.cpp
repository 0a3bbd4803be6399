#include "doppler/PulseAnalysis.h"

#include <cmath>
#include <deque>

#include "doppler/PulseAccumulator.h"

namespace ordavia {

PulseMarks classifyPulses(const std::vector<double>& v, int w) {
    PulseMarks m;
    const size_t n = v.size();
    m.systolic.assign(n, 0.0);
    m.diastolic.assign(n, 0.0);
    if (w < 1 || n < size_t(2 * w + 1)) return m;
    // Monotonic queues of the window's largest and smallest values: each
    // centre is judged in constant time on long recordings. A centre is a
    // peak when the window's maximum equals it (no other value greater).
    std::deque<size_t> hi, lo;
    const size_t span = size_t(2 * w + 1);
    for (size_t i = 0; i < n; ++i) {
        while (!hi.empty() && v[hi.back()] <= v[i]) hi.pop_back();
        hi.push_back(i);
        while (!lo.empty() && v[lo.back()] >= v[i]) lo.pop_back();
        lo.push_back(i);
        if (i + 1 < span) continue;
        const size_t first = i + 1 - span;
        while (hi.front() < first) hi.pop_front();
        while (lo.front() < first) lo.pop_front();
        const size_t c = first + size_t(w);
        if (v[hi.front()] <= v[c]) m.systolic[c] = v[c];
        else if (v[lo.front()] >= v[c]) m.diastolic[c] = v[c];
    }
    return m;
}

void fillPulseGaps(PulseMarks& m) {
    double last = 0.0;
    for (double& s : m.systolic) {
        if (s != 0.0) last = s;
        else s = last;
    }
    last = 0.0;
    for (size_t i = m.diastolic.size(); i-- > 0;) {
        double& d = m.diastolic[i];
        if (d != 0.0) last = d;
        else d = last;
    }
}

std::vector<double> meanTrace(const std::vector<double>& v) {
    double sum = 0.0;
    for (double x : v) sum += x;
    return std::vector<double>(v.size(), v.empty() ? 0.0 : sum / double(v.size()));
}

std::vector<double> pulsatilityIndex(const PulseMarks& f, const std::vector<double>& mean) {
    std::vector<double> out(f.systolic.size(), 0.0);
    for (size_t i = 0; i < out.size() && i < mean.size(); ++i)
        if (mean[i] != 0.0) out[i] = (f.systolic[i] - f.diastolic[i]) / mean[i] * 1000.0;
    return out;
}

std::vector<double> resistanceIndex(const PulseMarks& f) {
    std::vector<double> out(f.systolic.size(), 0.0);
    for (size_t i = 0; i < out.size(); ++i)
        if (f.systolic[i] != 0.0) out[i] = (f.systolic[i] - f.diastolic[i]) / f.systolic[i] * 1000.0;
    return out;
}

void runningFilter(std::vector<double>& v, double period, double tau) {
    if (!(tau > 0) || v.empty()) return;
    const double alpha = 1.0 - std::exp(-period / tau);
    double level = v[0];
    for (size_t i = 1; i < v.size(); ++i) v[i] = level += alpha * (v[i] - level);
}

PulseSummary summarisePulses(const std::vector<double>& v, int w) {
    PulseAccumulator a(w);
    for (double x : v) a.add(x);
    return a.finish();
}

}  // namespace ordavia
