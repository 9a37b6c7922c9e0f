// Format type numbers, used throughout file handling to name a file format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnel {

enum FormatType : int32_t {
    FormatNone = -1,
    FormatNative = 0,  // the editor's own document format (no codec)
    FormatBmp = 1,
    FormatGif = 2,
    FormatIco = 3,
    FormatJpeg = 4,
    FormatPng = 5,
    FormatTiff = 6,
    FormatOra = 7,  // layered: an OpenRaster archive
    FormatWebp = 8,
};

// The format type of a path from its extension (the text after the last dot of the file name,
// compared in lower case): ved 0; bmp, dib, rle 1; gif 2; ico 3; jpg, jpeg, jpe, jfif 4; png 5;
// tif, tiff 6; ora 7; webp 8; anything else, or no extension, -1.
int formatTypeOf(const std::string& path);

// The format that a file's first bytes announce, whatever its name says: BMP ("BM"), GIF ("GIF87a"
// or "GIF89a"), JPEG (FF D8 FF), PNG (its eight-byte signature) or ICO (a zero reserved word, type
// 1 for icons or 2 for cursors, and at least one entry), OpenRaster (a zip whose first entry is a
// stored "mimetype" holding "image/openraster"), TIFF ("II*\0" or "MM\0*") or WebP ("RIFF", a
// length, "WEBP"); -1 for anything else. It needs at most
// kSignatureBytes bytes.
constexpr size_t kSignatureBytes = 64;
int formatTypeOfSignature(const uint8_t* data, size_t size);

}  // namespace varnel
