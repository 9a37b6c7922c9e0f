#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

namespace varnel::platform {

namespace {

// Retries a system call interrupted by a signal.
template <typename F>
auto retryOnInterrupt(F f) {
    decltype(f()) r;
    do {
        r = f();
    } while (r < 0 && errno == EINTR);
    return r;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of symbolic links to the path that really holds the file, which need not exist
// yet (a link to a file still to be created is kept too). Gives up after as many hops as the
// kernel allows, returning the last path reached.
std::string resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string target(size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || size_t(n) >= target.size()) break;
        target.resize(size_t(n));
        path = target.front() == '/' ? target : folderOf(path) + "/" + target;
    }
    return path;
}

// Creates a new file beside `target` whose name cannot clash with another writer's; the creation
// mode 0666 lets the process umask decide the permissions of a file that is new. Returns the
// descriptor, or -1 with errno set.
int createTemporaryBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(target);
    std::string base = nameOf(target);
    // Keep the temporary name within the file system's name limit.
    if (base.size() > 200) base.resize(200);
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 16; ++attempt) {
        const unsigned n = counter.fetch_add(1);
        std::string candidate = folder + "/." + base + "." + std::to_string(::getpid()) + "-" +
                                std::to_string(n) + "-" + std::to_string(ticks % 1000003) + ".tmp";
        const int fd = retryOnInterrupt(
            [&] { return ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (fd >= 0) {
            tempPath = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

// Makes a rename durable; a failure here does not undo the completed replacement.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

std::atomic<uint64_t> g_dataSyncs{0};

}  // namespace

std::string describeFileError(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "disk full";
        case EFBIG:
            return "file too large";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "read-only file system";
        case ENOENT:
            return "no such file or folder";
        case ENOTDIR:
            return "a part of the path is not a folder";
        case EISDIR:
            return "is a folder";
        case EIO:
            return "input/output error";
        case ENAMETOOLONG:
            return "name too long";
        case ELOOP:
            return "too many levels of symbolic links";
        default: {
            std::string text = std::strerror(error);
            if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
            return text;
        }
    }
}

bool syncFileData(int fd) {
    g_dataSyncs.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(fd) == 0;
}

uint64_t fileDataSyncs() {
    return g_dataSyncs.load(std::memory_order_relaxed);
}

// ---- FileReplacement ---------------------------------------------------------------------------

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::fail(std::string reason) {
    failure_ = std::move(reason);
}

bool FileReplacement::open(const std::string& path) {
    failure_.clear();
    if (isOpen()) {
        fail("already open");
        return false;
    }
    if (path.empty()) {
        fail("no file name");
        return false;
    }
    std::string target;
    try {
        target = resolveLinks(path);
    } catch (const std::bad_alloc&) {
        fail("out of memory");
        return false;
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // Replacing a folder, a device or a file the user may not write is refused, as writing
        // into it in place would be.
        if (S_ISDIR(st.st_mode)) {
            fail(describeFileError(EISDIR));
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            fail("not a regular file");
            return false;
        }
        if (::access(target.c_str(), W_OK) != 0) {
            fail(describeFileError(errno));
            return false;
        }
    }
    std::string tempPath;
    const int fd = createTemporaryBeside(target, tempPath);
    if (fd < 0) {
        fail(describeFileError(errno));
        return false;
    }
    if (exists) {
        (void)::fchmod(fd, st.st_mode & 07777);
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            (void)!::fchown(fd, st.st_uid, st.st_gid);
        }
    }
    fd_ = fd;
    failed_ = false;
    target_ = std::move(target);
    tempPath_ = std::move(tempPath);
    return true;
}

bool FileReplacement::write(std::string_view data) {
    if (!isOpen()) {
        fail("not open");
        return false;
    }
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = retryOnInterrupt([&] { return ::write(fd_, p, left); });
        if (n <= 0) {
            markFailed(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

void FileReplacement::markFailed(int error) {
    if (!failed_) fail(describeFileError(error));
    failed_ = true;
}

void FileReplacement::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    target_.clear();
    failed_ = false;
}

bool FileReplacement::commit() {
    if (!isOpen()) {
        fail("not open");
        return false;
    }
    if (failed_) {
        discard();  // keeps the write's reason
        return false;
    }
    failure_.clear();
    struct stat st {};
    const bool replacing = ::lstat(target_.c_str(), &st) == 0;
    int error = 0;
    if (replacing && !syncFileData(fd_)) error = errno;
    // The descriptor is gone after close(2) even when it reports an error; a delayed write error
    // (a full disk on a network file system) shows up here.
    if (::close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error == 0 && ::rename(tempPath_.c_str(), target_.c_str()) != 0) error = errno;
    if (error != 0) {
        discard();
        fail(describeFileError(error));
        return false;
    }
    if (replacing) syncFolder(folderOf(target_));
    tempPath_.clear();
    target_.clear();
    return true;
}

bool replaceFile(const std::string& path, std::string_view data, std::string* reason) {
    FileReplacement file;
    const bool ok = file.open(path) && file.write(data) && file.commit();
    if (!ok && reason) *reason = file.failure();
    if (!ok) file.discard();
    return ok;
}

// ---- reading -----------------------------------------------------------------------------------

int openRegularFile(const std::string& path, uint64_t maxBytes, uint64_t& size,
                    std::string* reason) {
    size = 0;
    auto refuse = [&](std::string why, int fd) {
        if (fd >= 0) ::close(fd);
        if (reason) *reason = std::move(why);
        return -1;
    };
    if (path.empty()) return refuse("no file name", -1);
    // Non-blocking open so that a FIFO without a writer cannot hang the caller; it is refused
    // below with everything else that is not a regular file.
    const int fd = retryOnInterrupt(
        [&] { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); });
    if (fd < 0) return refuse(describeFileError(errno), -1);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(describeFileError(errno), fd);
    if (S_ISDIR(st.st_mode)) return refuse(describeFileError(EISDIR), fd);
    if (!S_ISREG(st.st_mode)) return refuse("not a regular file", fd);
    if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes) {
        return refuse("file of " + std::to_string(st.st_size) + " bytes exceeds the " +
                          std::to_string(maxBytes) + "-byte limit",
                      fd);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return refuse(describeFileError(errno), fd);
    }
    size = uint64_t(st.st_size);
    return fd;
}

bool readRegularFile(const std::string& path, size_t maxBytes, std::string& out,
                     std::string* reason) {
    out.clear();
    uint64_t size = 0;
    const int fd = openRegularFile(path, maxBytes, size, reason);
    if (fd < 0) return false;
    std::string buf;
    std::string why;
    const size_t cap = std::min<size_t>(maxBytes, SIZE_MAX - 1);
    try {
        buf.resize(size_t(size) + 1);
        size_t got = 0;
        // Read to the end even when the file changed size since it was opened, but never past
        // the cap.
        for (;;) {
            if (got == buf.size()) {
                if (buf.size() > cap) {
                    why = "file grew past the " + std::to_string(maxBytes) + "-byte limit";
                    break;
                }
                buf.resize(std::min(cap + 1, buf.size() * 2 + 1));
            }
            const ssize_t n =
                retryOnInterrupt([&] { return ::read(fd, buf.data() + got, buf.size() - got); });
            if (n < 0) {
                why = describeFileError(errno);
                break;
            }
            if (n == 0) break;
            got += size_t(n);
        }
        buf.resize(got);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    }
    ::close(fd);
    if (!why.empty()) {
        if (reason) *reason = std::move(why);
        return false;
    }
    out = std::move(buf);
    return true;
}

}  // namespace varnel::platform
