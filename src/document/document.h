// A document: one open image with its canvas size and resolution, its layer stack, its saved
// selection channels, the composite of the visible layers, and the listeners told about every
// change (after the composite has been brought up to date).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"
#include "core/surface.h"
#include "document/change.h"
#include "document/layer_stack.h"
#include "document/photo_metadata.h"

namespace varnel {

struct ReplacedParts;

// The settings a new image is made from, and that the image-size operations exchange.
struct ImageSettings {
    int32_t width = 0;
    int32_t height = 0;
    float resolution = 72.0f;    // pixels per unit
    int32_t resolutionUnit = 0;  // 0 or 1
    std::string fileName;
    std::string title;
    int32_t transparentBackground = 0;
    ColorRef backgroundColor = 0xFFFFFF;
    int32_t previewOnly = 0;

    // Width and height 1..30000, resolution 1..9999.999, unit 0 or 1.
    bool isValid() const;
};

using ChannelList = std::vector<std::unique_ptr<Channel>>;

// The composite of all layers at the canvas size, brought up to date rectangle by rectangle.
class DocumentComposite {
public:
    ColorImage& color() { return color_; }
    const ColorImage& color() const { return color_; }
    Mask& alpha() { return alpha_; }
    const Mask& alpha() const { return alpha_; }
    Size size() const { return color_.size(); }

    // Recomposites `rect` from the stack, first recreating both planes if the canvas size changed
    // (then the whole canvas is recomposited). With no layer taking part the alpha becomes 0
    // everywhere. Fails when memory is short.
    int update(const LayerStack& stack, Rect rect);

private:
    ColorImage color_;
    Mask alpha_;
};

class Document {
public:
    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document();

    // A new document from the settings: one background filled with the background colour, or
    // with the transparent-background flag one empty layer ("Layer 1"). Null for invalid settings
    // or when memory is short.
    static std::unique_ptr<Document> createBlank(const ImageSettings& settings);
    // A document holding an opened image. Without a transparency plane the single layer is a
    // background; with one (same size) it is a raster layer named by the layer-name rule whose
    // first plane is the transparency. The surfaces' stores are taken over (left empty on
    // success). The modified flag is set; the open flow clears it once the open succeeds.
    static std::unique_ptr<Document> fromImage(ColorImage& pixels, GrayMap* transparency,
                                               std::string_view path);
    // A copy with every layer cloned (the top layer active), the channels and the metadata
    // copied; modified.
    std::unique_ptr<Document> duplicate() const;

    // --- settings -----------------------------------------------------------------------------
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    Size size() const { return {width_, height_}; }
    Rect bounds() const { return Rect::fromSize(size()); }
    float resolution() const { return resolution_; }
    int32_t resolutionUnit() const { return resolutionUnit_; }
    void setResolution(float resolution, int32_t unit) {
        resolution_ = resolution;
        resolutionUnit_ = unit;
    }
    const std::string& filePath() const { return filePath_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& title() const { return title_; }
    // Records the path; the file name (and title) is the text after the last "/", "\" or ":".
    void setPath(std::string_view path);
    // The name the document is shown under, for a document that has no file of its own yet (a
    // duplicate, an image from the clipboard) or to put a name back.
    void setTitle(std::string_view title) { title_ = title; }
    bool transparentBackground() const { return transparentBackground_ != 0; }
    ColorRef backgroundColor() const { return backgroundColor_; }
    bool isPreviewOnly() const { return previewOnly_ != 0; }
    void setPreviewOnly(bool on) { previewOnly_ = on ? 1 : 0; }
    bool isModified() const { return modified_ != 0; }
    void setModified(bool on) { modified_ = on ? 1 : 0; }
    ImageSettings settings() const;
    // Changes the canvas size only (the geometry operations move the layers themselves).
    void setCanvasSize(Size size);
    // The Exif, XMP and ICC profile of the file the document was opened from (empty for a new
    // image). Edits leave them alone; a save updates what the new pixels make wrong (the Exif
    // orientation and pixel dimensions) in the file it writes, not here.
    const PhotoMetadata& metadata() const { return metadata_; }
    void setMetadata(PhotoMetadata metadata) { metadata_ = std::move(metadata); }

    // --- parts --------------------------------------------------------------------------------
    LayerStack& layers();
    const LayerStack& layers() const;
    ChannelList& channels() { return channels_; }
    const ChannelList& channels() const { return channels_; }
    // The composite, made and computed on first use; null when memory is short.
    DocumentComposite* composite();
    // True when the composite has no transparency (the view can skip the checkerboard).
    bool isOpaque() const { return layers().isOpaque(); }

    // The image to save. The colour is the composite's. With `keepAlpha` (the format keeps
    // alpha) and a composite that is not opaque everywhere, `alpha` receives the composite's alpha
    // and the colour stays as composited (fully transparent pixels are written black); otherwise
    // the colour is laid over white and `alpha` is left empty.
    int flattenForSave(ColorImage& color, GrayMap& alpha, bool keepAlpha);

    // --- changes ------------------------------------------------------------------------------
    // Brings the composite (if made) up to date for `rect`.
    void invalidate(Rect rect);
    // Updates the composite for the record's rectangle, then tells every listener, in the order
    // they were added.
    void notify(const ChangeRecord& change);
    void addListener(DocumentListener* listener);
    void removeListener(DocumentListener* listener);

    // --- geometry of the whole image ----------------------------------------------------------
    // Each changes every layer and every saved channel alike (so that a saved selection still
    // fits the image), updates the canvas size and sends one structure record for the whole
    // canvas. A failure (memory, an unsupported angle, a bad size) changes nothing: the new
    // pixels are built in full before anything is replaced. With `replaced`, the storage of
    // layers, planes and channels that new storage took the place of is added to it instead of
    // being freed (the half turn and the flips work in place and add nothing).

    // Crops to rect ∩ canvas (normalised; an empty result fails).
    int crop(Rect rect, ReplacedParts* replaced = nullptr);
    // 90, 180 or 270 degrees clockwise (within 0.0001); other angles fail.
    int rotate(double angle, ReplacedParts* replaced = nullptr);
    int flip(bool vertical);
    // Image Size: scales every layer and channel to the new canvas size (1 … 30000 a side),
    // smoothing or replicating; the same size changes nothing and succeeds.
    int resizeAll(Size size, bool smooth, ReplacedParts* replaced = nullptr);
    // Canvas Size: a canvas of the new size (1 … 30000 a side) on which the old canvas's top-left
    // pixel lands at `shift`; the background's uncovered area takes the extension colour,
    // channels are unselected (0) there. The same size changes nothing and succeeds.
    int resizeCanvasAll(Size size, Point shift, ColorRef extension,
                        ReplacedParts* replaced = nullptr);
    // Cuts the image to the bounding box of the background's pixels that differ from its
    // top-left pixel. Only for an image whose one layer is the background; an image of one
    // colour is left as it is (and that succeeds).
    int trim(ReplacedParts* replaced = nullptr);

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    float resolution_ = 72.0f;
    int32_t resolutionUnit_ = 0;
    std::string filePath_;
    std::string fileName_;
    std::string title_;
    int32_t transparentBackground_ = 0;
    ColorRef backgroundColor_ = 0xFFFFFF;
    int32_t previewOnly_ = 0;
    int32_t modified_ = 0;
    PhotoMetadata metadata_;
    // Declared mutable so that const readers can create them on first use.
    mutable std::unique_ptr<LayerStack> layers_;
    ChannelList channels_;
    std::unique_ptr<DocumentComposite> composite_;
    std::vector<DocumentListener*> listeners_;
};

}  // namespace varnel
