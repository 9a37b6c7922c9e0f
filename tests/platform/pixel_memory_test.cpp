#include "platform/pixel_memory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace varnel::platform {
namespace {

bool allZero(const PixelMemory& m) {
    for (size_t i = 0; i < m.size(); ++i)
        if (m.data()[i]) return false;
    return true;
}

TEST(PixelMemory, EveryBlockStartsZeroedEvenWhenReused) {
    // Heap blocks, plain mappings and huge-page blocks (which are kept for reuse when released).
    for (size_t bytes : {size_t(1), size_t(4096), size_t(300 * 1024), size_t(8 * 1024 * 1024)}) {
        for (int round = 0; round < 3; ++round) {
            PixelMemory m = PixelMemory::allocate(bytes);
            ASSERT_TRUE(m) << bytes;
            ASSERT_EQ(m.size(), bytes);
            ASSERT_TRUE(allZero(m)) << bytes << " bytes, round " << round;
            std::memset(m.data(), 0xAB, bytes);
        }
    }
    releaseCachedPixelMemory();
}

// Released large blocks are kept for the next allocation of their size, and unmapped once left
// alone for the idle time.
TEST(PixelMemory, KeptBlocksAreReusedThenDroppedWhenIdle) {
    releaseCachedPixelMemory();
    constexpr size_t kBytes = 8 * 1024 * 1024;
    PixelMemory first = PixelMemory::allocate(kBytes);
    ASSERT_TRUE(first);
    uint8_t* const p = first.data();
    std::memset(p, 0x5A, kBytes);
    first.reset();
    EXPECT_GE(cachedPixelMemoryBytes(), kBytes);
    PixelMemory again = PixelMemory::allocate(kBytes);
    EXPECT_EQ(again.data(), p);
    EXPECT_TRUE(allZero(again));
    EXPECT_EQ(cachedPixelMemoryBytes(), 0u);

    setPixelMemoryIdleRelease(std::chrono::milliseconds(50));
    again.reset();
    EXPECT_GE(cachedPixelMemoryBytes(), kBytes);
    for (int i = 0; i < 200 && cachedPixelMemoryBytes() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(cachedPixelMemoryBytes(), 0u);
    setPixelMemoryIdleRelease(std::chrono::seconds(10));
}

TEST(PixelMemory, LargeBlocksAreHugePageAligned) {
    PixelMemory m = PixelMemory::allocate(5 * 1024 * 1024 + 3);
    ASSERT_TRUE(m);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m.data()) % (2 * 1024 * 1024), 0u);
}

TEST(PixelMemory, RefusalsLeaveAnEmptyBlock) {
    EXPECT_FALSE(PixelMemory::allocate(0));
    EXPECT_FALSE(PixelMemory::allocate(SIZE_MAX));
    EXPECT_FALSE(PixelMemory::allocate(SIZE_MAX / 2));
    failNextAllocations(2);
    EXPECT_FALSE(PixelMemory::allocate(16));
    EXPECT_FALSE(PixelMemory::allocate(16));
    EXPECT_TRUE(PixelMemory::allocate(16));
}

TEST(PixelMemory, MovesOwnership) {
    PixelMemory a = PixelMemory::allocate(64);
    uint8_t* p = a.data();
    PixelMemory b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.data(), p);
    PixelMemory c;
    c = std::move(b);
    EXPECT_EQ(c.data(), p);
    c.reset();
    EXPECT_FALSE(c);
}

}  // namespace
}  // namespace varnel::platform
