#include "view/zoom_scroller.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace varnel {

const float kZoomSteps[kZoomStepCount] = {
    0.0001f,   0.0002f,  0.0003f,  0.0004f,  0.0005f,  0.001f,   0.002f,   0.003f, 0.004f,
    0.005f,    0.007f,   0.01f,    0.015f,   0.02f,    0.03f,    0.04f,    0.05f,  1.0f / 16,
    1.0f / 12, 1.0f / 8, 1.0f / 6, 1.0f / 4, 1.0f / 3, 1.0f / 2, 2.0f / 3, 1.0f,   2.0f,
    3.0f,      4.0f,     5.0f,     6.0f,     7.0f,     8.0f,     12.0f,    16.0f};

float zoomStepUp(float z) {
    if (z >= kZoomSteps[kZoomStepCount - 1]) return kZoomSteps[kZoomStepCount - 1];
    for (float step : kZoomSteps) {
        if (step > z) return step;
    }
    return kZoomSteps[kZoomStepCount - 1];
}

float zoomStepDown(float z) {
    if (z <= kZoomSteps[0]) return kZoomSteps[0];
    for (int i = kZoomStepCount - 1; i >= 0; --i) {
        if (kZoomSteps[i] < z) return kZoomSteps[i];
    }
    return kZoomSteps[0];
}

float minZoomForImage(int32_t width, int32_t height) {
    int32_t s = std::min(width, height);
    if (s < 2) return 1.0f;
    return std::max(1.0f / float(s), kAbsoluteMinZoom);
}

std::string zoomPercentText(float zoom) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", double(zoom) * 100.0);
    std::string text = buf;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text + "%";
}

double parseZoomPercent(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return 0.0;
    size_t end = text.find_last_not_of(" \t") + 1;
    if (text[begin] == '%') ++begin;
    if (end > begin && text[end - 1] == '%') --end;
    if (end <= begin) return 0.0;
    std::string number = text.substr(begin, end - begin);
    char* stop = nullptr;
    double value = std::strtod(number.c_str(), &stop);
    if (stop == number.c_str() || !std::isfinite(value)) return 0.0;
    return value;
}

Point rectCentre(const Rect& r) {
    auto half = [](int32_t lo, int32_t hi) {
        return lo + int32_t(std::floor(double(hi - lo) * 0.5 + 0.5));
    };
    return {half(r.left, r.right), half(r.top, r.bottom)};
}

namespace {

// Floor division for a positive divisor.
int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int32_t clampTo32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// trunc(length × zoom) in single precision, as the zoom itself is held; at least one pixel.
int32_t zoomedLength(int32_t length, float zoom) {
    float product = float(length) * zoom;
    if (!(product < 2.0e9f)) return INT32_MAX / 2;
    return std::max<int32_t>(1, int32_t(product));
}

}  // namespace

int64_t AxisMap::toContent(int64_t i) const {
    return floorDiv(2 * i * contentLen + imageLen, 2 * int64_t(imageLen));
}

int64_t AxisMap::toImageRounded(int64_t c) const {
    return floorDiv(2 * c * imageLen + contentLen, 2 * int64_t(contentLen));
}

int32_t AxisMap::sample(int64_t c) const {
    // Largest i with round(i × contentLen / imageLen) ≤ c, i.e. 2·i·contentLen < (2c + 1)·imageLen.
    int64_t num = (2 * c + 1) * imageLen;
    int64_t den = 2 * int64_t(contentLen);
    return int32_t(-floorDiv(-num, den) - 1);
}

// --- state ------------------------------------------------------------------------------------

void ZoomScroller::setZoomLimits(float minZoom, float maxZoom) {
    if (!(minZoom > 0) || !(maxZoom >= minZoom)) return;
    minZoom_ = minZoom;
    maxZoom_ = maxZoom;
}

Point ZoomScroller::maxScroll() const {
    return {std::max(0, contentWidth_ - pageWidth_), std::max(0, contentHeight_ - pageHeight_)};
}

ScrollBarState ZoomScroller::bar(ScrollAxis axis) const {
    Point m = maxScroll();
    ScrollBarState s;
    if (axis == ScrollAxis::Horizontal) {
        s = {m.x, pageWidth_, scrollX_, m.x > 0};
    } else {
        s = {m.y, pageHeight_, scrollY_, m.y > 0};
    }
    return s;
}

AxisMap ZoomScroller::axisMap(ScrollAxis axis) const {
    return axis == ScrollAxis::Horizontal ? AxisMap{imageWidth_, contentWidth_}
                                          : AxisMap{imageHeight_, contentHeight_};
}

void ZoomScroller::setZoomCursorMode(int32_t wanted) {
    wantedCursorMode_ = wanted <= 0 ? 0 : (wanted >= 2 ? 2 : 1);
    refreshCursorMode();
}

void ZoomScroller::refreshCursorMode() {
    switch (wantedCursorMode_) {
        case 1:
            zoomCursorMode_ = zoom_ < kDefaultMaxZoom ? 1 : 0;
            break;
        case 2:
            zoomCursorMode_ = zoom_ > minZoom_ ? 2 : 0;
            break;
        default:
            zoomCursorMode_ = 0;
            break;
    }
}

float ZoomScroller::clampZoom(float z) const {
    if (!(z > minZoom_)) z = minZoom_;
    if (!(z < maxZoom_)) z = maxZoom_;
    return z;
}

void ZoomScroller::invalidate() {
    if (host_) host_->scrollerInvalidate();
}

void ZoomScroller::updateBars() {
    if (host_) host_->scrollerBarsChanged();
}

void ZoomScroller::setContentSize(int32_t width, int32_t height) {
    contentWidth_ = std::max(1, width);
    contentHeight_ = std::max(1, height);
}

void ZoomScroller::applyZoomValue(float zoom) {
    zoom_ = clampZoom(zoom);
    refreshCursorMode();
    if (host_) host_->scrollerZoomChanged();
}

void ZoomScroller::clampScroll(bool notify) {
    Point m = maxScroll();
    int32_t x = std::clamp(scrollX_, 0, m.x);
    int32_t y = std::clamp(scrollY_, 0, m.y);
    int32_t dx = x - scrollX_, dy = y - scrollY_;
    scrollX_ = x;
    scrollY_ = y;
    if (notify && (dx || dy) && host_) host_->scrollerScrolled(dx, dy);
}

// --- size changes -------------------------------------------------------------------------------

void ZoomScroller::setImageSize(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return;
    imageWidth_ = width;
    imageHeight_ = height;
    minZoom_ = minZoomForImage(width, height);
    if (maxZoom_ < minZoom_) maxZoom_ = minZoom_;
}

bool ZoomScroller::setClientSize(int32_t width, int32_t height) {
    Point before = offset();
    bool wasCentredX = pageWidth_ > contentWidth_, wasCentredY = pageHeight_ > contentHeight_;
    pageWidth_ = std::max(0, width);
    pageHeight_ = std::max(0, height);
    clampScroll(true);
    updateBars();
    Point after = offset();
    // Pixels drawn where a centred image used to be cannot be reused; a scroll position that was
    // clamped is reported through scrollerScrolled instead.
    bool centredX = wasCentredX || pageWidth_ > contentWidth_;
    bool centredY = wasCentredY || pageHeight_ > contentHeight_;
    bool centringMoved = (centredX && before.x != after.x) || (centredY && before.y != after.y);
    if (centringMoved) invalidate();
    return centringMoved;
}

// --- zoom ---------------------------------------------------------------------------------------

bool ZoomScroller::setZoom(float zoom, bool keepCentre, bool redraw) {
    float z = clampZoom(zoom);
    Point keep;
    if (keepCentre) keep = clientToImage(rectCentre(Rect{0, 0, pageWidth_, pageHeight_}));
    setContentSize(zoomedLength(imageWidth_, z), zoomedLength(imageHeight_, z));
    scrollX_ = scrollY_ = 0;
    updateBars();
    if (redraw) invalidate();
    // Store the zoom before centring so that the map and the listeners agree.
    zoom_ = z;
    if (keepCentre) {
        Point p = imageToClient(keep);
        centreOn(p.x, p.y);
    }
    applyZoomValue(z);
    return true;
}

bool ZoomScroller::zoomAtPoint(int32_t clientX, int32_t clientY, float zoom, bool keep) {
    if (!(zoom > 0)) return false;
    Rect ir = imageRectInClient();
    int32_t x = std::clamp(clientX, ir.left, std::max(ir.left, ir.right - 1));
    int32_t y = std::clamp(clientY, ir.top, std::max(ir.top, ir.bottom - 1));
    Point image = clientToImage(Point{x, y});
    beginSuppressInvalidate();
    setZoom(zoom, false, true);
    if (keep) {
        int64_t cx = axisMap(ScrollAxis::Horizontal).toContent(image.x);
        int64_t cy = axisMap(ScrollAxis::Vertical).toContent(image.y);
        scrollTo(clampTo32(cx - x), clampTo32(cy - y), true);
    } else {
        Point p = imageToClient(image);
        centreOn(p.x, p.y);
    }
    endSuppressInvalidate();
    invalidate();
    return true;
}

void ZoomScroller::zoomToRect(Rect clientRect, bool keep) {
    Rect r = clientRect.normalized();
    int32_t w = r.width(), h = r.height();
    Point centre{r.left + w / 2, r.top + h / 2};
    if (w > 2 || h > 2) {
        float fx = float(pageWidth_ + 1) / float(std::max(w, 1));
        float fy = float(pageHeight_ + 1) / float(std::max(h, 1));
        zoomAtPoint(centre.x, centre.y, std::min(fx, fy) * zoom_, keep);
    } else {
        zoomAtPoint(centre.x, centre.y, zoomStepUp(zoom_), keep);
    }
}

void ZoomScroller::zoomOutAtPoint(int32_t clientX, int32_t clientY, bool keep) {
    zoomAtPoint(clientX, clientY, std::max(zoomStepDown(zoom_), minZoom_), keep);
}

void ZoomScroller::zoomInCommand() {
    Point c = rectCentre(Rect{0, 0, pageWidth_, pageHeight_});
    zoomToRect(Rect{c.x, c.y, c.x + 1, c.y + 1}, true);
}

void ZoomScroller::zoomOutCommand() {
    Point c = rectCentre(Rect{0, 0, pageWidth_, pageHeight_});
    zoomOutAtPoint(c.x, c.y, true);
}

bool ZoomScroller::fitInWindow() {
    int32_t cw = pageWidth_, ch = pageHeight_;
    float fx = float(cw) / float(imageWidth_);
    float fy = float(ch) / float(imageHeight_);
    float f = std::min(std::min(fx, fy), maxZoom_);
    if (!(f >= minZoom_)) return false;
    auto rounded = [](int32_t length, float factor) {
        return int32_t(double(float(length) * factor) + 0.5);
    };
    if (f >= maxZoom_) {
        setContentSize(zoomedLength(imageWidth_, maxZoom_), zoomedLength(imageHeight_, maxZoom_));
    } else if (fx < fy) {
        setContentSize(cw, std::min(rounded(imageHeight_, f), ch));
    } else if (fx > fy) {
        setContentSize(std::min(rounded(imageWidth_, f), cw), ch);
    } else {
        setContentSize(cw, ch);
    }
    scrollX_ = scrollY_ = 0;
    updateBars();
    invalidate();
    applyZoomValue(f);
    return true;
}

void ZoomScroller::actualPixels() {
    if (std::fabs(zoom_ - 1.0f) <= 0.0001f) return;
    Point centre = rectCentre(visibleImageRect());
    setZoom(1.0f, false, true);
    Point p = imageToClient(centre);
    centreOn(p.x, p.y);
}

void ZoomScroller::printSize(float resolution, int32_t resolutionUnit) {
    if (!(resolution > 0) || !std::isfinite(resolution)) return;
    if (resolutionUnit != 1 && std::fabs(resolution - 72.0f) < 0.0001f) {
        actualPixels();
        return;
    }
    float perInch = resolutionUnit == 1 ? resolution * 2.54f : resolution;
    setZoom(72.0f / perInch, true, true);
}

// --- scrolling ----------------------------------------------------------------------------------

void ZoomScroller::scrollTo(int32_t x, int32_t y, bool redraw) {
    Point m = maxScroll();
    x = std::clamp(x, 0, m.x);
    y = std::clamp(y, 0, m.y);
    int32_t dx = x - scrollX_, dy = y - scrollY_;
    scrollX_ = x;
    scrollY_ = y;
    updateBars();
    if ((dx || dy) && host_) host_->scrollerScrolled(dx, dy);
    if (redraw && suppressInvalidate_ == 0) invalidate();
}

void ZoomScroller::centreOn(int32_t clientX, int32_t clientY) {
    int64_t x = int64_t(scrollX_) + clientX - pageWidth_ / 2;
    int64_t y = int64_t(scrollY_) + clientY - pageHeight_ / 2;
    scrollTo(clampTo32(x), clampTo32(y), true);
}

bool ZoomScroller::scrollAction(ScrollAxis axis, ScrollAction action, int32_t trackPosition) {
    bool horizontal = axis == ScrollAxis::Horizontal;
    int32_t p = horizontal ? scrollX_ : scrollY_;
    int32_t c = horizontal ? contentWidth_ : contentHeight_;
    int32_t g = horizontal ? pageWidth_ : pageHeight_;
    int32_t max = c - g;
    if (max < 0) return false;
    int32_t n = p;
    switch (action) {
        case ScrollAction::LineUp:
            n = std::max(p - kScrollLineStep, 0);
            break;
        case ScrollAction::LineDown:
            n = std::min(p + kScrollLineStep, max);
            break;
        case ScrollAction::PageUp:
            n = std::max(p - g, 0);
            break;
        case ScrollAction::PageDown:
            n = std::min(p + g, max);
            break;
        case ScrollAction::Top:
            n = 0;
            break;
        case ScrollAction::Bottom:
            n = max;
            break;
        case ScrollAction::Thumb:
            n = std::clamp(trackPosition, 0, max);
            break;
    }
    if (n == p) return false;
    (horizontal ? scrollX_ : scrollY_) = n;
    updateBars();
    if (host_) host_->scrollerScrolled(horizontal ? n - p : 0, horizontal ? 0 : n - p);
    return true;
}

bool ZoomScroller::wheel(ScrollAxis axis, int32_t delta) {
    if (delta == 0) return false;
    bool horizontal = axis == ScrollAxis::Horizontal;
    int32_t p = horizontal ? scrollX_ : scrollY_;
    int32_t step = wheelLines_ * kScrollLineStep;
    int64_t target = delta > 0 ? int64_t(p) - step : int64_t(p) + step;
    Point m = maxScroll();
    int32_t n = int32_t(std::clamp<int64_t>(target, 0, horizontal ? m.x : m.y));
    if (n == p) return false;
    (horizontal ? scrollX_ : scrollY_) = n;
    updateBars();
    if (host_) host_->scrollerScrolled(horizontal ? n - p : 0, horizontal ? 0 : n - p);
    return true;
}

// --- mapping ------------------------------------------------------------------------------------

Point ZoomScroller::offset() const {
    int32_t dx = pageWidth_ - contentWidth_;
    int32_t dy = pageHeight_ - contentHeight_;
    return {dx > 0 ? dx / 2 : -scrollX_, dy > 0 ? dy / 2 : -scrollY_};
}

Point ZoomScroller::imageToClient(Point p) const {
    Point o = offset();
    return {clampTo32(o.x + axisMap(ScrollAxis::Horizontal).toContent(p.x)),
            clampTo32(o.y + axisMap(ScrollAxis::Vertical).toContent(p.y))};
}

Point ZoomScroller::clientToImage(Point p) const {
    Point o = offset();
    return {clampTo32(axisMap(ScrollAxis::Horizontal).toImageRounded(int64_t(p.x) - o.x)),
            clampTo32(axisMap(ScrollAxis::Vertical).toImageRounded(int64_t(p.y) - o.y))};
}

Point ZoomScroller::clientToImageFloor(Point p) const {
    Point r = clientToImage(p);
    Point back = imageToClient(r);
    if (back.x > p.x) --r.x;
    if (back.y > p.y) --r.y;
    return r;
}

Point ZoomScroller::clientToImageCeil(Point p) const {
    Point r = clientToImageFloor(p);
    Point back = imageToClient(r);
    if (back.x < p.x) ++r.x;
    if (back.y < p.y) ++r.y;
    return r;
}

Rect ZoomScroller::imageToClient(const Rect& r) const {
    Point a = imageToClient(Point{r.left, r.top});
    Point b = imageToClient(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

Rect ZoomScroller::clientToImage(const Rect& r) const {
    Point a = clientToImage(Point{r.left, r.top});
    Point b = clientToImage(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

Rect ZoomScroller::imageRectInClient() const {
    return imageToClient(Rect{0, 0, imageWidth_, imageHeight_});
}

Rect ZoomScroller::visibleImageRect() const {
    Rect r = clientToImage(Rect{-1, -1, pageWidth_ + 1, pageHeight_ + 1});
    return r.intersected(Rect{0, 0, imageWidth_, imageHeight_});
}

Rect ZoomScroller::visibleClientImageRect() const {
    return Rect{0, 0, pageWidth_, pageHeight_}.intersected(imageRectInClient());
}

Rect ZoomScroller::snapToPixels(Rect clientRect) const {
    if (!(zoom_ > 1.0f)) return clientRect;
    Rect n = clientRect.normalized();
    Point a = imageToClient(clientToImageFloor(Point{n.left, n.top}));
    Point b = imageToClient(clientToImageCeil(Point{n.right, n.bottom}));
    return {a.x, a.y, b.x, b.y};
}

}  // namespace varnel
