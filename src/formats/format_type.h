// Format type numbers, used throughout file handling to name a file format.
#pragma once

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
    FormatTiff = 6,  // named only, no codec
};

// The format type of a path from its extension (the text after the last dot of the file name,
// compared in lower case): ved 0; bmp, dib, rle 1; gif 2; ico 3; jpg, jpeg, jpe, jfif 4; png 5;
// tif 6; anything else, or no extension, -1.
int formatTypeOf(const std::string& path);

}  // namespace varnel
