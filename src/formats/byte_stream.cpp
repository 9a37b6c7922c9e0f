#include "formats/byte_stream.h"

namespace varnel {

bool ByteStream::isBad() const {
    return !isOpen() || tell() > size();
}

bool ByteStream::seekTo(uint32_t position) {
    return seek(int64_t(position), SeekBegin);
}

int ByteStream::readByte() {
    uint8_t byte = 0;
    return read(&byte, 1, 1) == 1 ? int(byte) : -1;
}

bool ByteStream::writeByte(uint8_t byte) {
    return write(&byte, 1, 1) == 1;
}

bool ByteStream::rewind() {
    return seek(0, SeekBegin);
}

bool ByteStream::seekToEnd() {
    return seek(0, SeekEnd);
}

uint32_t ByteStream::mapOrigin(int origin) const {
    switch (origin) {
        case SeekBegin:
        case SeekCurrent:
        case SeekEnd:
            return uint32_t(origin);
        default:
            return kBadOrigin;
    }
}

}  // namespace varnel
