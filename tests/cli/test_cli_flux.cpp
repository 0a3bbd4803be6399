// Blood flux on synthetic videos of flowing capillaries: "linescan --json"
// along the in-focus stretch of every flowing capillary's arterial limb,
// as a user lays it, against the generator's truth: the limb's width, the
// cells' mean speed over the scanned frames and pi * d^2 * v / 4. Printed
// as a table; the figures of the velocities the method vouches for (in its
// range, quality 0.3 or more) are asserted with margin.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/CliRun.h"
#include "support/ScratchDir.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;
using clitest::numberAfter;

TEST(CliFlux, DiameterVelocityAndFluxOfSyntheticCapillaries) {
    testsupport::ScratchDir d("cli-flux");
    constexpr double kPi = 3.14159265358979323846;
    int trusted = 0, diameterWithin = 0, velocityWithin = 0, fluxWithin = 0;
    std::printf("seed cap |  d true  d meas |   v true   v meas | flux true flux meas | range quality\n");
    for (uint64_t seed : {4u, 9u, 12u}) {
        SyntheticVideo::Params p;
        p.seed = seed, p.frames = 80, p.fps = 50;
        SyntheticVideo gen;
        std::string error;
        ASSERT_TRUE(gen.prepare(p, &error)) << error;
        const std::string mve = d / ("s" + std::to_string(seed) + ".mve");
        ASSERT_EQ(clitest::cli("synth video " + mve + " --frames 80 --fps 50 --seed " + std::to_string(seed), d.dir).code, 0);
        const double um = p.umPerPixel;
        for (const SyntheticVideo::Capillary& c : gen.truth().capillaries) {
            if (!c.flows || c.limbs.empty() || !c.limbs[0].arterial) continue;
            // Whole pixels about every 6 pixels along the stretch, as drawn by hand.
            std::string line;
            const auto& along = c.limbs[0].along;
            for (size_t i = 0; i < along.size(); i += 4)
                line += (line.empty() ? "" : ",") + std::to_string(std::lround(along[i].x)) + "," +
                        std::to_string(std::lround(along[i].y));
            const auto r = clitest::cli("linescan " + mve + " --line " + line + " --fps 50 --scale " +
                                            std::to_string(um) + " --json",
                                        d.dir);
            const double dTrue = c.limbs[0].widthUm, vTrue = gen.truth().meanVelocityUmPerS(c, 0, p.frames - 1);
            const double fTrue = kPi * dTrue * dTrue * vTrue / 4;
            const double dm = numberAfter(r.out, "diameter_um"), vm = std::fabs(numberAfter(r.out, "um_per_s"));
            const double fm = std::fabs(numberAfter(r.out, "flux"));
            const bool in = r.code == 0 && r.out.find("\"in_range\": true") != std::string::npos;
            std::printf("%4d %3d | %6.1f %7.1f | %8.0f %8.0f | %9.0f %9.0f | %5s %7.2f\n", int(seed), c.index, dTrue, dm,
                        vTrue, vm, fTrue, fm, in ? "in" : "out", numberAfter(r.out, "quality"));
            if (!in || !(numberAfter(r.out, "quality") >= 0.3)) continue;
            ++trusted;
            diameterWithin += std::fabs(dm - dTrue) <= 1.5 * um;
            velocityWithin += std::fabs(vm - vTrue) <= 0.25 * vTrue;
            fluxWithin += std::fabs(fm - fTrue) <= 0.5 * fTrue;
        }
    }
    std::printf("trusted %d: diameter within 1.5 px %d, velocity within 25 %% %d, flux within 50 %% %d\n", trusted,
                diameterWithin, velocityWithin, fluxWithin);
    EXPECT_GE(trusted, 8);
    EXPECT_GE(diameterWithin, trusted * 6 / 10);
    EXPECT_GE(velocityWithin, trusted * 6 / 10);
    EXPECT_GE(fluxWithin, trusted * 6 / 10);
}
