// The system clipboard as the engine sees it: images travel as packed device-independent bitmaps
// (a bitmap-info header, the channel masks when the compression is 3, the palette of an indexed
// image, then the pixel rows bottom-up, each padded to 4 bytes; an image with transparency as
// 32-bit pixels under a header whose masks name an alpha channel), text as UTF-8. The program's
// front end supplies the implementation; the engine never talks to a window system itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel::platform {

class SystemClipboard {
public:
    virtual ~SystemClipboard() = default;

    // Whether the clipboard offers an image (from this program or another).
    virtual bool hasBitmap() = 0;
    // The clipboard's image as one packed bitmap block; false when it offers none or it cannot
    // be read. The block comes from outside the program: its reader must check every field.
    virtual bool readBitmap(std::vector<uint8_t>& block) = 0;
    // Empties the clipboard and puts the packed bitmap on it, from then on the clipboard's to
    // keep; false when the clipboard could not take it.
    virtual bool writeBitmap(const std::vector<uint8_t>& block) = 0;
    // Whether the clipboard still holds the bitmap this program last put there with writeBitmap
    // (no other program, nor this one by other means, has replaced it since).
    virtual bool holdsWrittenBitmap() { return false; }
    // Empties the clipboard; false when it could not be reached.
    virtual bool clear() = 0;
    // The clipboard's text; false when it holds none.
    virtual bool readText(std::string& text) = 0;
};

}  // namespace varnel::platform
