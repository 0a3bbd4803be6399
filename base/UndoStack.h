#pragma once
// The one undo mechanism of every document. An edit is a command that can
// be undone and redone; the stack records them in order and remembers the
// point at which the document was last saved or loaded (its clean point).
// "Modified" is read from the stack: a document is modified exactly when its
// stack is not at the clean point, so undoing back to the saved state makes
// it unmodified again and redoing makes it modified again.
//
// A change that is not recorded as a command (a recalculation, a setting
// kept in the file) is declared with resetClean(): the document becomes
// modified, and the clean point is unreachable until the next save, because
// no undo leads back to the saved bytes. markUnrecorded() does the same and
// also drops the steps, for changes after which they no longer apply.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ordavia {

class UndoCommand {
public:
    explicit UndoCommand(std::string text) : text_(std::move(text)) {}
    virtual ~UndoCommand() = default;
    UndoCommand(const UndoCommand&) = delete;
    UndoCommand& operator=(const UndoCommand&) = delete;

    // Makes the change (again). Called once when the command is pushed.
    virtual void redo() = 0;
    // Takes the change back, leaving the document as it was before redo().
    virtual void undo() = 0;

    // Commands with the same non-negative id may merge: a drag of a
    // dimension is one step, not one per mouse move. mergeWith() is asked
    // on the command on top of the stack with the newer one (already
    // applied); it returns true when it took the newer change in.
    virtual int id() const { return -1; }
    virtual bool mergeWith(const UndoCommand& /*newer*/) { return false; }

    // The name the Edit menu shows ("Undo Move dimension").
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A command from two functions, for edits whose undo is a value put back.
class FunctionCommand : public UndoCommand {
public:
    FunctionCommand(std::string text, std::function<void()> redo, std::function<void()> undo)
        : UndoCommand(std::move(text)), redo_(std::move(redo)), undo_(std::move(undo)) {}
    void redo() override { redo_(); }
    void undo() override { undo_(); }

private:
    std::function<void()> redo_;
    std::function<void()> undo_;
};

class UndoStack {
public:
    // How many steps are kept; the oldest go first.
    static constexpr std::size_t kDefaultLimit = 100;

    UndoStack() = default;
    UndoStack(const UndoStack&) = delete;
    UndoStack& operator=(const UndoStack&) = delete;

    // Runs cmd->redo() and records it. Steps that were undone are dropped.
    void push(std::unique_ptr<UndoCommand> cmd);
    // Records a command whose change is already made (the end of a drag).
    void pushApplied(std::unique_ptr<UndoCommand> cmd);
    // Shorthand for a FunctionCommand: redo is run now.
    void push(std::string text, std::function<void()> redo, std::function<void()> undo);

    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < commands_.size(); }
    void undo();
    void redo();
    // The Edit menu's names of the next steps; empty when there is none.
    std::string undoText() const;
    std::string redoText() const;

    // The state the document was last saved in or loaded from.
    void setClean();
    bool isClean() const { return cleanReachable_ && cleanIndex_ == index_; }
    // A change made outside the stack: modified until the next setClean();
    // the recorded steps stay.
    void resetClean();
    // The same, and the recorded steps are dropped, as they no longer apply.
    void markUnrecorded();
    // Forgets every step; the current state becomes the clean point.
    void clear();

    std::size_t count() const { return commands_.size(); }
    std::size_t index() const { return index_; }
    void setLimit(std::size_t limit);

    // Told after every push, undo, redo, clean point or clear, so that the
    // document can notify its views and the Edit menu can refresh.
    void setOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

private:
    void record(std::unique_ptr<UndoCommand> cmd);
    void changed();

    std::vector<std::unique_ptr<UndoCommand>> commands_;
    std::size_t index_ = 0;  // commands_[0, index_) are done
    std::size_t cleanIndex_ = 0;
    bool cleanReachable_ = true;
    std::size_t limit_ = kDefaultLimit;
    bool busy_ = false;  // inside undo/redo: a command must not push
    std::function<void()> onChanged_;
};

}  // namespace ordavia
