#include "formats/format_type.h"

#include <algorithm>
#include <cctype>

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
        {"ved", FormatNative}, {"bmp", FormatBmp},   {"dib", FormatBmp},  {"rle", FormatBmp},
        {"gif", FormatGif},    {"ico", FormatIco},   {"jpg", FormatJpeg}, {"jpeg", FormatJpeg},
        {"jpe", FormatJpeg},   {"jfif", FormatJpeg}, {"png", FormatPng},  {"tif", FormatTiff},
    };
    for (const Entry& e : kTable) {
        if (ext == e.ext) return e.type;
    }
    return FormatNone;
}

}  // namespace varnel
