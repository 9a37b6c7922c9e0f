// Zero-filled pixel memory for bitmap stores. Large blocks are mapped page-aligned and advised for
// transparent huge pages: first touch of fresh 4 KiB pages dominates the cost of big surfaces.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace varnel::platform {

class PixelMemory {
public:
    PixelMemory() = default;
    ~PixelMemory() { reset(); }
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    // A zero-filled block of `bytes` bytes (at least 1); an empty object when the system refuses.
    // With `zeroed` false the block's bytes are unspecified (a reused block is not cleared), for
    // callers that write every byte before reading any.
    static PixelMemory allocate(size_t bytes, bool zeroed = true);

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }
    void reset();

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;    // bytes asked for
    size_t mapped_ = 0;  // bytes mapped (0 for heap blocks)
};

// Unmaps the released blocks kept for reuse (large blocks are kept, within a bound, because
// clearing touched pages is much cheaper than faulting in fresh ones). Kept blocks are also
// given up to the system under memory pressure, and unmapped once nobody took them back within
// the idle time (10 seconds).
void releaseCachedPixelMemory();

// The mapped bytes of the blocks kept for reuse.
size_t cachedPixelMemoryBytes();

// Test seam: the idle time after which kept blocks are unmapped.
void setPixelMemoryIdleRelease(std::chrono::milliseconds time);

// Test seam: the next `count` allocations fail as if the system had no memory left.
void failNextAllocations(int count);

}  // namespace varnel::platform
