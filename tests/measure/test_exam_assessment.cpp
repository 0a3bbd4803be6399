// The examination's answer from its pictures: the finger grid takes each
// finger's pictures together, and one scleroderma picture makes the
// examination's pattern scleroderma, naming the finger.
#include <gtest/gtest.h>

#include "base/JsonWriter.h"
#include "measure/ExamAssessment.h"

using namespace ordavia;

namespace {

StoredAssessment pic(const std::string& file, const std::string& finger, double density, double giants, int rule,
                     int phase = 0, std::vector<std::string> byHand = {}) {
    StoredAssessment a;
    a.filename = file;
    a.finger = finger;
    a.figures = {{"density_per_mm", density}, {"giants", giants}, {"haemorrhages", 1},
                 {"longest_gap_um", density < 4 ? 620.0 : 180.0}, {"avascular", density < 4 ? 1.0 : 0.0},
                 {"pattern", rule == 2 ? 1.0 : 0.0}, {"rule", double(rule)}, {"phase", double(phase)}};
    a.byHand = std::move(byHand);
    return a;
}

TEST(ExamAssessment, FingerGridAndExaminationPattern) {
    const ExamAssessmentSummary s = summariseExamination({
        pic("r2a.bmp", "R2", 8, 0, 1),
        pic("thumb.bmp", "left thumb", 7.5, 0, 1),
        pic("l3.bmp", "l3", 9, 0, 1),
        pic("r2b.bmp", " r2", 3, 2, 2, 2, {"giants"}),
    });
    EXPECT_EQ(s.pictures, 4);
    ASSERT_EQ(s.fingers.size(), 3u);
    // The grid's order, then other sites as typed.
    EXPECT_EQ(s.fingers[0].finger, "L3");
    EXPECT_EQ(s.fingers[1].finger, "R2");
    EXPECT_EQ(s.fingers[2].finger, "left thumb");
    const FingerSummary& r2 = *s.find("R2");
    EXPECT_DOUBLE_EQ(*r2.figures.value("density_per_mm"), 5.5);
    EXPECT_EQ(*r2.figures.value("giants"), 2);
    EXPECT_EQ(*r2.figures.value("haemorrhages"), 2);
    EXPECT_EQ(*r2.figures.value("longest_gap_um"), 620);
    EXPECT_EQ(*r2.figures.value("avascular"), 1);
    EXPECT_EQ(*r2.figures.value("pictures"), 2);
    EXPECT_TRUE(r2.scleroderma);
    EXPECT_EQ(r2.rule, 2) << "the scleroderma picture decides the finger, not the first one";
    EXPECT_EQ(r2.phase, 2);
    EXPECT_EQ(r2.byHand, std::vector<std::string>{"giants"});
    EXPECT_FALSE(s.find("L3")->scleroderma);
    EXPECT_EQ(s.sclerodermaIn, std::vector<std::string>{"R2"});
    EXPECT_EQ(examPatternWords(s), "Scleroderma pattern, shown by R2.");
    EXPECT_NE(patternWords(true, 2, 2).find("rule 2"), std::string::npos);
    EXPECT_NE(patternWords(true, 2, 2).find("phase suggested: active"), std::string::npos);

    JsonWriter j;
    writeSummaryJson(j, s);
    const std::string out = j.str();
    EXPECT_NE(out.find("\"R2\": {"), std::string::npos) << out;
    EXPECT_NE(out.find("\"pattern\": \"scleroderma\",\n  \"pictures\": 4"), std::string::npos) << out;
    EXPECT_NE(out.find("\"phase\": \"active\""), std::string::npos);
}

// A finger's answer is as trusted as the pictures it rests on: a
// scleroderma pattern when a picture showing it is trusted, a
// non-scleroderma one when all its pictures are. The examination's answer
// names the fingers whose answer cannot be trusted.
TEST(ExamAssessment, AFingersAnswerIsAsTrustedAsItsPictures) {
    const auto rated = [](StoredAssessment a, double quality) {
        a.figures["quality"] = quality;
        return a;
    };
    const ExamAssessmentSummary s = summariseExamination({
        rated(pic("r2a.bmp", "R2", 3, 1, 2), 0.3),
        rated(pic("r2b.bmp", "R2", 8, 0, 1), 0.9),
        rated(pic("l4.bmp", "L4", 3, 2, 2), 0.9),
        rated(pic("l4b.bmp", "L4", 3, 1, 2), 0.2),
        rated(pic("l2.bmp", "L2", 8, 0, 1), 0.3),
        pic("l3.bmp", "L3", 8, 0, 1),  // filed without a quality
    });
    EXPECT_FALSE(s.find("R2")->trusted) << "its only scleroderma picture is not trusted";
    EXPECT_TRUE(s.find("L4")->trusted);
    EXPECT_FALSE(s.find("L2")->trusted);
    EXPECT_TRUE(s.find("L3")->trusted);
    EXPECT_EQ(examPatternWords(s), "Scleroderma pattern, shown by L4, R2 (not trusted).");
    EXPECT_EQ(fingerPatternCell(*s.find("R2")), "scleroderma (rule 2) - not trusted");
    EXPECT_EQ(fingerPatternCell(*s.find("L4")), "scleroderma (rule 2)");
    EXPECT_EQ(fingerPatternWords(*s.find("L2")),
              "Non-scleroderma pattern (rule 1: density of 7 per mm or more and no giant capillaries) - not trusted");
    JsonWriter j;
    writeSummaryJson(j, s);
    EXPECT_NE(j.str().find("\"trusted\": false"), std::string::npos) << j.str();

    const ExamAssessmentSummary healthy =
        summariseExamination({rated(pic("l2.bmp", "L2", 8, 0, 1), 0.3), rated(pic("r5.bmp", "R5", 8, 0, 1), 0.8)});
    EXPECT_EQ(examPatternWords(healthy),
              "Non-scleroderma pattern: none of the 2 pictures shows a scleroderma pattern. Not trusted on L2.");
}

TEST(ExamAssessment, NoPicturesHasNoPatternAndMissingFiguresStayMissing) {
    const ExamAssessmentSummary none = summariseExamination({});
    EXPECT_FALSE(none.hasPattern());
    JsonWriter j;
    writeSummaryJson(j, none);
    EXPECT_NE(j.str().find("\"pattern\": null"), std::string::npos) << j.str();

    StoredAssessment bare;
    bare.filename = "x.bmp";
    bare.finger = "L5";
    bare.figures = {{"pattern", 0}, {"rule", 3}};
    const ExamAssessmentSummary s = summariseExamination({bare});
    EXPECT_FALSE(s.fingers[0].figures.value("density_per_mm")) << "an unknown density is not 0";
    EXPECT_FALSE(s.fingers[0].figures.value("giants"));
    EXPECT_EQ(examPatternWords(s), "Non-scleroderma pattern: none of the 1 pictures shows a scleroderma pattern.");
}

TEST(ExamAssessment, FingersOfTheSiteAndTheNextPicture) {
    EXPECT_EQ(fingerLabel(" r2 "), "R2");
    EXPECT_EQ(fingerLabel("R6"), "");
    EXPECT_EQ(fingerLabel("left ring"), "");
    EXPECT_EQ(siteChoices().size(), 9u);
    EXPECT_EQ(nextFinger("R4", {}), "R4");
    EXPECT_EQ(nextFinger(siteChoices()[0], {pic("a", "L2", 8, 0, 1), pic("b", "l3", 8, 0, 1)}), "L4");
    std::vector<StoredAssessment> all;
    for (const std::string& f : examFingers()) all.push_back(pic(f, f, 8, 0, 1));
    EXPECT_EQ(nextFinger("", all), "R5");
}

}  // namespace
