#include "formats/format_type.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>

namespace varnel {

int formatTypeOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return FormatNone;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    struct Entry {
        const char* ext;
        int type;
    };
    static constexpr Entry kTable[] = {
        {"ved", FormatNative}, {"bmp", FormatBmp},   {"dib", FormatBmp},   {"rle", FormatBmp},
        {"gif", FormatGif},    {"ico", FormatIco},   {"jpg", FormatJpeg},  {"jpeg", FormatJpeg},
        {"jpe", FormatJpeg},   {"jfif", FormatJpeg}, {"png", FormatPng},   {"tif", FormatTiff},
        {"tiff", FormatTiff},  {"ora", FormatOra},   {"webp", FormatWebp},
    };
    for (const Entry& e : kTable) {
        if (ext == e.ext) return e.type;
    }
    return FormatNone;
}

int formatTypeOfSignature(const uint8_t* data, size_t size) {
    const auto startsWith = [&](std::initializer_list<uint8_t> bytes) {
        return size >= bytes.size() && std::memcmp(data, bytes.begin(), bytes.size()) == 0;
    };
    if (!data) return FormatNone;
    if (startsWith({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) return FormatPng;
    if (startsWith({0xFF, 0xD8, 0xFF})) return FormatJpeg;
    if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'}))
        return FormatGif;
    if (startsWith({'B', 'M'})) return FormatBmp;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return FormatWebp;
    if (startsWith({'I', 'I', 42, 0}) || startsWith({'M', 'M', 0, 42})) return FormatTiff;
    if (size >= 30 && startsWith({'P', 'K', 3, 4})) {
        // The format's own rule: the first entry is "mimetype", stored, naming the format.
        static constexpr char kMime[] = "image/openraster";
        const size_t nameLength = size_t(data[26]) | size_t(data[27]) << 8;
        const size_t extraLength = size_t(data[28]) | size_t(data[29]) << 8;
        const size_t at = 30 + nameLength + extraLength;
        if (data[8] == 0 && data[9] == 0 && nameLength == 8 &&
            std::memcmp(data + 30, "mimetype", 8) == 0 && size >= at + sizeof kMime - 1 &&
            std::memcmp(data + at, kMime, sizeof kMime - 1) == 0) {
            return FormatOra;
        }
    }
    if (size >= 6 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) &&
        data[3] == 0 && (data[4] != 0 || data[5] != 0))
        return FormatIco;
    return FormatNone;
}

}  // namespace varnel
