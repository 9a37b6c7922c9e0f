#include "formats/png_deflate.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "platform/parallel.h"

namespace varnel {
namespace {

// Bytes that compress a little, with repeats reaching back further than one slice.
std::vector<uint8_t> sample(size_t size) {
    std::vector<uint8_t> data(size);
    uint32_t seed = 12345;
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = i >= 4000 && (seed >> 16) % 3 == 0 ? data[i - 4000] : uint8_t(seed >> 24);
    }
    return data;
}

std::vector<uint8_t> inflateAll(const std::vector<uint8_t>& stream, size_t expected, int* rc) {
    std::vector<uint8_t> out(expected + 16);
    uLongf length = uLongf(out.size());
    *rc = uncompress(out.data(), &length, stream.data(), uLong(stream.size()));
    out.resize(length);
    return out;
}

// Slices joined into one stream must inflate, with zlib's own checks, to exactly the input: at
// every level, with empty and one-byte slices, stored data and slices ending at any bit.
TEST(PngDeflate, JoinedSlicesInflateToTheInput) {
    struct Case {
        size_t size;
        std::vector<size_t> ends;
        int level;
    } cases[] = {
        {0, {}, 5},
        {1, {}, 5},
        {50000, {}, 5},
        {50000, {10000, 20000, 30000, 40000}, 5},
        {50000, {1, 2, 3}, 1},
        {50000, {0, 0, 25000, 25000}, 9},
        {50000, {17, 33333}, 0},
        {200000, {70001, 140003}, 6},
        {200000, {99999}, 12},
    };
    for (int threads : {1, 2}) {
        setWorkerThreads(threads);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.size << " bytes, " << c.ends.size() + 1 << " slices, level "
                         << c.level << ", " << threads << " threads");
            const std::vector<uint8_t> data = sample(c.size);
            std::vector<size_t> ends = c.ends;
            ends.push_back(c.size);
            std::vector<uint8_t> stream;
            ASSERT_TRUE(compressZlibSlices(data.data(), data.size(), ends, c.level, stream));
            int rc = 0;
            EXPECT_EQ(inflateAll(stream, c.size, &rc), data);
            EXPECT_EQ(rc, Z_OK);
        }
    }
    setWorkerThreads(availableCores());
}

TEST(PngDeflate, RefusesSlicesOutOfOrderAndStreamsThatAreNotDeflate) {
    const std::vector<uint8_t> data = sample(1000);
    std::vector<uint8_t> stream;
    std::string reason;
    EXPECT_FALSE(
        compressZlibSlices(data.data(), data.size(), {600, 300, 1000}, 5, stream, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(compressZlibSlices(data.data(), data.size(), {2000}, 5, stream, &reason));

    std::vector<uint8_t> notDeflate = {0x07, 0xFF, 0xFF, 0x00};  // reserved block type
    EXPECT_FALSE(makeJoinable(notDeflate));
    std::vector<uint8_t> truncated = {0x04};  // a dynamic block cut short
    EXPECT_FALSE(makeJoinable(truncated));
}

}  // namespace
}  // namespace varnel
