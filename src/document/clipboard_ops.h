// What Copy, Copy Merged and Paste do to a document: taking the selected pixels out of the active
// layer or the composite with their coverage, and choosing where a pasted image goes. The
// commands move the result through the clipboard store; the history actions that paste and cut
// are in history/clipboard_actions.h.
#pragma once

#include <optional>

#include "core/clipboard_store.h"
#include "core/geometry.h"
#include "core/surface.h"
#include "document/document.h"
#include "document/selection_area.h"

namespace varnel {

// Pixels taken out of a document.
struct CopiedArea {
    ColorImage pixels;
    // Their coverage: the selection's mask times the transparency of what they were taken from
    // (0 where the layer has no pixels). Empty when every pixel is fully covered.
    Channel mask;
    // Where they were on the canvas.
    Rect rect;
};

// The canvas rectangle Copy takes: the selection's bounds, or with nothing selected the active
// layer's bounds (the whole canvas for Copy Merged), cut to the canvas. Empty when there is
// nothing to copy: for Copy, no active raster layer with pixels, or a rectangle that misses the
// layer; for Copy Merged, no layer that takes part in the composite.
Rect copyRect(const Document& document, const SelectionArea& selection, bool merged);
inline bool canCopy(const Document& document, const SelectionArea& selection, bool merged) {
    return !copyRect(document, selection, merged).isEmpty();
}

// Copy: the active layer's pixels under copyRect, with the selection's coverage and the layer's
// transparency combined into the mask. Fails, leaving `out` as it was, when there is nothing to
// copy or memory is short.
int copyLayerArea(const Document& document, const SelectionArea& selection, CopiedArea& out);
// Copy Merged: the same from the composite of the visible layers.
int copyMergedArea(Document& document, const SelectionArea& selection, CopiedArea& out);

// Puts copied pixels into the clipboard store, remembering where they came from on a canvas of
// `canvas`'s size, and publishes them to the system clipboard so that other programs can paste
// them at once. Fails, keeping the store as it was, when the store does not take them (a failure
// to publish still leaves them in the store for this program's pastes).
int putOnClipboard(ClipboardStore& store, const CopiedArea& area, Size canvas);
// Copy and Copy Merged through to the store.
int copyToClipboard(Document& document, const SelectionArea& selection, bool merged,
                    ClipboardStore& store);

// Where Paste puts the top-left pixel of an image of `size`: back where it was copied from when
// it came from a canvas of this size and lies wholly inside it there, otherwise the top-left
// corner of `visible` (the part of the canvas in view) cut to the canvas.
Point pastePosition(Size size, const std::optional<ClipboardOrigin>& origin, Size canvas,
                    Rect visible);

}  // namespace varnel
