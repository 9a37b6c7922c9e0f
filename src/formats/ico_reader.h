// Icon files for picture import: the icon directory, and the decoding of one entry (a packed
// bitmap with its AND mask, or an embedded PNG file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/picture_import.h"

namespace varnel {

class ByteStream;

struct IconEntry {
    // Size and depth as the entry's own header gives them (the directory's values when the header
    // cannot be read; a directory size of 0 means 256).
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    // Where the entry's bytes lie in the file; `size` is cut to the end of the file.
    uint32_t offset = 0;
    uint32_t size = 0;
    bool png = false;
};

// Reads the directory at the stream's position (which is where the file starts). Fails for a
// reserved field that is not 0, a type other than 1 (icon) or 2 (cursor), no entries, a
// directory longer than the file, or an entry whose data starts outside the file. `reason` (when
// given) says why.
bool readIconDirectory(ByteStream& stream, std::vector<IconEntry>& entries,
                       std::string* reason = nullptr);

// Decodes one entry: a PNG entry through the PNG codec, a bitmap entry through the BMP reader
// with its AND mask (bits set are transparent) or, for 32-bit entries whose fourth bytes are not
// all 0, their alpha channel. Sides over kMaxSurfaceSide fail. `reason` (when given) says why.
bool readIconEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture,
                   std::string* reason = nullptr);

// The best entry: the largest, then the deepest, then the first in the file. Entries that fail
// to decode give way to the next best. `chosen` receives the index of the entry decoded. When
// none decodes, `reason` (when given) says why the best one failed.
bool readIcon(ByteStream& stream, DecodedPicture& picture, int* chosen = nullptr,
              std::string* reason = nullptr);

}  // namespace varnel
