// The monitor window over the simulated board: the live traces grow while
// the timer runs, and the monitor's commands reach the document, the
// board, the profile and the status line.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSpinBox>
#include <QTest>

#include "chart/CMarker.h"
#include "doppler/ui/Ctrv2View.h"
#include "settings/ProfileStore.h"
#include "support/DopplerMonitor.h"
#include "support/ModalDialogs.h"

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
        test::ensureOffscreenApp();
        m.ts.services.markerLink = &link;
        m.ts.profile.SetPath(m.dir / "ordavia.ini");
        view = std::make_unique<Ctrv2View>(&m.doc);
        view->resize(1000, 560);
        view->show();
    }
    void run(const char* text) { test::runCommand(*view, text); }
    QString status() const { return view->findChild<QLabel*>("monitorStatus")->text(); }
};

}  // namespace

TEST_F(MonitorWindow, RunsOnTheBoardAndItsCommandsReachTheMonitor) {
    for (const char* text : {"Input &Settings...", "Auxillary Input settings...", "&Input channel...",
                             "Lower Doppler shift detection threshold", "Raise Doppler shift detection threshold",
                             "&Trim Doppler Spectrum", "swap units mm/s <-> kHz", "Find &Peak in spectrum"})
        EXPECT_NE(view->findAction(text), nullptr) << text;
    EXPECT_EQ(view->activeTrace(), m.doc.traces().indexOf(m.doc.cbvTrace()));
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
    const auto* marker = dynamic_cast<const CImageMarker*>(m.doc.markers().items.back().get());
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
}
