#include "base/UndoStack.h"

#include <algorithm>
#include <stdexcept>

namespace ordavia {

void UndoStack::push(std::unique_ptr<UndoCommand> cmd) {
    if (!cmd) return;
    if (busy_) throw std::logic_error("UndoStack: a command pushed while undoing or redoing");
    busy_ = true;
    try {
        cmd->redo();
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
    record(std::move(cmd));
}

void UndoStack::pushApplied(std::unique_ptr<UndoCommand> cmd) {
    if (!cmd) return;
    if (busy_) throw std::logic_error("UndoStack: a command pushed while undoing or redoing");
    record(std::move(cmd));
}

void UndoStack::push(std::string text, std::function<void()> redo, std::function<void()> undo) {
    push(std::make_unique<FunctionCommand>(std::move(text), std::move(redo), std::move(undo)));
}

void UndoStack::record(std::unique_ptr<UndoCommand> cmd) {
    // Steps undone before this edit can never be redone now.
    if (index_ < commands_.size()) {
        commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(index_), commands_.end());
        if (cleanIndex_ > index_) cleanReachable_ = false;
    }
    // A merge changes the top step, so it is only allowed when the top is
    // not the clean point (else undoing it would not reach the saved state).
    if (index_ > 0 && cmd->id() >= 0 && !(cleanReachable_ && cleanIndex_ == index_)) {
        UndoCommand& top = *commands_[index_ - 1];
        if (top.id() == cmd->id() && top.mergeWith(*cmd)) {
            changed();
            return;
        }
    }
    commands_.push_back(std::move(cmd));
    ++index_;
    if (commands_.size() > limit_) {
        const std::size_t drop = commands_.size() - limit_;
        commands_.erase(commands_.begin(), commands_.begin() + static_cast<std::ptrdiff_t>(drop));
        index_ -= drop;
        if (cleanIndex_ < drop) cleanReachable_ = false;
        else cleanIndex_ -= drop;
    }
    changed();
}

void UndoStack::undo() {
    if (!canUndo() || busy_) return;
    busy_ = true;
    try {
        commands_[index_ - 1]->undo();
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
    --index_;
    changed();
}

void UndoStack::redo() {
    if (!canRedo() || busy_) return;
    busy_ = true;
    try {
        commands_[index_]->redo();
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
    ++index_;
    changed();
}

std::string UndoStack::undoText() const { return canUndo() ? commands_[index_ - 1]->text() : std::string(); }

std::string UndoStack::redoText() const { return canRedo() ? commands_[index_]->text() : std::string(); }

void UndoStack::setClean() {
    cleanIndex_ = index_;
    cleanReachable_ = true;
    changed();
}

void UndoStack::resetClean() {
    cleanReachable_ = false;
    changed();
}

void UndoStack::markUnrecorded() {
    commands_.clear();
    index_ = 0;
    cleanIndex_ = 0;
    cleanReachable_ = false;
    changed();
}

void UndoStack::clear() {
    commands_.clear();
    index_ = 0;
    cleanIndex_ = 0;
    cleanReachable_ = true;
    changed();
}

void UndoStack::setLimit(std::size_t limit) {
    limit_ = limit == 0 ? 1 : limit;
    if (commands_.size() <= limit_) return;
    // Keep the newest steps, but never drop a step that is undone (redo
    // must still work): trim from the bottom only.
    const std::size_t drop = std::min(commands_.size() - limit_, index_);
    commands_.erase(commands_.begin(), commands_.begin() + static_cast<std::ptrdiff_t>(drop));
    index_ -= drop;
    if (cleanIndex_ < drop) cleanReachable_ = false;
    else cleanIndex_ -= drop;
    changed();
}

void UndoStack::changed() {
    if (onChanged_) onChanged_();
}

}  // namespace ordavia
