#include "platform/cache_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/file_io.h"

namespace varnel::platform {
namespace {

std::atomic<int> failingWrites{0};
std::atomic<unsigned> fileCounter{0};

// Creates `path` and its missing parents; true when it is a folder afterwards.
bool makeFolders(const std::string& path, int* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        *error = ENOTDIR;
        return false;
    }
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash), error))
        return false;
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return true;
    *error = errno;
    return false;
}

bool processRunning(long pid) {
    if (pid <= 0 || pid > 0x3FFFFFFF) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// The process id in `<stem>-<pid>-<n>.cache`, or -1 when the name is not one of ours.
long pidOf(const std::string& name, const std::string& stem) {
    const std::string suffix = ".cache";
    if (name.size() <= stem.size() + 1 + suffix.size() || name.compare(0, stem.size(), stem) != 0 ||
        name[stem.size()] != '-' ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    const char* digits = name.c_str() + stem.size() + 1;
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(digits, &end, 10);
    if (errno || end == digits || *end != '-') return -1;
    return pid;
}

}  // namespace

std::string userCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/Varnel";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache/Varnel";
    return {};
}

uint64_t freeDiskBytes(const std::string& folder) {
    std::string path = folder.empty() ? std::string("/") : folder;
    struct statvfs vfs {};
    while (::statvfs(path.c_str(), &vfs) != 0) {
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || path == "/") return 0;
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
}

std::unique_ptr<CacheFile> CacheFile::create(const std::string& folder, const std::string& stem,
                                             std::string* reason) {
    auto failWith = [&](int error) -> std::unique_ptr<CacheFile> {
        if (reason) *reason = describeFileError(error);
        return nullptr;
    };
    if (folder.empty()) return failWith(ENOENT);
    int error = 0;
    if (!makeFolders(folder, &error)) return failWith(error);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + "/" + stem + "-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(fileCounter.fetch_add(1)) + ".cache";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return failWith(errno);
        }
        // The lock says "in use" to every other process (and to this one's other descriptors).
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int lockError = errno;
            ::close(fd);
            ::unlink(path.c_str());
            return failWith(lockError);
        }
        try {
            return std::unique_ptr<CacheFile>(new CacheFile(fd, path));
        } catch (...) {
            ::close(fd);
            ::unlink(path.c_str());
            return failWith(ENOMEM);
        }
    }
    return failWith(EEXIST);
}

CacheFile::~CacheFile() {
    // Unlinked while still locked, so that no cleaner can take it for a stale one in between.
    ::unlink(path_.c_str());
    ::close(fd_);
}

bool CacheFile::write(uint64_t offset, const void* data, size_t bytes, int* error) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (bytes > 0) {
        int failing = failingWrites.load();
        while (failing > 0 && !failingWrites.compare_exchange_weak(failing, failing - 1)) {
        }
        if (failing > 0) {
            if (error) *error = ENOSPC;
            return false;
        }
        const size_t chunk = bytes < (size_t(1) << 30) ? bytes : (size_t(1) << 30);
        const ssize_t n = ::pwrite(fd_, p, chunk, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = errno;
            return false;
        }
        if (n == 0) {
            if (error) *error = ENOSPC;
            return false;
        }
        p += n;
        offset += uint64_t(n);
        bytes -= size_t(n);
    }
    return true;
}

bool CacheFile::read(uint64_t offset, void* data, size_t bytes) const {
    auto* p = static_cast<uint8_t*>(data);
    while (bytes > 0) {
        const size_t chunk = bytes < (size_t(1) << 30) ? bytes : (size_t(1) << 30);
        const ssize_t n = ::pread(fd_, p, chunk, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        offset += uint64_t(n);
        bytes -= size_t(n);
    }
    return true;
}

void CacheFile::release(uint64_t offset, uint64_t bytes) {
#if defined(FALLOC_FL_PUNCH_HOLE) && defined(FALLOC_FL_KEEP_SIZE)
    if (bytes > 0)
        (void)::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, off_t(offset),
                          off_t(bytes));
#else
    (void)offset;
    (void)bytes;
#endif
}

void CacheFile::truncate(uint64_t bytes) {
    (void)::ftruncate(fd_, off_t(bytes));
}

int removeStaleCacheFiles(const std::string& folder, const std::string& stem) {
    if (folder.empty()) return 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const long pid = pidOf(name, stem);
        if (pid < 0) continue;
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        // A file being created carries its lock a moment later: a running owner or a recent
        // touch keeps an unlocked file.
        const bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                           (!processRunning(pid) || now - st.st_mtime > 24 * 60 * 60);
        if (stale && ::unlink(path.c_str()) == 0) ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

void failNextCacheWrites(int count) {
    failingWrites.store(count < 0 ? 0 : count);
}

}  // namespace varnel::platform
