#include "doppler/PulseAccumulator.h"

namespace ordavia {

PulseAccumulator::PulseAccumulator(int w) : w_(w), span_(w >= 1 ? size_t(2 * w + 1) : 0), ring_(span_ + 1, 0.0) {}

void PulseAccumulator::add(double v) {
    const uint64_t i = count_++;
    sum_ += v;
    if (span_ == 0) return;
    ring_[i % ring_.size()] = v;
    auto at = [&](uint64_t k) { return ring_[k % ring_.size()]; };
    // Deques as vectors with a head: compacted when half is spent.
    while (hi_.size() > hiHead_ && at(hi_.back()) <= v) hi_.pop_back();
    hi_.push_back(i);
    while (lo_.size() > loHead_ && at(lo_.back()) >= v) lo_.pop_back();
    lo_.push_back(i);
    if (i + 1 < span_) return;
    const uint64_t first = i + 1 - span_;
    while (hi_[hiHead_] < first) ++hiHead_;
    while (lo_[loHead_] < first) ++loHead_;
    if (hiHead_ > 64 && 2 * hiHead_ > hi_.size()) {
        hi_.erase(hi_.begin(), hi_.begin() + long(hiHead_));
        hiHead_ = 0;
    }
    if (loHead_ > 64 && 2 * loHead_ > lo_.size()) {
        lo_.erase(lo_.begin(), lo_.begin() + long(loHead_));
        loHead_ = 0;
    }
    const uint64_t c = first + uint64_t(w_);
    const double vc = at(c);
    // The positions before the first centre are never classified.
    while (placed_ < c) place(0.0, 0.0);
    if (at(hi_[hiHead_]) <= vc) place(vc, 0.0);
    else if (at(lo_[loHead_]) >= vc) place(0.0, vc);
    else place(0.0, 0.0);
}

void PulseAccumulator::place(double systolic, double diastolic) {
    ++placed_;
    // A mark of value 0 is no mark, as in the traces.
    if (systolic != 0.0) {
        sysSum_ += systolic;
        ++s_.peaks;
        lastSys_ = systolic;
    }
    if (lastSys_ != 0.0) {
        ++waiting_;
        waitSys_ += lastSys_;
        waitInvSys_ += 1.0 / lastSys_;
    }
    if (diastolic == 0.0) return;
    diaSum_ += diastolic;
    ++s_.minima;
    // Every waiting position takes this minimum: (s - d) summed, and
    // (s - d) / s = 1 - d / s summed.
    known_ += waiting_;
    diffSum_ += waitSys_ - double(waiting_) * diastolic;
    riSum_ += double(waiting_) - diastolic * waitInvSys_;
    waiting_ = 0;
    waitSys_ = waitInvSys_ = 0.0;
}

PulseSummary PulseAccumulator::finish() {
    // The last w positions are never classified; positions after the last
    // minimum have no diastolic value and stay unknown.
    while (placed_ < count_) place(0.0, 0.0);
    PulseSummary s = s_;
    if (count_ == 0) return s;
    s.mean = sum_ / double(count_);
    s.systolic = s.peaks ? sysSum_ / double(s.peaks) : 0.0;
    s.diastolic = s.minima ? diaSum_ / double(s.minima) : 0.0;
    s.known = known_;
    if (known_) {
        s.pi = s.mean != 0.0 ? diffSum_ / double(known_) / s.mean : 0.0;
        s.ri = riSum_ / double(known_);
    }
    return s;
}

}  // namespace ordavia
