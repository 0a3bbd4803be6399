// How well counting along a line follows the truth on synthetic
// videocapillaroscopy frames, per condition. ORDAVIA_COUNT_TABLE=N prints
// the table over N pictures per condition instead of the quick check.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/synth/CountScoring.h"

TEST(CountAccuracy, Table) {
    const char* env = std::getenv("ORDAVIA_COUNT_TABLE");
    const int pictures = env ? std::atoi(env) : 0;
    if (pictures <= 0) GTEST_SKIP() << "set ORDAVIA_COUNT_TABLE to the number of pictures per condition";
    // ORDAVIA_COUNT_SETTINGS="threshold bandUm minSpacingUm" tries other settings.
    ordavia::CountSettings set;
    if (const char* v = std::getenv("ORDAVIA_COUNT_SETTINGS"))
        std::sscanf(v, "%lf %lf %lf", &set.threshold, &set.bandUm, &set.minSpacingUm);
    std::printf("| condition | lines | within +-1 | exact | MAE | bias | MAE per mm | wrong side |\n");
    const char* only = std::getenv("ORDAVIA_COUNT_ONLY");  // a part of the condition's name
    for (const CountCondition& c : countConditions()) {
        if (only && !std::strstr(c.name, only)) continue;
        const CountScore s = scoreCount(c, 1000, pictures, set);
        std::printf("| %s | %d | %.0f %% | %.0f %% | %.2f | %+.2f | %.2f | %d |\n", c.name, s.lines, 100 * s.share(),
                    100.0 * s.exact / std::max(1, s.lines), s.mae(), s.bias(), s.maePerMm(), s.wrongSide);
    }
}

// The figures the method reaches, with a margin below what was measured on
// these seeds; a drop means the counting (or the generator) changed.
TEST(CountAccuracy, FollowsTheTruthOnTypicalAndHardFrames) {
    const std::vector<CountCondition> all = countConditions();
    struct Goal {
        size_t condition;
        double within1, mae;
    };
    for (const Goal& g : {Goal{1, 0.8, 0.6}, Goal{2, 0.7, 1.0}, Goal{3, 0.7, 1.0}}) {
        const CountScore s = scoreCount(all[g.condition], 1, 5);
        std::printf("%s: %.0f %% within 1, MAE %.2f, %d wrong sides\n", all[g.condition].name, 100 * s.share(),
                    s.mae(), s.wrongSide);
        SCOPED_TRACE(all[g.condition].name);
        EXPECT_EQ(s.lines, 15);
        EXPECT_GE(s.share(), g.within1);
        EXPECT_LE(s.mae(), g.mae);
        EXPECT_LE(s.wrongSide, 2);
    }
}
