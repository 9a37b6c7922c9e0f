// The BMP codec: Windows bitmap files (bmp, dib, rle) in and out, and the packed-bitmap reader
// and writer it shares with the clipboard and the bitmaps built into the program.
//
// Files come from anywhere, so the reader treats every header field as hostile: sizes are worked
// out in 64 bits, every count and offset is checked against the bytes really there before any
// large allocation, and a failure leaves the caller's surface or image as it was.
#pragma once

#include <cstdint>
#include <string>

#include "core/surface.h"
#include "formats/image_codec.h"

namespace varnel {

class ByteStream;
class ImageFile;
class ResourceModule;

class BmpCodec : public ImageCodec {
public:
    BmpCodec() = default;

    // Flags bit 0 (LoadHeaderOnly): only the file header and the header block go into the
    // image's format info. Otherwise the whole file: the colour plane, and an alpha plane for
    // 32-bit files whose fourth bytes are not all 0.
    bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) override;
    // Writes the image at the bit depth held by its format info's header (1, 4, 8, 16, 24 or 32;
    // with no header held, 24 bits, or 32 when the alpha plane is neither all 0 nor all 255).
    bool saveToStream(ByteStream& stream, const ImageFile& image) override;
    // A bitmap resource is a packed bitmap without file header. Flags bit 0: its header goes into
    // the format info; otherwise it is decoded: 24 bits become the colour plane, 32 bits the
    // colour and alpha planes (the alpha plane is kept even when it is all 0), other depths are
    // widened to a colour plane. The program's own bitmaps are found when `module` is null.
    bool loadFromResource(ImageFile& image, uint32_t id, const ResourceModule* module,
                          uint32_t flags) override;
    int formatType() const override { return FormatBmp; }
};

// Reads a whole BMP file from the stream's position into `surface`. The result is upright (row 0
// is the top row, whatever the file's row order) and has one of these forms: 1, 4 or 8 bits with
// the file's palette (2-bit files are widened to 4 bits); 16 bits in the 5-5-5 layout; 24 bits;
// 32 bits with blue, green, red in the first three bytes and the fourth byte as the file holds it
// (the alpha channel, for bit-field files with an alpha mask; 0 for bit-field files without).
// 16-bit bit-field files with other masks become 24 bits, or 32 bits when they carry alpha.
// The file-size field is not trusted: the real length of the stream bounds the pixel data.
// On failure `reason` (when given) says why, for the user.
bool readBitmapFile(ByteStream& stream, PixelSurface& surface, std::string* reason = nullptr);

// Reads a packed bitmap (header block of `headerBlockSize` bytes: header, masks, palette, then
// `pixelDataSize` bytes of pixels) from the stream's position; the result as for readBitmapFile.
// Fails when either size is 0 or the data does not hold what the header describes.
bool readPackedDib(ByteStream& stream, uint32_t headerBlockSize, uint32_t pixelDataSize,
                   PixelSurface& surface, std::string* reason = nullptr);

// The size of the header block (header, masks and palette) of the packed bitmap that starts at
// `data`, or 0 when no supported header starts there or it does not fit in `size` bytes (then
// `reason`, when given, says why).
uint32_t packedDibHeaderBlockSize(const void* data, uint32_t size, std::string* reason = nullptr);

// Writes `surface` as a BMP file: the 14-byte file header, then writePackedDib.
bool writeBitmapFile(ByteStream& stream, const PixelSurface& surface);

// Writes `surface` as a packed bitmap: a 40-byte info header (compression 3 with the three masks
// after it for 16- and 32-bit surfaces with other than the standard masks), the palette of an
// indexed surface, then the rows bottom-up, each padded to 4 bytes. The sizes of the header block
// and of the pixel data go to the out-parameters when given. Any short write fails.
bool writePackedDib(ByteStream& stream, const PixelSurface& surface,
                    uint32_t* headerBlockSize = nullptr, uint32_t* pixelDataSize = nullptr);

// Loads bitmap resource `id` from `module` (the program's own bitmaps when null) into `surface`,
// converted to `bitsPerPixel` (1, 4, 8, 15, 16, 24 or 32) unless that is 0 or already the
// bitmap's depth. Any other depth, a missing resource or a bad bitmap fails.
bool loadBitmapResource(uint32_t id, const ResourceModule* module, int32_t bitsPerPixel,
                        PixelSurface& surface);

}  // namespace varnel
