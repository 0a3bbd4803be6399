// The review window as a user works with it: the velocity computed from a
// stored spectrum through the choice dialog, contours, the pulse indexes
// through the half-width dialog, and the refusals without a spectrum.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include "doppler/CReviewDoc.h"
#include "doppler/ui/CReView.h"
#include "support/DopplerSpectrum.h"
#include "support/ModalDialogs.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

struct ReviewWindow : ::testing::Test {
    test::TestServices svc;
    CReviewDoc doc;
    std::unique_ptr<CReView> view;
    void SetUp() override {
        test::ensureOffscreenApp();
        svc.adopt(doc);
        doc.addTrace(test::dopplerSpectrum(test::pulseEdges(6, 60, 8, 48)));
        doc.setThreshold(500);
        doc.setVelocityFactor(1.0);
        view = std::make_unique<CReView>(&doc);
        view->resize(900, 520);
        view->show();
    }
    void run(const char* text) { test::runCommand(*view, text); }
};

}  // namespace

TEST_F(ReviewWindow, VelocityContoursAndIndexesThroughTheirDialogs) {
    int offered = -1;
    test::answerNextDialog([&](QDialog& d) {
        offered = d.findChild<QListWidget*>()->count();
        return true;
    });
    run("&Calculate CBV");
    EXPECT_EQ(offered, 1) << "only a new trace while there is no velocity trace";
    const int cbv = doc.traces().indexOf("CBV");
    ASSERT_GE(cbv, 0);
    EXPECT_EQ(view->activeTrace(), cbv);
    EXPECT_DOUBLE_EQ(doc.trace(cbv)->physical(15), 24.0);

    // The second time the existing trace is offered and recomputed in place.
    doc.trace(cbv)->data->fill(0.0);
    test::answerNextDialog([](QDialog& d) {
        d.findChild<QListWidget*>()->setCurrentRow(1);
        return true;
    });
    run("&Calculate CBV");
    EXPECT_EQ(doc.traces().indexOf("CBV"), cbv);
    EXPECT_DOUBLE_EQ(doc.trace(cbv)->physical(15), 24.0);
    doc.trace(cbv)->data->fill(0.0);
    run("Recalculate Doppler Shift");
    EXPECT_DOUBLE_EQ(doc.trace(cbv)->physical(15), 24.0);

    test::answerNextDialog([](QDialog& d) {
        d.findChild<QSpinBox*>()->setValue(20);
        return true;
    });
    run("&Pulsatility Index");
    ASSERT_TRUE(doc.traces().find("Pulsatility Index"));
    int shown = 0;
    test::answerNextDialog([&](QDialog& d) {
        shown = d.findChild<QSpinBox*>()->value();
        return false;
    });
    run("&Resistance Index");
    EXPECT_EQ(shown, 20) << "the half-width is kept between uses";
    EXPECT_FALSE(doc.traces().find("Resistance Index")) << "cancelled";

    const int before = doc.traceCount();
    view->setActiveTrace(0);
    run("&Power contour");
    test::answerNextDialog([](QDialog& d) {
        auto spins = d.findChildren<QSpinBox*>();
        spins.back()->setValue(3);
        return true;
    });
    run("&Level contour...");
    EXPECT_EQ(doc.traceCount(), before + 13);
}

TEST_F(ReviewWindow, SpectrumCommandsWithoutASpectrumSaySo) {
    doc.removeTrace(0);
    run("&Power contour");
    run("&Pulsatility Index");
    ASSERT_EQ(svc.prompter.asked.size(), 2u);
    EXPECT_EQ(svc.prompter.asked[0].text, CReviewDoc::kNeedsSpectrum);
    EXPECT_EQ(svc.prompter.asked[1].text, CReviewDoc::kNeedsVelocity);
}
