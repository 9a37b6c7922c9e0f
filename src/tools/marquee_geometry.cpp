#include "tools/marquee_geometry.h"

#include <algorithm>

namespace varnel {

Point clampToArea(Point p, const Rect& area) {
    return {std::clamp(p.x, area.left, std::max(area.left, area.right)),
            std::clamp(p.y, area.top, std::max(area.top, area.bottom))};
}

Rect visibleImageArea(const ZoomScroller& scroller) {
    return scroller.visibleClientImageRect();
}

Point dragEndPoint(Point start, Point pointer, const Rect& area) {
    Point end{pointer.x > start.x ? pointer.x + 1 : pointer.x,
              pointer.y > start.y ? pointer.y + 1 : pointer.y};
    return clampToArea(end, area);
}

Rect dragRect(Point start, Point pointer, const Rect& area) {
    const Point end = dragEndPoint(start, pointer, area);
    return Rect{start.x, start.y, end.x, end.y}.normalized();
}

StartCorner startCorner(Point start, Point end) {
    const bool left = start.x <= end.x;
    const bool top = start.y <= end.y;
    if (left) return top ? StartCorner::TopLeft : StartCorner::BottomLeft;
    return top ? StartCorner::TopRight : StartCorner::BottomRight;
}

Rect squareAtCorner(const Rect& r, StartCorner corner) {
    const int32_t side = std::min(r.width(), r.height());
    switch (corner) {
        case StartCorner::TopLeft:
            return {r.left, r.top, r.left + side, r.top + side};
        case StartCorner::TopRight:
            return {r.right - side, r.top, r.right, r.top + side};
        case StartCorner::BottomRight:
            return {r.right - side, r.bottom - side, r.right, r.bottom};
        case StartCorner::BottomLeft:
            return {r.left, r.bottom - side, r.left + side, r.bottom};
    }
    return r;
}

Rect reflectAboutCorner(const Rect& r, StartCorner corner) {
    Rect out = r;
    switch (corner) {
        case StartCorner::TopLeft:
            out.left = 2 * r.left - r.right;
            out.top = 2 * r.top - r.bottom;
            break;
        case StartCorner::TopRight:
            out.right = 2 * r.right - r.left;
            out.top = 2 * r.top - r.bottom;
            break;
        case StartCorner::BottomRight:
            out.right = 2 * r.right - r.left;
            out.bottom = 2 * r.bottom - r.top;
            break;
        case StartCorner::BottomLeft:
            out.left = 2 * r.left - r.right;
            out.bottom = 2 * r.bottom - r.top;
            break;
    }
    return out;
}

Rect clipAboutCentre(const Rect& r, const Rect& bounds) {
    Rect out = r;
    const int32_t dx = std::max({0, bounds.left - r.left, r.right - bounds.right});
    const int32_t dy = std::max({0, bounds.top - r.top, r.bottom - bounds.bottom});
    out.left += dx;
    out.right -= dx;
    out.top += dy;
    out.bottom -= dy;
    // A centre on the canvas's edge leaves nothing.
    if (out.right < out.left) out.right = out.left;
    if (out.bottom < out.top) out.bottom = out.top;
    return out;
}

Rect squareAboutCentre(const Rect& r) {
    Rect out = r;
    const int32_t w = r.width(), h = r.height();
    if (w > h) {
        out.left += (w - h) / 2;
        out.right = out.left + h;
    } else if (h > w) {
        out.top += (h - w) / 2;
        out.bottom = out.top + w;
    }
    return out;
}

Rect marqueeRect(const ZoomScroller& scroller, Point start, Point pointer, bool square,
                 bool fromCentre) {
    const Rect area = visibleImageArea(scroller);
    const Point end = dragEndPoint(start, pointer, area);
    const StartCorner corner = startCorner(start, end);
    Rect r = scroller.snapToPixels(Rect{start.x, start.y, end.x, end.y}.normalized());
    if (square) r = squareAtCorner(r, corner);
    if (fromCentre) {
        r = clipAboutCentre(reflectAboutCorner(r, corner), scroller.imageRectInClient());
        if (square) r = squareAboutCentre(r);
    }
    return r;
}

Rect imageRectOf(const ZoomScroller& scroller, const Rect& clientRect) {
    const Rect r = clientRect.normalized();
    if (r.isEmpty()) return {};
    const Point a = scroller.clientToImageFloor(Point{r.left, r.top});
    const Point b = scroller.clientToImageCeil(Point{r.right, r.bottom});
    return Rect{a.x, a.y, b.x, b.y}.intersected(Rect::fromSize(scroller.imageSize()));
}

}  // namespace varnel
