// The Doppler windows on the offscreen platform. The monitor over the
// simulated board: the live traces grow while the timer runs, and its
// commands reach the document, the board, the profile and the status line.
// The review window: the velocity computed from a stored spectrum through
// the choice dialog, the pulse indexes through the half-width dialog, and
// the refusals without a spectrum.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <random>

#include "chart/CMarker.h"
#include "doppler/CReviewDoc.h"
#include "doppler/ui/CReView.h"
#include "support/ChartAccess.h"
#include "doppler/ui/Ctrv2View.h"
#include "settings/ProfileStore.h"
#include "support/DopplerMonitor.h"
#include "support/DopplerSpectrum.h"
#include "support/ModalDialogs.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

struct PostedMarkers : MarkerLink {
    std::vector<std::string> files;
    bool post(const std::string&, const std::string& file) override {
        files.push_back(file);
        return true;
    }
};

struct MonitorWindow : ::testing::Test {
    test::DopplerMonitor m;
    PostedMarkers link;
    std::unique_ptr<Ctrv2View> view;
    void SetUp() override {
        testsupport::ensureQtApp();
        m.ts.services.markerLink = &link;
        m.ts.profile.SetPath(m.dir / "ordavia.ini");
        view = std::make_unique<Ctrv2View>(&m.doc);
        view->resize(1000, 560);
        view->show();
    }
    void run(const char* text) { test::runCommand(*view, text); }
    QString status() const { return view->findChild<QLabel*>("monitorStatus")->text(); }
};

struct ReviewWindow : ::testing::Test {
    test::TestServices svc;
    CReviewDoc doc;
    std::unique_ptr<CReView> view;
    void SetUp() override {
        testsupport::ensureQtApp();
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

TEST_F(MonitorWindow, RunsOnTheBoardAndItsCommandsReachTheMonitor) {
    m.doc.run(true);
    m.ts.timers.advance(2000);
    EXPECT_TRUE(status().startsWith("BW=20.00kHz")) << status().toStdString();

    // The chart's full-scale command carries the threshold along.
    const double fullScale = m.doc.spectrumTrace()->intensityRange;
    run("&Increase  full scale");
    EXPECT_EQ(m.doc.spectrumTrace()->intensityRange, 2 * fullScale);
    EXPECT_EQ(m.doc.threshold(), int32_t(fullScale));
    run("&Automatic");
    EXPECT_EQ(m.ts.settings.cbvMethod, 4) << "the method is the run's";
    EXPECT_TRUE(view->findAction("&Automatic")->isChecked());
    run("&Decrease Bandwidth");
    EXPECT_TRUE(status().startsWith("BW=12.50kHz"));

    run("Sa&ve Image");
    ASSERT_EQ(link.files.size(), 1u);
    const auto* marker = dynamic_cast<const CImageMarker*>(&m.doc.markers()[m.doc.markers().size() - 1]);
    ASSERT_TRUE(marker && marker->fileName == link.files[0]);
    const CTrace* cbv = m.doc.cbvTrace();
    EXPECT_DOUBLE_EQ(marker->x, (cbv->sampleCount() - 1) * cbv->xInterval);

    test::answerNextDialog([](QDialog& d) {
        d.findChild<QSpinBox*>("threshold")->setValue(345);
        return true;
    });
    run("CBV parameters...");
    EXPECT_EQ(m.doc.threshold(), 345);

    // A new address where no board answers: the message, and the address kept.
    std::filesystem::remove(m.dir / "raw.bin");
    test::answerNextDialog([](QDialog& d) {
        d.findChild<QSpinBox*>("address")->setValue(0x280);
        return true;
    });
    run("Hard&ware settings...");
    EXPECT_EQ(m.ts.profile.GetInt("trv2", "address", 0), 0x280);
    ASSERT_FALSE(m.ts.prompter.asked.empty());
    EXPECT_EQ(m.ts.prompter.asked.back().text, Ctrv2Doc::kNotDetected);
    EXPECT_FALSE(m.doc.running());
    EXPECT_FALSE(m.doc.processBlock(100));
}

TEST_F(MonitorWindow, ASaturatedVelocityIsWarnedOfAndWashedOut) {
    // Detector noise at 2 % of full scale: the threshold 200 lies far under
    // its floor and the edge sits at the top of the band.
    std::mt19937 rng(9);
    std::normal_distribution<double> noise(0.0, 655.0);
    std::vector<int16_t> samples(80000);
    for (int16_t& v : samples) v = int16_t(std::lround(noise(rng)));
    m.board.setPlayback(samples);
    m.board.setClock([this] { return m.ts.timers.now() / 1000.0; });
    const auto* warning = view->findChild<QLabel*>("saturationWarning");
    const QImage before = view->grab().toImage();
    m.doc.run(true);
    m.ts.timers.advance(3000);
    EXPECT_FALSE(warning->isHidden());
    EXPECT_EQ(warning->text(), "CBV saturated");
    const QString why = view->saturationText();
    EXPECT_TRUE(why.startsWith("CBV saturated: threshold 200 under the noise floor")) << why.toStdString();
    EXPECT_TRUE(warning->toolTip().startsWith("saturated: in 100 % of the spectra")) << warning->toolTip().toStdString();
    // Labelled over the middle of the plot, where only the spectrum was.
    auto labelled = [](const QImage& img) {
        int n = 0;
        for (int x = img.width() / 4; x < 3 * img.width() / 4; ++x)
            n += img.pixelColor(x, img.height() / 2).red() > 150 && img.pixelColor(x, img.height() / 2).green() < 100;
        return n;
    };
    EXPECT_EQ(labelled(before), 0);
    EXPECT_GT(labelled(view->grab().toImage()), 10);
    // The automatic noise floor lifts the threshold: the warning goes.
    m.ts.settings.autonoise = true;
    m.ts.timers.advance(3000);
    EXPECT_TRUE(warning->isHidden()) << warning->text().toStdString();
}

TEST_F(ReviewWindow, VelocityAndIndexesThroughTheirDialogs) {
    int offered = -1;
    test::answerNextDialog([&](QDialog& d) {
        offered = d.findChild<QListWidget*>()->count();
        return true;
    });
    run("&Calculate CBV");
    EXPECT_EQ(offered, 1) << "only a new trace while there is no velocity trace";
    const int cbv = doc.traceIndex("CBV");
    ASSERT_GE(cbv, 0);
    EXPECT_EQ(view->activeTrace(), cbv);
    EXPECT_DOUBLE_EQ(doc.trace(cbv)->physical(15), 24.0);

    // The second time the existing trace is offered and recomputed in place.
    ordavia::test::ChartAccess::editable(doc, cbv)->data->fill(0.0);
    test::answerNextDialog([](QDialog& d) {
        d.findChild<QListWidget*>()->setCurrentRow(1);
        return true;
    });
    run("&Calculate CBV");
    EXPECT_EQ(doc.traceIndex("CBV"), cbv);
    EXPECT_DOUBLE_EQ(doc.trace(cbv)->physical(15), 24.0);

    test::answerNextDialog([](QDialog& d) {
        d.findChild<QSpinBox*>()->setValue(20);
        return true;
    });
    run("&Pulsatility Index");
    ASSERT_TRUE(doc.findTrace("Pulsatility Index"));
    int shown = 0;
    test::answerNextDialog([&](QDialog& d) {
        shown = d.findChild<QSpinBox*>()->value();
        return false;
    });
    run("&Resistance Index");
    EXPECT_EQ(shown, 20) << "the half-width is kept between uses";
    EXPECT_FALSE(doc.findTrace("Resistance Index")) << "cancelled";
}

TEST_F(ReviewWindow, SpectrumCommandsWithoutASpectrumSaySo) {
    doc.removeTrace(0);
    run("&Power contour");
    run("&Pulsatility Index");
    ASSERT_EQ(svc.prompter.asked.size(), 2u);
    EXPECT_EQ(svc.prompter.asked[0].text, CReviewDoc::kNeedsSpectrum);
    EXPECT_EQ(svc.prompter.asked[1].text, CReviewDoc::kNeedsVelocity);
}
