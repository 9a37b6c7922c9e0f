#include "platform/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace varnel::platform {
namespace {

// Below this, the C heap is cheaper than a mapping of its own.
constexpr size_t kMapThreshold = 256 * 1024;
// From this size on, huge pages pay for themselves (one fault per 2 MiB instead of 512).
constexpr size_t kHugePageThreshold = 4 * 1024 * 1024;
constexpr size_t kHugePage = 2 * 1024 * 1024;

std::atomic<int> failuresToInject{0};

bool injectFailure() {
    int n = failuresToInject.load();
    while (n > 0) {
        if (failuresToInject.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
}

size_t pageSize() {
    static const size_t size = size_t(sysconf(_SC_PAGESIZE));
    return size;
}

// Recently released huge-page blocks, kept for the next allocation of about their size: on
// this kind of machine the first touch of fresh pages costs several times more than clearing
// pages already touched, and image work frees and allocates blocks of one size over and over
// (each operation that replaces a surface's pixels). Bounded in count and bytes. A kept block
// costs no memory the system needs: its pages are marked free to take (the system reclaims them
// under memory pressure, and a block whose pages were taken is simply faulted in again), and a
// block nobody took back within the idle time is unmapped by a helper thread, which ends when
// nothing is kept.
constexpr size_t kCacheBytes = 512 * 1024 * 1024;
constexpr int kCacheSlots = 2;

using Clock = std::chrono::steady_clock;

struct Cache {
    std::mutex mutex;
    std::condition_variable wake;
    void* block[kCacheSlots] = {};
    size_t length[kCacheSlots] = {};
    uint64_t age[kCacheSlots] = {};
    Clock::time_point keptAt[kCacheSlots] = {};
    uint64_t clock = 0;
    std::chrono::milliseconds idle{std::chrono::seconds(10)};
    bool reaping = false;

    // A cached block of exactly `want` mapped bytes, or null.
    void* take(size_t want) {
        std::lock_guard lock(mutex);
        for (int i = 0; i < kCacheSlots; ++i) {
            if (block[i] && length[i] == want) {
                void* p = block[i];
                block[i] = nullptr;
                return p;
            }
        }
        return nullptr;
    }
    // Keeps the block in place of the oldest one, then drops other blocks while the total is
    // over the bound; a block bigger than the bound is unmapped at once.
    void give(void* p, size_t len) {
        void* drop[kCacheSlots + 1] = {};
        size_t dropLength[kCacheSlots + 1] = {};
        int drops = 0;
        if (len <= kCacheBytes) madvise(p, len, MADV_FREE);
        {
            std::lock_guard lock(mutex);
            if (len > kCacheBytes) {
                drop[drops] = p;
                dropLength[drops++] = len;
            } else {
                int slot = 0;
                for (int i = 0; i < kCacheSlots; ++i) {
                    if (!block[i]) {
                        slot = i;
                        break;
                    }
                    if (age[i] < age[slot]) slot = i;
                }
                if (block[slot]) {
                    drop[drops] = block[slot];
                    dropLength[drops++] = length[slot];
                }
                block[slot] = p;
                length[slot] = len;
                age[slot] = ++clock;
                keptAt[slot] = Clock::now();
                size_t total = 0;
                for (int i = 0; i < kCacheSlots; ++i) total += block[i] ? length[i] : 0;
                for (int i = 0; i < kCacheSlots && total > kCacheBytes; ++i) {
                    if (i == slot || !block[i]) continue;
                    drop[drops] = block[i];
                    dropLength[drops++] = length[i];
                    total -= length[i];
                    block[i] = nullptr;
                }
                startReaper();
            }
        }
        for (int i = 0; i < drops; ++i) munmap(drop[i], dropLength[i]);
    }
    // Unmaps the blocks kept longer than the idle time; the caller holds the lock.
    void dropIdle(std::unique_lock<std::mutex>& lock) {
        const Clock::time_point now = Clock::now();
        for (int i = 0; i < kCacheSlots; ++i) {
            if (block[i] && now - keptAt[i] >= idle) {
                void* p = block[i];
                const size_t len = length[i];
                block[i] = nullptr;
                lock.unlock();
                munmap(p, len);
                lock.lock();
            }
        }
    }
    bool empty() const {
        for (int i = 0; i < kCacheSlots; ++i) {
            if (block[i]) return false;
        }
        return true;
    }
    // Starts the helper that unmaps idle blocks unless it runs; the caller holds the lock.
    void startReaper() {
        if (reaping) return;
        reaping = true;
        try {
            std::thread([this] { reap(); }).detach();
        } catch (const std::system_error&) {
            reaping = false;  // no thread to be had: blocks stay until reused or pushed out
        }
    }
    // The helper's loop: sleeps until the oldest block's idle time is up, drops what is idle.
    void reap() {
        std::unique_lock lock(mutex);
        while (!empty()) {
            Clock::time_point due = Clock::time_point::max();
            for (int i = 0; i < kCacheSlots; ++i) {
                if (block[i]) due = std::min(due, keptAt[i] + idle);
            }
            wake.wait_until(lock, due);
            dropIdle(lock);
        }
        reaping = false;
    }
    void clear() {
        std::lock_guard lock(mutex);
        for (int i = 0; i < kCacheSlots; ++i) {
            if (block[i]) munmap(block[i], length[i]);
            block[i] = nullptr;
        }
        wake.notify_all();
    }
    size_t bytes() {
        std::lock_guard lock(mutex);
        size_t total = 0;
        for (int i = 0; i < kCacheSlots; ++i) total += block[i] ? length[i] : 0;
        return total;
    }
    void setIdle(std::chrono::milliseconds time) {
        std::lock_guard lock(mutex);
        idle = time;
        wake.notify_all();
    }
};

Cache& cache() {
    static Cache* c = new Cache;  // never destroyed: blocks may be released during exit
    return *c;
}

}  // namespace

void failNextAllocations(int count) {
    failuresToInject.store(count < 0 ? 0 : count);
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void releaseCachedPixelMemory() {
    cache().clear();
}

size_t cachedPixelMemoryBytes() {
    return cache().bytes();
}

void setPixelMemoryIdleRelease(std::chrono::milliseconds time) {
    cache().setIdle(time);
}

void PixelMemory::reset() {
    if (data_) {
        if (mapped_ >= kHugePageThreshold)
            cache().give(data_, mapped_);
        else if (mapped_)
            munmap(data_, mapped_);
        else
            std::free(data_);
    }
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}

PixelMemory PixelMemory::allocate(size_t bytes, bool zeroed) {
    PixelMemory m;
    if (bytes == 0 || injectFailure()) return m;
    if (bytes < kMapThreshold) {
        m.data_ = static_cast<uint8_t*>(zeroed ? std::calloc(1, bytes) : std::malloc(bytes));
        if (m.data_) m.size_ = bytes;
        return m;
    }
    const size_t page = pageSize();
    if (bytes > SIZE_MAX - kHugePage - page) return m;
    size_t length = (bytes + page - 1) / page * page;
    if (length < kHugePageThreshold) {
        void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return m;
        m.data_ = static_cast<uint8_t*>(p);
        m.size_ = bytes;
        m.mapped_ = length;
        return m;
    }
    length = (length + kHugePage - 1) / kHugePage * kHugePage;
    if (void* reused = cache().take(length)) {
        if (zeroed) std::memset(reused, 0, bytes);
        m.data_ = static_cast<uint8_t*>(reused);
        m.size_ = bytes;
        m.mapped_ = length;
        return m;
    }
    // Map one huge page more than needed, then trim the ends so that the block starts on a huge
    // page boundary and every 2 MiB of it can be backed by one huge page.
    const size_t reserve = length + kHugePage;
    void* p = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return m;
    const uintptr_t start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) munmap(p, aligned - start);
    const size_t tail = (start + reserve) - (aligned + length);
    if (tail) munmap(reinterpret_cast<void*>(aligned + length), tail);
    m.data_ = reinterpret_cast<uint8_t*>(aligned);
    m.size_ = bytes;
    m.mapped_ = length;
    madvise(m.data_, length, MADV_HUGEPAGE);
    return m;
}

}  // namespace varnel::platform
