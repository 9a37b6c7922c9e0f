// The clipboard store: the process-wide place where the last copied image waits together with its
// transparency, and its exchange with the system clipboard. The store hands its image to the
// system clipboard only when asked to publish (the program does that when it loses the
// foreground), and pasting prefers whatever image the system clipboard offers, since that is the
// newer one when another program copied something in the meantime.
#pragma once

#include <cstddef>
#include <string>

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

// The width and height a packed bitmap block's header declares (the height as a magnitude); fails
// for a block shorter than the 40-byte header or a size that is not positive.
int packedBitmapSize(const void* data, size_t bytes, Size& size);

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

    // Puts a copy of `image` into the store, with a copy of `mask` as its transparency when
    // given. Fails, keeping the store as it was, for an invalid image, a mask of another size or
    // a shortage of memory.
    int put(const ColorImage& image, const Channel* mask = nullptr);

    // The system clipboard offers an image, or the store holds one.
    bool hasImage() const;
    // The size of the image that pasteInto would give; fails when there is none.
    int imageSize(Size& size) const;
    // `target` becomes a 24-bit copy of the system clipboard's image when it offers one (any
    // alpha it carries is not kept), otherwise of the store's image. `fromStore` (when given)
    // tells which it was: only the store's own image goes with the store's mask. Fails when
    // neither can be had; `target` is then left as it was.
    int pasteInto(ColorImage& target, bool* fromStore = nullptr) const;
    bool hasMask() const { return mask_.isValid(); }
    int copyMaskInto(Channel& target) const;

    // Writes the store's image to the system clipboard as a packed bitmap. Fails when the store
    // holds no image or the clipboard does not take it.
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
    platform::SystemClipboard* system_;
    ColorImage image_;
    Channel mask_;
    bool unpublished_ = false;
};

}  // namespace varnel
