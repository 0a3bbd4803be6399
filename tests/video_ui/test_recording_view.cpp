// The recording view: the sequence settings dialog, and a record/stop
// cycle on the simulated camera after which the recording plays.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
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

TEST(RecordingView, SequenceDialogShowsItsFiguresAndKeepsWhatOkConfirms) {
    RecordingViewBench b;
    std::unique_ptr<QDialog> d(makeImageSequenceDialog(b.rec.get(), b.live.get(), nullptr));
    // 768 x 512 grey at 25 frames a second, every second frame kept.
    d->findChild<QSpinBox*>("frames")->setValue(100);
    d->findChild<QSpinBox*>("skip")->setValue(1);
    EXPECT_EQ(d->findChild<QLabel*>("duration")->text(), "8.0");
    EXPECT_EQ(d->findChild<QLabel*>("memory")->text(), "37.5 MB");
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
    view.resize(900, 700);
    view.recordCommand();
    ASSERT_TRUE(view.isRecording());
    view.togglePlay();  // no playback while recording
    EXPECT_FALSE(view.playing());
    b.ts.timers.advance(40 * 12);
    view.stopAll();
    EXPECT_FALSE(view.isRecording());
    EXPECT_EQ(b.rec->GetTitle(), "Recorded Video Sequence ");
    EXPECT_EQ(b.rec->movie().count(), 12);
    EXPECT_EQ(b.rec->image().width(), 768);
    view.togglePlay();
    EXPECT_TRUE(view.playing());
    view.stop();
}
