// The PNG codec: reads any PNG file into a 24-bit colour plane and an optional 8-bit alpha plane,
// and writes such a pair as an 8-bit RGB or RGBA file with "Software" and "Modification Time"
// text chunks.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "core/surface.h"
#include "document/photo_metadata.h"
#include "formats/image_codec.h"

namespace varnel {

class PngImageFile;

class PngCodec : public ImageCodec {
public:
    PngCodec() = default;

    // Writes the image (a PNG image file object) at its record's compression level (clamped to
    // 0..9): colour type 6 with an alpha plane, 2 without. A short write fails the save.
    bool saveToStream(ByteStream& stream, const ImageFile& image) override;
    // Reads a PNG image file object. Palette, grey, 16-bit and transparency-chunk files all end as
    // 8-bit colour (blue, green, red) plus alpha when the file has an alpha channel or a
    // transparency chunk. Samples are corrected from the file's gamma to a screen gamma of 2.2
    // (a file without gamma counts as 1/2.2, so it is left alone). With LoadHeaderOnly only the
    // format info is filled. Corrupt or truncated files, sides over kMaxSurfaceSide and headers
    // that claim more pixels than the file could hold fail, before any pixel memory is taken.
    bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) override;
    int formatType() const override { return FormatPng; }

    // Pixels per inch recorded in the last file loaded (its physical-size chunk in pixels per
    // metre), 0 when it records none.
    double resolution() const { return m_resolution; }

    // Image data is inflated by the codec itself where the file allows it, and by libpng
    // otherwise; true sends every file through libpng (both ways read every file alike).
    void setLibraryInflate(bool on) { m_libraryInflate = on; }
    // Whether the last load's image data was inflated by the codec itself.
    bool inflatedHere() const { return m_inflatedHere; }

private:
    // Reads the file after its signature. With inflateHere the image data may be inflated by the
    // codec; when that stops short, *again is set and the caller reads the file once more.
    bool readFile(PngImageFile& target, ByteStream& stream, uint32_t flags, bool inflateHere,
                  bool* again);

    double m_resolution = 0;
    bool m_libraryInflate = false;
    bool m_inflatedHere = false;
};

// Encodes a colour plane (and an alpha plane of the same size) as an 8-bit RGB or RGBA PNG file
// at deflate level `level` (clamped to 0..9) into the stream, as the codec's save does, with the
// metadata's blocks (when given) in iCCP, eXIf and iTXt chunks ahead of the image data. False,
// with the reason when one is known, on a short write or a shortage of memory.
bool encodePng(ByteStream& stream, const ColorImage& color, const GrayMap* alpha, int level,
               std::string* reason = nullptr, const PhotoMetadata* metadata = nullptr);

// The "Modification Time" text: "Mon, 5 Jan 2009 07:08:09 GMT" (day of month without a leading
// zero) for a broken-down UTC time; the current time without an argument.
std::string pngTimeText(const std::tm& utc);
std::string pngTimeText();

}  // namespace varnel
