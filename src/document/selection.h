// The selection of a document window: a rectangle on the canvas and an 8-bit mask covering exactly
// that rectangle (0 not selected, 255 fully selected, values between for feathered edges). Fills,
// clears and filters go through it; the view draws its outline.
//
// The rectangle always lies inside the canvas; an empty rectangle means nothing is selected, and
// then there is no mask. Mask pixel (x, y) stands for canvas pixel (left + x, top + y). After the
// commands that process the mask the rectangle is the bounding box of the mask's non-zero pixels.
//
// Every operation returns 1 on success and 0 on failure or when it has nothing to do (the
// commands that need a selection do nothing on an empty one); a failed operation leaves the
// selection as it was and tells no one. Each change is reported to the listeners once, with the
// canvas rectangle whose outline may have changed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "document/selection_area.h"

namespace varnel {

class Document;
class Selection;

// Limits of the selection commands' parameters (values outside are clamped).
constexpr double kFeatherMinRadius = 0.1;
constexpr double kFeatherMaxRadius = 250.0;
constexpr int32_t kSelectionMinRadius = 1;  // Expand, Contract, Border
constexpr int32_t kSelectionMaxRadius = 100;

struct SelectionChange {
    const Selection* selection = nullptr;
    Rect oldBounds;
    Rect newBounds;
    // The union of both: where the outline may have changed (inside the canvas).
    Rect rect;
};

class SelectionListener {
public:
    virtual ~SelectionListener() = default;
    virtual void selectionChanged(const SelectionChange& change) = 0;
};

class Selection {
public:
    explicit Selection(Size canvas = {}) : canvas_(canvas) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // A copy of the state (canvas, rectangle, mask) without the listeners, for undo; null when
    // memory is short.
    std::unique_ptr<Selection> clone() const;
    // Takes the state of a saved copy (its canvas too) and tells the listeners.
    int restore(const Selection& saved);

    // --- state ------------------------------------------------------------------------------
    Size canvasSize() const { return canvas_; }
    Rect canvasRect() const { return Rect::fromSize(canvas_); }
    // Starts over on a canvas of another size, with nothing selected (after the canvas changed).
    void resetCanvas(Size canvas);

    bool isEmpty() const { return rect_.isEmpty(); }
    Rect bounds() const { return rect_; }
    // The coverage of bounds(); null when nothing is selected.
    const Mask* mask() const { return mask_.isValid() ? &mask_ : nullptr; }
    // The rectangle and mask as the layer edits take them.
    SelectionArea area() const { return {rect_, mask()}; }
    // The coverage of a canvas pixel: 0 outside the rectangle.
    uint8_t coverageAt(int32_t x, int32_t y) const;

    Rect canvasToMask(Rect r) const { return r.offset(-rect_.left, -rect_.top); }
    Rect maskToCanvas(Rect r) const { return r.offset(rect_.left, rect_.top); }
    // Inside the rectangle with a non-zero mask value, or with `strict` a value of at least 128.
    bool contains(Point p, bool strict = false) const;

    // --- framing ----------------------------------------------------------------------------

    // Moves the frame to newRect ∩ canvas keeping every pixel's canvas position: pixels outside
    // the new frame are dropped, new ones are 0. An empty rectangle clears the selection.
    int reframe(Rect newRect);
    // Reframes to the bounding box of the non-zero mask values (nothing left: cleared).
    int tighten();

    // --- commands ---------------------------------------------------------------------------

    // A new selection of the rectangle (normalised), or of the ellipse inscribed in it (edge not
    // anti-aliased). The shape is drawn at the rectangle as given and then cut to the canvas; a
    // rectangle that misses the canvas clears the selection.
    int setShape(Rect rect, bool elliptical);
    int selectAll() { return setShape(canvasRect(), false); }
    // A new selection of `rect` with `coverage` (the rectangle's size) as its mask, or fully
    // selected without one; cut to the canvas and tightened (nothing left selects nothing). A
    // coverage of another size fails.
    int setCoverage(Rect rect, const GrayMap* coverage);
    // Fails when nothing is selected.
    int deselect();
    // Every canvas pixel's coverage v becomes 255 − v; inverting everything leaves nothing.
    int invert();
    // Loads a canvas-sized mask (another size fails); an all-zero mask clears the selection.
    int loadMask(const GrayMap& mask);
    // Blurs the coverage with Stack Blur of radius ceil(radius) (radius clamped to 0.1 … 250)
    // within a frame grown by ceil(2.7 × radius).
    int feather(double radius);
    // n clamped to 1..100.
    int expand(int32_t n);
    int contract(int32_t n);
    int border(int32_t n);
    // Region growing and colour matching over a canvas-sized image (alpha may be null): the
    // pixels with coverage above 148 are the seeds.
    int grow(const ColorImage& image, const GrayMap* alpha, int32_t tolerance);
    int similar(const ColorImage& image, const GrayMap* alpha, int32_t tolerance);
    // The same, sampling the document's active layer on the canvas (alpha 0 where it has no
    // pixels). Fails without an active layer or when the canvas sizes differ.
    int grow(const Document& document, int32_t tolerance);
    int similar(const Document& document, int32_t tolerance);

    // A canvas-sized channel, 0 everywhere but the mask at the rectangle's place.
    int toCanvasMask(Channel& out) const;

    // --- listeners --------------------------------------------------------------------------
    void addListener(SelectionListener* listener);
    void removeListener(SelectionListener* listener);

private:
    // Replaces the state with a new frame and mask (the mask may be empty for an empty frame)
    // and tells the listeners when anything changed.
    void commit(Rect rect, Mask& mask, bool changed = true);
    void notify(Rect oldBounds);
    // Copies the coverage into a working mask over `frame` ∩ canvas, runs the work on it,
    // tightens and commits; nothing changes when a step fails.
    template <typename Work>
    int processFramed(Rect frame, Work&& work);
    template <typename Work>
    int processCanvas(Work&& work);

    Size canvas_;
    Rect rect_;
    Mask mask_;
    std::vector<SelectionListener*> listeners_;
};

}  // namespace varnel
