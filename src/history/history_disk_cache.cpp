#include "history/history_disk_cache.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <new>
#include <utility>
#include <vector>

#include "core/surface_store.h"
#include "history/history_action.h"
#include "platform/cache_file.h"
#include "platform/file_io.h"
#include "platform/pixel_memory.h"
#include "platform/serial_worker.h"

namespace varnel {

// One history's file and which of its ranges are free (used on the history's thread only; the
// worker only writes through `file`).
struct CacheFileSlot {
    std::shared_ptr<platform::CacheFile> file;
    std::map<uint64_t, uint64_t> free;  // offset → length
    uint64_t end = 0;
};

// The write of one state, shared by the state and the worker's task.
struct CacheWrite {
    enum Status { Queued, Writing, Written, Failed, Cancelled };
    std::mutex mutex;
    std::condition_variable finished;
    Status status = Queued;
    int error = 0;
    // The state's pixel memory, store by store, until it is on disk (or back in the stores).
    std::vector<platform::PixelMemory> blocks;
};

namespace {

platform::PixelMemory detachMemory(SurfaceStore& store) {
    platform::PixelMemory memory = std::move(store.memory);
    store.bits = nullptr;
    for (int32_t y = 0; y < store.height(); ++y) store.rows[y] = nullptr;
    return memory;
}

void attachMemory(SurfaceStore& store, platform::PixelMemory&& memory) {
    store.memory = std::move(memory);
    store.bits = store.memory.data();
    const int32_t h = store.height();
    for (int32_t y = 0; y < h; ++y)
        store.rows[y] = store.bits + size_t(h - 1 - y) * size_t(store.bytesPerRow);
}

void attachAll(CachedState& state, std::vector<platform::PixelMemory>& blocks) {
    for (size_t i = 0; i < state.stores.size() && i < blocks.size(); ++i)
        attachMemory(*state.stores[i], std::move(blocks[i]));
    blocks.clear();
}

}  // namespace

uint64_t HistoryDiskCache::defaultBytes(const std::string& folder) {
    const uint64_t free = platform::freeDiskBytes(folder);
    return std::min(kDefaultBytes, free / 2);
}

HistoryDiskCache::HistoryDiskCache(std::string folder, uint64_t bytes)
    : folder_(std::move(folder)), budget_(bytes), worker_(new platform::SerialWorker) {}

HistoryDiskCache::~HistoryDiskCache() {
    worker_->waitIdle();
    files_.clear();
    worker_.reset();  // the last tasks release the files they held
}

void HistoryDiskCache::waitIdle() {
    worker_->waitIdle();
}

void HistoryDiskCache::setWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(wakeMutex_);
    wakeUp_ = std::move(wakeUp);
}

int HistoryDiskCache::removeStaleFiles(const std::string& folder) {
    return platform::removeStaleCacheFiles(folder, kFileStem);
}

void HistoryDiskCache::close(const std::string& why) {
    closed_ = true;
    if (failure_.empty()) failure_ = why;
}

std::unique_ptr<CachedState> HistoryDiskCache::spill(const History& history,
                                                     HistoryAction& action) {
    if (closed_) return nullptr;
    try {
        auto state = std::make_unique<CachedState>();
        std::vector<SurfaceStore*> stores;
        action.undoStores(stores);
        for (SurfaceStore* store : stores) {
            if (!store || !store->isValid() || store->imageBytes() == 0) continue;
            if (std::find(state->stores.begin(), state->stores.end(), store) != state->stores.end())
                continue;
            state->stores.push_back(store);
            state->sizes.push_back(store->imageBytes());
            state->bytes += store->imageBytes();
        }
        if (state->stores.empty() || !fits(state->bytes)) return nullptr;

        std::shared_ptr<CacheFileSlot>& slot = files_[&history];
        if (!slot) {
            std::string reason;
            std::unique_ptr<platform::CacheFile> file =
                platform::CacheFile::create(folder_, kFileStem, &reason);
            if (!file) {
                files_.erase(&history);
                close(reason);
                return nullptr;
            }
            slot = std::make_shared<CacheFileSlot>();
            slot->file = std::move(file);
        }
        // First fit among the freed ranges, else at the end.
        state->slot = slot;
        auto hole = std::find_if(slot->free.begin(), slot->free.end(),
                                 [&](const auto& range) { return range.second >= state->bytes; });
        if (hole != slot->free.end()) {
            state->offset = hole->first;
            const uint64_t rest = hole->second - state->bytes;
            slot->free.erase(hole);
            if (rest > 0) slot->free.emplace(state->offset + state->bytes, rest);
        } else {
            state->offset = slot->end;
            slot->end += state->bytes;
        }
        used_ += state->bytes;

        auto write = std::make_shared<CacheWrite>();
        write->blocks.reserve(state->stores.size());
        for (SurfaceStore* store : state->stores) write->blocks.push_back(detachMemory(*store));
        state->write = write;
        std::shared_ptr<platform::CacheFile> file = slot->file;
        const uint64_t offset = state->offset;
        const std::vector<size_t> sizes = state->sizes;
        const bool posted = worker_->post([this, write, file, offset, sizes] {
            {
                std::lock_guard lock(write->mutex);
                if (write->status == CacheWrite::Cancelled) return;
                write->status = CacheWrite::Writing;
            }
            // Only this task touches the blocks while the status says Writing.
            int error = 0;
            uint64_t at = offset;
            bool ok = true;
            for (size_t i = 0; ok && i < write->blocks.size(); ++i) {
                ok = file->write(at, write->blocks[i].data(), sizes[i], &error);
                at += sizes[i];
            }
            std::vector<platform::PixelMemory> written;
            {
                std::lock_guard lock(write->mutex);
                write->status = ok ? CacheWrite::Written : CacheWrite::Failed;
                write->error = error;
                if (ok) written = std::move(write->blocks);
            }
            write->finished.notify_all();
            written.clear();  // the memory goes now that the data is on disk
            if (!ok) {
                std::lock_guard lock(wakeMutex_);
                if (wakeUp_) wakeUp_();
            }
        });
        if (!posted) {
            attachAll(*state, write->blocks);
            discard(*state);
            return nullptr;
        }
        return state;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HistoryDiskCache::Restore HistoryDiskCache::restore(CachedState& state) {
    CacheWrite& write = *state.write;
    std::unique_lock lock(write.mutex);
    if (write.status == CacheWrite::Queued) {
        // Not written yet: the memory is still here.
        write.status = CacheWrite::Cancelled;
        std::vector<platform::PixelMemory> blocks = std::move(write.blocks);
        lock.unlock();
        attachAll(state, blocks);
        discard(state);
        return Restore::Done;
    }
    write.finished.wait(lock, [&] {
        return write.status == CacheWrite::Written || write.status == CacheWrite::Failed;
    });
    if (write.status == CacheWrite::Failed) {
        lock.unlock();
        takeBackFailed(state);
        return Restore::Done;
    }
    lock.unlock();
    std::vector<platform::PixelMemory> blocks;
    try {
        blocks.reserve(state.stores.size());
    } catch (const std::bad_alloc&) {
        return Restore::NotNow;
    }
    for (size_t size : state.sizes) {
        blocks.push_back(platform::PixelMemory::allocate(size, false));
        if (!blocks.back()) return Restore::NotNow;
    }
    uint64_t at = state.offset;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (!state.slot->file->read(at, blocks[i].data(), state.sizes[i])) {
            close(platform::describeFileError(EIO));
            return Restore::Lost;
        }
        at += state.sizes[i];
    }
    attachAll(state, blocks);
    discard(state);
    return Restore::Done;
}

bool HistoryDiskCache::takeBackFailed(CachedState& state) {
    std::vector<platform::PixelMemory> blocks;
    int error = 0;
    {
        std::lock_guard lock(state.write->mutex);
        if (state.write->status != CacheWrite::Failed) return false;
        blocks = std::move(state.write->blocks);
        error = state.write->error;
        state.write->status = CacheWrite::Cancelled;
    }
    attachAll(state, blocks);
    discard(state);
    close(platform::describeFileError(error ? error : ENOSPC));
    return true;
}

void HistoryDiskCache::discard(CachedState& state) {
    if (!state.slot) return;
    {
        std::lock_guard lock(state.write->mutex);
        // A write not begun is not needed any more; one under way finishes before the range is
        // given out again, since the worker runs its tasks in order.
        if (state.write->status == CacheWrite::Queued) state.write->status = CacheWrite::Cancelled;
    }
    used_ -= std::min(used_, state.bytes);
    freeRange(*state.slot, state.offset, state.bytes);
    state.slot.reset();
}

void HistoryDiskCache::freeRange(CacheFileSlot& slot, uint64_t offset, uint64_t bytes) {
    if (bytes == 0) return;
    try {
        auto next = slot.free.lower_bound(offset);
        if (next != slot.free.end() && offset + bytes == next->first) {
            bytes += next->second;
            next = slot.free.erase(next);
        }
        if (next != slot.free.begin()) {
            auto previous = std::prev(next);
            if (previous->first + previous->second == offset) {
                offset = previous->first;
                bytes += previous->second;
                slot.free.erase(previous);
            }
        }
        std::shared_ptr<platform::CacheFile> file = slot.file;
        if (offset + bytes >= slot.end) {
            slot.end = offset;
            worker_->post([file, offset] { file->truncate(offset); });
        } else {
            slot.free.emplace(offset, bytes);
            worker_->post([file, offset, bytes] { file->release(offset, bytes); });
        }
    } catch (const std::bad_alloc&) {
        // The range stays taken: the file only grows a little.
    }
}

void HistoryDiskCache::closeFile(const History& history) {
    // Queued tasks hold the file; the last one to finish removes it.
    files_.erase(&history);
}

}  // namespace varnel
