// Picture import: GIF, ICO, JPEG, TIFF and WebP files become a new document through the program's
// own decoders. A GIF's first image is composed onto its logical screen, an icon's best entry is
// decoded, and a JPEG is turned upright by its Exif orientation. Transparency found in the file
// becomes the layer's transparency; opaque pictures open as one "Background" layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/surface.h"
#include "document/photo_metadata.h"

namespace varnel {

class ByteStream;
class Document;

// A picture decoded by one of the import readers.
struct DecodedPicture {
    ColorImage color;
    // The transparency; empty when every pixel is opaque.
    GrayMap alpha;
    // Bits per pixel of the picture as the file stores it.
    int32_t bitsPerPixel = 0;
    // Pixels per inch recorded by the file, 0 when it records none.
    double resolution = 0;
    // What the picture leaves out of the file, as a sentence for the user ("Only the first of 12
    // frames was opened."); empty when nothing.
    std::string note;
    // The file's Exif, XMP and ICC profile (JPEG, TIFF and WebP files). Once decodePicture has
    // turned the pixels upright, the Exif orientation says 1.
    PhotoMetadata metadata;

    // Drops an alpha plane that is 255 everywhere.
    void dropOpaqueAlpha();
};

// Decodes a GIF (2), ICO (3), JPEG (4), TIFF (6) or WebP (8) file at the stream's position, and
// turns the picture upright as its Exif orientation asks (resetting the orientation to 1).
// Pictures with a side over kMaxSurfaceSide are refused from their headers. On failure `reason`
// (when given) says why, in words for the user, or is empty when nothing more is known.
bool decodePicture(ByteStream& stream, int formatType, DecodedPicture& picture,
                   std::string* reason = nullptr);
// The same for a file; the format comes from the path's extension.
bool decodePictureFile(const std::string& path, DecodedPicture& picture,
                       std::string* reason = nullptr);

// Turns a colour or alpha plane upright for an Exif orientation (2..8; anything else leaves it).
bool applyExifOrientation(PixelSurface& image, int orientation);
// Turns both planes upright for the orientation the metadata's Exif records, then records 1
// there. False when memory is short (the planes may then disagree: the picture is of no use).
bool orientUpright(ColorImage& color, GrayMap& alpha, PhotoMetadata& metadata);

// Builds a document from a GIF, ICO, JPEG, TIFF or WebP file: one layer of the picture's size, with
// the picture's transparency as the layer's transparency (a "Background" layer when it is opaque).
// On success `document` holds the new document, unmodified, with the path recorded; on failure
// it is left as it was.
bool importPicture(std::unique_ptr<Document>& document, const std::string& path);

}  // namespace varnel
