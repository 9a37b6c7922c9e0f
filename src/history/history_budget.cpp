#include "history/history_budget.h"

#include <algorithm>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "history/history.h"

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
}

void HistoryBudget::setBudget(size_t bytes, const History* active) {
    budget_ = bytes;
    enforce(active);
}

size_t HistoryBudget::totalBytes() const {
    size_t total = 0;
    for (const History* history : histories_) total += history->byteSize();
    return total;
}

int HistoryBudget::enforce(const History* active) {
    int dropped = 0;
    size_t total = totalBytes();
    // Undone states first: each list's newest undone state is the one it undid first, so the
    // oldest undo of all lists is found among their last states. Dropping from the end keeps
    // every remaining undone state after the state it was recorded after.
    while (total > budget_) {
        History* oldest = nullptr;
        for (History* history : histories_) {
            if (!history->canRedo()) continue;
            if (!oldest || history->lastUndoneTick() < oldest->lastUndoneTick()) oldest = history;
        }
        if (!oldest) break;
        const size_t bytes = oldest->stateAt(oldest->count() - 1)->byteSize();
        oldest->dropNewest();
        total -= std::min(total, bytes);
        ++dropped;
    }
    // Then the oldest applied states of the list that holds the most.
    while (total > budget_) {
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
        if (!largest) break;
        const size_t bytes = largest->stateAt(0)->byteSize();
        largest->dropOldest();
        total -= std::min(total, bytes);
        ++dropped;
    }
    return dropped;
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
