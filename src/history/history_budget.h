// One memory budget shared by the undo lists of every open document, beside each list's own count
// limit. When the undo data of all lists together passes the budget, states are dropped: undone
// states first (those undone longest ago first), then the oldest applied states of the lists that
// hold the most. The state just performed, the active document's newest applied state, is never
// dropped, so the list that recorded it may stay above the budget alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnel {

class History;

class HistoryBudget {
public:
    explicit HistoryBudget(size_t bytes) : budget_(bytes) {}
    ~HistoryBudget();

    HistoryBudget(const HistoryBudget&) = delete;
    HistoryBudget& operator=(const HistoryBudget&) = delete;

    size_t budget() const { return budget_; }
    // Changes the budget and drops states until the histories fit it (`active` as in enforce).
    void setBudget(size_t bytes, const History* active = nullptr);

    // The undo data held by every attached history, in bytes.
    size_t totalBytes() const;
    // Drops states until the attached histories fit the budget, or nothing droppable is left.
    // The newest applied state of `active` (null: none) is kept. Returns the states dropped.
    int enforce(const History* active);

    const std::vector<History*>& histories() const { return histories_; }

    // A quarter of the machine's physical memory, and at least 256 MB.
    static size_t defaultBytes();

private:
    friend class History;
    void attach(History* history);
    void detach(History* history);

    size_t budget_;
    std::vector<History*> histories_;
};

}  // namespace varnel
