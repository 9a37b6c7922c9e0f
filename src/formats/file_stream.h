// Byte streams over files on disk (POSIX file descriptors).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "formats/byte_stream.h"
#include "platform/file_io.h"

namespace varnel {

// Owns one file descriptor; -1 means no file.
class FileHandle {
public:
    FileHandle() = default;
    virtual ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Closes any descriptor held, then opens `path` with the open(2) flags and creation mode.
    // A failure leaves the object without a descriptor.
    virtual bool open(const std::string& path, int flags, unsigned mode = 0);
    virtual bool openRead(const std::string& path, int flags, unsigned mode = 0);
    virtual bool close();

    // Takes ownership of an open descriptor (closing any held before).
    void adopt(int fd);
    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// A stream over one file.
//
// Reading opens the file itself (a regular file only, see platform::openRegularFile). Writing
// never touches the target until the writer says it has finished: it goes through a
// platform::FileReplacement, a temporary file in the target's folder that only commit() moves
// over the target (keeping the permissions of the file it replaces). close() without commit(),
// destruction, or any failed write followed by commit() removes the temporary file and leaves an
// existing target byte-for-byte as it was. failure() says why an open or a commit failed.
class FileStream : public ByteStream {
public:
    FileStream() = default;
    ~FileStream() override;

    // Fails when the stream is already open, when the target is a folder or an existing file that
    // may not be written, or when no temporary file can be created beside it.
    bool openForWrite(const std::string& path);
    // Fails when the stream is already open, when the path is not a regular readable file, or
    // when the file holds 4 GiB or more.
    bool openForRead(const std::string& path);
    // Finishes a write: renames the temporary file over the target. When that replaces an
    // existing file, the data is synced to disk before the rename and the folder after it. Fails
    // (and discards the temporary file) when the stream is not writing, when any write came up
    // short, or when syncing or renaming fails. The stream is closed afterwards in every case.
    bool commit();
    // How many times this process has synced a file's data to disk (commits that replace a file,
    // flushes of write streams, and every other replacement through platform/file_io.h).
    static uint64_t dataSyncs();
    // Why the last openForRead, openForWrite or commit failed, in words for the user ("permission
    // denied", "disk full"); empty after a success. A write that came up short is reported by
    // the commit that follows it.
    const std::string& failure() const { return m_failure; }

    bool isEof() const override;
    bool isOpen() const override;
    uint32_t size() const override;
    uint32_t tell() const override;
    // Closes the file; a write that was not committed is discarded.
    bool close() override;
    uint32_t read(void* buffer, uint32_t elementSize, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t elementSize, uint32_t count) override;
    bool flush() override;
    // Positions past the end are allowed; a negative target or one at or past 4 GiB fails.
    bool seek(int64_t offset, int origin) override;

    bool isWriting() const { return m_writing; }
    // The temporary file a write goes to until commit() (empty when not writing).
    const std::string& temporaryPath() const { return m_replacement.temporaryPath(); }

private:
    static constexpr uint64_t kBufferSize = 64 * 1024;

    // The descriptor reads and writes go to.
    int fd() const { return m_writing ? m_replacement.fd() : m_file.fd(); }
    uint64_t fileSize() const;
    // Reads up to `bytes` at `offset`; the count read, or -1 on an error.
    int64_t readAt(uint8_t* out, uint64_t bytes, uint64_t offset) const;

    // The file being read.
    FileHandle m_file;
    // The file being written.
    platform::FileReplacement m_replacement;
    bool m_writing = false;
    std::string m_failure;
    // The stream's position: reads and writes go to explicit offsets.
    uint64_t m_position = 0;
    // Size of a file opened for reading, taken when it was opened.
    uint64_t m_readSize = 0;
    // Read streams: the bytes of the file from m_bufferStart, m_bufferLength of them.
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_bufferStart = 0;
    uint64_t m_bufferLength = 0;
};

}  // namespace varnel
