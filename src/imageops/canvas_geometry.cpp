#include "imageops/canvas_geometry.h"

#include <cmath>

#include "core/surface_store.h"

namespace varnel {

Point anchorOffset(int32_t anchor, Size oldSize, Size newSize) {
    if (anchor < kAnchorTopLeft || anchor > kAnchorBottomRight) anchor = kAnchorCenter;
    const int32_t dw = newSize.width - oldSize.width;
    const int32_t dh = newSize.height - oldSize.height;
    const int32_t column = anchor % 3;
    const int32_t row = anchor / 3;
    return {column == 0 ? 0 : column == 1 ? dw / 2 : dw, row == 0 ? 0 : row == 1 ? dh / 2 : dh};
}

CanvasSizeParams CanvasSizeParams::forAnchor(const Document& image, Size size, int32_t anchor,
                                             ColorRef extensionColor) {
    CanvasSizeParams p;
    p.width = size.width;
    p.height = size.height;
    p.resolution = image.resolution();
    p.resolutionUnit = image.resolutionUnit();
    p.oldWidth = image.width();
    p.oldHeight = image.height();
    const Point o = anchorOffset(anchor, image.size(), size);
    p.offsetX = o.x;
    p.offsetY = o.y;
    p.extensionColor = extensionColor;
    return p;
}

int resizeCanvas(Document& image, const CanvasSizeParams& params, ReplacedParts* replaced) {
    if (params.width < 1 || params.height < 1 || params.width > kMaxSurfaceSide ||
        params.height > kMaxSurfaceSide || params.oldWidth != image.width() ||
        params.oldHeight != image.height())
        return 0;
    if (params.width == params.oldWidth && params.height == params.oldHeight) return 1;
    return image.resizeCanvasAll({params.width, params.height}, {params.offsetX, params.offsetY},
                                 params.extensionColor, replaced);
}

double normalizeRotation(double angle) {
    if (!std::isfinite(angle)) return angle;
    angle = std::fmod(angle, 360.0);
    if (angle < 0) angle += 360.0;
    return angle >= 360.0 ? 0.0 : angle;
}

int rotateCanvas(Document& image, double angle, ReplacedParts* replaced) {
    const double a = normalizeRotation(angle);
    if (!std::isfinite(a)) return 0;
    if (a < 0.0001 || a > 360.0 - 0.0001) return 1;
    return image.rotate(a, replaced);
}

int flipCanvas(Document& image, bool horizontal) {
    return image.flip(!horizontal);
}

bool canCrop(const Document& image, Rect selectionBounds) {
    return !selectionBounds.normalized().intersected(image.bounds()).isEmpty();
}

int cropCanvas(Document& image, Rect selectionBounds, ReplacedParts* replaced) {
    if (!canCrop(image, selectionBounds)) return 1;
    return image.crop(selectionBounds, replaced);
}

bool canTrim(const Document& image) {
    const LayerStack& stack = image.layers();
    return stack.count() == 1 && stack.isBackgroundAt(0);
}

int trimCanvas(Document& image, ReplacedParts* replaced) {
    return image.trim(replaced);
}

}  // namespace varnel
