#include "view/ve_preview_pane.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "document/layer.h"
#include "document/layer_stack.h"
#include "view/display_cache.h"

namespace varnel {

using namespace preview;

namespace {

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QImage wrap(PixelBuffer32& buffer) {
    return QImage(reinterpret_cast<uchar*>(buffer.data()), buffer.width(), buffer.height(),
                  buffer.bytesPerLine(), QImage::Format_RGB32);
}

// --- the overlay's pictures, drawn once --------------------------------------------------------

void drawMagnifier(QPainter& p, QPointF centre, bool plus) {
    p.setPen(QPen(QColor(40, 40, 40), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 4.2, 4.2);
    p.setPen(QPen(QColor(40, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(3.2, 3.2), centre + QPointF(6.0, 6.0));
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(centre + QPointF(-2.2, 0), centre + QPointF(2.2, 0));
    if (plus) p.drawLine(centre + QPointF(0, -2.2), centre + QPointF(0, 2.2));
}

// The toolbar strip, 147 × 16: zoom out, the slider's groove, zoom in, actual pixels.
const QImage& toolbarStrip() {
    static const QImage strip = [] {
        QImage img(kToolbarWidth, kToolbarHeight, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        auto panel = [&](QRectF r) {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, QColor(250, 250, 250));
            g.setColorAt(1, QColor(214, 214, 214));
            p.setPen(QPen(QColor(96, 96, 96), 1));
            p.setBrush(g);
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        };
        panel(QRectF(0, 0, 128, 16));
        panel(QRectF(129, 0, 18, 16));
        drawMagnifier(p, QPointF(6.5, 6.5), false);
        drawMagnifier(p, QPointF(116.5, 6.5), true);
        // The groove the thumb runs on.
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(20.5, 6.5, 86, 3));
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.drawLine(QPointF(62.5, 11.5), QPointF(62.5, 13.5));  // 100 %
        // Actual pixels: "1:1".
        QFont f = QApplication::font();
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 40, 40));
        p.drawText(QRectF(129, 0, 18, 16), Qt::AlignCenter, QStringLiteral("1:1"));
        return img;
    }();
    return strip;
}

const QImage& sliderThumb() {
    static const QImage thumb = [] {
        QImage img(9, 16, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.moveTo(0.5, 2.5);
        path.lineTo(8.5, 2.5);
        path.lineTo(8.5, 10.5);
        path.lineTo(4.5, 14.5);
        path.lineTo(0.5, 10.5);
        path.closeSubpath();
        QLinearGradient g(0, 2, 0, 15);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(190, 190, 190));
        p.setPen(QPen(QColor(50, 50, 50), 1));
        p.setBrush(g);
        p.drawPath(path);
        return img;
    }();
    return thumb;
}

// The navigator button, 16 × 16: a frame with a small red rectangle in it.
const QImage& navigatorButton() {
    static const QImage button = [] {
        QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 16);
        g.setColorAt(0, QColor(250, 250, 250));
        g.setColorAt(1, QColor(214, 214, 214));
        p.setPen(QPen(QColor(96, 96, 96), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::NoBrush);
        p.drawRect(3, 3, 9, 9);
        p.setPen(QColor(255, 80, 80));
        p.drawRect(5, 5, 4, 3);
        return img;
    }();
    return button;
}

// A soft shadow around a rectangle of the given size (drawn 2 pixels larger on every side).
QImage shadowFor(QSize size) {
    QImage img(size.width() + 4, size.height() + 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 2; ++i) {
        p.setBrush(QColor(0, 0, 0, 40 + 30 * i));
        p.drawRoundedRect(QRectF(i, i, img.width() - 2 * i, img.height() - 2 * i), 4, 4);
    }
    return img;
}

// The navigator box's shadow values (10 × 10): 255 is no shadow; lower values darken. The box
// lies to the top right of the tile (columns 5 …, rows … 4).
uint8_t shadowValue(int column, int row) {
    const double dx = column < 5 ? 5 - column : 0;
    const double dy = row >= 5 ? row - 4 : 0;
    if (dx == 0 && dy == 0) return 255;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double strength = std::clamp(1.0 - (d - 1.0) / 5.0, 0.0, 1.0);
    return uint8_t(255 - 100 * strength);
}

}  // namespace

PreviewPane::PreviewPane(const Document& document, const RasterLayer& layer, Rect documentVisible,
                         Rect selectionBounds, QSize size, QWidget* parent)
    : QWidget(parent), size_(size.expandedTo(QSize(kNavigatorBox + 8, kNavigatorBox + 8))) {
    setObjectName(QStringLiteral("PreviewPane"));
    setAccessibleName(QStringLiteral("Preview"));
    setFixedSize(size_);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    picture_ = makePreviewPicture(document, layer);
    if (picture_) source_ = renderSourceOf(*picture_);
    const Size image = picture_ ? picture_->size() : document.size();

    imageBuffer_.resize(size_.width(), size_.height());
    overlayBuffer_.resize(size_.width(), size_.height());
    const Rect inner = thumbnailInner(size_.width(), image);
    if (picture_) drawThumbnail(*picture_, inner.size(), thumbnail_);

    scroller_.setHost(this);
    scroller_.setImageSize(image.width, image.height);
    scroller_.setClientSize(size_.width(), size_.height());
    scroller_.setZoom(1.0f, true, false);
    const float fit = std::min({float(size_.width()) / float(std::max(1, image.width)),
                                float(size_.height()) / float(std::max(1, image.height)), 16.0f});
    scroller_.setZoomLimits(std::min(fit, 1.0f), kMaxZoom);
    scroller_.setZoom(1.0f, true, false);

    // Start where the user is looking: the selection, else the layer, within the visible part.
    const Rect around = selectionBounds.isEmpty() ? layer.canvasBounds() : selectionBounds;
    const Rect target = around.intersected(documentVisible);
    centreOnImagePoint(target.isEmpty() ? Point{0, 0} : rectCentre(target));
    scrollerZoomChanged();
}

PreviewPane::~PreviewPane() {
    scroller_.setHost(nullptr);
}

void PreviewPane::centreOnImagePoint(Point imagePoint) {
    const Point c = scroller_.imageToClient(imagePoint);
    scroller_.centreOn(c.x, c.y);
    markDirty();
}

// --- zoom
// -----------------------------------------------------------------------------------------

void PreviewPane::zoomOut() {
    const float zoom = scroller_.zoom();
    if (zoom <= scroller_.minZoom()) return;
    const Point c = rectCentre({0, 0, size_.width(), size_.height()});
    scroller_.zoomAtPoint(c.x, c.y, std::max(zoomStepDown(zoom), scroller_.minZoom()), true);
}

void PreviewPane::zoomIn() {
    if (scroller_.zoom() >= kDefaultMaxZoom) return;
    const Point c = rectCentre({0, 0, size_.width(), size_.height()});
    scroller_.zoomToRect({c.x, c.y, c.x + 1, c.y + 1}, true);
}

void PreviewPane::actualPixels() {
    if (std::fabs(scroller_.zoom() - 1.0f) < 0.0001f) {
        overlayDirty_ = true;
        update(toQRect(sliderAreaRect()));
        return;
    }
    scroller_.actualPixels();
}

void PreviewPane::scrollerInvalidate() {
    markDirty();
}

void PreviewPane::scrollerScrolled(int32_t, int32_t) {
    markDirty();
}

void PreviewPane::scrollerZoomChanged() {
    const Size content = scroller_.contentSize();
    navigatorAvailable_ = size_.width() < content.width || size_.height() < content.height;
    sliderPos_ =
        preview::sliderPosition(scroller_.zoom(), scroller_.minZoom(), scroller_.maxZoom());
    markDirty();
    updateAccessibleText();
    emit zoomChanged(scroller_.zoom());
}

void PreviewPane::markDirty() {
    imageDirty_ = true;
    overlayDirty_ = true;
    update();
}

void PreviewPane::updateAccessibleText() {
    setAccessibleDescription(
        QStringLiteral("Zoom %1").arg(QString::fromStdString(zoomPercentText(scroller_.zoom()))));
}

// --- geometry ------------------------------------------------------------------------------------

Rect PreviewPane::thumbnailRect() const {
    return thumbnailInner(size_.width(), scroller_.imageSize());
}

Rect PreviewPane::viewRect() const {
    return viewRectangle(scroller_, thumbnailRect());
}

HitContext PreviewPane::hitContext() const {
    HitContext c;
    c.clientWidth = size_.width();
    c.image = scroller_.imageSize();
    c.sliderPos = sliderPos_;
    c.navigatorAvailable = navigatorAvailable_;
    c.visiblePicture = scroller_.visibleClientImageRect();
    c.viewRect = viewRect();
    return c;
}

int32_t PreviewPane::hitTest(Point p) const {
    return preview::hitTest(mode_, p, hitContext());
}

// --- drawing -------------------------------------------------------------------------------------

void PreviewPane::renderImage() {
    const QColor face = palette().color(QPalette::Button);
    const Rect all = imageBuffer_.bounds();
    const Rect picture = scroller_.imageRectInClient();
    paintCanvasSurround(imageBuffer_, all, picture,
                        packPixel(uint8_t(face.red()), uint8_t(face.green()), uint8_t(face.blue())),
                        packPixel(0, 0, 0));
    if (source_.color) {
        const Point offset = scroller_.offset();
        const Rect visible = scroller_.visibleClientImageRect();
        const Rect area{visible.left - offset.x, visible.top - offset.y, visible.right - offset.x,
                        visible.bottom - offset.y};
        const AxisMap mx = scroller_.axisMap(ScrollAxis::Horizontal);
        const AxisMap my = scroller_.axisMap(ScrollAxis::Vertical);
        const CheckerPattern checker;
        if (scroller_.zoom() < 1.0f)
            renderAveraged(source_, mx, my, area, checker, imageBuffer_, offset);
        else
            renderer_.render(source_, mx, my, area, checker, imageBuffer_, offset);
    }
    imageDirty_ = false;
    overlayDirty_ = true;
}

void PreviewPane::drawToolbar(QImage& target, int32_t alpha, bool hover) {
    QPainter p(&target);
    const double opacity = alpha / 255.0;
    const Rect strip = toolbarRect();
    const Rect thumb = sliderThumbRect(sliderPos_);
    static const QImage stripShadow = shadowFor(toolbarStrip().size());
    static const QImage thumbShadow = shadowFor(QSize(9, 12));
    p.setOpacity(opacity);
    p.drawImage(strip.left - 2, strip.top - 2, stripShadow);
    p.drawImage(strip.left, strip.top, toolbarStrip());
    p.drawImage(thumb.left - 2, thumb.top - 2 + 2, thumbShadow);
    p.drawImage(thumb.left, thumb.top, sliderThumb());
    if (mode_ == PreviewMode::Toolbar && navigatorAvailable_) {
        const Rect b = navigatorButtonRect(size_.width());
        static const QImage buttonShadow = shadowFor(QSize(16, 16));
        p.drawImage(b.left - 2, b.top - 2, buttonShadow);
        p.drawImage(b.left, b.top, navigatorButton());
    }
    if (!hover || pressCode_ != 0) return;
    // The element under the pointer again, at full opacity.
    p.setOpacity(1.0);
    switch (hoverCode_) {
        case kHitZoomOut:
        case kHitZoomIn:
        case kHitActualPixels: {
            const Rect r = hoverCode_ == kHitZoomOut  ? zoomOutRect()
                           : hoverCode_ == kHitZoomIn ? zoomInRect()
                                                      : actualPixelsRect();
            p.drawImage(QPoint(r.left, r.top), toolbarStrip(),
                        QRect(r.left - strip.left, 0, r.width(), r.height()));
            break;
        }
        case kHitSliderThumb:
            p.drawImage(thumb.left, thumb.top, sliderThumb());
            break;
        case kHitNavigatorButton:
            if (navigatorAvailable_) {
                const Rect b = navigatorButtonRect(size_.width());
                p.drawImage(b.left, b.top, navigatorButton());
            }
            break;
        default:
            break;
    }
}

void PreviewPane::drawNavigator() {
    const int32_t w = size_.width();
    const Rect box = navigatorBoxRect(w);
    const Rect frame = thumbnailFrame(w, scroller_.imageSize());
    const Rect inner = thumbnailRect();
    lightenOutside(overlayBuffer_, box, frame);
    overlayBuffer_.frame(frame, packPixel(0, 0, 0), overlayBuffer_.bounds());
    if (!thumbnail_.isEmpty())
        overlayBuffer_.copyFrom(thumbnail_, thumbnail_.bounds(), inner.topLeft());
    // A 2-pixel red outline just outside the view rectangle.
    const Rect v = viewRect();
    const Rect ring{v.left - 2, v.top - 2, v.right + 2, v.bottom + 2};
    const Rect clip = overlayBuffer_.bounds();
    overlayBuffer_.frame(ring, kViewRectColour, clip);
    overlayBuffer_.frame({ring.left + 1, ring.top + 1, ring.right - 1, ring.bottom - 1},
                         kViewRectColour, clip);
    // The box's shadow: a strip on its left, a corner, a strip below.
    for (int32_t x = w - 125; x <= w - 121; ++x)
        darken(overlayBuffer_, {x, 0, x + 1, 115}, shadowValue(x - (w - 125), 0));
    for (int32_t row = 0; row < 10; ++row) {
        for (int32_t col = 0; col < 10; ++col) {
            const uint8_t v = shadowValue(col, row);
            if (v < 255)
                darken(overlayBuffer_, {w - 125 + col, 115 + row, w - 124 + col, 116 + row}, v);
        }
    }
    for (int32_t y = 120; y <= 124; ++y)
        darken(overlayBuffer_, {w - 115, y, w, y + 1}, shadowValue(9, y - 115));
}

void PreviewPane::composeOverlay() {
    overlayBuffer_.copyFrom(imageBuffer_, imageBuffer_.bounds(), {0, 0});
    if (mode_ == PreviewMode::Toolbar) {
        QImage target = wrap(overlayBuffer_);
        drawToolbar(target, kToolbarAlpha, true);
    } else if (mode_ == PreviewMode::Navigator) {
        {
            QImage target = wrap(overlayBuffer_);
            drawToolbar(target, kDimmedToolbarAlpha, false);
        }
        drawNavigator();
    }
    overlayDirty_ = false;
}

QImage PreviewPane::frame() {
    if (imageDirty_) renderImage();
    if (overlayDirty_) composeOverlay();
    return wrap(overlayBuffer_).copy();
}

void PreviewPane::paintEvent(QPaintEvent*) {
    if (overlayBuffer_.isEmpty()) return;
    if (imageDirty_) renderImage();
    if (overlayDirty_) composeOverlay();
    QPainter p(this);
    p.drawImage(0, 0, wrap(overlayBuffer_));
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// --- mouse ---------------------------------------------------------------------------------------

namespace {

Point pointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

}  // namespace

void PreviewPane::setMode(PreviewMode mode) {
    if (mode_ == mode) return;
    mode_ = mode;
    overlayDirty_ = true;
    update();
}

void PreviewPane::updateCursor(Point p) {
    const int32_t hit = hitTest(p);
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (pressCode_ == kHitPicture || pressCode_ == kHitViewRect) {
        shape = Qt::ClosedHandCursor;
    } else if (pressCode_ == kHitThumbnail) {
        shape = Qt::CrossCursor;
    } else if (mode_ == PreviewMode::Toolbar) {
        if (hit & (kHitZoomOut | kHitSliderArea | kHitSliderThumb | kHitZoomIn | kHitActualPixels |
                   kHitNavigatorButton))
            shape = Qt::PointingHandCursor;
        else if (hit == kHitPicture)
            shape = Qt::OpenHandCursor;
    } else if (mode_ == PreviewMode::Navigator) {
        if (hit == kHitViewRect)
            shape = Qt::OpenHandCursor;
        else if (hit == kHitThumbnail)
            shape = Qt::PointingHandCursor;
        else if (hit == kHitPicture && scroller_.visibleClientImageRect().contains(p))
            shape = Qt::OpenHandCursor;
    }
    if (cursor().shape() != shape) setCursor(shape);
}

void PreviewPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    press(pointOf(event));
}

void PreviewPane::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void PreviewPane::press(Point p) {
    if (mode_ == PreviewMode::Plain) setMode(PreviewMode::Toolbar);
    const int32_t hit = hitTest(p);
    pressCode_ = hit;
    lastPoint_ = p;
    if (mode_ == PreviewMode::Toolbar) {
        switch (hit) {
            case kHitSliderArea:
            case kHitSliderThumb:
                pressCode_ = kHitSliderThumb;
                sliderTo(p.x);
                break;
            case kHitZoomOut:
            case kHitZoomIn:
            case kHitActualPixels:
            case kHitNavigatorButton:
                overlayDirty_ = true;
                update();
                QMetaObject::invokeMethod(
                    this, [this, hit] { buttonAction(hit); }, Qt::QueuedConnection);
                break;
            default:
                break;
        }
    } else if (mode_ == PreviewMode::Navigator) {
        switch (hit) {
            case kHitThumbnail: {
                const Point c = thumbnailToContent(p, thumbnailRect(), scroller_.contentSize());
                // The content point becomes the centre of the view.
                const Point offset = scroller_.offset();
                scroller_.centreOn(c.x + offset.x, c.y + offset.y);
                break;
            }
            case kHitNavigatorBox:
                pressCode_ = 0;
                break;
            case kHitPicture:
                setMode(PreviewMode::Toolbar);
                break;
            default:
                break;
        }
    }
    updateCursor(p);
}

void PreviewPane::buttonAction(int32_t code) {
    switch (code) {
        case kHitZoomOut:
            zoomOut();
            break;
        case kHitZoomIn:
            zoomIn();
            break;
        case kHitActualPixels:
            actualPixels();
            break;
        case kHitNavigatorButton:
            setMode(PreviewMode::Navigator);
            break;
        default:
            break;
    }
}

void PreviewPane::sliderTo(int32_t x) {
    sliderPos_ = sliderPositionAtX(x);
    // The track's last pixel is the right end of the map: without this the largest zoom could
    // be reached with the zoom-in button only.
    const int32_t mapped = sliderPos_ == kSliderSteps - 1 ? kSliderSteps : sliderPos_;
    const float z = sliderZoom(mapped, scroller_.minZoom(), scroller_.maxZoom());
    if (std::fabs(z - scroller_.zoom()) >= 0.0001f) {
        scroller_.setZoom(z, true, true);
    } else {
        overlayDirty_ = true;
        update(toQRect({kToolbarX + 16, 0, kToolbarX + 112, kToolbarY + kToolbarHeight + 2}));
    }
}

void PreviewPane::panBy(Point from, Point to) {
    const Point s = scroller_.scrollPosition();
    scroller_.scrollTo(s.x + from.x - to.x, s.y + from.y - to.y);
}

void PreviewPane::navigatorDrag(Point to) {
    const Rect inner = thumbnailRect();
    auto clampIn = [&](Point p) {
        return Point{std::clamp(p.x, inner.left, inner.right - 1),
                     std::clamp(p.y, inner.top, inner.bottom - 1)};
    };
    const Point a = clampIn(lastPoint_), b = clampIn(to);
    if (a != b) {
        const Size content = scroller_.contentSize();
        const Point ca = thumbnailToContent(a, inner, content);
        const Point cb = thumbnailToContent(b, inner, content);
        const Point s = scroller_.scrollPosition();
        scroller_.scrollTo(s.x + cb.x - ca.x, s.y + cb.y - ca.y);
    }
    lastPoint_ = to;
}

void PreviewPane::mouseMoveEvent(QMouseEvent* event) {
    const Point p = pointOf(event);
    const bool held = event->buttons() & Qt::LeftButton;
    if (!held) {
        if (pressCode_ != 0) endPress();
        if (mode_ == PreviewMode::Plain) setMode(PreviewMode::Toolbar);
        const int32_t hit = hitTest(p);
        if (hit != hoverCode_) {
            hoverCode_ = hit;
            overlayDirty_ = true;
            update();
        }
        updateCursor(p);
        return;
    }
    switch (pressCode_) {
        case kHitSliderThumb:
            sliderTo(p.x);
            break;
        case kHitPicture:
            panBy(lastPoint_, p);
            lastPoint_ = p;
            break;
        case kHitViewRect:
        case kHitThumbnail:
            navigatorDrag(p);
            break;
        default:
            break;
    }
}

void PreviewPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    endPress();
    updateCursor(pointOf(event));
}

void PreviewPane::endPress() {
    if (pressCode_ == 0) return;
    pressCode_ = 0;
    overlayDirty_ = true;
    update();
}

void PreviewPane::leaveEvent(QEvent* event) {
    hoverCode_ = 0;
    setMode(PreviewMode::Plain);
    QWidget::leaveEvent(event);
}

void PreviewPane::focusOutEvent(QFocusEvent* event) {
    endPress();
    update();
    QWidget::focusOutEvent(event);
}

void PreviewPane::hideEvent(QHideEvent* event) {
    endPress();
    QWidget::hideEvent(event);
}

void PreviewPane::wheelEvent(QWheelEvent* event) {
    const QPoint d = event->angleDelta();
    if (d.y() != 0)
        scroller_.wheel(ScrollAxis::Vertical, d.y());
    else if (d.x() != 0)
        scroller_.wheel(ScrollAxis::Horizontal, d.x());
    event->accept();
}

void PreviewPane::keyPressEvent(QKeyEvent* event) {
    const Point s = scroller_.scrollPosition();
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomIn();
            break;
        case Qt::Key_Minus:
            zoomOut();
            break;
        case Qt::Key_1:
            actualPixels();
            break;
        case Qt::Key_N:
            if (mode_ == PreviewMode::Navigator)
                setMode(PreviewMode::Toolbar);
            else if (navigatorAvailable_)
                setMode(PreviewMode::Navigator);
            break;
        case Qt::Key_Left:
            scroller_.scrollTo(s.x - kScrollLineStep, s.y);
            break;
        case Qt::Key_Right:
            scroller_.scrollTo(s.x + kScrollLineStep, s.y);
            break;
        case Qt::Key_Up:
            scroller_.scrollTo(s.x, s.y - kScrollLineStep);
            break;
        case Qt::Key_Down:
            scroller_.scrollTo(s.x, s.y + kScrollLineStep);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace varnel
