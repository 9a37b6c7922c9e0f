#include "history/history.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <utility>

#include "history/history_budget.h"
#include "history/history_disk_cache.h"

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

History::Slot::Slot(std::unique_ptr<HistoryAction> a) : action(std::move(a)) {}
History::Slot::Slot(Slot&&) noexcept = default;
History::Slot& History::Slot::operator=(Slot&&) noexcept = default;
History::Slot::~Slot() = default;

History::History(int limit) : limit_(limit < 0 ? 0 : limit) {}

History::~History() {
    // Dropped first, so that nothing is read back from the disk cache only to be deleted.
    clear();
    setBudget(nullptr);
}

void History::setBudget(HistoryBudget* budget) {
    if (budget_ == budget) return;
    if (budget_) {
        loadAll();
        budget_->detach(this);
    }
    budget_ = budget;
    if (budget_) budget_->attach(this);
}

uint64_t History::lastUndoneTick() const {
    return canRedo() ? states_.back().undoneTick : 0;
}

int History::perform(std::unique_ptr<HistoryAction> action, bool alreadyExecuted) {
    if (!action) return 0;
    // Make room before anything changes, so that running out of memory can neither leave an
    // executed change unrecorded nor a half-updated list.
    try {
        states_.reserve(states_.size() + 1);
    } catch (const std::exception&) {
        return 0;
    }
    int r = 1;
    if (!alreadyExecuted) {
        r = runExecute(*action);
        if (r == 0) return 0;  // the action is deleted on return; the list is unchanged
    }
    while (canRedo()) dropNewest();
    states_.emplace_back(std::move(action));
    guarded([&] {
        states_.back().action->recorded();
        return 1;
    });
    current_ = count() - 1;
    if (count() > limit_) dropOldest();
    if (budget_) budget_->enforce(this);
    return r;
}

int History::undo() {
    if (current_ < 0) return 0;
    const bool wasCached = isCached(current_);
    if (wasCached && !loadState(current_)) return 0;
    if (current_ < 0) return 0;  // its data was lost, and the state with it
    HistoryAction& action = *states_[size_t(current_)].action;
    states_[size_t(current_)].undoneTick = ++undoClock;
    --current_;
    const int r = runRevert(action);
    // The data read back counts against the memory budget again.
    if (wasCached && budget_) budget_->enforce(this);
    return r;
}

int History::redo() {
    if (current_ >= count() - 1) return 0;
    if (isCached(current_ + 1) && !loadState(current_ + 1)) return 0;
    if (current_ >= count() - 1) return 0;  // its data was lost, and the state with it
    ++current_;
    const int r = runExecute(*states_[size_t(current_)].action);
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
    for (const Slot& state : states_) total += state.action->byteSize();
    return total;
}

size_t History::memoryBytesAt(int index) const {
    const Slot& state = states_[size_t(index)];
    const size_t bytes = state.action->byteSize();
    if (!state.cached) return bytes;
    const uint64_t out = state.cached->bytes;
    return bytes > out ? bytes - size_t(out) : 0;
}

size_t History::memoryBytes() const {
    size_t total = 0;
    for (int i = 0; i < count(); ++i) total += memoryBytesAt(i);
    return total;
}

bool History::isCached(int index) const {
    return index >= 0 && index < count() && states_[size_t(index)].cached != nullptr;
}

const HistoryAction* History::stateAt(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return states_[size_t(index)].action.get();
}

void History::loadAll() {
    for (int i = 0; i < count(); ++i) {
        if (!isCached(i) || loadState(i)) continue;
        // Lost (and dropped already), or memory is short for it: it goes, and the count starts
        // over since the states have moved.
        if (isCached(i)) dropThrough(i);
        i = -1;
    }
}

bool History::cacheState(int index) {
    HistoryDiskCache* cache = budget_ ? budget_->diskCache() : nullptr;
    if (!cache || index < 0 || index >= count() || isCached(index)) return false;
    Slot& state = states_[size_t(index)];
    state.cached = cache->spill(*this, *state.action);
    return state.cached != nullptr;
}

bool History::loadState(int index) {
    if (!isCached(index)) return false;
    Slot& state = states_[size_t(index)];
    HistoryDiskCache* cache = budget_ ? budget_->diskCache() : nullptr;
    const HistoryDiskCache::Restore r =
        cache ? cache->restore(*state.cached) : HistoryDiskCache::Restore::Lost;
    if (r == HistoryDiskCache::Restore::Done) {
        state.cached.reset();
        return true;
    }
    if (r == HistoryDiskCache::Restore::Lost) reportLost(dropThrough(index));
    return false;
}

void History::reportLost(int count) {
    if (budget_ && count > 0) budget_->reportDropped(count, HistoryBudget::DropReason::CacheFailed);
}

int History::dropThrough(int index) {
    if (index < 0 || index >= count()) return 0;
    int dropped = 0;
    if (index <= current_) {
        for (int i = 0; i <= index; ++i, ++dropped) dropOldest();
    } else {
        while (count() > index) {
            dropNewest();
            ++dropped;
        }
    }
    return dropped;
}

void History::dropOldest() {
    if (states_.empty()) return;
    // Detach first: an action's destructor must not see itself still listed.
    Slot oldest = std::move(states_.front());
    states_.erase(states_.begin());
    if (current_ >= 0) --current_;
    if (oldest.cached && budget_ && budget_->diskCache())
        budget_->diskCache()->discard(*oldest.cached);
}

void History::dropNewest() {
    if (states_.empty()) return;
    Slot newest = std::move(states_.back());
    states_.pop_back();
    if (current_ > count() - 1) current_ = count() - 1;
    if (newest.cached && budget_ && budget_->diskCache())
        budget_->diskCache()->discard(*newest.cached);
}

}  // namespace varnel
