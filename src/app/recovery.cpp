#include "app/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/product_info.h"
#include "document/document.h"
#include "formats/file_stream.h"
#include "formats/format_type.h"
#include "formats/openraster.h"

namespace varnel {

namespace fs = std::filesystem;

namespace {

// Copies are encoded for speed: they are read back once, if ever.
constexpr int kCopyCompressionLevel = 1;
constexpr int kTickMs = 1000;

// Writes the bytes through a replacement file: a copy is either whole or the previous one.
bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.size() >= UINT32_MAX) return false;
    FileStream stream;
    if (!stream.openForWrite(path)) return false;
    const uint32_t n = uint32_t(bytes.size());
    return (n == 0 || stream.write(bytes.data(), 1, n) == n) && stream.commit();
}

// One line per field; names and paths cannot hold a line break, so none is written.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

bool readRecord(const std::string& path, RecoveredCopy& copy) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    bool hasName = false;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "name") {
            copy.name = value;
            hasName = true;
        } else if (key == "path") {
            copy.path = value;
        } else if (key == "format") {
            copy.formatType = std::atoi(value.c_str());
        } else if (key == "time") {
            copy.savedAt = std::atoll(value.c_str());
        }
    }
    return hasName;
}

// True while the editor that owns the lock file runs (it holds the lock for its whole run; the
// system releases it however the process ends).
bool ownerIsRunning(const std::string& lockPath) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// "<owner>-<n>" → "<owner>".
std::string ownerOf(const std::string& base) {
    const size_t dash = base.rfind('-');
    return dash == std::string::npos ? base : base.substr(0, dash);
}

}  // namespace

std::string recoveryFolder() {
    const std::string product = productName();
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/" + product + "/recovery";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/" + product + "/recovery";
    return {};
}

std::vector<RecoveredCopy> orphanedCopies(const std::string& folder) {
    std::vector<RecoveredCopy> out;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return out;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const fs::path& p = entry.path();
        if (p.extension() != ".record") continue;
        const std::string base = p.stem().string();
        const std::string lock = (fs::path(folder) / (ownerOf(base) + ".lock")).string();
        if (ownerIsRunning(lock)) continue;
        RecoveredCopy copy;
        copy.recordPath = p.string();
        copy.archivePath = (fs::path(folder) / (base + ".ora")).string();
        if (!fs::is_regular_file(copy.archivePath, ec) || !readRecord(copy.recordPath, copy)) {
            continue;
        }
        out.push_back(std::move(copy));
    }
    std::sort(out.begin(), out.end(),
              [](const RecoveredCopy& a, const RecoveredCopy& b) { return a.savedAt > b.savedAt; });
    return out;
}

bool restoreCopy(const RecoveredCopy& copy, std::unique_ptr<Document>& document,
                 std::string* reason) {
    std::unique_ptr<Document> opened;
    if (!readOpenRaster(copy.archivePath, opened, nullptr, reason)) return false;
    opened->setPath(copy.path);
    if (copy.path.empty()) opened->setTitle(copy.name);
    opened->setModified(true);
    document = std::move(opened);
    return true;
}

void removeCopy(const RecoveredCopy& copy) {
    std::error_code ec;
    fs::remove(copy.recordPath, ec);
    fs::remove(copy.archivePath, ec);
    // The lock file of an editor that is gone goes with its last copy.
    const fs::path folder = fs::path(copy.recordPath).parent_path();
    const std::string owner = ownerOf(fs::path(copy.recordPath).stem().string());
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(owner + "-", 0) == 0) return;
    }
    const std::string lock = (folder / (owner + ".lock")).string();
    if (!ownerIsRunning(lock)) fs::remove(lock, ec);
}

RecoveryJournal::RecoveryJournal(std::string folder, std::chrono::milliseconds interval)
    : folder_(std::move(folder)), interval_(interval) {
    std::error_code ec;
    if (folder_.empty() || (!fs::create_directories(folder_, ec) && ec)) return;
    owner_ = std::to_string(::getpid()) + "-" + std::to_string(std::time(nullptr));
    const std::string lock = (fs::path(folder_) / (owner_ + ".lock")).string();
    lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    if (lockFd_ < 0) return;
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryJournal::tick);
    worker_ = std::thread([this] { work(); });
}

RecoveryJournal::~RecoveryJournal() {
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        worker_.join();
    }
    if (lockFd_ >= 0) {
        std::error_code ec;
        bool ownCopies = false;
        for (const auto& entry : fs::directory_iterator(folder_, ec)) {
            if (entry.path().filename().string().rfind(owner_ + "-", 0) == 0) ownCopies = true;
        }
        // Copies left on disk (documents still unsaved when the journal went) are orphans now,
        // to be offered at the next start; the lock file goes with this editor otherwise.
        if (!ownCopies) fs::remove(fs::path(folder_) / (owner_ + ".lock"), ec);
        ::close(lockFd_);
    }
}

std::string RecoveryJournal::baseOf(int id) const {
    return (fs::path(folder_) / (owner_ + "-" + std::to_string(id))).string();
}

void RecoveryJournal::changed(Document* document) {
    if (!isActive() || !document) return;
    auto [it, added] = entries_.try_emplace(document);
    Entry& entry = it->second;
    if (added) {
        entry.id = nextId_++;
        entry.snapshot = std::make_shared<LayeredSnapshot>();
        // The worker takes and touches the snapshot's storage before the first copy is due, so
        // that the GUI thread only copies.
        std::vector<LayeredSnapshot::PlaneShape> shapes = LayeredSnapshot::shapesOf(*document);
        if (!shapes.empty()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queue_.push_back({entry.id, entry.snapshot, {}, std::move(shapes)});
            }
            wake_.notify_one();
            entry.busy = true;
        }
    }
    entry.dirty = true;
    if (!timer_.isActive()) timer_.start();
}

void RecoveryJournal::discard(const Document* document) {
    const auto it = entries_.find(document);
    if (it == entries_.end()) return;
    const std::string base = baseOf(it->second.id);
    {
        // Taken while no copy is being written: one under way for this document is dropped.
        std::lock_guard<std::mutex> lock(mutex_);
        discarded_[it->second.id] = true;
        std::error_code ec;
        fs::remove(base + ".record", ec);
        fs::remove(base + ".ora", ec);
    }
    entries_.erase(it);
}

void RecoveryJournal::tick() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int id : finished_) {
            for (auto& [document, entry] : entries_) {
                if (entry.id == id) entry.busy = false;
            }
        }
        finished_.clear();
    }
    // A dialog's live preview may be on a document: its pixels are not the document's yet.
    const bool previewing = QApplication::activeModalWidget() != nullptr;
    const auto now = std::chrono::steady_clock::now();
    bool pending = false;
    for (auto it = entries_.begin(); it != entries_.end();) {
        Entry& entry = it->second;
        const Document* document = it->first;
        if (entry.dirty && !document->isModified()) {
            // Back to the saved state (Undo): nothing to recover.
            const Document* gone = document;
            ++it;
            discard(gone);
            continue;
        }
        const bool due = !entry.written || now - entry.lastWrite >= interval_;
        if (entry.dirty && !entry.busy && due && !previewing) {
            std::shared_ptr<LayeredSnapshot> snapshot = entry.snapshot;
            const auto start = std::chrono::steady_clock::now();
            const bool taken = snapshot->take(*document);
            lastSnapshot_ = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - start);
            if (taken) {
                const std::string name =
                    document->title().empty() ? document->fileName() : document->title();
                std::ostringstream record;
                record << "name=" << oneLine(name) << "\npath=" << oneLine(document->filePath())
                       << "\nformat=" << formatTypeOf(document->filePath())
                       << "\ntime=" << std::time(nullptr) << "\n";
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    queue_.push_back({entry.id, std::move(snapshot), record.str(), {}});
                }
                wake_.notify_one();
                entry.busy = true;
                entry.dirty = false;
                entry.written = true;
                entry.lastWrite = now;
            }
            // Without memory for a snapshot the entry stays dirty and is tried again.
        }
        pending = pending || entry.dirty || entry.busy;
        ++it;
    }
    if (!pending) timer_.stop();
}

void RecoveryJournal::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, nothing left
        Job job = std::move(queue_.front());
        queue_.pop_front();
        working_ = true;
        const bool dropped = discarded_.count(job.id) != 0;
        lock.unlock();
        if (!job.prepare.empty()) {
            if (!dropped) job.snapshot->prepare(job.prepare);
            job.snapshot.reset();
            lock.lock();
            finished_.push_back(job.id);
            working_ = false;
            idle_.notify_all();
            continue;
        }
        std::vector<uint8_t> archive;
        // One thread only: the editor's own operations keep the cores.
        const bool encoded = !dropped && encodeOpenRaster(job.snapshot->image(),
                                                          {kCopyCompressionLevel, false}, archive);
        job.snapshot.reset();
        lock.lock();
        if (encoded && !discarded_.count(job.id)) {
            const std::string base = baseOf(job.id);
            // The archive first: a record always has a whole copy beside it.
            if (writeWhole(base + ".ora", archive)) {
                writeWhole(base + ".record",
                           std::vector<uint8_t>(job.record.begin(), job.record.end()));
            }
        }
        finished_.push_back(job.id);
        working_ = false;
        idle_.notify_all();
    }
}

void RecoveryJournal::flush() {
    if (!isActive()) return;
    // Twice: a document's first copy waits for its storage to be prepared.
    for (int round = 0; round < 2; ++round) {
        tick();
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [this] { return queue_.empty() && !working_; });
    }
    tick();
}

}  // namespace varnel
