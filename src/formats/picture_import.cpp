#include "formats/picture_import.h"

#include <new>

#include "core/surface_ops.h"
#include "document/document.h"
#include "formats/exif.h"
#include "formats/file_stream.h"
#include "formats/format_type.h"
#include "formats/gif_reader.h"
#include "formats/ico_reader.h"
#include "formats/image_file.h"
#include "formats/jpeg_codec.h"
#include "formats/metadata_blocks.h"
#include "formats/tiff_codec.h"
#include "formats/webp_codec.h"

namespace varnel {

namespace {

bool readJpeg(ByteStream& stream, DecodedPicture& picture, std::string& reason) {
    JpegImageFile image;
    JpegCodec codec;
    if (!codec.loadFromStream(image, stream, LoadPixels)) {
        reason = codec.failure();
        return false;
    }
    picture.metadata = metadataFromJpegSegments(image.jpegInfo().segments);
    picture.color.swapStores(image.pixels());
    picture.alpha.release();
    picture.bitsPerPixel = codec.fileComponents() * 8;
    picture.resolution = codec.resolution();
    return true;
}

}  // namespace

void DecodedPicture::dropOpaqueAlpha() {
    if (alpha.isValid() && !hasNon255(alpha)) alpha.release();
}

bool applyExifOrientation(PixelSurface& image, int orientation) {
    switch (orientation) {
        case 2:
            return image.flipHorizontal() != 0;
        case 3:
            return image.rotate180() != 0;
        case 4:
            return image.flipVertical() != 0;
        case 5:
            return image.transpose() != 0;
        case 6:
            return image.rotate90Clockwise() != 0;
        case 7:
            return image.antiTranspose() != 0;
        case 8:
            return image.rotate90CounterClockwise() != 0;
        default:
            return true;
    }
}

bool orientUpright(ColorImage& color, GrayMap& alpha, PhotoMetadata& metadata) {
    const int orientation = exifOrientation(metadata.exif);
    if (orientation < 2) return true;
    if (!applyExifOrientation(color, orientation)) return false;
    if (alpha.isValid() && !applyExifOrientation(alpha, orientation)) return false;
    resetExifOrientation(metadata.exif);
    return true;
}

bool decodePicture(ByteStream& stream, int formatType, DecodedPicture& picture,
                   std::string* reason) {
    std::string why;
    try {
        DecodedPicture decoded;
        bool ok = false;
        switch (formatType) {
            case FormatGif:
                ok = readGif(stream, decoded, &why);
                break;
            case FormatIco:
                ok = readIcon(stream, decoded, nullptr, &why);
                break;
            case FormatJpeg:
                ok = readJpeg(stream, decoded, why);
                break;
            case FormatTiff:
                ok = readTiff(stream, decoded, &why);
                break;
            case FormatWebp:
                ok = readWebp(stream, decoded, &why);
                break;
            default:
                if (reason) *reason = "not a picture format";
                return false;
        }
        if (!ok || !decoded.color.isValid()) {
            if (reason) *reason = why;
            return false;
        }
        if (!orientUpright(decoded.color, decoded.alpha, decoded.metadata)) {
            if (reason) *reason = "out of memory";
            return false;
        }
        picture.color.swapStores(decoded.color);
        picture.alpha.release();
        picture.alpha.swapStores(decoded.alpha);
        picture.bitsPerPixel = decoded.bitsPerPixel;
        picture.resolution = decoded.resolution;
        picture.note = std::move(decoded.note);
        picture.metadata = std::move(decoded.metadata);
        return true;
    } catch (const std::bad_alloc&) {
        if (reason) *reason = "out of memory";
        return false;
    }
}

bool decodePictureFile(const std::string& path, DecodedPicture& picture, std::string* reason) {
    FileStream stream;
    if (!stream.openForRead(path)) {
        if (reason) *reason = stream.failure();
        return false;
    }
    return decodePicture(stream, formatTypeOf(path), picture, reason);
}

bool importPicture(std::unique_ptr<Document>& document, const std::string& path) {
    try {
        DecodedPicture picture;
        if (!decodePictureFile(path, picture)) return false;
        std::unique_ptr<Document> built = Document::fromImage(
            picture.color, picture.alpha.isValid() ? &picture.alpha : nullptr, path);
        if (!built) return false;
        built->setModified(false);
        document = std::move(built);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace varnel
