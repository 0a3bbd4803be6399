// The velocity-trust study at full size: many seeded line scans at the
// conditions of real recordings, measured by the correlation (or the Hough
// transform), and the share of trusted results by error. With --csv, one
// line per case with its conditions and the trust's features, for choosing
// the quality's make-up and threshold.
//
//   trust_study [--cases N] [--seed S] [--hough] [--csv FILE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/TrustStudy.h"

int main(int argc, char** argv) {
    uint32_t cases = 400;
    uint64_t seed = 1;
    bool hough = false;
    const char* csv = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cases") && i + 1 < argc) cases = uint32_t(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = uint64_t(std::atoll(argv[++i]));
        else if (!std::strcmp(argv[i], "--hough")) hough = true;
        else if (!std::strcmp(argv[i], "--csv") && i + 1 < argc) csv = argv[++i];
        else {
            std::fprintf(stderr, "usage: trust_study [--cases N] [--seed S] [--hough] [--csv FILE]\n");
            return 2;
        }
    }
    FILE* out = csv ? std::fopen(csv, "w") : nullptr;
    if (out)
        std::fprintf(out, "case,fps,um_px,line_um,frames,speed,contrast,noise,level,gap_um,train,shear,subpixel,"
                          "truth,measured,error,in_range,quality,agreement,chance,trusted\n");
    truststudy::Table all, matched;
    for (uint32_t i = 0; i < cases; ++i) {
        const ordavia::SyntheticLineScan::Params p = ordavia::SyntheticLineScan::recordingLike(seed * 100003u + i);
        const bool subpixel = i % 2;
        const truststudy::Outcome o = truststudy::measure(
            p, subpixel, hough ? ordavia::VelocityMethod::Hough : ordavia::VelocityMethod::Correlation);
        all.add(o);
        // Beside the recording of the issue: 120 fps, 0.77 um, 200 to 400 um/s.
        if (p.fps == 120 && p.umPerPixel == 0.77 && std::fabs(p.speedUmS) >= 200 && std::fabs(p.speedUmS) <= 400)
            matched.add(o);
        if (out)
            std::fprintf(out, "%u,%g,%g,%.1f,%d,%.1f,%.3f,%.2f,%.0f,%.1f,%.2f,%.2f,%d,%.4f,%.4f,%.4f,%d,%.4f,%.4f,%.4f,%d\n",
                         i, p.fps, p.umPerPixel, p.lineUm, p.frames, p.speedUmS, p.contrast, p.noise, p.level,
                         p.plasmaGapUm, p.cellsPerTrain, p.shear, subpixel ? 1 : 0, o.truth, o.measured,
                         std::isfinite(o.error()) ? o.error() : 99.0, o.trust.inRange ? 1 : 0, o.trust.quality,
                         o.trust.agreement, o.trust.chance,
                         ordavia::trusted(o.trust) ? 1 : 0);
    }
    if (out) std::fclose(out);
    const char* names[] = {"within 20 %", "20 to 50 %", "over 50 %"};
    for (const auto* t : {&all, &matched}) {
        std::printf("%s\n", t == &all ? "all cases" : "120 fps, 0.77 um, 200-400 um/s");
        for (int b = 0; b < 3; ++b)
            std::printf("  %-12s %5u results, %5.1f %% trusted\n", names[b], t->count[b], 100.0 * t->rate(b));
    }
    return 0;
}
