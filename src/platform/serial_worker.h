// One background thread that runs the tasks given to it one after another, in the order given.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace varnel::platform {

class SerialWorker {
public:
    SerialWorker() = default;
    // Runs the tasks still queued, then ends the thread.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues `task` (the thread starts with the first). Tasks must not throw. False when no
    // thread can be started or memory is short; the task is then not run.
    bool post(std::function<void()> task);
    // Returns once every task queued so far has run.
    void waitIdle();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace varnel::platform
