// The codecs of the program, by format type. Each codec unit adds its line here; a format
// without one loads and saves nothing (its image file objects report failure).
#include "formats/bmp_codec.h"
#include "formats/image_codec.h"
#include "formats/image_file.h"
#include "formats/jpeg_codec.h"
#include "formats/png_codec.h"

namespace varnel {

std::unique_ptr<ImageCodec> createCodecFor(int formatType) {
    switch (formatType) {
        case FormatBmp:
            return std::make_unique<BmpCodec>();
        case FormatJpeg:
            return std::make_unique<JpegCodec>();
        case FormatPng:
            return std::make_unique<PngCodec>();
        default:
            return nullptr;
    }
}

}  // namespace varnel
