// The sequence settings dialog of the recording view (recording itself:
// Recording, and CliLive end to end).
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/RecordingBench.h"
#include "video/ui/CMotivaRecView.h"

using namespace ordavia;

TEST(RecordingView, SequenceDialogKeepsWhatOkConfirms) {
    testsupport::ensureQtApp();
    testsupport::RecordingBench b(300, 0, true, false);
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

// The recording commands close the Video menu once, however often the
// frame asks for the view's menus.
TEST(RecordingView, VideoMenuEndsWithTheRecordingCommandsOnce) {
    testsupport::ensureQtApp();
    testsupport::RecordingBench b(300, 0, true, false);
    CMotivaRecView view(b.rec.get());
    for (int asked = 0; asked < 2; ++asked)
        for (QMenu* m : view.documentMenus()) {
            if (m->title() != "&Video") continue;
            const QStringList entries = testsupport::menuEntries(m->actions());
            EXPECT_EQ(entries.mid(entries.size() - 5).join('|'),
                      "-|&Directories...|compress video &output [c]|&Image sequence...|stop");
        }
}
