#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

namespace varnel {
namespace fs = std::filesystem;

namespace {

// Follows a chain of symbolic links to the path that really holds the file (which may not exist
// yet). Gives up after as many hops as the kernel allows, returning the last path reached.
fs::path resolveLinks(fs::path p) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

bool writeAll(int fd, std::string_view data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

// Creates a new, empty file beside `target` under a name nobody else uses. The kernel applies the
// process umask to the mode, as for any new file.
int createTemporary(const fs::path& target, std::string& tempPath) {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string base = target.filename().string().substr(0, 200);
    fs::path dir = target.parent_path();
    std::random_device rd;
    std::mt19937 gen(rd());
    std::uniform_int_distribution<int> pick(0, int(sizeof kChars) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "." + base + ".tmp";
        for (int i = 0; i < 8; ++i) name += kChars[pick(gen)];
        fs::path candidate = dir.empty() ? fs::path(name) : dir / name;
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempPath = candidate.string();
            return fd;
        }
        if (errno != EEXIST && errno != EINTR) return -1;
    }
    return -1;
}

// Makes the rename itself durable; a failure here does not undo the already completed save.
void syncFolder(const fs::path& target) {
    fs::path dir = target.parent_path();
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool replaceFileAtomically(const std::string& path, std::string_view data) {
    if (path.empty()) return false;
    fs::path target;
    try {
        target = resolveLinks(fs::path(path));
    } catch (const std::exception&) {
        return false;
    }

    struct stat old {};
    bool hadFile = ::stat(target.c_str(), &old) == 0;
    if (hadFile && !S_ISREG(old.st_mode)) return false;  // never replace a folder or a device

    std::string tempPath;
    int fd = -1;
    try {
        fd = createTemporary(target, tempPath);
    } catch (const std::exception&) {
        fd = -1;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (hadFile) {
        // Keep the owner's choice of permissions (and owner, when we may set it).
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
            (void)!::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    syncFolder(target);
    return true;
}

bool readFileBounded(const std::string& path, size_t maxBytes, std::string& out) {
    out.clear();
    // Non-blocking open so that a named pipe in the file's place cannot stall the program.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    std::string buf;
    bool ok = true;
    try {
        buf.resize(size_t(st.st_size) + 1);
        size_t got = 0;
        // Read until the end even if the file changed size since fstat, but never past the cap.
        for (;;) {
            if (got == buf.size()) {
                if (buf.size() > maxBytes) {
                    ok = false;
                    break;
                }
                buf.resize(std::min(maxBytes + 1, buf.size() * 2 + 1));
            }
            ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            if (n == 0) break;
            got += size_t(n);
        }
        buf.resize(got);
    } catch (const std::exception&) {
        ok = false;
    }
    ::close(fd);
    if (!ok) return false;
    out = std::move(buf);
    return true;
}

}  // namespace varnel
