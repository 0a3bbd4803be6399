// The video document's own edits are undo steps: movement correction, a
// reset, frames moved by hand, the frame rate and the selection. Undoing
// back to the saved document leaves it unmodified, with the same offsets.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/MemoryMovie.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/MovementCorrection.h"

using namespace ordavia;

namespace {

std::vector<std::pair<int, int>> offsetsOf(CMotivaDoc& d) {
    std::vector<std::pair<int, int>> v;
    for (int i = 0; i < d.frameCount(); ++i) {
        double x = 0, y = 0;
        d.frameOffset(i, x, y);
        v.emplace_back(int(std::lround(x * 1000)), int(std::lround(y * 1000)));
    }
    return v;
}

struct SavedClip {
    testsupport::ScratchDir dir{"video-undo"};
    ordavia::test::TestServices ts;
    std::unique_ptr<CMotivaDoc> doc;

    SavedClip() {
        {
            CZVMovie m;
            testsupport::memoryMovie(m, 5, 320, 240, [](int k, int x, int y) {
                const double u = x - 2.5 * k, v = y + 1.0 * k;
                return 128 + 60 * std::sin(0.11 * u) * std::cos(0.07 * v) + 30 * std::sin(0.031 * u + 0.05 * v);
            });
            EXPECT_TRUE(m.SaveRange(dir / "clip.mve", -1, -1));
        }
        doc = ts.make<CMotivaDoc>();
        EXPECT_TRUE(doc->importMovie(dir / "clip.mve"));
        EXPECT_TRUE(doc->OnSaveDocument(dir / "clip.dcs"));
        EXPECT_FALSE(doc->IsModified());
    }
};

}  // namespace

// The picture document keeps one step, which Undo exchanges back and forth;
// a video is a picture document, so each of its edits is that one step.
TEST(VideoUndo, MovementCorrectionResetAndFramesMovedByHandUndoToTheStateBefore) {
    SavedClip c;
    CMotivaDoc& d = *c.doc;
    const auto saved = offsetsOf(d);

    MovementParams p;
    p.subpixel = true;
    ASSERT_TRUE(d.startMovementCorrection(p));
    while (d.movementStep()) {
    }
    d.endMovementCorrection();
    const auto corrected = offsetsOf(d);
    ASSERT_NE(corrected, saved);
    EXPECT_FALSE(d.fineOffsets().empty());
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(d.undoStack().undoText(), "Movement correction");
    d.undoStack().undo();
    EXPECT_EQ(offsetsOf(d), saved);
    EXPECT_TRUE(d.fineOffsets().empty());
    EXPECT_FALSE(d.IsModified());
    d.undoStack().redo();
    EXPECT_EQ(offsetsOf(d), corrected);
    EXPECT_TRUE(d.IsModified());

    d.resetOffsets();
    EXPECT_EQ(d.undoStack().undoText(), "Reset offsets");
    EXPECT_EQ(offsetsOf(d), saved);  // the clip was never moved
    d.undoStack().undo();
    EXPECT_EQ(offsetsOf(d), corrected);
    d.undoStack().redo();

    // One drag is one step, whatever the number of moves.
    d.goToFrame(2);
    d.shiftCurrentFrame(1, 0, true);
    d.shiftCurrentFrame(2, -1, true);
    d.endFrameShift();
    EXPECT_EQ(d.undoStack().undoText(), "Move frame");
    EXPECT_EQ(d.movie().frameTable()[4].x, 3);
    d.undoStack().undo();
    EXPECT_EQ(offsetsOf(d), saved);
    d.undoStack().redo();
    // The next drag is a step of its own, and the frame in view follows the
    // table back, not only the table.
    d.shiftCurrentFrame(0, 3);
    d.endFrameShift();
    EXPECT_EQ(d.movie().currentImage().originY(), 2);
    d.undoStack().undo();
    EXPECT_EQ(d.movie().currentImage().originX(), 3);
    EXPECT_EQ(d.movie().currentImage().originY(), -1);
    EXPECT_EQ(d.movie().frameTable()[4].y, -1);
}

TEST(VideoUndo, FrameRateAndSelectionUndoExactly) {
    SavedClip c;
    CMotivaDoc& d = *c.doc;
    d.movie().setRate(30000, 1001);  // a foreign video's own rate
    const double fps = d.framesPerSecond();

    d.setFramesPerSecond(12.5);
    EXPECT_EQ(d.undoStack().undoText(), "Frames per second");
    EXPECT_EQ(d.movie().rate(), 12500);
    d.undoStack().undo();
    EXPECT_EQ(d.framesPerSecond(), fps);
    EXPECT_EQ(d.movie().rate(), 30000);
    EXPECT_EQ(d.movie().scale(), 1001);
    EXPECT_FALSE(d.IsModified());
    d.undoStack().redo();
    EXPECT_EQ(d.framesPerSecond(), 12.5);
    EXPECT_TRUE(d.IsModified());

    d.setSelection(3, 1);
    EXPECT_EQ(d.selectionFirst(), 1);
    EXPECT_EQ(d.selectionLast(), 3);
    EXPECT_EQ(d.undoStack().undoText(), "Selection");
    d.undoStack().undo();
    EXPECT_EQ(d.selectionFirst(), -1);
    EXPECT_EQ(d.selectionLast(), -1);
}
