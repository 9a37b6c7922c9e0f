// The disk cache of the undo lists: where the budget moves a state's undo data when memory is
// full, before it drops anything. Each history gets a file of its own in the cache folder,
// created at its first state moved out and removed when the history leaves the budget (its
// document closes). Writes run on a worker thread in the order given; a state's pixel memory is
// freed once its data is on disk, and read back when the state is undone or redone. A write that
// fails (a full disk, a file-size limit) gives the state its memory back and closes the cache to
// new states; a folder that cannot be written closes it at once. The budget then drops states as
// it would without a cache, and tells its listener why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace varnel {

namespace platform {
class SerialWorker;
}
class History;
class HistoryAction;
class SurfaceStore;
struct CacheFileSlot;
struct CacheWrite;

// Where one state's undo data is while it is in the cache: its stores (empty meanwhile), their
// sizes, and its range of the history's file.
struct CachedState {
    std::vector<SurfaceStore*> stores;
    std::vector<size_t> sizes;
    std::shared_ptr<CacheFileSlot> slot;
    uint64_t offset = 0;
    uint64_t bytes = 0;
    std::shared_ptr<CacheWrite> write;
};

class HistoryDiskCache {
public:
    // The budget at most: 4 GB.
    static constexpr uint64_t kDefaultBytes = uint64_t(4) << 30;
    // 4 GB, or half the free space of the disk holding `folder` when that is less.
    static uint64_t defaultBytes(const std::string& folder);
    // The name the cache files begin with.
    static constexpr const char* kFileStem = "history";

    // Files go into `folder` (created when needed); at most `bytes` bytes of undo data are held.
    HistoryDiskCache(std::string folder, uint64_t bytes);
    // Waits for the writes under way and removes every file left.
    ~HistoryDiskCache();
    HistoryDiskCache(const HistoryDiskCache&) = delete;
    HistoryDiskCache& operator=(const HistoryDiskCache&) = delete;

    const std::string& folder() const { return folder_; }
    uint64_t budget() const { return budget_; }
    void setBudget(uint64_t bytes) { budget_ = bytes; }
    // The bytes of undo data the files hold or are about to hold.
    uint64_t usedBytes() const { return used_; }
    // Whether `bytes` more fit the budget.
    bool fits(uint64_t bytes) const { return !closed_ && used_ + bytes <= budget_; }
    // False once a write failed or the folder could not be written: no state is moved out any
    // more (those already out come back as usual).
    bool isOpen() const { return !closed_; }
    // Why the cache closed ("disk full", "permission denied"); empty while it is open.
    const std::string& failure() const { return failure_; }

    // Returns once every write queued so far is done (tests, benchmarks, shutdown).
    void waitIdle();
    // Called on the worker thread after a write failed: the owner then calls
    // HistoryBudget::settle() on the thread that changes the histories, soon.
    void setWakeUp(std::function<void()> wakeUp);

    // Removes the cache files in `folder` that processes no longer running left behind (a crash).
    static int removeStaleFiles(const std::string& folder);

private:
    friend class History;
    friend class HistoryBudget;
    enum class Restore { Done, NotNow, Lost };

    // Moves the undo data of `action`, a state of `history`, to the history's file: null when the
    // action holds no pixel store, the data does not fit, or the cache cannot take it (then it
    // may have closed). On success the stores are empty until restore().
    std::unique_ptr<CachedState> spill(const History& history, HistoryAction& action);
    // Puts a state's data back into its stores. NotNow (memory short) leaves it cached; Lost
    // means the data cannot be read back and the state must go.
    Restore restore(CachedState& state);
    // The state goes while cached: its place in the file is freed.
    void discard(CachedState& state);
    // When the state's write failed: puts its data back into memory and closes the cache.
    bool takeBackFailed(CachedState& state);
    // The history leaves: its file is removed once the writes queued for it are done.
    void closeFile(const History& history);
    void close(const std::string& why);
    void freeRange(CacheFileSlot& slot, uint64_t offset, uint64_t bytes);

    std::string folder_;
    uint64_t budget_;
    uint64_t used_ = 0;
    bool closed_ = false;
    std::string failure_;
    std::map<const History*, std::shared_ptr<CacheFileSlot>> files_;
    std::mutex wakeMutex_;
    std::function<void()> wakeUp_;
    std::unique_ptr<platform::SerialWorker> worker_;
};

}  // namespace varnel
