// The byte-stream interface every codec reads and writes through, so that one codec serves files,
// memory blocks and embedded resources alike.
#pragma once

#include <cstdint>

namespace varnel {

// Seek origins, numbered as the platform numbers them.
enum SeekOrigin : int { SeekBegin = 0, SeekCurrent = 1, SeekEnd = 2 };

// Positions and sizes are unsigned 32-bit byte counts: files of 4 GiB and more are not supported.
// No operation throws; every failure is a false, zero or -1 result.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    // True when the stream is not open or its position lies past its size.
    virtual bool isBad() const;
    virtual bool isEof() const = 0;
    virtual bool isOpen() const = 0;
    virtual uint32_t size() const = 0;
    virtual uint32_t tell() const = 0;
    virtual bool seekTo(uint32_t position);
    virtual bool close() = 0;
    // Transfer up to elementSize × count bytes; the result is bytes transferred / elementSize.
    virtual uint32_t read(void* buffer, uint32_t elementSize, uint32_t count) = 0;
    virtual uint32_t write(const void* buffer, uint32_t elementSize, uint32_t count) = 0;
    virtual bool flush() = 0;
    // The next byte 0..255, or -1 when nothing could be read.
    virtual int readByte();
    virtual bool writeByte(uint8_t byte);
    // Origin 0 counts from the start, 1 from the current position, 2 from the end.
    virtual bool seek(int64_t offset, int origin) = 0;
    virtual bool rewind();
    virtual bool seekToEnd();
    // The platform's origin number for 0/1/2, or kBadOrigin for anything else.
    virtual uint32_t mapOrigin(int origin) const;

    static constexpr uint32_t kBadOrigin = 0xFFFFFFFFu;

protected:
    ByteStream() = default;
    ByteStream(const ByteStream&) = delete;
    ByteStream& operator=(const ByteStream&) = delete;
};

}  // namespace varnel
