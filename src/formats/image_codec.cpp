#include "formats/image_codec.h"

#include <new>

#include "formats/file_stream.h"
#include "formats/format_info.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/resources.h"

namespace varnel {

// Encoders and decoders may throw (out of memory, a library error); no exception leaves here.

bool ImageCodec::saveToFile(const std::string& path, const ImageFile& image) {
    clearFailure();
    if (!image.isValid()) return refuse("no picture to save");
    FileStream stream;
    if (!stream.openForWrite(path)) return refuse(stream.failure());
    bool ok = false;
    try {
        ok = saveToStream(stream, image);
    } catch (const std::bad_alloc&) {
        refuse("out of memory");
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        // A write the system refused (a full disk) explains the encoder's failure best.
        if (!stream.failure().empty()) return refuse(stream.failure());
        return false;  // the stream's destructor discards the write
    }
    if (!stream.commit()) return refuse(stream.failure());
    clearFailure();
    return true;
}

bool ImageCodec::saveToBuffer(MemoryBuffer& buffer, const ImageFile& image, uint32_t* written) {
    if (buffer.data() == nullptr || buffer.size() == 0 || !image.isValid()) return false;
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0)) return false;
    bool ok = false;
    try {
        ok = saveToStream(stream, image);
    } catch (...) {
        ok = false;
    }
    if (ok && written) *written = stream.tell();
    stream.close();
    return ok;
}

bool ImageCodec::loadFromFile(ImageFile& image, const std::string& path, uint32_t flags) {
    clearFailure();
    FileStream stream;
    if (!stream.openForRead(path)) return refuse(stream.failure());
    bool ok = false;
    try {
        ok = loadFromStream(image, stream, flags);
        if (ok && image.formatInfo()) image.formatInfo()->filePath = path;
    } catch (const std::bad_alloc&) {
        ok = refuse("out of memory");
    } catch (...) {
        ok = false;
    }
    stream.close();
    return ok;
}

bool ImageCodec::loadFromMemory(ImageFile& image, const void* data, uint32_t size, uint32_t flags) {
    MemoryStream stream;
    if (!stream.attachBlock(data, size, CheckReadable)) return false;
    try {
        return loadFromStream(image, stream, flags);
    } catch (...) {
        return false;
    }
}

bool ImageCodec::loadFromResource(ImageFile& image, uint32_t id, const ResourceModule* module,
                                  uint32_t flags) {
    const auto type = resourceTypeFor(formatType());
    if (!type) return false;
    uint32_t size = 0;
    const uint8_t* data = findResource(id, *type, module, &size);
    if (!data || size == 0) return false;
    return loadFromMemory(image, data, size, flags);
}

bool ImageCodec::readInfo(FormatInfo& info, const std::string& path) {
    try {
        std::unique_ptr<ImageFile> image = createImageFile(info.formatType());
        if (!image || !loadFromFile(*image, path, LoadHeaderOnly)) return false;
        info.assign(*image->formatInfo());
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageCodec::accepts(const ImageFile& image) const {
    const FormatInfo* info = image.formatInfo();
    if (!info) return formatType() == FormatNone;
    return info->formatType() == formatType();
}

}  // namespace varnel
