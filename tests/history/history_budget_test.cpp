#include "history/history_budget.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "action_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/kernel_filter.h"
#include "history/history.h"
#include "history/history_disk_cache.h"
#include "history/layer_actions.h"
#include "history/pixel_actions.h"
#include "history/selection_actions.h"
#include "temp_folder.h"

namespace varnel {
namespace {

using ::testing::ElementsAre;

// A state holding a given number of undo bytes; its deletion is logged by name.
class SizedAction : public HistoryAction {
public:
    SizedAction(std::vector<std::string>& deleted, std::string id, size_t bytes)
        : HistoryAction(nullptr, nullptr), deleted_(deleted), id_(std::move(id)), bytes_(bytes) {}
    ~SizedAction() override { deleted_.push_back(id_); }
    std::string name() const override { return id_; }
    int execute() override { return 1; }
    int revert() override { return 1; }
    size_t byteSize() const override { return bytes_; }

private:
    std::vector<std::string>& deleted_;
    std::string id_;
    size_t bytes_;
};

std::vector<std::string> names(const History& h) {
    std::vector<std::string> out;
    for (int i = 0; i < h.count(); ++i) out.push_back(h.stateAt(i)->name());
    return out;
}

struct TwoDocuments : ::testing::Test {
    std::vector<std::string> deleted;
    HistoryBudget budget{1000};
    History a{100}, b{100};
    void SetUp() override {
        a.setBudget(&budget);
        b.setBudget(&budget);
    }
    void record(History& h, const std::string& id, size_t bytes) {
        h.perform(std::make_unique<SizedAction>(deleted, id, bytes));
    }
};

TEST_F(TwoDocuments, UndoneStatesGoFirstThoseUndoneLongestAgoFirst) {
    record(a, "a1", 200);
    record(a, "a2", 200);
    record(a, "a3", 200);
    record(b, "b1", 100);
    record(b, "b2", 100);
    a.undo();  // a3 undone first
    b.undo();  // then b2
    a.undo();  // then a2
    EXPECT_EQ(budget.totalBytes(), 800u);
    record(b, "b3", 400);  // 1100: a3 goes (the oldest undo), and b2 was discarded by the record
    EXPECT_THAT(deleted, ElementsAre("b2", "a3"));
    EXPECT_THAT(names(a), ElementsAre("a1", "a2"));
    EXPECT_EQ(a.current(), 0);
    EXPECT_TRUE(a.canRedo());
    EXPECT_LE(budget.totalBytes(), budget.budget());
}

TEST_F(TwoDocuments, AppliedStatesGoOldestFirstFromTheDocumentHoldingMost) {
    record(a, "a1", 300);
    record(a, "a2", 300);
    record(b, "b1", 100);
    record(b, "b2", 200);
    record(b, "b3", 200);  // 1100: a holds most, its oldest goes
    EXPECT_THAT(deleted, ElementsAre("a1"));
    record(b, "b4", 400);  // 1200: now b holds most, and gives up two states
    EXPECT_THAT(deleted, ElementsAre("a1", "b1", "b2"));
    EXPECT_THAT(names(b), ElementsAre("b3", "b4"));
    EXPECT_EQ(b.current(), 1);
    EXPECT_EQ(a.current(), 0);
}

TEST_F(TwoDocuments, TheStateJustPerformedStaysEvenAboveTheBudget) {
    record(a, "a1", 100);
    record(b, "b1", 100);
    record(b, "big", 5000);
    EXPECT_THAT(deleted, ElementsAre("b1", "a1"));
    EXPECT_THAT(names(b), ElementsAre("big"));
    EXPECT_TRUE(b.canUndo());
    EXPECT_EQ(b.undo(), 1);
    EXPECT_TRUE(b.canRedo());
}

TEST_F(TwoDocuments, LoweringTheBudgetKeepsTheActiveDocumentsLastStep) {
    record(a, "a1", 400);
    record(a, "a2", 400);
    record(b, "b1", 100);
    budget.setBudget(0, &a);
    EXPECT_THAT(names(a), ElementsAre("a2"));
    EXPECT_EQ(b.count(), 0);
    EXPECT_FALSE(b.canUndo());
    EXPECT_EQ(a.current(), 0);
}

TEST_F(TwoDocuments, ClosedHistoriesLeaveTheBudget) {
    {
        History c(10);
        c.setBudget(&budget);
        c.perform(std::make_unique<SizedAction>(deleted, "c1", 900));
        EXPECT_EQ(budget.histories().size(), 3u);
    }
    EXPECT_EQ(budget.histories().size(), 2u);
    record(a, "a1", 900);
    EXPECT_THAT(names(a), ElementsAre("a1"));
}

TEST(HistoryBudget, DefaultIsAQuarterOfMemoryAndAtLeast256MB) {
    EXPECT_GE(HistoryBudget::defaultBytes(), size_t(256) << 20);
}

TEST(HistoryBudget, HistoriesOutliveTheirBudget) {
    std::vector<std::string> deleted;
    History h(5);
    {
        HistoryBudget budget(10);
        h.setBudget(&budget);
    }
    EXPECT_EQ(h.budget(), nullptr);
    h.perform(std::make_unique<SizedAction>(deleted, "x", 100));
    EXPECT_EQ(h.count(), 1);
}

void runMixedSteps(bool withCache, uint64_t diskBytes) {
    using Make = std::function<std::unique_ptr<HistoryAction>(Document&, Selection&)>;
    const std::vector<Make> steps = {
        [](Document& d, Selection& s) {
            return std::make_unique<FilterAction>(&d, &s, std::make_unique<InvertFilter>());
        },
        [](Document& d, Selection& s) {
            return std::make_unique<FilterAction>(&d, &s, std::make_unique<BlurFilter>());
        },
        [](Document& d, Selection& s) {
            FillSettings f;
            f.color = Bgr::fromColorRef(0x3060C0);
            f.opacity = 60;
            return std::make_unique<FillAction>(&d, &s, d.layers().activeIndex(), f);
        },
        [](Document& d, Selection& s) {
            return std::make_unique<MarqueeAction>(&d, &s, Rect{2, 1, 15, 12}, false);
        },
        [](Document& d, Selection& s) { return std::make_unique<DeselectAction>(&d, &s); },
        [](Document& d, Selection& s) {
            return std::make_unique<OpacityChangeAction>(&d, &s, d.layers().activeIndex(),
                                                         uint8_t(d.layers().activeIndex() * 40));
        },
    };
    struct Doc {
        std::unique_ptr<Document> doc;
        Selection selection;
        History history{20};
        std::map<const HistoryAction*, uint64_t> after;
        uint64_t digest() const { return testing::digestOf(*doc, selection); }
    };
    HistoryBudget budget(600);  // a 24 × 18 layer copy alone takes 1296 bytes
    testing::TempFolder folder;
    HistoryDiskCache cache(folder.path() + "/Varnel", diskBytes);
    if (withCache) budget.setDiskCache(&cache);
    Doc docs[2];
    for (int i = 0; i < 2; ++i) {
        docs[i].doc = testing::makeDocument(false, 11 + i);
        docs[i].doc->layers().setActiveLayer(docs[i].doc->layers().layerAt(0));
        docs[i].selection.resetCanvas(docs[i].doc->size());
        docs[i].history.setBudget(&budget);
    }
    std::mt19937 rng(5);
    int cachedSeen = 0;
    for (int round = 0; round < 300; ++round) {
        Doc& d = docs[rng() % 2];
        const unsigned what = rng() % 6;
        if (what < 3) {
            auto action = steps[rng() % steps.size()](*d.doc, d.selection);
            const HistoryAction* raw = action.get();
            if (d.history.perform(std::move(action))) {
                d.after[raw] = d.digest();
                ASSERT_EQ(d.history.stateAt(d.history.current()), raw) << round;
            }
        } else if (what < 5) {
            if (!d.history.canUndo()) continue;
            ASSERT_EQ(d.history.undo(), 1) << round;
            if (d.history.current() >= 0) {
                ASSERT_EQ(d.digest(), d.after[d.history.stateAt(d.history.current())]) << round;
            }
        } else {
            if (!d.history.canRedo()) continue;
            ASSERT_EQ(d.history.redo(), 1) << round;
            ASSERT_EQ(d.digest(), d.after[d.history.stateAt(d.history.current())]) << round;
        }
        // After a step or a redo, only the state it applied may keep the histories above the
        // budget.
        if (what < 3 || what == 5) {
            const size_t kept =
                d.history.canUndo() ? d.history.stateAt(d.history.current())->byteSize() : 0;
            ASSERT_LE(budget.totalBytes(), std::max(budget.budget(), kept)) << round;
        }
        ASSERT_LE(cache.usedBytes(), diskBytes) << round;
        for (const Doc& doc : docs)
            for (int i = 0; i < doc.history.count(); ++i) cachedSeen += doc.history.isCached(i);
    }
    if (withCache) {
        EXPECT_GT(cachedSeen, 0) << "the disk cache took part";
    }
    for (Doc& d : docs) d.history.setBudget(nullptr);  // reads back what the cache holds
}

// Two real documents under a budget smaller than one layer copy, without a disk cache, with a roomy
// one and with one holding two layer copies: whatever moves to disk and back or is dropped, every
// undo and redo that remains gives back exactly the image the state produced.
TEST(HistoryBudget, UndoAndRedoStayExactUnderATinyBudgetOverMixedSteps) {
    struct Setup {
        const char* label;
        bool cache;
        uint64_t diskBytes;
    };
    for (const Setup& setup : {Setup{"memory only", false, 0}, Setup{"roomy disk", true, 1 << 20},
                               Setup{"tiny disk", true, 2 * 1296}}) {
        SCOPED_TRACE(setup.label);
        runMixedSteps(setup.cache, setup.diskBytes);
    }
}

}  // namespace
}  // namespace varnel
