#include "formats/memory_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnel {

// ---- MemoryBuffer ------------------------------------------------------------------------------

MemoryBuffer::MemoryBuffer(uint32_t size) {
    allocate(size);
}

MemoryBuffer::~MemoryBuffer() {
    release();
}

bool MemoryBuffer::allocate(uint32_t size) {
    release();
    if (size == 0) return true;
    m_data = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!m_data) return false;
    m_size = size;
    return true;
}

void MemoryBuffer::release() {
    std::free(m_data);
    m_data = nullptr;
    m_size = 0;
}

// ---- Accessibility check -----------------------------------------------------------------------

bool isMemoryAccessible(const void* block, uint64_t size, bool needWrite) {
    if (block == nullptr) return false;
    const uint64_t begin = uint64_t(reinterpret_cast<uintptr_t>(block));
    if (size == 0) return true;
    if (begin > UINT64_MAX - size) return false;
    const uint64_t end = begin + size;
    // The process's own map of its address space lists every mapping, in address order, with
    // its access rights; the block must be covered without gaps by mappings that allow access.
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps) return false;
    uint64_t covered = begin;
    char line[512];
    while (covered < end && std::fgets(line, sizeof line, maps)) {
        unsigned long long lo = 0, hi = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%llx-%llx %4s", &lo, &hi, perms) != 3) continue;
        // Lines longer than the buffer continue on the next read; their tails do not parse.
        if (hi <= covered) continue;
        if (lo > covered) break;
        if (perms[0] != 'r' || (needWrite && perms[1] != 'w')) break;
        covered = hi;
    }
    std::fclose(maps);
    return covered >= end;
}

// ---- MemoryStream ------------------------------------------------------------------------------

MemoryStream::~MemoryStream() = default;

bool MemoryStream::attachBlock(void* block, uint32_t size, uint32_t checks) {
    if (isOpen() || block == nullptr || size == 0) return false;
    if (size != kUnknownSize) {
        if ((checks & CheckReadable) && !isMemoryAccessible(block, size, false)) return false;
        if ((checks & CheckWritable) && !isMemoryAccessible(block, size, true)) return false;
    }
    m_position = 0;
    m_block = static_cast<uint8_t*>(block);
    m_blockSize = size;
    m_buffer.reset();
    m_readOnly = false;
    return true;
}

bool MemoryStream::attachBlock(const void* block, uint32_t size, uint32_t checks) {
    // The block is only ever read through this stream: writes are refused while m_readOnly.
    if (!attachBlock(const_cast<void*>(block), size, checks)) return false;
    m_readOnly = true;
    return true;
}

void MemoryStream::attachBuffer(std::unique_ptr<MemoryBuffer> buffer) {
    if (m_buffer) m_buffer->release();
    m_position = 0;
    m_block = nullptr;
    m_blockSize = 0;
    m_readOnly = false;
    m_buffer = std::move(buffer);
}

std::unique_ptr<MemoryBuffer> MemoryStream::detachBuffer() {
    if (!hasBuffer()) return nullptr;
    m_position = 0;
    m_block = nullptr;
    m_blockSize = 0;
    return std::move(m_buffer);
}

bool MemoryStream::isOpen() const {
    return hasBlock() || hasBuffer();
}

uint8_t* MemoryStream::data() const {
    if (m_block) return m_block;
    return hasBuffer() ? m_buffer->data() : nullptr;
}

uint32_t MemoryStream::size() const {
    if (m_block) return m_blockSize;
    return hasBuffer() ? m_buffer->size() : 0;
}

bool MemoryStream::isEof() const {
    // An empty stream is at its end.
    return !isOpen() || m_position >= size();
}

bool MemoryStream::close() {
    const bool wasOpen = isOpen();
    if (m_buffer) m_buffer->release();
    m_buffer.reset();
    m_position = 0;
    m_block = nullptr;
    m_blockSize = 0;
    m_readOnly = false;
    return wasOpen;
}

uint32_t MemoryStream::read(void* buffer, uint32_t elementSize, uint32_t count) {
    if (!isOpen() || buffer == nullptr || elementSize == 0 || count == 0) return 0;
    const uint32_t total = size();
    if (m_position >= total) return 0;
    const uint64_t bytes = std::min<uint64_t>(uint64_t(elementSize) * count, total - m_position);
    std::memcpy(buffer, data() + m_position, size_t(bytes));
    m_position += uint32_t(bytes);
    return uint32_t(bytes / elementSize);
}

uint32_t MemoryStream::write(const void* buffer, uint32_t elementSize, uint32_t count) {
    if (!isOpen() || m_readOnly || buffer == nullptr || elementSize == 0 || count == 0) return 0;
    const uint32_t total = size();
    if (m_position >= total) return 0;
    const uint64_t bytes = std::min<uint64_t>(uint64_t(elementSize) * count, total - m_position);
    std::memmove(data() + m_position, buffer, size_t(bytes));
    m_position += uint32_t(bytes);
    return uint32_t(bytes / elementSize);
}

bool MemoryStream::seek(int64_t offset, int origin) {
    if (!isOpen()) return false;
    const int64_t total = int64_t(size());
    int64_t base = 0;
    switch (mapOrigin(origin)) {
        case SeekBegin:
            base = 0;
            break;
        case SeekCurrent:
            base = int64_t(m_position);
            break;
        case SeekEnd:
            base = total;
            break;
        default:
            return false;
    }
    // base and total are below 2^32, so only an offset near the int64 limits could overflow.
    if (offset > INT64_MAX / 2 || offset < INT64_MIN / 2) return false;
    const int64_t target = base + offset;
    if (target < 0 || target > total - 1) return false;
    m_position = uint32_t(target);
    return true;
}

}  // namespace varnel
