// Layered files: the OpenRaster archive (a zip holding a stack description, one PNG per layer, the
// merged image and a thumbnail), read into a document and written from one.
//
// What the format cannot say is kept in attributes of our own namespace and in a folder of the
// archive that other programs ignore ("varnel/"): the background flag, both opacities exactly,
// layers without pixels, private blend modes, the resolution unit and the saved selection
// channels. Files written by other programs open as faithfully as the document model allows:
// nested stacks become flat layers, unknown operations Normal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "core/surface_store.h"

namespace varnel {

class Document;
class LayerItem;

// The text of the archive's "mimetype" entry, also what a file starts with (after the zip's
// local header).
inline constexpr const char* kOpenRasterMimeType = "image/openraster";

// The composite-op name of a blend mode ("svg:multiply", or "varnel:soft-dodge" for the modes the
// format does not name); Normal for ids out of range.
std::string compositeOpOf(int32_t blendMode);
// The blend mode of a composite-op name; Normal for names no mode has.
int32_t blendModeOfCompositeOp(const std::string& op);

// What an archive is written from: the canvas, the layers bottom first, the active layer and the
// saved channels. The pointers belong to a document or to a LayeredSnapshot and must outlive the
// write.
struct LayeredImage {
    Size canvas;
    float resolution = 72.0f;
    int32_t resolutionUnit = 0;
    std::vector<const LayerItem*> layers;
    int activeIndex = -1;
    std::vector<const Channel*> channels;
};

// The document's parts, borrowed (no pixel is copied).
LayeredImage layeredImageOf(const Document& document);

// A copy of a document's layers and channels that can be written while the document goes on
// changing (on another thread). Taking it copies every pixel, on every core, and nothing else.
// A snapshot taken again reuses its storage for planes of the same shape, and prepare() can
// provide storage in advance from another thread: memory used for the first time costs several
// times the copy itself, which is what the thread taking the snapshot waits for.
class LayeredSnapshot {
public:
    struct PlaneShape {
        int32_t width = 0;
        int32_t height = 0;
        int32_t bitsPerPixel = 0;
    };

    // Copies the document's parts; false (leaving the snapshot empty) when memory is short.
    bool take(const Document& document);
    const LayeredImage& image() const { return image_; }
    bool isEmpty() const { return image_.layers.empty(); }

    // The shapes of the planes a snapshot of the document copies (reads sizes only).
    static std::vector<PlaneShape> shapesOf(const Document& document);
    // Provides touched storage of those shapes for the next take(); for any thread while no
    // other uses the snapshot.
    void prepare(const std::vector<PlaneShape>& shapes);

private:
    // Moves the storage of the copy held into the spare list (the copy is given up).
    void recycle();

    LayeredImage image_;
    std::vector<std::unique_ptr<LayerItem>> layers_;
    std::vector<std::unique_ptr<Channel>> channels_;
    std::vector<std::unique_ptr<SurfaceStore>> spare_;
};

struct OpenRasterWriteOptions {
    // Deflate level of the layer images and channels, 0..9.
    int compressionLevel = 6;
    // Encodes the layer images on every core (a save the user waits for); without it everything
    // stays on the calling thread (a background writer that must not take the cores).
    bool parallel = true;
};

// Encodes the image as an archive in memory. Fails, saying why, when memory is short or the
// image has no layer.
bool encodeOpenRaster(const LayeredImage& image, const OpenRasterWriteOptions& options,
                      std::vector<uint8_t>& archive, std::string* reason = nullptr);

// Writes the image to `path` through a replacement file: an existing file there is replaced only
// once the whole archive is on disk, and stays as it was on any failure.
bool writeOpenRaster(const LayeredImage& image, const std::string& path,
                     const OpenRasterWriteOptions& options = {}, std::string* reason = nullptr);

// What reading found besides the document.
struct OpenRasterReadReport {
    // Things the user should know that did not stop the file opening ("layer "Sky" skipped: its
    // data is not a PNG image"), one sentence each.
    std::vector<std::string> notes;
    // Pixels per inch from the stack (72 when it records none).
    double resolution = 72;
};

// Reads the archive at `path` into a new document (path recorded, unmodified). Hostile archives
// are refused with a reason and nothing else happens: sides past the engine's limits, entries
// whose inflated size differs from what the archive declares or whose compression ratio no image
// can reach, missing, duplicate or unsupported entries, a stack that refers to itself or to an
// entry the archive lacks, and more pixels than the archive's size can account for.
bool readOpenRaster(const std::string& path, std::unique_ptr<Document>& document,
                    OpenRasterReadReport* report = nullptr, std::string* reason = nullptr);
// The same for an archive held in memory (`path` is recorded in the document).
bool readOpenRasterFrom(const uint8_t* data, size_t size, const std::string& path,
                        std::unique_ptr<Document>& document, OpenRasterReadReport* report = nullptr,
                        std::string* reason = nullptr);

// The PNG bytes of the archive's thumbnail (checked as every entry is); false when the file is
// not an archive or has none.
bool readOpenRasterThumbnail(const std::string& path, std::vector<uint8_t>& png);

// True when the bytes start like an OpenRaster archive: a zip whose first entry is a stored
// "mimetype" holding kOpenRasterMimeType.
bool looksLikeOpenRaster(const uint8_t* data, size_t size);
// How many leading bytes looksLikeOpenRaster needs.
inline constexpr size_t kOpenRasterSignatureBytes = 30 + 8 + 16;

}  // namespace varnel
