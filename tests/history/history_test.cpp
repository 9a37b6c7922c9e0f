#include "history/history.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Writes every call it receives into a shared log, so that tests can check order and ownership.
// Results of execute() and revert() are taken from queues (1 once a queue is empty).
struct Log {
    std::vector<std::string> events;
    std::vector<std::string> take() { return std::exchange(events, {}); }
};

class RecordingAction : public HistoryAction {
public:
    RecordingAction(Log& log, std::string id, std::deque<int> executeResults = {},
                    std::deque<int> revertResults = {})
        : HistoryAction(nullptr, nullptr),
          log_(log),
          id_(std::move(id)),
          executeResults_(std::move(executeResults)),
          revertResults_(std::move(revertResults)) {}
    ~RecordingAction() override { log_.events.push_back(id_ + " deleted"); }

    std::string name() const override { return id_; }
    int execute() override {
        log_.events.push_back(id_ + " execute");
        return next(executeResults_);
    }
    int revert() override {
        log_.events.push_back(id_ + " revert");
        return next(revertResults_);
    }
    void beforeExecute() override { log_.events.push_back(id_ + " beforeExecute"); }
    void afterExecute(int r) override {
        log_.events.push_back(id_ + " afterExecute " + std::to_string(r));
    }
    void beforeRevert() override { log_.events.push_back(id_ + " beforeRevert"); }
    void afterRevert(int r) override {
        log_.events.push_back(id_ + " afterRevert " + std::to_string(r));
    }

private:
    static int next(std::deque<int>& q) {
        if (q.empty()) return 1;
        int r = q.front();
        q.pop_front();
        return r;
    }
    Log& log_;
    std::string id_;
    std::deque<int> executeResults_, revertResults_;
};

class ThrowingAction : public RecordingAction {
public:
    using RecordingAction::RecordingAction;
    int execute() override { throw std::runtime_error("broken action"); }
};

std::unique_ptr<HistoryAction> action(Log& log, const std::string& id,
                                      std::deque<int> executeResults = {},
                                      std::deque<int> revertResults = {}) {
    return std::make_unique<RecordingAction>(log, id, std::move(executeResults),
                                             std::move(revertResults));
}

// Names of the recorded states, oldest first.
std::vector<std::string> names(const History& h) {
    std::vector<std::string> out;
    for (int i = 0; i < h.count(); ++i) out.push_back(h.stateAt(i)->name());
    return out;
}

// Records `n` actions named "0", "1", ... and forgets the log of doing so.
void record(History& h, Log& log, int n) {
    for (int i = 0; i < n; ++i) ASSERT_EQ(h.perform(action(log, std::to_string(i))), 1);
    log.take();
}

TEST(History, PerformRunsTheHooksAroundExecuteAndRecords) {
    Log log;
    History h(5);
    EXPECT_EQ(h.perform(action(log, "A")), 1);
    EXPECT_THAT(log.take(), ElementsAre("A beforeExecute", "A execute", "A afterExecute 1"));
    EXPECT_EQ(h.count(), 1);
    EXPECT_EQ(h.current(), 0);
    EXPECT_TRUE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
}

TEST(History, AlreadyExecutedActionIsRecordedWithoutRunningIt) {
    Log log;
    History h(5);
    EXPECT_EQ(h.perform(action(log, "A"), true), 1);
    EXPECT_THAT(log.take(), IsEmpty());
    EXPECT_THAT(names(h), ElementsAre("A"));
    EXPECT_EQ(h.current(), 0);
}

TEST(History, FailingFirstExecuteLeavesTheListUnchanged) {
    Log log;
    History h(5);
    record(h, log, 3);
    ASSERT_EQ(h.undo(), 1);  // keep an undone state: a failed command must not discard it
    log.take();

    EXPECT_EQ(h.perform(action(log, "bad", {0})), 0);
    EXPECT_THAT(log.take(), ElementsAre("bad beforeExecute", "bad execute", "bad afterExecute 0",
                                        "bad deleted"));
    EXPECT_THAT(names(h), ElementsAre("0", "1", "2"));
    EXPECT_EQ(h.current(), 1);
    EXPECT_TRUE(h.canRedo());
}

TEST(History, ThrowingExecuteCountsAsFailure) {
    Log log;
    History h(5);
    record(h, log, 1);
    EXPECT_EQ(h.perform(std::make_unique<ThrowingAction>(log, "T")), 0);
    EXPECT_THAT(names(h), ElementsAre("0"));
    EXPECT_EQ(h.current(), 0);
    EXPECT_EQ(h.perform(nullptr), 0);
    EXPECT_EQ(h.count(), 1);
}

TEST(History, LimitOneKeepsOnlyTheNewestState) {
    Log log;
    History h(1);
    h.perform(action(log, "A"));
    log.take();
    h.perform(action(log, "B"));
    EXPECT_THAT(log.take(),
                ElementsAre("B beforeExecute", "B execute", "B afterExecute 1", "A deleted"));
    EXPECT_THAT(names(h), ElementsAre("B"));
    EXPECT_EQ(h.current(), 0);

    EXPECT_EQ(h.undo(), 1);
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(h.redo(), 1);
    EXPECT_THAT(log.take(), ElementsAre("B beforeRevert", "B revert", "B afterRevert 1",
                                        "B beforeExecute", "B execute", "B afterExecute 1"));
    EXPECT_EQ(h.current(), 0);
}

TEST(History, LimitZeroRecordsNothing) {
    Log log;
    History h(0);
    EXPECT_EQ(h.perform(action(log, "A")), 1);  // the change itself happened
    EXPECT_EQ(h.count(), 0);
    EXPECT_EQ(h.current(), -1);
    EXPECT_FALSE(h.canUndo());
}

TEST(History, RecordingAfterUndoDiscardsUndoneStatesNewestFirst) {
    Log log;
    History h(10);
    record(h, log, 4);
    h.undo();
    h.undo();
    log.take();
    h.perform(action(log, "N"));
    EXPECT_THAT(log.take(), ElementsAre("N beforeExecute", "N execute", "N afterExecute 1",
                                        "3 deleted", "2 deleted"));
    EXPECT_THAT(names(h), ElementsAre("0", "1", "N"));
    EXPECT_EQ(h.current(), 2);
    EXPECT_FALSE(h.canRedo());
}

TEST(History, UndoAndRedoAtTheEndsDoNothing) {
    Log log;
    History h(5);
    EXPECT_EQ(h.undo(), 0);
    EXPECT_EQ(h.redo(), 0);
    record(h, log, 2);
    EXPECT_EQ(h.redo(), 0);
    EXPECT_EQ(h.current(), 1);
    h.undo();
    h.undo();
    log.take();
    EXPECT_EQ(h.undo(), 0);
    EXPECT_THAT(log.take(), IsEmpty());
    EXPECT_EQ(h.current(), -1);
}

TEST(History, PositionMovesEvenWhenRevertOrRedoFails) {
    Log log;
    History h(5);
    // A executes fine the first time, then fails on redo; its revert fails.
    h.perform(action(log, "A", {1, 0}, {0}));
    log.take();
    EXPECT_EQ(h.undo(), 0);
    EXPECT_EQ(h.current(), -1);
    EXPECT_TRUE(h.canRedo());
    EXPECT_EQ(h.redo(), 0);
    EXPECT_EQ(h.current(), 0);
    EXPECT_THAT(log.take(), ElementsAre("A beforeRevert", "A revert", "A afterRevert 0",
                                        "A beforeExecute", "A execute", "A afterExecute 0"));
}

TEST(History, UndoRedoWalkThroughStatesInOrder) {
    Log log;
    History h(5);
    record(h, log, 3);
    h.undo();
    h.undo();
    h.redo();
    EXPECT_THAT(log.take(), ElementsAre("2 beforeRevert", "2 revert", "2 afterRevert 1",
                                        "1 beforeRevert", "1 revert", "1 afterRevert 1",
                                        "1 beforeExecute", "1 execute", "1 afterExecute 1"));
    EXPECT_EQ(h.current(), 1);
}

TEST(History, SetLimitTrimsDiscardingUndoneStatesFirst) {
    struct Case {
        const char* what;
        int count, undos, limit;
        std::vector<std::string> kept;
        int current;
        std::vector<std::string> deleted;  // in deletion order
    } cases[] = {
        {"all applied: oldest go", 5, 0, 3, {"2", "3", "4"}, 2, {"0 deleted", "1 deleted"}},
        {"raising keeps everything", 3, 1, 10, {"0", "1", "2"}, 1, {}},
        {"undone states go first", 5, 2, 4, {"0", "1", "2", "3"}, 2, {"4 deleted"}},
        {"then applied from the front",
         5,
         2,
         2,
         {"1", "2"},
         1,
         {"4 deleted", "3 deleted", "0 deleted"}},
        {"all undone", 4, 4, 2, {"0", "1"}, -1, {"3 deleted", "2 deleted"}},
        {"zero empties", 3, 1, 0, {}, -1, {"2 deleted", "0 deleted", "1 deleted"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log log;
        History h(10);
        record(h, log, c.count);
        for (int i = 0; i < c.undos; ++i) h.undo();
        log.take();
        h.setLimit(c.limit);
        EXPECT_EQ(names(h), c.kept);
        EXPECT_EQ(h.current(), c.current);
        EXPECT_EQ(log.take(), c.deleted);
        EXPECT_EQ(h.limit(), c.limit);
        // What is left is consistent: redo brings back exactly the undone states, in order.
        std::vector<std::string> redone;
        while (h.canRedo()) {
            h.redo();
            redone.push_back(h.stateAt(h.current())->name());
        }
        std::vector<std::string> expectedRedone(c.kept.begin() + (c.current + 1), c.kept.end());
        EXPECT_EQ(redone, expectedRedone);
    }
}

TEST(History, LoweredLimitAppliesToLaterRecords) {
    Log log;
    History h(5);
    record(h, log, 2);
    h.setLimit(2);
    h.perform(action(log, "X"));
    EXPECT_THAT(names(h), ElementsAre("1", "X"));
    EXPECT_EQ(h.current(), 1);
}

TEST(History, ClearDeletesNewestFirst) {
    Log log;
    History h(5);
    record(h, log, 3);
    h.undo();
    log.take();
    h.clear();
    EXPECT_THAT(log.take(), ElementsAre("2 deleted", "1 deleted", "0 deleted"));
    EXPECT_EQ(h.count(), 0);
    EXPECT_EQ(h.current(), -1);
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
    // The history is usable again afterwards.
    EXPECT_EQ(h.perform(action(log, "A")), 1);
    EXPECT_EQ(h.current(), 0);
}

TEST(History, DestructionDeletesEveryState) {
    Log log;
    {
        History h(5);
        record(h, log, 2);
    }
    EXPECT_THAT(log.take(), ElementsAre("1 deleted", "0 deleted"));
}

}  // namespace
}  // namespace varnel
