#include "view/window_placement.h"

#include <algorithm>

#include "view/zoom_scroller.h"

namespace varnel {

Size outerSizeForContent(Size content, const WindowChrome& chrome, Size minContent) {
    int32_t w = std::max(content.width, minContent.width);
    int32_t h = std::max(content.height, minContent.height);
    return {w + kViewInset + chrome.vbarWidth + chrome.nonClient.width,
            h + kViewInset + chrome.hbarHeight + chrome.nonClient.height};
}

CascadePlacer& CascadePlacer::shared() {
    static CascadePlacer placer;
    return placer;
}

Rect CascadePlacer::candidateAt(const Rect& area, Point offset) const {
    Rect r{area.left + offset.x, area.top + offset.y, area.right - 5, area.bottom - 5};
    r.right = std::max(r.right, r.left + kMinCandidate.width);
    r.bottom = std::max(r.bottom, r.top + kMinCandidate.height);
    return r;
}

Rect CascadePlacer::next(const Rect& area, int32_t cascadeStep, bool anyWindowOpen) {
    if (!anyWindowOpen || !started_) {
        started_ = true;
        column_ = 0;
        offset_ = columnStart_ = Point{5, 5};
        return candidateAt(area, offset_);
    }
    Point o{offset_.x + 15, offset_.y + std::max(cascadeStep, 0)};
    Rect c = candidateAt(area, o);
    bool fits = c.right <= area.right && c.bottom <= area.bottom;
    if (!fits && !(o == columnStart_)) {
        ++column_;
        o = Point{5 + 10 * column_, 5 + 10 * column_};
        c = candidateAt(area, o);
        if (c.right > area.right || c.bottom > area.bottom) {
            column_ = 0;
            o = Point{5, 5};
            c = candidateAt(area, o);
        }
        columnStart_ = o;
    }
    offset_ = o;
    return c;
}

InitialPlacement planInitialPlacement(const Rect& area, const Rect& candidate, Size image,
                                      const WindowChrome& chrome) {
    InitialPlacement p;
    float z = 1.0f;
    Size outer;
    for (;;) {
        Size content{int32_t(float(image.width) * z), int32_t(float(image.height) * z)};
        outer = outerSizeForContent(content, chrome, kMinInitialContent);
        if (content.width < 2 || content.height < 2) break;
        Rect window =
            Rect::fromXYWH(candidate.left, candidate.top, outer.width + 30, outer.height + 30);
        if (window.left >= candidate.left && window.top >= candidate.top &&
            window.right <= candidate.right && window.bottom <= candidate.bottom) {
            break;
        }
        if (z <= kAbsoluteMinZoom) break;
        z = zoomStepDown(z);
    }
    int32_t maxW = std::max(area.right - candidate.left - 5, kMinCandidate.width);
    int32_t maxH = std::max(area.bottom - candidate.top - 5, kMinCandidate.height);
    p.zoom = z;
    p.outer = Rect::fromXYWH(candidate.left, candidate.top, std::min(outer.width, maxW),
                             std::min(outer.height, maxH));
    return p;
}

FitOnScreenPlan planFitOnScreen(const Rect& area, bool toolboxVisible, const Rect& currentOuter,
                                const WindowChrome& chrome, Size image, float minZoom) {
    FitOnScreenPlan plan;
    if (image.isEmpty()) return plan;
    Rect avail{area.left + (toolboxVisible ? kToolboxMargin : 5), area.top + 5, area.right - 5,
               area.bottom - 5};
    if (avail.width() <= 150 && avail.height() <= 120) return plan;
    if (avail == currentOuter) return plan;
    int32_t aw = avail.width() - chrome.nonClient.width - chrome.vbarWidth - 1;
    int32_t ah = avail.height() - chrome.nonClient.height - chrome.hbarHeight - 1;
    float f = std::min(float(aw) / float(image.width), float(ah) / float(image.height));
    if (!(f >= minZoom)) return plan;
    f = std::min(f, kDefaultMaxZoom);
    auto rounded = [](int32_t length, float factor) {
        return int32_t(double(float(length) * factor) + 0.5);
    };
    plan.apply = true;
    plan.clientSize = {std::max(151, rounded(image.width, f) + 1) + chrome.vbarWidth,
                       std::max(121, rounded(image.height, f) + 1) + chrome.hbarHeight};
    plan.topLeft = avail.topLeft();
    return plan;
}

}  // namespace varnel
