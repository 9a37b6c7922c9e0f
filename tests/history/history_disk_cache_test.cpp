#include "history/history_disk_cache.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "action_fixtures.h"
#include "filters/filter_action.h"
#include "filters/kernel_filter.h"
#include "history/history.h"
#include "history/history_budget.h"
#include "history/pixel_actions.h"
#include "platform/cache_file.h"
#include "temp_folder.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

using testing::TempFolder;

struct Drop {
    int count;
    HistoryBudget::DropReason reason;
};

struct Notes : HistoryBudget::Listener {
    std::vector<Drop> drops;
    void statesDropped(int count, HistoryBudget::DropReason reason) override {
        drops.push_back({count, reason});
    }
    int dropped(HistoryBudget::DropReason reason) const {
        int n = 0;
        for (const Drop& d : drops)
            if (d.reason == reason) n += d.count;
        return n;
    }
};

// One small document whose every step's undo data (a 1296-byte layer copy) passes a memory budget
// of 600 bytes, so that each older state leaves memory.
struct CachedDocument {
    TempFolder folder;
    std::unique_ptr<Document> doc = testing::makeDocument(true, 3);
    Selection selection;
    Notes notes;
    HistoryBudget budget{600};
    std::unique_ptr<HistoryDiskCache> cache;
    std::unique_ptr<History> history;
    std::vector<uint64_t> digests;  // digests[i]: after i states applied

    explicit CachedDocument(uint64_t diskBytes, std::string folderPath = {}) {
        selection.resetCanvas(doc->size());
        cache = std::make_unique<HistoryDiskCache>(
            folderPath.empty() ? folder.path() + "/Varnel" : folderPath, diskBytes);
        budget.setDiskCache(cache.get());
        budget.setListener(&notes);
        history = std::make_unique<History>(20);
        history->setBudget(&budget);
        digests.push_back(digest());
    }
    ~CachedDocument() {
        history.reset();
        budget.setDiskCache(nullptr);
    }
    uint64_t digest() const { return testing::digestOf(*doc, selection); }
    std::vector<std::string> files() const { return TempFolder::filesIn(cache->folder()); }
    void blur(int times) {
        for (int i = 0; i < times; ++i) {
            ASSERT_EQ(history->perform(std::make_unique<FilterAction>(
                          doc.get(), &selection, std::make_unique<BlurFilter>())),
                      1);
            digests.push_back(digest());
        }
    }
    int cachedStates() const {
        int n = 0;
        for (int i = 0; i < history->count(); ++i) n += history->isCached(i) ? 1 : 0;
        return n;
    }
    // Undoes everything undoable and redoes it again, checking every state on the way.
    void undoAndRedoAll(bool settleWrites) {
        const int first = int(digests.size()) - 1 - history->count();
        while (history->canUndo()) {
            if (settleWrites) cache->waitIdle();
            ASSERT_EQ(history->undo(), 1);
            ASSERT_EQ(digest(), digests[size_t(first + history->current() + 1)]);
        }
        while (history->canRedo()) {
            if (settleWrites) cache->waitIdle();
            ASSERT_EQ(history->redo(), 1);
            ASSERT_EQ(digest(), digests[size_t(first + history->current() + 1)]);
        }
    }
};

TEST(HistoryDiskCache, StatesLeavingMemoryComeBackByteForByte) {
    // Written before they come back, or taken back while their write still waits in the queue.
    for (const bool settleWrites : {true, false}) {
        SCOPED_TRACE(settleWrites ? "written first" : "taken back from the queue");
        CachedDocument d(1 << 20);
        d.blur(6);
        EXPECT_EQ(d.history->count(), 6);
        EXPECT_EQ(d.cachedStates(), 5);  // all but the state just performed
        EXPECT_LE(d.budget.totalBytes(), d.history->stateAt(5)->byteSize());
        EXPECT_EQ(d.cache->usedBytes(), 5u * 1296u);
        EXPECT_EQ(d.files().size(), 1u);
        d.undoAndRedoAll(settleWrites);
        d.undoAndRedoAll(settleWrites);
        EXPECT_TRUE(d.notes.drops.empty());
        EXPECT_EQ(d.history->count(), 6);
    }
}

TEST(HistoryDiskCache, StatesAreDroppedOnlyWhenTheDiskBudgetIsFullToo) {
    CachedDocument d(3 * 1296);  // room for three states on disk
    d.blur(8);
    EXPECT_EQ(d.history->count(), 4);  // three on disk and the newest in memory
    EXPECT_EQ(d.cachedStates(), 3);
    EXPECT_EQ(d.notes.dropped(HistoryBudget::DropReason::Full), 4);
    EXPECT_EQ(d.notes.drops.size(), 4u);  // one note per occasion
    EXPECT_TRUE(d.cache->isOpen());
    d.undoAndRedoAll(true);
}

// A full disk (a write refused), a folder that cannot be made: the state is dropped with a note
// saying the cache failed, nothing is lost of what remains, and the cache takes nothing more.
TEST(HistoryDiskCache, FailuresDropStatesWithANoteAndKeepTheRestExact) {
    struct Case {
        const char* label;
        bool failWrites;
        bool badFolder;
    };
    for (const Case& c : {Case{"disk full", true, false}, Case{"folder unwritable", false, true}}) {
        SCOPED_TRACE(c.label);
        TempFolder scratch;
        // A folder below a plain file cannot be made, whoever runs the test.
        const std::string blocker = scratch.path() + "/plain-file";
        std::ofstream(blocker) << "x";
        CachedDocument d(1 << 20, c.badFolder ? blocker + "/Varnel" : std::string());
        if (c.failWrites) platform::failNextCacheWrites(1000);
        d.blur(4);
        d.cache->waitIdle();
        d.budget.settle();  // what the editor does when the worker wakes it
        platform::failNextCacheWrites(0);
        EXPECT_FALSE(d.cache->isOpen());
        EXPECT_FALSE(d.cache->failure().empty());
        EXPECT_EQ(d.notes.dropped(HistoryBudget::DropReason::Full), 0);
        EXPECT_EQ(d.notes.dropped(HistoryBudget::DropReason::CacheFailed), 3);
        EXPECT_EQ(d.history->count(), 1);
        EXPECT_EQ(d.cachedStates(), 0);
        EXPECT_EQ(d.cache->usedBytes(), 0u);
        d.undoAndRedoAll(false);
        d.blur(2);  // the cache stays closed: the budget drops as without one
        EXPECT_EQ(d.history->count(), 1);
        d.undoAndRedoAll(false);
    }
}

TEST(HistoryDiskCache, AFailedWriteGivesTheStateItsMemoryBackWhenUndoneFirst) {
    CachedDocument d(1 << 20);
    platform::failNextCacheWrites(1000);
    d.blur(2);
    d.cache->waitIdle();
    platform::failNextCacheWrites(0);
    // Undone before the budget heard of the failure: the data comes back from memory.
    d.undoAndRedoAll(false);
    EXPECT_FALSE(d.cache->isOpen());
}

TEST(HistoryDiskCache, TheFileGoesWithItsDocument) {
    CachedDocument d(1 << 20);
    d.blur(3);
    d.cache->waitIdle();
    EXPECT_EQ(TempFolder::filesIn(d.folder.path()).size(), 1u);  // the cache folder alone
    EXPECT_EQ(d.files().size(), 1u);
    d.history.reset();
    d.cache->waitIdle();
    EXPECT_TRUE(d.files().empty());
    EXPECT_EQ(d.cache->usedBytes(), 0u);
}

TEST(HistoryDiskCache, StaleFilesOfEndedProcessesAreRemovedAtStart) {
    TempFolder folder;
    // A process id that no running process has: a child that has ended and been reaped.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string stale = folder.path() + "/history-" + std::to_string(child) + "-0.cache";
    const std::string other = folder.path() + "/notes.txt";
    std::ofstream(stale) << "left by a crash";
    std::ofstream(other) << "not ours";
    std::string reason;
    auto live = platform::CacheFile::create(folder.path(), "history", &reason);
    ASSERT_TRUE(live) << reason;

    EXPECT_EQ(HistoryDiskCache::removeStaleFiles(folder.path()), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(live->path()));  // this process's file is locked and kept
    const std::string livePath = live->path();
    live.reset();
    EXPECT_FALSE(fs::exists(livePath));
}

}  // namespace
}  // namespace varnel
