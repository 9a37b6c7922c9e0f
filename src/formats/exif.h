// Exif blocks: the few tags the editor reads or changes inside the camera metadata it otherwise
// carries unread (the orientation and the pixel dimensions), and the move of Exif directories
// between a standalone block and a TIFF file, whose own directories hold them. Every offset in a
// block comes from the file and is checked before it is followed: nothing here reads or writes
// outside the block it is given, whatever the block holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnel {

// True when `data` starts as a TIFF structure ("II*\0" or "MM\0*") whose first directory lies
// within it, the least a block must be to be kept as Exif.
bool isExifBlock(const uint8_t* data, size_t size);
inline bool isExifBlock(const std::vector<uint8_t>& block) {
    return isExifBlock(block.data(), block.size());
}

// The orientation (1..8) the first directory records; 0 when it records none or a value out of
// range, or when the block is malformed.
int exifOrientation(const uint8_t* data, size_t size);
inline int exifOrientation(const std::vector<uint8_t>& block) {
    return exifOrientation(block.data(), block.size());
}

// Sets a recorded orientation to 1 (the pixels have been turned upright). A block that records
// none, or is malformed, is left as it is. Only the value's own bytes change.
void resetExifOrientation(std::vector<uint8_t>& block);

// Sets the pixel dimensions the Exif directory records (0xA002, 0xA003, SHORT or LONG) to the
// size of the picture being saved; each tag the block does not record stays absent. Only the
// values' own bytes change.
void setExifPixelDimensions(std::vector<uint8_t>& block, int32_t width, int32_t height);

// The pixel dimensions the Exif directory records; 0 for each the block does not record.
void exifPixelDimensions(const std::vector<uint8_t>& block, uint32_t& width, uint32_t& height);

// --- TIFF files --------------------------------------------------------------------------------

// A standalone Exif block built from a TIFF file's first directory: its descriptive text tags
// (image description, make, model, software, date, artist, copyright) and its Exif and GPS
// directories, with everything they point to. Entries whose data lies outside the file are left
// out. Empty when the file has no Exif or GPS directory, or is malformed.
std::vector<uint8_t> exifFromTiffFile(const uint8_t* file, size_t size);

// The descriptive text tags of an Exif block's first directory that a TIFF file's first
// directory takes (the tags exifFromTiffFile keeps), as tag and text (without the final zero).
struct ExifText {
    uint16_t tag;
    std::vector<uint8_t> text;
};
std::vector<ExifText> exifTextTags(const std::vector<uint8_t>& block);

// Appends the Exif and GPS directories of `block` (with everything they point to) to a TIFF
// file whose first directory already holds an Exif directory entry (and a GPS directory entry
// when the block has one), and points those entries at the appended directories. False, with
// the file unchanged, when the file or the block is malformed.
bool appendExifToTiffFile(std::vector<uint8_t>& file, const std::vector<uint8_t>& block);

// True when the block records an Exif or a GPS directory that lies within it; `exif` and `gps`
// say which.
bool exifHasDirectories(const std::vector<uint8_t>& block, bool& exif, bool& gps);

}  // namespace varnel
