// Where a new document window goes and how large it starts, and the Fit on Screen plan: plain
// arithmetic over the multiple-document area, the window's chrome and the image size.
#pragma once

#include <cstdint>

#include "core/geometry.h"

namespace varnel {

// The parts of a document window around its view.
struct WindowChrome {
    Size nonClient;           // outer size minus client size (frame and caption)
    int32_t vbarWidth = 0;    // vertical scroll bar width
    int32_t hbarHeight = 0;   // horizontal scroll bar height
    int32_t cascadeStep = 0;  // frame width + caption height: the vertical cascade step
};

// The view sits at (1, 1) inside the window's client area, left of the vertical scroll bar and
// above the horizontal one.
inline constexpr int32_t kViewInset = 1;
inline constexpr Size kMinInitialContent{150, 120};
inline constexpr Size kMinCandidate{250, 220};
// What the toolbox keeps of the area's left side while it is shown: new windows and Fit on
// Screen start this far from the left edge.
inline constexpr int32_t kToolboxMargin = 69;

// Outer window size that offers a view of `content` pixels (raised to the minimum content).
Size outerSizeForContent(Size content, const WindowChrome& chrome, Size minContent);

// Cascade of new windows across the multiple-document area, shared by all windows of the
// process. The first window (and the first after all were closed) goes to (5, 5); each further
// one 15 pixels right of and one cascade step below the previous one. When the window would no
// longer fit, a new column starts 10 pixels further right and down; when even that start has no
// room, the cascade starts over.
class CascadePlacer {
public:
    static CascadePlacer& shared();

    // The candidate rectangle for the next window in `area` (area coordinates): from the
    // cascade offset to the area's right and bottom edges less 5, at least 250 × 220.
    Rect next(const Rect& area, int32_t cascadeStep, bool anyWindowOpen);
    void reset() { started_ = false; }

private:
    Rect candidateAt(const Rect& area, Point offset) const;
    bool started_ = false;
    int32_t column_ = 0;
    Point offset_;
    Point columnStart_;
};

struct InitialPlacement {
    float zoom = 1.0f;
    Rect outer;  // the window's outer rectangle in area coordinates
};

// The initial zoom is the largest step from 1 down whose window (enlarged by 30 on the right and
// bottom) fits the candidate; the window is placed at the candidate's top-left, its size limited
// to what the area leaves.
InitialPlacement planInitialPlacement(const Rect& area, const Rect& candidate, Size image,
                                      const WindowChrome& chrome);

struct FitOnScreenPlan {
    bool apply = false;
    Size clientSize;  // the window's new client size
    Point topLeft;    // the window's new outer top-left (area coordinates)
};

// Fit on Screen for a window that is not maximized: the largest zoom (at most 16) at which the
// image fits the area less its margins (69 on the left when the toolbox is shown, else 5; 5 on
// the other sides); nothing when the area is too small, the window already fills it, or that
// zoom would be below minZoom.
FitOnScreenPlan planFitOnScreen(const Rect& area, bool toolboxVisible, const Rect& currentOuter,
                                const WindowChrome& chrome, Size image, float minZoom);

}  // namespace varnel
