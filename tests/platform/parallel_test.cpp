#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace varnel {
namespace {

// Restores the process-wide thread count after each test.
class ParallelRows : public ::testing::Test {
protected:
    void TearDown() override { setWorkerThreads(m_saved); }
    int m_saved = workerThreads();
};

TEST_F(ParallelRows, CoversEveryRowExactlyOnce) {
    struct Case {
        int threads, count, minRows;
    };
    const Case cases[] = {{1, 100, 1}, {2, 100, 1},  {4, 1000, 7}, {8, 3, 1},
                          {2, 1, 1},   {3, 997, 10}, {2, 20, 50},  {64, 5000, 1}};
    for (const Case& c : cases) {
        setWorkerThreads(c.threads);
        std::vector<std::atomic<int>> hits(size_t(c.count));
        std::atomic<int> calls{0};
        parallelRows(c.count, c.minRows, [&](int begin, int end) {
            ASSERT_LE(0, begin);
            ASSERT_LT(begin, end);
            ASSERT_LE(end, c.count);
            ++calls;
            for (int row = begin; row < end; ++row) ++hits[size_t(row)];
        });
        for (int row = 0; row < c.count; ++row)
            ASSERT_EQ(1, hits[size_t(row)].load()) << "threads " << c.threads << " row " << row;
        if (c.threads == 1 || c.count < 2 * c.minRows) {
            EXPECT_EQ(1, calls.load()) << "small or single-thread jobs stay in one call";
        }
    }
}

TEST_F(ParallelRows, UsesOtherThreadsAndNestedCallsRunOnTheCaller) {
    setWorkerThreads(2);
    std::mutex mutex;
    std::vector<std::thread::id> outer;
    std::atomic<int> nestedMismatch{0};
    std::atomic<int> nestedRows{0};
    parallelRows(64, 1, [&](int begin, int end) {
        {
            std::lock_guard lock(mutex);
            outer.push_back(std::this_thread::get_id());
        }
        const auto self = std::this_thread::get_id();
        parallelRows(100, 1, [&](int b, int e) {
            if (std::this_thread::get_id() != self || b != 0 || e != 100) ++nestedMismatch;
            nestedRows += e - b;
        });
        // Keep the part busy long enough for the worker to take some.
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (end - begin)));
    });
    EXPECT_EQ(0, nestedMismatch.load());
    EXPECT_EQ(100 * int(outer.size()), nestedRows.load());
    bool sawWorker = false;
    for (auto id : outer) sawWorker = sawWorker || id != std::this_thread::get_id();
    EXPECT_TRUE(sawWorker);
}

TEST_F(ParallelRows, ConcurrentCallersAndChangingCountsStayCorrect) {
    std::atomic<int64_t> total{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                if (t == 0 && round % 50 == 0) setWorkerThreads(1 + round / 50);
                parallelRows(257, 3, [&](int begin, int end) { total += end - begin; });
            }
        });
    }
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(int64_t(4) * 200 * 257, total.load());
}

TEST_F(ParallelRows, CountsAreClamped) {
    setWorkerThreads(0);
    EXPECT_EQ(1, workerThreads());
    setWorkerThreads(1000);
    EXPECT_EQ(64, workerThreads());
    EXPECT_GE(availableCores(), 1);
    EXPECT_EQ(1, minRowsFor(1 << 20));
    EXPECT_EQ(1 << 18, minRowsFor(1));
    EXPECT_EQ(1, minRowsFor(0));
}

}  // namespace
}  // namespace varnel
