#include "history/history_budget.h"

#include <algorithm>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "history/history.h"
#include "history/history_disk_cache.h"

namespace varnel {

HistoryBudget::~HistoryBudget() {
    // Histories outliving the budget go on without one.
    for (History* history : std::vector<History*>(histories_)) history->setBudget(nullptr);
}

void HistoryBudget::attach(History* history) {
    if (std::find(histories_.begin(), histories_.end(), history) == histories_.end())
        histories_.push_back(history);
}

void HistoryBudget::detach(History* history) {
    histories_.erase(std::remove(histories_.begin(), histories_.end(), history), histories_.end());
    if (lastActive_ == history) lastActive_ = nullptr;
    if (cache_) cache_->closeFile(*history);
}

void HistoryBudget::setBudget(size_t bytes, const History* active) {
    budget_ = bytes;
    enforce(active);
}

void HistoryBudget::setDiskCache(HistoryDiskCache* cache) {
    if (cache_ == cache) return;
    if (cache_) {
        for (History* history : histories_) {
            history->loadAll();
            cache_->closeFile(*history);
        }
    }
    cache_ = cache;
}

size_t HistoryBudget::totalBytes() const {
    size_t total = 0;
    for (const History* history : histories_) total += history->memoryBytes();
    return total;
}

HistoryBudget::Pick HistoryBudget::nextToCache(
    const History* active, const std::set<const HistoryAction*>& refused) const {
    auto candidate = [&](const History* history, int index) {
        return !history->isCached(index) && history->memoryBytesAt(index) > 0 &&
               !refused.count(history->stateAt(index));
    };
    // Undone states: in each list the newest one still in memory, of which the one undone
    // longest ago.
    Pick pick;
    uint64_t pickTick = 0;
    for (History* history : histories_) {
        for (int i = history->count() - 1; i > history->current(); --i) {
            if (!candidate(history, i)) continue;
            const uint64_t tick = history->states_[size_t(i)].undoneTick;
            if (!pick.history || tick < pickTick) {
                pick = {history, i};
                pickTick = tick;
            }
            break;
        }
    }
    if (pick.history) return pick;
    // Applied states: the oldest one in memory of the list holding the most in memory.
    size_t pickBytes = 0;
    for (History* history : histories_) {
        const int last = history->current() - (history == active ? 1 : 0);
        for (int i = 0; i <= last; ++i) {
            if (!candidate(history, i)) continue;
            const size_t bytes = history->memoryBytes();
            if (!pick.history || bytes > pickBytes) {
                pick = {history, i};
                pickBytes = bytes;
            }
            break;
        }
    }
    return pick;
}

HistoryBudget::Pick HistoryBudget::nextToDrop(const History* active) const {
    // Undone states first: each list's newest undone state is the one it undid first, so the
    // oldest undo of all lists is found among their last states. Dropping from the end keeps
    // every remaining undone state after the state it was recorded after.
    History* oldest = nullptr;
    for (History* history : histories_) {
        if (!history->canRedo()) continue;
        if (!oldest || history->lastUndoneTick() < oldest->lastUndoneTick()) oldest = history;
    }
    if (oldest) return {oldest, oldest->count() - 1};
    // Then the oldest applied states of the list that holds the most.
    History* largest = nullptr;
    size_t largestBytes = 0;
    for (History* history : histories_) {
        const int keep = history == active ? 1 : 0;
        if (history->current() + 1 <= keep) continue;  // nothing applied it may drop
        const size_t bytes = history->byteSize();
        if (!largest || bytes > largestBytes) {
            largest = history;
            largestBytes = bytes;
        }
    }
    if (largest) return {largest, 0};
    return {};
}

bool HistoryBudget::holdsMemoryToFree(const History* active) const {
    for (const History* history : histories_) {
        for (int i = 0; i < history->count(); ++i) {
            if (history == active && i == history->current()) continue;
            if (!history->isCached(i) && history->memoryBytesAt(i) > 0) return true;
        }
    }
    return false;
}

int HistoryBudget::enforce(const History* active) {
    lastActive_ = active;
    int dropped = 0;
    size_t total = totalBytes();
    std::set<const HistoryAction*> refused;
    while (total > budget_) {
        if (cache_ && cache_->isOpen()) {
            const Pick move = nextToCache(active, refused);
            if (move.history) {
                const size_t before = move.history->memoryBytesAt(move.index);
                if (cache_->fits(before)) {
                    if (move.history->cacheState(move.index)) {
                        total -= std::min(total, before - move.history->memoryBytesAt(move.index));
                    } else {
                        refused.insert(move.history->stateAt(move.index));
                    }
                    continue;
                }
            }
        }
        // The cache is full (or there is none): states go, as long as that can free memory (with
        // a cache, dropping what is on disk alone would only lose steps).
        if (cache_ && !holdsMemoryToFree(active)) break;
        const Pick drop = nextToDrop(active);
        if (!drop.history) break;
        const size_t bytes = drop.history->memoryBytesAt(drop.index);
        if (drop.index == 0 && drop.index <= drop.history->current())
            drop.history->dropOldest();
        else
            drop.history->dropNewest();
        total -= std::min(total, bytes);
        ++dropped;
    }
    if (dropped > 0)
        reportDropped(dropped,
                      cache_ && !cache_->isOpen() ? DropReason::CacheFailed : DropReason::Full);
    return dropped;
}

void HistoryBudget::settle() {
    if (!cache_) return;
    bool failed = false;
    for (History* history : histories_) {
        for (History::Slot& state : history->states_) {
            if (state.cached && cache_->takeBackFailed(*state.cached)) {
                state.cached.reset();
                failed = true;
            }
        }
    }
    if (failed) enforce(lastActive_);
}

void HistoryBudget::reportDropped(int count, DropReason reason) {
    if (listener_ && count > 0) listener_->statesDropped(count, reason);
}

size_t HistoryBudget::defaultBytes() {
    constexpr size_t kFloor = size_t(256) << 20;
    size_t physical = 0;
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) physical = size_t(pages) * size_t(pageSize);
#endif
    return std::max(kFloor, physical / 4);
}

}  // namespace varnel
