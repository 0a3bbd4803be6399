// The undo stack's steps and its clean point, from which every document's
// "modified" is read.
#include <gtest/gtest.h>

#include "base/UndoStack.h"

using namespace ordavia;

namespace {

// Sets a value and puts the previous one back; mergeable ones merge (a drag).
class SetValue : public UndoCommand {
public:
    SetValue(int& target, int value, bool mergeable = false)
        : UndoCommand("Set value"), target_(target), before_(target), after_(value), mergeable_(mergeable) {}
    void redo() override { target_ = after_; }
    void undo() override { target_ = before_; }
    int id() const override { return mergeable_ ? 7 : -1; }
    bool mergeWith(const UndoCommand& newer) override {
        after_ = static_cast<const SetValue&>(newer).after_;
        return true;
    }

private:
    int& target_;
    int before_, after_;
    bool mergeable_;
};

TEST(UndoStack, StepsUndoAndRedoInOrderAndANewEditDropsTheUndoneOnes) {
    UndoStack s;
    int v = 0, told = 0;
    s.setOnChanged([&] { ++told; });
    s.push(std::make_unique<SetValue>(v, 1));
    s.push("Add two", [&] { v += 2; }, [&] { v -= 2; });
    EXPECT_EQ(s.undoText(), "Add two");
    s.undo();
    EXPECT_EQ(s.redoText(), "Add two");
    s.undo();
    s.undo();  // nothing left: no change
    EXPECT_EQ(v, 0);
    s.redo();
    s.redo();
    EXPECT_EQ(v, 3);
    EXPECT_EQ(told, 6);
    s.undo();
    s.push(std::make_unique<SetValue>(v, 9));
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(s.count(), 2u);
}

TEST(UndoStack, TheCleanPointFollowsUndoRedoMergesAndTheLimit) {
    UndoStack s;
    int v = 0;
    s.push(std::make_unique<SetValue>(v, 1, true));
    s.push(std::make_unique<SetValue>(v, 2, true));  // merged into one step
    EXPECT_EQ(s.count(), 1u);
    s.setClean();
    // Merging into the saved step would make its undo miss the saved state.
    s.push(std::make_unique<SetValue>(v, 3, true));
    EXPECT_EQ(s.count(), 2u);
    s.undo();
    EXPECT_TRUE(s.isClean());
    s.undo();
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(s.isClean());
    s.redo();
    EXPECT_TRUE(s.isClean());
    // Undone below the clean point, then a new edit: the saved state is gone.
    s.undo();
    s.push(std::make_unique<SetValue>(v, 5));
    s.undo();
    EXPECT_FALSE(s.isClean());
    // A change beside the steps keeps them but loses the clean point.
    s.setClean();
    s.resetClean();
    EXPECT_TRUE(s.canRedo());
    EXPECT_FALSE(s.isClean());
    s.markUnrecorded();
    EXPECT_FALSE(s.canUndo() || s.canRedo());
    // The step the saved state needs falls off the bottom.
    s.setClean();
    s.setLimit(2);
    for (int k = 6; k <= 8; ++k) s.push(std::make_unique<SetValue>(v, k));
    s.undo();
    s.undo();
    EXPECT_EQ(v, 6);
    EXPECT_FALSE(s.isClean());
}

}  // namespace
