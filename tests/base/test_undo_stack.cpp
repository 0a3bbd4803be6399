// The undo stack's steps and its clean point, from which every document's
// "modified" is read.
#include <gtest/gtest.h>

#include "base/UndoStack.h"

using namespace ordavia;

namespace {

// Sets a value and puts the previous one back; drags of the same value merge.
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

TEST(UndoStack, StepsUndoAndRedoInOrderWithTheirTexts) {
    UndoStack s;
    int v = 0, told = 0;
    s.setOnChanged([&] { ++told; });
    s.push(std::make_unique<SetValue>(v, 1));
    s.push("Add two", [&] { v += 2; }, [&] { v -= 2; });
    EXPECT_EQ(v, 3);
    EXPECT_EQ(s.undoText(), "Add two");
    EXPECT_EQ(s.redoText(), "");
    s.undo();
    EXPECT_EQ(v, 1);
    EXPECT_EQ(s.redoText(), "Add two");
    s.undo();
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(s.canUndo());
    s.undo();  // nothing left: no change
    EXPECT_EQ(v, 0);
    s.redo();
    s.redo();
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(told, 6);
    // A new edit after an undo drops the undone step.
    s.undo();
    s.push(std::make_unique<SetValue>(v, 9));
    EXPECT_EQ(v, 9);
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(s.count(), 2u);
}

TEST(UndoStack, CleanPointFollowsUndoAndRedo) {
    UndoStack s;
    int v = 0;
    EXPECT_TRUE(s.isClean());
    s.push(std::make_unique<SetValue>(v, 1));
    EXPECT_FALSE(s.isClean());
    s.setClean();  // saved with v == 1
    s.push(std::make_unique<SetValue>(v, 2));
    EXPECT_FALSE(s.isClean());
    s.undo();
    EXPECT_TRUE(s.isClean());
    s.undo();  // before the save: modified again
    EXPECT_FALSE(s.isClean());
    s.redo();
    EXPECT_TRUE(s.isClean());
    // Undo below the clean point, then a new edit: the saved state is gone.
    s.undo();
    s.push(std::make_unique<SetValue>(v, 5));
    s.undo();
    EXPECT_FALSE(s.isClean());
    s.setClean();
    EXPECT_TRUE(s.isClean());
}

TEST(UndoStack, PushAppliedRecordsWithoutRedoingAndDragsMergeExceptIntoTheCleanStep) {
    UndoStack s;
    int v = 0;
    v = 4;  // a drag already moved the value
    s.pushApplied(std::make_unique<FunctionCommand>("Drag", [&] { v = 4; }, [&] { v = 0; }));
    EXPECT_EQ(v, 4);
    s.clear();
    v = 0;
    s.push(std::make_unique<SetValue>(v, 1, true));
    s.push(std::make_unique<SetValue>(v, 2, true));
    s.push(std::make_unique<SetValue>(v, 3, true));
    EXPECT_EQ(s.count(), 1u);
    s.undo();
    EXPECT_EQ(v, 0);
    s.redo();
    s.setClean();
    // Merging into the saved step would make its undo miss the saved state.
    s.push(std::make_unique<SetValue>(v, 8, true));
    EXPECT_EQ(s.count(), 2u);
    s.undo();
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(s.isClean());
}

TEST(UndoStack, UnrecordedChangesAndTheLimitLoseTheCleanPoint) {
    UndoStack s;
    int v = 0;
    s.push(std::make_unique<SetValue>(v, 1));
    s.markUnrecorded();
    EXPECT_FALSE(s.isClean());
    EXPECT_FALSE(s.canUndo());
    s.setClean();
    EXPECT_TRUE(s.isClean());
    s.push(std::make_unique<SetValue>(v, 6));
    s.resetClean();  // a change beside the steps: they stay, the saved state is gone
    s.undo();
    EXPECT_EQ(v, 1);
    EXPECT_FALSE(s.isClean());
    s.setClean();

    s.setLimit(2);
    s.push(std::make_unique<SetValue>(v, 2));
    s.push(std::make_unique<SetValue>(v, 3));
    s.push(std::make_unique<SetValue>(v, 4));  // the step from the clean point is dropped
    EXPECT_EQ(s.count(), 2u);
    s.undo();
    s.undo();
    EXPECT_EQ(v, 2);
    EXPECT_FALSE(s.isClean());
}

}  // namespace
