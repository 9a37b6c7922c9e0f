// The codecs of the program, by format type. Each codec unit adds its line here; a format
// without one loads and saves nothing (its image file objects report failure).
#include "formats/bmp_codec.h"
#include "formats/image_codec.h"
#include "formats/image_file.h"

namespace varnel {

std::unique_ptr<ImageCodec> createCodecFor(int formatType) {
    switch (formatType) {
        case FormatBmp:
            return std::make_unique<BmpCodec>();
        default:
            return nullptr;
    }
}

}  // namespace varnel
