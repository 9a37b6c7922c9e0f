#include "history/history.h"

#include <atomic>
#include <exception>
#include <utility>

#include "history/history_budget.h"

namespace varnel {
namespace {

std::atomic<uint64_t> undoClock{0};

// Actions must not throw; one that does anyway counts as a failed step rather than letting the
// exception escape into the window's message handling.
template <typename Fn>
int guarded(Fn&& fn) {
    try {
        return fn();
    } catch (...) {
        return 0;
    }
}

int runExecute(HistoryAction& action) {
    return guarded([&] {
        action.beforeExecute();
        int r = action.execute();
        action.afterExecute(r);
        return r;
    });
}

int runRevert(HistoryAction& action) {
    return guarded([&] {
        action.beforeRevert();
        int r = action.revert();
        action.afterRevert(r);
        return r;
    });
}

}  // namespace

History::History(int limit) : limit_(limit < 0 ? 0 : limit) {}

History::~History() {
    setBudget(nullptr);
    clear();
}

void History::setBudget(HistoryBudget* budget) {
    if (budget_ == budget) return;
    if (budget_) budget_->detach(this);
    budget_ = budget;
    if (budget_) budget_->attach(this);
}

uint64_t History::lastUndoneTick() const {
    return canRedo() ? undoneTicks_.back() : 0;
}

int History::perform(std::unique_ptr<HistoryAction> action, bool alreadyExecuted) {
    if (!action) return 0;
    // Make room before anything changes, so that running out of memory can neither leave an
    // executed change unrecorded nor a half-updated list.
    try {
        states_.reserve(states_.size() + 1);
        undoneTicks_.reserve(states_.size() + 1);
    } catch (const std::exception&) {
        return 0;
    }
    int r = 1;
    if (!alreadyExecuted) {
        r = runExecute(*action);
        if (r == 0) return 0;  // the action is deleted on return; the list is unchanged
    }
    while (canRedo()) dropNewest();
    states_.push_back(std::move(action));
    undoneTicks_.push_back(0);
    guarded([&] {
        states_.back()->recorded();
        return 1;
    });
    current_ = count() - 1;
    if (count() > limit_) dropOldest();
    if (budget_) budget_->enforce(this);
    return r;
}

int History::undo() {
    if (current_ < 0) return 0;
    HistoryAction& action = *states_[size_t(current_)];
    undoneTicks_[size_t(current_)] = ++undoClock;
    --current_;
    return runRevert(action);
}

int History::redo() {
    if (current_ >= count() - 1) return 0;
    ++current_;
    const int r = runExecute(*states_[size_t(current_)]);
    // A redo may take its undo data again (a selection copy).
    if (budget_) budget_->enforce(this);
    return r;
}

void History::setLimit(int limit) {
    limit_ = limit < 0 ? 0 : limit;
    while (count() > limit_ && canRedo()) dropNewest();
    while (count() > limit_) dropOldest();
}

void History::clear() {
    while (!states_.empty()) dropNewest();
    current_ = -1;
}

size_t History::byteSize() const {
    size_t total = 0;
    for (const auto& state : states_) total += state->byteSize();
    return total;
}

const HistoryAction* History::stateAt(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return states_[size_t(index)].get();
}

void History::dropOldest() {
    if (states_.empty()) return;
    // Detach first: an action's destructor must not see itself still listed.
    std::unique_ptr<HistoryAction> oldest = std::move(states_.front());
    states_.erase(states_.begin());
    undoneTicks_.erase(undoneTicks_.begin());
    if (current_ >= 0) --current_;
}

void History::dropNewest() {
    if (states_.empty()) return;
    std::unique_ptr<HistoryAction> newest = std::move(states_.back());
    states_.pop_back();
    undoneTicks_.pop_back();
    if (current_ > count() - 1) current_ = count() - 1;
}

}  // namespace varnel
