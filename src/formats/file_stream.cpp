#include "formats/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace varnel {

namespace {

constexpr uint64_t kMaxStreamBytes = 0xFFFFFFFFull;
// Large writes go to the system in pieces of this size. Written in one piece, a 72 MB picture
// often took 0.1 to 0.2 s instead of 0.02 s on the virtual machines we measure on (the kernel
// then fills the page cache with large folios, whose fresh memory is slow to touch there); in
// pieces of this size it costs a few hundred syscalls more and stays near a memory copy.
constexpr uint64_t kWriteChunk = 256 * 1024;

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

// A save through a symbolic link replaces the file the link points to, not the link.
std::string resolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            free(real);
            return resolved;
        }
    }
    return path;
}

// Creates a new file beside `target` whose name cannot clash with another writer's; the
// creation mode 0666 lets the process umask decide the permissions of a file that is new.
int createTemporaryBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(target);
    std::string base = nameOf(target);
    // Keep the temporary name within the file system's name limit.
    if (base.size() > 200) base.resize(200);
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 16; ++attempt) {
        const unsigned n = counter.fetch_add(1);
        std::string candidate = folder + "/." + base + "." + std::to_string(getpid()) + "-" +
                                std::to_string(n) + "-" + std::to_string(ticks % 1000003) + ".tmp";
        const int fd = retryOnInterrupt(
            [&] { return ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (fd >= 0) {
            tempPath = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

// ---- FileHandle --------------------------------------------------------------------------------

FileHandle::~FileHandle() {
    if (m_fd >= 0) ::close(m_fd);
}

bool FileHandle::open(const std::string& path, int flags, unsigned mode) {
    close();
    const int fd =
        retryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode_t(mode)); });
    if (fd < 0) return false;
    m_fd = fd;
    return true;
}

bool FileHandle::openRead(const std::string& path, int flags, unsigned mode) {
    return open(path, flags, mode);
}

void FileHandle::adopt(int fd) {
    close();
    m_fd = fd;
}

bool FileHandle::close() {
    if (m_fd < 0) return false;
    // The descriptor is gone after close(2) even when it reports an error.
    const int r = ::close(m_fd);
    m_fd = -1;
    return r == 0;
}

// ---- FileStream --------------------------------------------------------------------------------

std::atomic<uint64_t> FileStream::s_dataSyncs{0};

uint64_t FileStream::dataSyncs() {
    return s_dataSyncs.load(std::memory_order_relaxed);
}

bool FileStream::syncData() {
    s_dataSyncs.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(m_file.fd()) == 0;
}

FileStream::~FileStream() {
    close();
}

bool FileStream::openForWrite(const std::string& path) {
    if (isOpen() || path.empty()) return false;
    const std::string target = resolveTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // Replacing a folder, a device or a file the user may not write is refused, as writing
        // into it in place would be.
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0) return false;
    }
    std::string tempPath;
    const int fd = createTemporaryBeside(target, tempPath);
    if (fd < 0) return false;
    if (exists) {
        (void)::fchmod(fd, st.st_mode & 07777);
        (void)::fchown(fd, st.st_uid, st.st_gid);
    }
    m_file.adopt(fd);
    m_position = 0;
    m_bufferStart = 0;
    m_bufferLength = 0;
    m_writing = true;
    m_writeFailed = false;
    m_target = target;
    m_tempPath = std::move(tempPath);
    return true;
}

bool FileStream::openForRead(const std::string& path) {
    if (isOpen() || path.empty()) return false;
    // Non-blocking open so that a FIFO without a writer cannot hang the caller; it is refused
    // below with every other file that is not a regular one.
    if (!m_file.openRead(path, O_RDONLY | O_NONBLOCK)) return false;
    struct stat st {};
    const int fd = m_file.fd();
    int flags = 0;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > kMaxStreamBytes ||
        (flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        m_file.close();
        return false;
    }
    m_readSize = uint64_t(st.st_size);
    m_position = 0;
    m_bufferStart = 0;
    m_bufferLength = 0;
    m_writing = false;
    m_writeFailed = false;
    return true;
}

void FileStream::discardTemporary() {
    if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    m_target.clear();
    m_writing = false;
    m_writeFailed = false;
}

bool FileStream::commit() {
    if (!isOpen() || !m_writing) return false;
    // Replacing a file puts the user's original at risk: after a crash the renamed entry must
    // not point at data that never reached the disk, so the data is synced before the rename
    // and the folder after it. A new file risks nothing (the rename still keeps a half-written
    // file from ever carrying the final name), and is left to the system's write-back like any
    // other program's write.
    struct stat st {};
    const bool replacing = ::lstat(m_target.c_str(), &st) == 0;
    bool ok = !m_writeFailed;
    if (ok && replacing) ok = syncData();
    ok = m_file.close() && ok;
    if (ok) ok = ::rename(m_tempPath.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        discardTemporary();
        return false;
    }
    if (replacing) syncFolder(folderOf(m_target));
    m_tempPath.clear();
    m_target.clear();
    m_writing = false;
    return true;
}

bool FileStream::isOpen() const {
    return m_file.isValid();
}

uint64_t FileStream::fileSize() const {
    if (!m_writing) return m_readSize;
    struct stat st {};
    return ::fstat(m_file.fd(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

uint32_t FileStream::size() const {
    if (!isOpen()) return 0;
    return uint32_t(std::min<uint64_t>(fileSize(), kMaxStreamBytes));
}

uint32_t FileStream::tell() const {
    if (!isOpen()) return 0;
    return uint32_t(std::min<uint64_t>(m_position, kMaxStreamBytes));
}

bool FileStream::isEof() const {
    return !isOpen() || m_position >= fileSize();
}

bool FileStream::close() {
    if (!isOpen()) return false;
    m_file.close();
    if (m_writing) discardTemporary();
    m_position = 0;
    m_bufferStart = 0;
    m_bufferLength = 0;
    return true;
}

int64_t FileStream::readAt(uint8_t* out, uint64_t bytes, uint64_t offset) const {
    uint64_t done = 0;
    while (done < bytes) {
        const size_t chunk = size_t(std::min<uint64_t>(bytes - done, 1u << 30));
        const ssize_t n = retryOnInterrupt(
            [&] { return ::pread(m_file.fd(), out + done, chunk, off_t(offset + done)); });
        if (n < 0) return -1;
        if (n == 0) break;
        done += uint64_t(n);
    }
    return int64_t(done);
}

uint32_t FileStream::read(void* buffer, uint32_t elementSize, uint32_t count) {
    if (!isOpen() || buffer == nullptr || elementSize == 0 || count == 0) return 0;
    const uint64_t wanted = uint64_t(elementSize) * count;
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    if (m_writing) {
        // A write stream reads straight from the file, so it always sees what it wrote.
        const int64_t n = readAt(out, wanted, m_position);
        if (n < 0) return 0;
        done = uint64_t(n);
    } else {
        // Reads go through a buffer: codecs ask for a few bytes at a time.
        while (done < wanted) {
            if (m_position >= m_bufferStart && m_position < m_bufferStart + m_bufferLength) {
                const uint64_t at = m_position - m_bufferStart;
                const uint64_t n = std::min(wanted - done, m_bufferLength - at);
                std::memcpy(out + done, m_buffer.get() + at, size_t(n));
                done += n;
                m_position += n;
                continue;
            }
            if (wanted - done >= kBufferSize) {
                const int64_t n = readAt(out + done, wanted - done, m_position);
                if (n < 0) return 0;
                done += uint64_t(n);
                m_position += uint64_t(n);
                break;
            }
            if (!m_buffer) m_buffer.reset(new (std::nothrow) uint8_t[kBufferSize]);
            if (!m_buffer) return 0;
            const int64_t n = readAt(m_buffer.get(), kBufferSize, m_position);
            if (n < 0) return 0;
            m_bufferStart = m_position;
            m_bufferLength = uint64_t(n);
            if (n == 0) break;
        }
        return uint32_t(done / elementSize);
    }
    m_position += done;
    return uint32_t(done / elementSize);
}

uint32_t FileStream::write(const void* buffer, uint32_t elementSize, uint32_t count) {
    if (!isOpen() || !m_writing || buffer == nullptr || elementSize == 0 || count == 0) return 0;
    const uint64_t wanted = uint64_t(elementSize) * count;
    // Nothing may reach past the 4 GiB that positions can express.
    const uint64_t room = kMaxStreamBytes - std::min<uint64_t>(m_position, kMaxStreamBytes);
    const uint64_t allowed = std::min(wanted, room);
    const auto* in = static_cast<const uint8_t*>(buffer);
    uint64_t done = 0;
    while (done < allowed) {
        const size_t chunk = size_t(std::min<uint64_t>(allowed - done, kWriteChunk));
        const ssize_t n = retryOnInterrupt(
            [&] { return ::pwrite(m_file.fd(), in + done, chunk, off_t(m_position + done)); });
        if (n <= 0) break;
        done += uint64_t(n);
    }
    m_position += done;
    if (done < wanted) m_writeFailed = true;
    return uint32_t(done / elementSize);
}

bool FileStream::flush() {
    if (!isOpen()) return false;
    return !m_writing || syncData();
}

bool FileStream::seek(int64_t offset, int origin) {
    if (!isOpen()) return false;
    int64_t base = 0;
    switch (mapOrigin(origin)) {
        case SeekBegin:
            base = 0;
            break;
        case SeekCurrent:
            base = int64_t(m_position);
            break;
        case SeekEnd:
            base = int64_t(fileSize());
            break;
        default:
            return false;
    }
    // Both terms are far below 2^63 in magnitude only when the offset is sane; check before adding.
    if ((offset > 0 && base > INT64_MAX - offset) || (offset < 0 && base < INT64_MIN - offset)) {
        return false;
    }
    const int64_t target = base + offset;
    if (target < 0 || uint64_t(target) > kMaxStreamBytes) return false;
    m_position = uint64_t(target);
    return true;
}

}  // namespace varnel
