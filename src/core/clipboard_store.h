// The clipboard store: the process-wide place where the last copied image waits together with its
// transparency, and its exchange with the system clipboard. The store hands its image to the
// system clipboard only when asked to publish (the program does that when it loses the
// foreground), and pasting prefers whatever image the system clipboard offers, since that is the
// newer one when another program copied something in the meantime.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "platform/system_clipboard.h"

namespace varnel {

// `surface` takes the pixels of a packed bitmap block (header, masks, palette, rows). Every field
// is checked against the block's size before anything is allocated: a block too short for its
// header, masks, palette or rows, a malformed header, run-length compression or a side over the
// surface limit fails, leaving `surface` as it was. Rows stored top-down (negative height) are
// turned upright. Fails when `surface` does not accept the block's depth.
int readPackedBitmap(const void* data, size_t bytes, PixelSurface& surface);

// `color` takes the pixels of a packed bitmap block as readPackedBitmap reads them, and `alpha`
// its transparency when the header names an alpha channel (a non-zero alpha mask with bit
// fields, as a 56-, 108- or 124-byte header carries it). `alpha` is left empty when the block
// has no alpha channel or it says nothing: 255 everywhere, or 0 everywhere (what programs that
// never fill the channel write). Fails, leaving both as they were, when the block cannot be read.
int readPackedBitmapWithAlpha(const void* data, size_t bytes, ColorImage& color, Channel& alpha);

// A packed bitmap of `color` with `alpha` (the same size) as its alpha channel: 32-bit pixels
// under a 124-byte header whose masks name red, green, blue and alpha. Empty when either is
// invalid, the sizes differ or memory is short.
std::vector<uint8_t> packedBitmapWithAlpha(const ColorImage& color, const GrayMap& alpha);

// The width and height a packed bitmap block's header declares (the height as a magnitude); fails
// for a block shorter than the 40-byte header or a size that is not positive.
int packedBitmapSize(const void* data, size_t bytes, Size& size);

// Where a copied image was taken from: the canvas position of its top-left pixel and the size of
// that canvas, so that pasting into a canvas of the same size can put it back in its place.
struct ClipboardOrigin {
    Point position;
    Size canvas;
    friend bool operator==(const ClipboardOrigin&, const ClipboardOrigin&) = default;
};

// What a paste receives: the image, its transparency (empty when it is opaque) and, for an image
// this program copied, where it came from.
struct ClipboardImage {
    ColorImage image;
    Channel mask;
    std::optional<ClipboardOrigin> origin;
};

class ClipboardStore {
public:
    // A store over `system` (none: the store alone).
    explicit ClipboardStore(platform::SystemClipboard* system = nullptr) : system_(system) {}
    ClipboardStore(const ClipboardStore&) = delete;
    ClipboardStore& operator=(const ClipboardStore&) = delete;

    // The process-wide store, made on first use.
    static ClipboardStore& store();

    // The system clipboard the store exchanges with; the caller keeps it alive while attached.
    void setSystemClipboard(platform::SystemClipboard* system) { system_ = system; }
    platform::SystemClipboard* systemClipboard() const { return system_; }

    // Puts a copy of `image` into the store, with a copy of `mask` as its transparency and the
    // place it was copied from when given. Fails, keeping the store as it was, for an invalid
    // image, a mask of another size or a shortage of memory.
    int put(const ColorImage& image, const Channel* mask = nullptr,
            const ClipboardOrigin* origin = nullptr);

    // The system clipboard offers an image, or the store holds one.
    bool hasImage() const;
    // The size of the image that pasteInto would give; fails when there is none.
    int imageSize(Size& size) const;
    // `target` becomes a 24-bit copy of the clipboard's current image (any alpha it carries is
    // not kept): the system clipboard's when it offers one that this program did not put there,
    // otherwise the store's. `fromStore` (when given) tells which it was: only the store's own
    // image goes with the store's mask. Fails when neither can be had; `target` is then left as
    // it was.
    int pasteInto(ColorImage& target, bool* fromStore = nullptr) const;
    // The same image with its transparency: the store's mask and origin for the store's image,
    // the alpha channel of a bitmap from the system clipboard that carries one. Fails, leaving
    // `out` as it was, when there is no image or it cannot be read.
    int paste(ClipboardImage& out) const;
    bool hasMask() const { return mask_.isValid(); }
    int copyMaskInto(Channel& target) const;

    // Writes the store's image to the system clipboard as a packed bitmap, with its mask as the
    // alpha channel when it has one. Fails when the store holds no image or the clipboard does
    // not take it.
    int publish();
    // The store holds an image that has not been published since it was put there. Publishing
    // only then keeps the program from putting its old image back over what the user has copied
    // in another program since.
    bool hasUnpublishedImage() const { return unpublished_ && image_.isValid(); }
    // Empties the system clipboard (when attached) and releases the image and its mask.
    void clear();
    // The system clipboard's text.
    int readText(std::string& text) const;

private:
    // The store's image is the clipboard's current one: the system clipboard offers none, or
    // still holds what the store published.
    bool storeIsCurrent() const;

    platform::SystemClipboard* system_;
    ColorImage image_;
    Channel mask_;
    std::optional<ClipboardOrigin> origin_;
    bool unpublished_ = false;
};

}  // namespace varnel
