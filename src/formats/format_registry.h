// The format registry: file names to format types, the filters of the open and save dialogs, and
// the two flows that open a document from a path and save a document to its path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/format_type.h"

namespace varnel {

class Document;

// The dialog filters, entries separated by "|" (the dialogs split them into their own form).
// Open: BMP, GIF, ICO, JPG, PNG, OpenRaster, TIFF, WebP and "All Formats" (which does not list
// *.jfif).
const char* openDialogFilter();
// Save: BMP, JPG, PNG, OpenRaster, WebP, WebP lossless, TIFF; entries 1 to 7 give format types
// 1, 4, 5, 7, 8, 8, 6.
const char* saveDialogFilter();
// The format type of a 1-based save-filter entry; -1 for any other entry.
int formatTypeOfSaveFilter(int entry);
// True for the save-filter entry that writes lossless WebP (6).
bool isLosslessSaveFilter(int entry);

// The type's own extension ("bmp", "gif", "ico", "jpg", "png", "ved", "tif", "ora", "webp");
// empty for -1 and unknown numbers.
std::string extensionOf(int formatType);

// `path` with the format's own extension, unless its extension already belongs to the format. A
// known extension of another format, or an empty one ("name."), is replaced; any other extension
// (or none) is kept and the format's extension appended. A format without an extension leaves
// the path as it is.
std::string setExtensionFor(const std::string& path, int formatType);

// What opening a file found out about it, for callers that report on files.
struct OpenedFileInfo {
    // The format the file was read as (its content's, when the extension names another).
    int formatType = FormatNone;
    // Bits per pixel as the file stores them.
    int32_t bitsPerPixel = 0;
    // Pixels per inch recorded in the file; 0 when it records none.
    double resolution = 0;
    // What the user should know about a file that opened all the same (layered files: layers
    // left out because their image is not PNG), one sentence each.
    std::vector<std::string> notes;
};

// Opens the file at `path` as a new document: BMP and PNG through their codecs (with the file's
// alpha plane as the layer's transparency), GIF, ICO, JPEG, TIFF and WebP through picture import
// (an animation's first frame or a TIFF's first page, with a note saying so), OpenRaster
// with all its layers and saved channels (openraster.h). The
// extension chooses the route; when that route refuses the file, the format its first bytes
// announce is tried (a JPEG named .gif opens as the JPEG it is, and keeps its path). Fails for
// a missing file, an extension of any other format, or a file that no route can decode. The
// file's Exif, XMP and ICC profile go with the document, the picture turned upright for its
// Exif orientation. On success `document` holds the new document (path recorded, unmodified) and
// `info` (when given) what was learnt about the file; on failure both are left as they were and
// `reason` (when given) says why in words for the user ("width 40000 exceeds the 30000-pixel
// limit"), or is empty when nothing more is known.
bool openDocument(std::unique_ptr<Document>& document, const std::string& path,
                  OpenedFileInfo* info = nullptr, std::string* reason = nullptr);

// Settings of one save that the dialogs (or the command line) may change.
struct SaveOptions {
    int32_t jpegQuality = 95;  // 0..100, also the quality of lossy WebP
    bool webpLossless = false;
};

// Saves the document to its own path in the format of the path's extension: BMP (32 bits when
// the flattened alpha is partial, 24 otherwise), JPEG (the image laid over white) or PNG (RGBA
// when the document has transparency), WebP (lossy at the JPEG quality, or lossless, with the
// document's transparency) or TIFF (8-bit RGB, or RGBA with transparency, Deflate); JPEG, PNG,
// WebP and TIFF with the document's metadata (its Exif saying the picture is upright and
// of the saved size). Preview-only
// documents and any other format fail. On success the document is marked unmodified; on failure it
// is unchanged, an existing file at the path is left as it was, and `reason` (when given) says why
// ("disk full", "permission denied", the codec's reason), or is empty when nothing more is known.
bool saveDocument(Document& document, const SaveOptions& options = {},
                  std::string* reason = nullptr);

// A reason as a sentence to follow a message: "disk full" gives "Disk full.".
std::string reasonSentence(const std::string& reason);

}  // namespace varnel
