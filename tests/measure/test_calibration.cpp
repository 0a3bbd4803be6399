// The magnification table and default in a private profile, the scales and
// unit name in effect, and calibration from lines of known length.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/ScratchDir.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/Calibration.h"
#include "measure/MagnificationTable.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

class CalibrationTest : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch_{"calibration"};
    ProfileStore store_{scratch_ / "ordavia.ini"};

    static Magnification mag(double x, double y, const std::string& name, int32_t date) {
        Magnification m;
        m.xScale = x;
        m.yScale = y;
        m.name = name;
        m.date = date;
        return m;
    }
};

TEST_F(CalibrationTest, RemovedSlotsAreNeverReused) {
    MagnificationTable table(store_);
    EXPECT_EQ(table.count(), 0);
    ASSERT_TRUE(table.add(mag(1.5, 1.5, "a", 1)));
    ASSERT_TRUE(table.add(mag(2.5, 2.5, "b", 2)));
    ASSERT_TRUE(table.add(mag(3.5, 3.25, "c", 3)));
    table.remove(1);
    EXPECT_EQ(store_.GetInt("settings", "nmags", -1), 2);
    EXPECT_EQ(store_.GetInt("settings", "nextmag", -1), 3);
    EXPECT_EQ(store_.GetInt("mag1", "valid", -1), 0);
    EXPECT_EQ(store_.GetInt("mag2", "valid", -1), 1);
    Magnification m;
    ASSERT_TRUE(table.get(1, m));
    EXPECT_EQ(m.name, "c");
    EXPECT_DOUBLE_EQ(m.yScale, 3.25);

    // A new entry goes to slot 3, not into the hole.
    ASSERT_TRUE(table.add(mag(4, 4, "d", 4)));
    EXPECT_EQ(store_.GetString("mag3", "magname", ""), "d");
    std::vector<Magnification> all = table.entries();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "a");
    EXPECT_EQ(all[1].name, "c");
    EXPECT_EQ(all[2].name, "d");

    // Out-of-range removal does nothing.
    table.remove(3);
    table.remove(-1);
    EXPECT_EQ(table.count(), 3);
}

TEST_F(CalibrationTest, LookupsOutsideTheTableSayWhy) {
    MagnificationTable table(store_);
    for (int i = 0; i < 3; ++i) table.add(mag(2, 2, "m", i));
    Magnification m = mag(7, 8, "untouched", 9);
    EXPECT_FALSE(table.get(5, m));
    EXPECT_EQ(m.name, "not found:bad index >= nmags");
    EXPECT_DOUBLE_EQ(m.xScale, 7);

    store_.WriteInt("settings", "nmags", 600);
    m = mag(7, 8, "x", 9);
    EXPECT_FALSE(table.get(500, m));
    // The count promises more than the slots hold: the scan runs out.
    EXPECT_FALSE(table.get(3, m));
    EXPECT_EQ(m.name, "not found:");
    EXPECT_DOUBLE_EQ(m.yScale, 8);

    // Slot defaults for an entry whose values are missing.
    store_.WriteInt("settings", "nmags", 4);
    store_.WriteInt("settings", "nextmag", 10);
    store_.WriteInt("mag7", "valid", 1);
    ASSERT_TRUE(table.get(3, m));
    EXPECT_EQ(m.name, "no name");
    EXPECT_DOUBLE_EQ(m.xScale, 1.0);
}

TEST_F(CalibrationTest, FullTableRefusesNewEntries) {
    MagnificationTable table(store_);
    store_.WriteInt("settings", "nextmag", 499);
    EXPECT_TRUE(table.add(mag(1, 1, "last", 0)));
    EXPECT_EQ(store_.GetString("mag499", "magname", ""), "last");
    EXPECT_FALSE(table.add(mag(1, 1, "beyond", 0)));
    EXPECT_EQ(store_.GetString("mag500", "magname", "absent"), "absent");
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(store_.GetInt("settings", "nextmag", 0), 500);
}

TEST_F(CalibrationTest, ScalesAndUnitsInEffect) {
    store_.WriteDouble("settings", "magx", 0.5);
    store_.WriteDouble("settings", "magy", 0.25);
    Calibration c = Calibration::fromProfile(store_);
    EXPECT_FALSE(c.isCalibrated());
    // Uncalibrated: a 10-pixel line measures 10 pixel whatever the scales.
    CDimLine l;
    l.addVertex({0, 0});
    l.addVertex({10, 0});
    EXPECT_DOUBLE_EQ(l.length(c.xScaleInEffect(), c.yScaleInEffect()), 10.0);
    EXPECT_EQ(c.unitNameInEffect(), "pixel");

    c.setUnits(true, "mm", store_);
    EXPECT_EQ(store_.GetString("settings", "userunits", ""), "mm");
    EXPECT_EQ(store_.GetInt("settings", "calibrated", 0), 1);
    EXPECT_DOUBLE_EQ(l.length(c.xScaleInEffect(), c.yScaleInEffect()), 5.0);
    EXPECT_EQ(c.unitNameInEffect(), "mm");
    EXPECT_TRUE(Calibration::fromProfile(store_).isCalibrated());
    EXPECT_EQ(Calibration::fromProfile(store_).units(), "mm");

    // Setting the magnification writes the default and the table only when asked.
    c.setMagnification(mag(2, 3, "plain", 5), false, false, store_);
    EXPECT_DOUBLE_EQ(c.yScaleInEffect(), 3.0);
    EXPECT_EQ(MagnificationTable(store_).count(), 0);
    EXPECT_EQ(MagnificationTable(store_).readDefault().name, "default");
    c.setMagnification(mag(2, 3, "both", 5), true, true, store_);
    EXPECT_EQ(MagnificationTable(store_).count(), 1);
    EXPECT_EQ(MagnificationTable(store_).readDefault().name, "both");
}

// Each line drawn changes the proposal: none, one line for both axes, then
// the first across and the second down.
TEST_F(CalibrationTest, ProposalFollowsTheListSize) {
    Calibration c;
    c.setFields(mag(0.5, 2.0, "cur", 0), true, "um");
    CDimList list;
    const std::vector<ZPoint> ends = {{30, 40}, {0, 10}};
    const struct {
        int xLine, yLine;
        double xTrueLength, yTrueLength;
    } want[] = {{0, 0, 0.0, 0.0}, {1, 1, 15.0, 80.0}, {1, 2, std::sqrt(15.0 * 15 + 80.0 * 80), 20.0}};
    for (size_t n = 0; n <= ends.size(); ++n) {
        SCOPED_TRACE(n);
        if (n) {
            list.addNew(0, {0, 0});
            list.at(int(n - 1))->addVertex(ends[n - 1]);
        }
        const CalibrationRequest r = c.propose(list);
        EXPECT_EQ(r.xLine, want[n].xLine);
        EXPECT_EQ(r.yLine, want[n].yLine);
        EXPECT_DOUBLE_EQ(r.xTrueLength, want[n].xTrueLength);
        EXPECT_DOUBLE_EQ(r.yTrueLength, want[n].yTrueLength);
    }
}

TEST_F(CalibrationTest, CalibrateFromKnownLengths) {
    Calibration c = Calibration::fromProfile(store_);
    c.setFields(mag(0.75, 0.1, "cur", 0), false, "um");
    CDimList list;
    list.addNew(0, {10, 50});
    list.at(0)->addVertex({210, 50});  // 200 pixels across
    list.addNew(0, {0, 0});
    list.at(1)->addVertex({0, 40});  // 40 pixels down

    // One horizontal line for both axes has no y extent, so y takes the x
    // scale; lines that do not exist and true lengths of zero keep the
    // current x scale.
    const struct {
        int xLine, yLine;
        double xTrue, yTrue, wantX, wantY;
    } cases[] = {{1, 1, 100, 100, 0.5, 0.5}, {1, 2, 100, 10, 0.5, 0.25}, {0, 9, 100, 10, 0.75, 0.75},
                 {1, 2, 0, 10, 0.75, 0.25}};
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.xLine << ", " << k.yLine << ", " << k.xTrue);
        double xs, ys;
        c.scalesFor(list, {k.xLine, k.yLine, k.xTrue, k.yTrue, "", false}, xs, ys);
        EXPECT_DOUBLE_EQ(xs, k.wantX);
        EXPECT_DOUBLE_EQ(ys, k.wantY);
    }

    // Calibrating always adds a table entry; the default only when ticked.
    CalibrationRequest req{
        .xLine = 1, .yLine = 2, .xTrueLength = 100, .yTrueLength = 10, .name = "objective 10x", .setAsDefault = false};
    c.calibrate(list, req, 1700000000, store_);
    EXPECT_TRUE(c.isCalibrated());
    EXPECT_DOUBLE_EQ(c.xScale(), 0.5);
    EXPECT_DOUBLE_EQ(c.yScale(), 0.25);
    EXPECT_EQ(c.magnification().name, "objective 10x");
    EXPECT_EQ(c.magnification().date, 1700000000);
    MagnificationTable table(store_);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(table.readDefault().name, "default");
    req.setAsDefault = true;
    c.calibrate(list, req, 1700000001, store_);
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.readDefault().name, "objective 10x");
    EXPECT_DOUBLE_EQ(table.readDefault().yScale, 0.25);
}

}  // namespace
