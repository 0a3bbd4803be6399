#pragma once

class ProfileStore;

namespace ordavia {

// The "ProcessingArgs" settings of the capillary detector and its helpers:
// the box-filter chain, the accepted area range, the apex template and the
// trace tool's window. Read when a command starts.

struct ProcessingArgs {
    // Box-filter chain, in this order: negative = low pass of that size,
    // positive = high pass, 0 = skipped.
    int uw1 = -7;
    int uw2 = 101;
    int w3 = 0;
    int w4 = 0;
    // Accepted capillary area in pixels (both ends included).
    int umin = 200;
    int umax = 5000;
    // Kept with the arguments and passed on; the detector does not use it.
    int method = 1;
    // Apex template: width, spread as a fraction of the half-width, level
    // far from the centre and depth; output gain and offset.
    int apexw = 29;
    double stddev = 0.7079664;
    double gpeak = 1000.0;
    double ggain = 2000.0;
    double apexfactor = 0.5;
    int apexoffset = 128;
    // Trace tool: "tracewin" is the side of its threshold window.
    int tracethreshold = 3;
    int tracewin = 100;

    // The four chain sizes in order.
    int boxSize(int i) const { return i == 0 ? uw1 : i == 1 ? uw2 : i == 2 ? w3 : w4; }

    void load(const ProfileStore& store);
    void save(const ProfileStore& store) const;
};

}  // namespace ordavia
