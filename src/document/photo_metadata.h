// The camera metadata and colour profile a photo was opened with, kept with its document so that
// a save can write them back. The blocks are carried as the file held them; only the formats
// read or change what is inside (the Exif orientation and pixel dimensions).
#pragma once

#include <cstdint>
#include <vector>

namespace varnel {

struct PhotoMetadata {
    // The Exif block as a TIFF structure: from its byte-order mark ("II" or "MM") on, without the
    // "Exif\0\0" that JPEG files put in front of it. Its offsets count from its first byte.
    std::vector<uint8_t> exif;
    // The XMP packet, as the file's text held it.
    std::vector<uint8_t> xmp;
    // The ICC colour profile, uncompressed and whole (JPEG files split it over segments).
    std::vector<uint8_t> icc;

    bool empty() const { return exif.empty() && xmp.empty() && icc.empty(); }
    void clear() {
        exif.clear();
        xmp.clear();
        icc.clear();
    }
    bool operator==(const PhotoMetadata&) const = default;
};

}  // namespace varnel
