#include "platform/serial_worker.h"

#include <system_error>

namespace varnel::platform {

SerialWorker::~SerialWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool SerialWorker::post(std::function<void()> task) {
    try {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
        tasks_.push_back(std::move(task));
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    wake_.notify_one();
    return true;
}

void SerialWorker::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

void SerialWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // stopping, with nothing left to run
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        busy_ = false;
        if (tasks_.empty()) idle_.notify_all();
    }
}

}  // namespace varnel::platform
