// GIF files for picture import, through giflib: the first image of the file (of an animation,
// its first frame) composed onto the logical screen.
#pragma once

#include <string>

#include "formats/picture_import.h"

namespace varnel {

class ByteStream;

// Reads the first image at the stream's position. The picture has the logical screen's size;
// the image is placed at its offset and clipped to the screen. Its transparent colour (from the
// graphic control block in front of it) becomes transparency; the screen outside the image is
// transparent when the image has a transparent colour and the background colour otherwise.
// Interlaced images, local and global colour tables are handled; indices beyond the table are
// black, and a file without any colour table is read as grey levels. Screens or images larger
// than kMaxSurfaceSide, or larger than the file could describe, a zero size, a file without an
// image and corrupt data fail, with the reason in `reason` when given.
bool readGif(ByteStream& stream, DecodedPicture& picture, std::string* reason = nullptr);

}  // namespace varnel
