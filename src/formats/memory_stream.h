// Byte streams over memory: a caller's block, or an owned buffer.
#pragma once

#include <cstdint>
#include <memory>

#include "formats/byte_stream.h"

namespace varnel {

// An owned block of bytes that a MemoryStream can write into and hand back. It never grows: the
// owner sizes it before encoding into it.
class MemoryBuffer {
public:
    MemoryBuffer() = default;
    // A zero-filled buffer; data() is null when the memory could not be had.
    explicit MemoryBuffer(uint32_t size);
    virtual ~MemoryBuffer();
    MemoryBuffer(const MemoryBuffer&) = delete;
    MemoryBuffer& operator=(const MemoryBuffer&) = delete;

    // Replaces the contents by `size` zero bytes; false (and empty) when out of memory.
    bool allocate(uint32_t size);
    virtual uint8_t* data() const { return m_data; }
    virtual uint32_t size() const { return m_data ? m_size : 0; }
    // Frees the bytes; the object stays, empty.
    virtual void release();

private:
    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
};

// Checks for attachBlock.
enum MemoryCheck : uint32_t { CheckReadable = 1, CheckWritable = 2 };

// A stream over memory in one of two modes: block mode reads and writes a caller-owned block;
// buffer mode reads and writes an owned MemoryBuffer. Writes never extend the memory: what does
// not fit is dropped and the shorter count returned. Seeking can reach the last byte but never
// the end itself (so seekToEnd always fails); reading or writing up to the end is how the end
// is reached.
class MemoryStream : public ByteStream {
public:
    // Size passed to attachBlock when the caller cannot tell the size: no checks are made.
    static constexpr uint32_t kUnknownSize = 0xFFFFFFFFu;

    MemoryStream() = default;
    ~MemoryStream() override;

    // Reads and writes go to the caller's block, which stays the caller's. Fails when already
    // open, when the block is null or empty, or when a requested check (MemoryCheck bits) finds
    // part of the block unreadable or unwritable; the checks are skipped for kUnknownSize.
    bool attachBlock(void* block, uint32_t size, uint32_t checks);
    // The same over read-only memory: writes to the stream always fail.
    bool attachBlock(const void* block, uint32_t size, uint32_t checks);
    // Takes ownership of `buffer`, releasing any buffer held before, and leaves block mode.
    void attachBuffer(std::unique_ptr<MemoryBuffer> buffer);
    // Hands the buffer back to the caller and closes the stream; null when not in buffer mode.
    std::unique_ptr<MemoryBuffer> detachBuffer();

    bool isEof() const override;
    bool isOpen() const override;
    uint32_t size() const override;
    uint32_t tell() const override { return m_position; }
    // Releases an owned buffer, forgets a block.
    bool close() override;
    uint32_t read(void* buffer, uint32_t elementSize, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t elementSize, uint32_t count) override;
    bool flush() override { return isOpen(); }
    // Fails, leaving the position, unless the target lies within 0 .. size - 1.
    bool seek(int64_t offset, int origin) override;

    virtual bool hasBlock() const { return m_block != nullptr; }
    virtual bool hasBuffer() const { return m_buffer && m_buffer->data() != nullptr; }
    virtual bool hasBufferAgain() const { return hasBuffer(); }

private:
    uint8_t* data() const;

    uint32_t m_position = 0;
    uint8_t* m_block = nullptr;
    uint32_t m_blockSize = 0;
    std::unique_ptr<MemoryBuffer> m_buffer;
    bool m_readOnly = false;
};

// True when every byte of [block, block + size) lies in memory mapped with the wanted access.
bool isMemoryAccessible(const void* block, uint64_t size, bool needWrite);

}  // namespace varnel
