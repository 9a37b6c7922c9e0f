// Scratch files in the user's cache folder that live as long as the process using them: each is
// created with a name holding the process id and kept locked while open, so that the files a
// crashed process left behind can be told apart from those of a running one and removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varnel::platform {

// The editor's folder in the user's cache folder: $XDG_CACHE_HOME/Varnel when that variable holds
// an absolute path, ~/.cache/Varnel otherwise; empty when neither can be found. Not created.
std::string userCacheFolder();

// The bytes an unprivileged process may still write on the file system holding `folder` (or its
// nearest existing parent); 0 when that cannot be told.
uint64_t freeDiskBytes(const std::string& folder);

// A scratch file read and written at offsets. Not thread-safe: one thread at a time.
class CacheFile {
public:
    // Creates the folder when needed (private to the user) and a new empty file in it named
    // `<stem>-<pid>-<n>.cache`, locked for this process. Null when the folder cannot be made or
    // written, with the reason in `reason` when given.
    static std::unique_ptr<CacheFile> create(const std::string& folder, const std::string& stem,
                                             std::string* reason = nullptr);
    // Closes and removes the file.
    ~CacheFile();
    CacheFile(const CacheFile&) = delete;
    CacheFile& operator=(const CacheFile&) = delete;

    // Writes `bytes` bytes at `offset`, retrying short writes. False when the system refuses part
    // of it (a full disk, a file-size limit); `error` then holds the error number.
    bool write(uint64_t offset, const void* data, size_t bytes, int* error = nullptr);
    // Reads exactly `bytes` bytes at `offset`; false on an error or a short file.
    bool read(uint64_t offset, void* data, size_t bytes) const;
    // Gives the disk space of a range back to the system (the range then reads as zeros); the
    // file's size stays. Best effort: file systems that cannot do it keep the space.
    void release(uint64_t offset, uint64_t bytes);
    // Cuts the file to `bytes` bytes.
    void truncate(uint64_t bytes);

    const std::string& path() const { return path_; }

private:
    CacheFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

// Removes the files of `stem` in `folder` left by processes that are no longer running (their
// lock is free and the process id in their name belongs to no running process, or they have not
// been touched for a day). Returns how many were removed.
int removeStaleCacheFiles(const std::string& folder, const std::string& stem);

// Test seam: the next `count` writes of any cache file fail as if the disk were full.
void failNextCacheWrites(int count);

}  // namespace varnel::platform
