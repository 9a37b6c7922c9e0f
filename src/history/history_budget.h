// One memory budget shared by the undo lists of every open document, beside each list's own count
// limit. When the undo data held in memory by all lists together passes the budget, states leave
// memory: undone states first (those undone longest ago first), then the oldest applied states of
// the lists that hold the most. With a disk cache attached they go there while it has room;
// otherwise they are dropped, in the same order. The state just performed, the active document's
// newest applied state, never leaves, so the list that recorded it may stay above the budget alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace varnel {

class History;
class HistoryAction;
class HistoryDiskCache;

class HistoryBudget {
public:
    // Why states were dropped: memory and the disk cache (if any) were full, or the disk cache
    // failed (a full disk, a folder that cannot be written, data that cannot be read back).
    enum class DropReason { Full, CacheFailed };

    // Hears of the states the budget dropped, once per occasion, on the thread that changes the
    // histories.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void statesDropped(int count, DropReason reason) = 0;
    };

    explicit HistoryBudget(size_t bytes) : budget_(bytes) {}
    ~HistoryBudget();

    HistoryBudget(const HistoryBudget&) = delete;
    HistoryBudget& operator=(const HistoryBudget&) = delete;

    size_t budget() const { return budget_; }
    // Changes the budget and brings the histories within it (`active` as in enforce).
    void setBudget(size_t bytes, const History* active = nullptr);

    // Where states go before they are dropped (null: nowhere). Changing it brings back into memory
    // whatever the previous cache held. The cache must outlive its use here.
    void setDiskCache(HistoryDiskCache* cache);
    HistoryDiskCache* diskCache() const { return cache_; }
    void setListener(Listener* listener) { listener_ = listener; }

    // The undo data held in memory by every attached history, in bytes.
    size_t totalBytes() const;
    // Moves states to the disk cache, then drops states, until the attached histories fit the
    // budget or nothing that may leave is left. The newest applied state of `active` (null: none)
    // stays. Returns the states dropped.
    int enforce(const History* active);
    // Takes in what the disk cache's worker finished since: a state whose write failed gets its
    // memory back (and the budget is enforced again, without the cache). Call it on the thread
    // that changes the histories when the cache wakes its owner.
    void settle();

    const std::vector<History*>& histories() const { return histories_; }

    // A quarter of the machine's physical memory, and at least 256 MB.
    static size_t defaultBytes();

private:
    friend class History;
    struct Pick {
        History* history = nullptr;
        int index = -1;
    };
    void attach(History* history);
    void detach(History* history);
    // The next state to move to the cache (in memory, not refused before), or to drop.
    Pick nextToCache(const History* active, const std::set<const HistoryAction*>& refused) const;
    Pick nextToDrop(const History* active) const;
    // Whether a state that may leave holds undo data in memory.
    bool holdsMemoryToFree(const History* active) const;
    void reportDropped(int count, DropReason reason);

    size_t budget_;
    std::vector<History*> histories_;
    HistoryDiskCache* cache_ = nullptr;
    Listener* listener_ = nullptr;
    const History* lastActive_ = nullptr;
};

}  // namespace varnel
