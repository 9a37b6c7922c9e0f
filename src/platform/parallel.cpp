#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <sched.h>

namespace varnel {
namespace {

std::atomic<int> g_threads{1};
thread_local bool t_insideRange = false;

// One operation's parts. It lives on the caller's stack; workers reach it only while the pool
// points at it, and the caller waits for every worker to leave it before returning.
struct Job {
    const RowRangeWork* work = nullptr;
    int count = 0;
    int rowsPerPart = 1;
    int parts = 0;
    std::atomic<int> nextPart{0};
    int partsDone = 0;      // guarded by the pool's mutex
    int workersInside = 0;  // guarded by the pool's mutex

    // Takes parts until none is left; returns how many this thread ran.
    int takeParts() {
        int ran = 0;
        t_insideRange = true;
        for (;;) {
            const int part = nextPart.fetch_add(1, std::memory_order_relaxed);
            if (part >= parts) break;
            const int begin = part * rowsPerPart;
            (*work)(begin, std::min(count, begin + rowsPerPart));
            ++ran;
        }
        t_insideRange = false;
        return ran;
    }
};

// A fixed set of worker threads that wait for jobs. One job runs at a time (the owner flag);
// the caller takes parts too and waits for the last one.
class WorkerPool {
public:
    ~WorkerPool() { stopWorkers(); }

    // Returns false when another thread is running a job: the caller then works alone.
    bool tryAcquire() {
        bool expected = false;
        return m_owned.compare_exchange_strong(expected, true, std::memory_order_acquire);
    }
    void release() { m_owned.store(false, std::memory_order_release); }

    // Runs the job on `threads` threads (caller included). Must be called between tryAcquire
    // and release.
    // Returns false, having run nothing, when the worker threads cannot be started.
    bool run(int threads, Job& job) {
        if (int(m_workers.size()) != threads - 1) {
            stopWorkers();
            try {
                startWorkers(threads - 1);
            } catch (...) {
                // No threads or no memory for them: the caller works alone.
                stopWorkers();
                return false;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_job = &job;
            ++m_generation;
        }
        m_wake.notify_all();
        const int mine = job.takeParts();
        std::unique_lock lock(m_mutex);
        job.partsDone += mine;
        m_finished.wait(lock, [&] { return job.partsDone == job.parts && job.workersInside == 0; });
        m_job = nullptr;
        return true;
    }

private:
    void workerLoop() {
        uint64_t seen = 0;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stopping || m_generation != seen; });
            if (m_stopping) return;
            seen = m_generation;
            Job* job = m_job;
            if (!job) continue;  // woke after that job was already finished
            ++job->workersInside;
            lock.unlock();
            const int ran = job->takeParts();
            lock.lock();
            job->partsDone += ran;
            --job->workersInside;
            if (job->partsDone == job->parts && job->workersInside == 0) m_finished.notify_all();
        }
    }

    void startWorkers(int count) {
        m_stopping = false;
        for (int i = 0; i < count; ++i) m_workers.emplace_back([this] { workerLoop(); });
    }

    void stopWorkers() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (auto& worker : m_workers) worker.join();
        m_workers.clear();
    }

    std::atomic<bool> m_owned{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
    uint64_t m_generation = 0;
    Job* m_job = nullptr;
};

WorkerPool& pool() {
    static WorkerPool instance;
    return instance;
}

}  // namespace

int workerThreads() {
    return g_threads.load(std::memory_order_relaxed);
}

void setWorkerThreads(int count) {
    g_threads.store(std::clamp(count, 1, 64), std::memory_order_relaxed);
}

int availableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int cores = CPU_COUNT(&set);
        if (cores > 0) return cores;
    }
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void parallelRows(int count, int minRowsPerPart, const RowRangeWork& work) {
    if (count <= 0) return;
    const int threads = workerThreads();
    const int minRows = std::max(1, minRowsPerPart);
    if (threads <= 1 || t_insideRange || count < 2 * minRows) {
        work(0, count);
        return;
    }
    WorkerPool& workers = pool();
    if (!workers.tryAcquire()) {
        work(0, count);
        return;
    }
    // A few parts per thread even out rows of unequal cost and a thread that starts late.
    const int parts = std::min(count / minRows, threads * 4);
    Job job;
    job.work = &work;
    job.count = count;
    job.rowsPerPart = (count + parts - 1) / parts;
    job.parts = (count + job.rowsPerPart - 1) / job.rowsPerPart;
    const bool ran = workers.run(threads, job);
    workers.release();
    if (!ran) work(0, count);
}

}  // namespace varnel
