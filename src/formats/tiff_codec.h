// TIFF files through libtiff: the first page of a file read into a decoded picture (8- and
// 16-bit samples, RGB, RGBA, grey, palette and whatever else the library can turn into RGBA,
// with any of the common compressions); a colour plane (with its alpha) written as 8-bit RGB or
// RGBA with Deflate.
#pragma once

#include <cstdint>
#include <string>

#include "formats/picture_import.h"

namespace varnel {

class ByteStream;

// Reads the first page of the TIFF file at the stream's position (from there to the stream's
// end), with its metadata: the Exif and GPS directories (and the first directory's make, model,
// date and other descriptive text) as an Exif block, the XMP packet and the ICC profile. 16-bit
// samples are rounded to 8 bits; unassociated alpha is kept as it is, associated (premultiplied)
// alpha is divided out. A file of several pages says so in the picture's note. Sides over
// kMaxSurfaceSide, headers that claim more pixels than the file could hold, truncated and corrupt
// data fail, with the reason (the library's own words when it gives some) in `reason` when given.
bool readTiff(ByteStream& stream, DecodedPicture& picture, std::string* reason = nullptr);

// Writes `color` (with `alpha` as unassociated alpha when given and valid) as a one-page TIFF
// file, Deflate-compressed at the library's default level a whole strip at a time (no predictor,
// as other programs write it by default), recording `resolution` pixels per inch when it is
// above 0. The metadata (when
// given) goes into the file's own tags: the Exif block's descriptive text and its Exif and GPS
// directories (the file then takes the block's byte order), the XMP packet and the ICC profile.
bool writeTiff(ByteStream& stream, const ColorImage& color, const GrayMap* alpha, double resolution,
               std::string* reason = nullptr, const PhotoMetadata* metadata = nullptr);

}  // namespace varnel
