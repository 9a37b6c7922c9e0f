// The bounded, linear undo list of one document window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "history/history_action.h"

namespace varnel {

class HistoryBudget;
struct CachedState;

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
    // result, or 0 when there is nothing to undo. A state in the disk cache is read back first;
    // when memory is short for that nothing changes and 0 is returned, and when its data cannot
    // be read back the state goes with every older one (the budget's listener hears of it).
    int undo();
    // Re-executes the next undone state. The position moves forward even when execute() fails;
    // returns its result, or 0 when there is nothing to redo. A state in the disk cache is read
    // back first, as for undo (data that cannot be read back takes the state and every newer one
    // with it). With a budget attached, the histories are then brought within it, keeping the
    // state redone.
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
    // The undo data held by every recorded state, in bytes, wherever it is.
    size_t byteSize() const;
    // The part of it held in memory (the states in the disk cache keep only their small parts).
    size_t memoryBytes() const;
    // Whether the undo data of the state at `index` is in the disk cache.
    bool isCached(int index) const;

    // Shares `budget` (null: none) with the other histories attached to it; the history leaves
    // its previous budget, reading back from its disk cache whatever it held there. A history
    // attached to a budget leaves it when destroyed.
    void setBudget(HistoryBudget* budget);
    HistoryBudget* budget() const { return budget_; }

    // When the newest undone state was undone, in a count shared by all histories (larger is
    // later); 0 when nothing is undone.
    uint64_t lastUndoneTick() const;

private:
    friend class HistoryBudget;
    struct Slot {
        explicit Slot(std::unique_ptr<HistoryAction> a);
        Slot(Slot&&) noexcept;
        Slot& operator=(Slot&&) noexcept;
        ~Slot();
        std::unique_ptr<HistoryAction> action;
        // When the state was last undone (meaningful for undone states only).
        uint64_t undoneTick = 0;
        // Where its undo data is while in the disk cache; null while in memory.
        std::unique_ptr<CachedState> cached;
    };

    void dropOldest();
    void dropNewest();
    // Drops the state at `index` with every state between it and the nearer end of its kind:
    // the older ones for an applied state, the newer ones for an undone one. Returns how many.
    int dropThrough(int index);
    size_t memoryBytesAt(int index) const;
    // Moves the state's undo data to the budget's disk cache; false when it stays in memory.
    bool cacheState(int index);
    // Brings the state's undo data back into memory; false when it is not there. Data that
    // cannot be read back takes the state with it as dropThrough does.
    bool loadState(int index);
    // Brings back every state in the disk cache (those that cannot come back are dropped).
    void loadAll();
    // The drops the budget did not order (data lost in the cache), for its listener.
    void reportLost(int count);

    std::vector<Slot> states_;
    HistoryBudget* budget_ = nullptr;
    int limit_;
    int current_ = -1;
};

}  // namespace varnel
