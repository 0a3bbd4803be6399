// The recording view: the sequence settings dialog, and a record/stop
// cycle on the simulated camera after which the recording plays.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "tests/support/QtTestApp.h"
#include "tests/support/RecordingBench.h"
#include "video/ui/CMotivaRecView.h"

using namespace ordavia;

namespace {

// The recorder's own defaults, in memory.
struct RecordingViewBench : testsupport::RecordingBench {
    RecordingViewBench() : RecordingBench(300, 0, true, false) { testsupport::ensureQtApp(); }
};

}  // namespace

TEST(RecordingView, SequenceDialogKeepsWhatOkConfirms) {
    RecordingViewBench b;
    std::unique_ptr<QDialog> d(makeImageSequenceDialog(b.rec.get(), b.live.get(), nullptr));
    d->findChild<QSpinBox*>("frames")->setValue(100);
    d->findChild<QSpinBox*>("skip")->setValue(1);
    d->findChild<QCheckBox*>("loop")->setChecked(false);
    d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(b.rec->sequenceSettings().frames, 100);
    EXPECT_FALSE(b.rec->movie().loop);
    EXPECT_EQ(b.ts.profile.GetInt("Dynamic settings", "no of frames", 0), 100);
    EXPECT_EQ(b.ts.profile.GetInt("Dynamic settings", "skip frames", 0), 1);
    EXPECT_EQ(b.ts.profile.GetInt("Dynamic settings", "loop", 1), 0);
}

TEST(RecordingView, RecordsTheLiveVideoThenPlaysIt) {
    RecordingViewBench b;
    CMotivaRecView view(b.rec.get());
    view.recordCommand();
    ASSERT_TRUE(view.isRecording());
    view.togglePlay();  // no playback while recording
    EXPECT_FALSE(view.playing());
    b.ts.timers.advance(40 * 12);
    view.stopAll();
    EXPECT_FALSE(view.isRecording());
    EXPECT_EQ(b.rec->movie().count(), 12);
    view.togglePlay();
    EXPECT_TRUE(view.playing());
    view.stop();
}
