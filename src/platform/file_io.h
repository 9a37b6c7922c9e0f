// Files on disk as the editor needs them: whole-file replacement that never leaves a half-written
// file in the user's place, and reading of regular files whose size is bounded before anything is
// read. Failures come with a reason in words for the user ("disk full", "permission denied").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnel::platform {

// The reason for a failed system call with error number `error`, as a short lower-case phrase:
// "disk full", "permission denied", "read-only file system", "no such file or folder", or the
// system's own text for anything else.
std::string describeFileError(int error);

// Replaces one file. open() creates a new temporary file beside the target (a symbolic link is
// followed to the file it points to, which is replaced and the link kept); the caller writes to
// fd(); commit() renames the temporary file over the target. Until then the target is untouched,
// and discard(), a failed commit() or destruction removes the temporary file and leaves an
// existing target byte for byte as it was.
//
// Replacing an existing file keeps its permissions (and its owner and group, where the process
// may set them), and syncs the new data to disk before the rename and the folder after it: the
// user's original is at stake, and after a crash the name must not point at data that never
// reached the disk. A new file risks nothing (the rename still keeps a half-written file from
// carrying the name) and is left to the system's write-back.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Fails when a replacement is already open, for an empty path, when the target is a folder,
    // a device or an existing file this process may not write, or when no temporary file can be
    // created beside it (a missing or read-only folder, a full disk).
    bool open(const std::string& path);
    // Writes all of `data` at the temporary file's current end (retrying short writes); false
    // when the system refuses part of it (then commit() fails too).
    bool write(std::string_view data);
    // Records that a write through fd() failed, so that commit() fails with `error`'s reason.
    void markFailed(int error);
    // Renames the temporary file over the target (syncing first when it replaces a file). Fails,
    // discarding the temporary file, when nothing is open, after a failed write, or when syncing,
    // closing or renaming fails. Closed afterwards in every case.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The file the rename will replace (the end of any chain of symbolic links).
    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return tempPath_; }
    // Why the last open(), write() or commit() failed; empty after a success.
    const std::string& failure() const { return failure_; }

private:
    void fail(std::string reason);

    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string tempPath_;
    std::string failure_;
};

// Replaces the file at `path` with `data` through a FileReplacement. False on any failure, with
// the reason in `reason` when given; the previous file is then unchanged.
bool replaceFile(const std::string& path, std::string_view data, std::string* reason = nullptr);

// Opens a regular file for reading whose size is at most `maxBytes`. The open does not block (a
// named pipe in the file's place would otherwise stall the caller); the descriptor returned
// blocks as usual. Returns -1 for a missing or unreadable file, anything that is not a regular
// file (a folder, a pipe, a device), or a larger file, with the reason in `reason` when given.
// `size` receives the file's size.
int openRegularFile(const std::string& path, uint64_t maxBytes, uint64_t& size,
                    std::string* reason = nullptr);

// Reads a whole regular file of at most `maxBytes` bytes into `out` (through openRegularFile,
// and never more than `maxBytes` even when the file grows meanwhile). False, leaving `out` empty,
// on any failure, with the reason in `reason` when given.
bool readRegularFile(const std::string& path, size_t maxBytes, std::string& out,
                     std::string* reason = nullptr);

// Syncs a file's data to disk, counting the call (see fileDataSyncs).
bool syncFileData(int fd);
// How many times this process has synced a file's data through syncFileData.
uint64_t fileDataSyncs();

}  // namespace varnel::platform
