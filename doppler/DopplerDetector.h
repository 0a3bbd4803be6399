#pragma once
// Doppler-shift detection on a power spectrum: the five methods of the
// monitor and the automatic noise floor. The detection settings are the
// run's ("TRVcalcs", held in StartupSettings) and are passed in at every
// call, so a change of method reaches every Doppler document at its next
// spectrum. The running noise floor, however, belongs to this detector
// object (one per document): two monitors on different signals must not
// drag each other's floor about.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ordavia {

struct StartupSettings;

enum class DopplerMethod : int { Maximum = 0, Peak = 1, PercentOfPower = 2, Average = 3, Automatic = 4 };

class DopplerDetector {
public:
    // The bin position of the Doppler shift in p[0..n-1] (0 when none was
    // found); the spectrum may be trimmed or, for the automatic method
    // without "keepDop", weighted in place. threshold is the document's T:
    // the automatic noise floor replaces it when "autonoise" is on.
    double FindDopplerShift(double* p, int n, int32_t& threshold, const StartupSettings& s);

    // The edge: the start (highest bin) of the first run, scanning down
    // from the top, of `run` bins above the threshold; 0 when none.
    static int edgeOf(const double* p, int n, double threshold, int run);

    double noiseFloor() const { return floor_; }
    void resetNoiseFloor() { floor_ = 0.0; }
    size_t copyCapacity() const { return copy_.capacity(); }

private:
    void updateNoiseFloor(const double* p, int n, int32_t& threshold, const StartupSettings& s);
    double automatic(double* p, int n, int32_t threshold, const StartupSettings& s);

    double floor_ = 0.0;
    std::vector<double> copy_;
};

}  // namespace ordavia
