// WebP files through libwebp: lossy and lossless pictures, with or without alpha, and the first
// frame of an animation, read into a decoded picture; a colour plane (with its alpha, when it
// has one) written lossy at a quality or lossless.
#pragma once

#include <cstdint>
#include <string>

#include "formats/picture_import.h"

namespace varnel {

class ByteStream;

// Reads the WebP file at the stream's position (from there to the stream's end), with its EXIF,
// "XMP " and ICCP chunks as the picture's metadata. An animation
// gives its first frame composed on its canvas, and says so in the picture's note. Sides over
// kMaxSurfaceSide, headers that claim far more pixels than the file could hold, truncated and
// corrupt data fail, with the reason in `reason` when given.
bool readWebp(ByteStream& stream, DecodedPicture& picture, std::string* reason = nullptr);

struct WebpSaveSettings {
    // Lossy quality 0..100 (the JPEG quality setting); unused when lossless.
    int32_t quality = 95;
    bool lossless = false;
};

// Writes `color` (with `alpha` as its transparency when given and valid) as a WebP file at the
// stream's position, with the metadata's blocks (when given) in EXIF, "XMP " and ICCP chunks. A
// lossless file keeps every pixel exactly, even the colour of fully transparent ones. Fails with
// the reason when the encoder or a write fails.
bool writeWebp(ByteStream& stream, const ColorImage& color, const GrayMap* alpha,
               const WebpSaveSettings& settings, std::string* reason = nullptr,
               const PhotoMetadata* metadata = nullptr);

}  // namespace varnel
