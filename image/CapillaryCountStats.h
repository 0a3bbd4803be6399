#pragma once
// Figures of a nailfold picture that say how hard it is to count on, so
// that synthetic pictures can be set beside real ones measured the same
// way. All on the green channel G (the bytes of a grey picture):
//  - the lighting B = Gaussian(G, sigma 40 px);
//  - relative darkening D = 1 - G / B;
//  - along a line, D averaged over +-3 px across it, sampled every pixel
//    and smoothed with sigma 1 px; its vessels are the most prominent
//    local maxima, as many as were counted on the line;
//  - for each vessel: D at the top of its dip, the dip's prominence and its
//    width at half the prominence; between neighbours, their distance;
//  - pixel noise: the standard deviation of G - Gaussian(G, sigma 1 px) in
//    a 200 x 200 window (centred on the line, kept inside the picture);
//  - uneven light: standard deviation / mean of B over the picture;
//  - mean green level and mean colour.
#include <cstddef>
#include <vector>

class CZVimage;

namespace ordavia {

struct CountPictureStats {
    double noise = 0;        // grey levels
    double unevenLight = 0;  // share
    double meanGreen = 0;
    double meanRed = 0, meanBlue = 0;
    std::vector<float> profile;  // D along the line, one sample per pixel
    // One per vessel, in order along the line (pixels from its start).
    std::vector<double> position, darkening, prominence, widthPx;
    std::vector<double> spacingPx;  // between neighbouring vessels
};

// The figures of `img` along the line (x1, y1)-(x2, y2) with `vessels`
// counted on it (0: the picture figures and the profile only).
CountPictureStats countPictureStats(const CZVimage& img, double x1, double y1, double x2, double y2, int vessels);

// Peaks of a profile as the figures above take them: interior local maxima
// with their prominence and width at half prominence, the `most` most
// prominent, returned in order along the profile.
struct ProfilePeak {
    int at = 0;
    double height = 0, prominence = 0, width = 0;
};
std::vector<ProfilePeak> profilePeaks(const std::vector<float>& p);
std::vector<ProfilePeak> mostProminent(std::vector<ProfilePeak> peaks, std::size_t most);

// The 100 q-th percentile of v (linear between ranks); 0 when empty.
double percentile(std::vector<double> v, double q);

}  // namespace ordavia
