// What the OpenRaster reader and writer share: entry names, our namespace, and a byte stream that
// grows in memory. Not for other users.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/byte_stream.h"

namespace varnel::openraster {

inline constexpr const char* kMimeTypeEntry = "mimetype";
inline constexpr const char* kStackEntry = "stack.xml";
inline constexpr const char* kMergedEntry = "mergedimage.png";
inline constexpr const char* kThumbnailEntry = "Thumbnails/thumbnail.png";
// Our private folder: the saved channels and their list. Other readers ignore it.
inline constexpr const char* kChannelListEntry = "varnel/channels.xml";
inline constexpr const char* kNamespace = "urn:x-varnel:openraster";
inline constexpr const char* kPrefix = "varnel:";
inline constexpr int kThumbnailSide = 256;

// A write stream into a vector that grows as it is written (reads serve the written bytes).
class VectorStream : public ByteStream {
public:
    explicit VectorStream(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool isEof() const override { return position_ >= bytes_.size(); }
    bool isOpen() const override { return true; }
    uint32_t size() const override { return uint32_t(bytes_.size()); }
    uint32_t tell() const override { return uint32_t(position_); }
    bool close() override { return true; }
    uint32_t read(void* buffer, uint32_t elementSize, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t elementSize, uint32_t count) override;
    bool flush() override { return true; }
    bool seek(int64_t offset, int origin) override;

private:
    std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

}  // namespace varnel::openraster
