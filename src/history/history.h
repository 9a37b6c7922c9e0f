// The bounded, linear undo list of one document window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "history/history_action.h"

namespace varnel {

class HistoryBudget;

// States 0 .. current() are applied to the document, states current() + 1 .. count() - 1 are
// undone and can be redone (newest last). current() is -1 when nothing is applied. The history
// owns every recorded action and deletes an action when it drops it.
class History {
public:
    // `limit` is the most states kept (the nb_history_states setting when the window opens).
    explicit History(int limit);
    ~History();

    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Records a new state. Unless `alreadyExecuted`, the action is executed first (with its
    // hooks); when that fails the action is deleted, nothing is recorded and 0 is returned.
    // Recording discards the undone states (newest first) and then drops the oldest state when
    // the limit is exceeded; with a budget attached, the histories sharing it are then brought
    // within it, keeping this new state. Returns the execution result (1 for an already executed
    // action).
    int perform(std::unique_ptr<HistoryAction> action, bool alreadyExecuted = false);

    bool canUndo() const { return current_ >= 0; }
    bool canRedo() const { return current_ < count() - 1; }

    // Reverts the current state. The position moves back even when revert() fails; returns its
    // result, or 0 when there is nothing to undo.
    int undo();
    // Re-executes the next undone state. The position moves forward even when execute() fails;
    // returns its result, or 0 when there is nothing to redo. With a budget attached, the
    // histories are then brought within it, keeping the state redone.
    int redo();

    // Sets the limit and trims the list to it. Undone states are discarded first (newest first),
    // then the oldest applied ones, so that every remaining undone state still follows the state
    // it was recorded after. A negative limit counts as 0.
    void setLimit(int limit);
    // Deletes every state, newest first.
    void clear();

    int limit() const { return limit_; }
    int count() const { return int(states_.size()); }
    int current() const { return current_; }
    // The state at `index` (0 is the oldest), or null outside 0 .. count() - 1.
    const HistoryAction* stateAt(int index) const;
    // The undo data held by every recorded state, in bytes.
    size_t byteSize() const;

    // Shares `budget` (null: none) with the other histories attached to it; the history leaves
    // its previous budget. A history attached to a budget leaves it when destroyed.
    void setBudget(HistoryBudget* budget);
    HistoryBudget* budget() const { return budget_; }

    // When the newest undone state was undone, in a count shared by all histories (larger is
    // later); 0 when nothing is undone.
    uint64_t lastUndoneTick() const;

private:
    friend class HistoryBudget;
    void dropOldest();
    void dropNewest();

    std::vector<std::unique_ptr<HistoryAction>> states_;
    // Parallel to states_: when each state was last undone (meaningful for undone states only).
    std::vector<uint64_t> undoneTicks_;
    HistoryBudget* budget_ = nullptr;
    int limit_;
    int current_ = -1;
};

}  // namespace varnel
