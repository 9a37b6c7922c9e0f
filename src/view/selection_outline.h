// SelectionOutline: the "marching ants" along the edge of the selection. The outline is found once
// per selection change or repaint, in screen pixels of the visible area only; each timer tick only
// recolours the outline pixels of a snapshot of the screen and puts the snapshot back.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "document/selection_area.h"
#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {

class SelectionOutline {
public:
    // Mask levels: a pixel at or above kInsideLevel with a 4-neighbour at or below kOutsideLevel
    // is on the outline.
    static constexpr uint8_t kInsideLevel = 149;
    static constexpr uint8_t kOutsideLevel = 148;

    // The stripe phase 0 … 7, shared by every view: each tick of any view advances it.
    static int32_t phase();
    static void setPhase(int32_t phase);

    bool timerRunning = false;
    bool shown = true;
    bool prepared() const { return prepared_; }
    void clearPrepared() { prepared_ = false; }

    // Forgets the outline rectangle, the points and the snapshot.
    void forget();

    // Finds the outline of `selection` as the scroller maps it, clipped to the visible canvas,
    // and captures the pixels of `screen` under it. A selection without a mask counts as fully
    // selected; a mask of another size than the rectangle as nothing. Returns false, leaving the
    // outline unprepared, when there is nothing to outline or the snapshot cannot be made.
    bool prepare(const SelectionArea& selection, const ZoomScroller& scroller,
                 const PixelBuffer32& screen);

    // Colours the outline pixels of the snapshot for the current phase (white where
    // (x + y + 3 − phase) mod 8 < 4, black elsewhere), copies the snapshot to `screen`, and
    // advances the phase. Returns the screen rectangle written (empty when unprepared).
    Rect drawInto(PixelBuffer32& screen);

    // The outline rectangle in client coordinates and the outline points as offsets from its
    // top-left corner.
    Rect rect() const { return rect_; }
    const std::vector<Point>& points() const { return points_; }

private:
    Rect rect_;
    std::vector<Point> points_;
    PixelBuffer32 snapshot_;
    std::vector<uint8_t> levels_;
    std::vector<int32_t> columns_;
    bool prepared_ = false;
};

}  // namespace varnel
