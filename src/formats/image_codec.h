// The codec base: a concrete codec encodes and decodes through a ByteStream; this base turns
// files, memory blocks and resources into streams for it.
#pragma once

#include <cstdint>
#include <string>

#include "formats/format_type.h"

namespace varnel {

class ByteStream;
class FormatInfo;
class ImageFile;
class MemoryBuffer;
class ResourceModule;

class ImageCodec {
public:
    virtual ~ImageCodec() = default;

    // Writes `image` to `path` through a FileStream. The file at `path` is replaced only when
    // the encoder succeeds and every byte reached the disk; otherwise it stays as it was.
    // Fails at once when the image holds no pixels.
    virtual bool saveToFile(const std::string& path, const ImageFile& image);
    virtual bool saveToStream(ByteStream& stream, const ImageFile& image) = 0;
    // Encodes into the caller's buffer, which never grows: an encoding that does not fit fails.
    // `written` (when given) receives the number of bytes the encoding took.
    virtual bool saveToBuffer(MemoryBuffer& buffer, const ImageFile& image,
                              uint32_t* written = nullptr);
    // Reads `image` from `path`; on success the path is recorded in the image's format info.
    virtual bool loadFromFile(ImageFile& image, const std::string& path, uint32_t flags);
    virtual bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) = 0;
    virtual bool loadFromMemory(ImageFile& image, const void* data, uint32_t size, uint32_t flags);
    // Reads resource `id` of this codec's resource type from `module` (the program when null).
    virtual bool loadFromResource(ImageFile& image, uint32_t id, const ResourceModule* module,
                                  uint32_t flags);
    // Reads only the header and metadata of the file at `path` into `info`, whose format type
    // chooses the kind of image file object used for it.
    virtual bool readInfo(FormatInfo& info, const std::string& path);
    virtual int formatType() const = 0;
    // True when the image's format info is of this codec's format type (or, for an image
    // without format info, when this codec has none either).
    virtual bool accepts(const ImageFile& image) const;

    // Why the last load or save through this codec failed, in words for the user ("width 40000
    // exceeds the 30000-pixel limit", "disk full"); empty after a success, and when nothing more
    // is known than that it failed.
    const std::string& failure() const { return m_failure; }

protected:
    ImageCodec() = default;
    ImageCodec(const ImageCodec&) = delete;
    ImageCodec& operator=(const ImageCodec&) = delete;

    // Records why the operation fails and returns false, for `return refuse("...")`.
    bool refuse(std::string reason) {
        m_failure = std::move(reason);
        return false;
    }
    void clearFailure() { m_failure.clear(); }

private:
    std::string m_failure;
};

}  // namespace varnel
