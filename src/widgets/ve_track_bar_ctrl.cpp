#include "widgets/ve_track_bar_ctrl.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>
#include <algorithm>

#include "widgets/widget_accessibility.h"

namespace varnel {

namespace {

constexpr int kDefaultHeight = 21;
constexpr int kWheelNotch = 120;  // one notch of a wheel in eighths of a degree

QColor mixed(const QColor& a, const QColor& b, int percentOfB) {
    auto mix = [&](int x, int y) { return x + (y - x) * percentOfB / 100; };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

// Fills `rect` with a gradient of 255 bands along x (horizontal) or y.
void fillBanded(QPainter& p, const QRect& rect, const QColor& from, const QColor& to,
                bool horizontal, bool quadratic) {
    const int extent = horizontal ? rect.width() : rect.height();
    if (extent <= 0) return;
    for (int h = 0; h < kGradientBands; ++h) {
        const GradientBand band = gradientBand(h, extent);
        if (band.end <= band.begin) continue;
        const QColor c(gradientChannel(from.red(), to.red(), h, quadratic),
                       gradientChannel(from.green(), to.green(), h, quadratic),
                       gradientChannel(from.blue(), to.blue(), h, quadratic));
        if (horizontal)
            p.fillRect(
                QRect(rect.left() + band.begin, rect.top(), band.end - band.begin, rect.height()),
                c);
        else
            p.fillRect(
                QRect(rect.left(), rect.top() + band.begin, rect.width(), band.end - band.begin),
                c);
    }
}

}  // namespace

VeTrackBarCtrl::VeTrackBarCtrl(QWidget* parent) : QWidget(parent) {
    installWidgetAccessibility();
    setObjectName(QStringLiteral("VeTrackBarCtrl"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(sizeHint());
}

QSize VeTrackBarCtrl::sizeHint() const {
    return QSize(trackLength_ + 2 * kTrackMargin, kDefaultHeight);
}

QSize VeTrackBarCtrl::minimumSizeHint() const {
    return QSize(trackLength_ + 2 * kTrackMargin, kThumbHeight);
}

void VeTrackBarCtrl::setRange(int minimum, int maximum) {
    range_ = TrackRange::normalised(minimum, maximum);
    applyValue(value_, false);
    update();
}

void VeTrackBarCtrl::setValue(int value) {
    applyValue(value, false);
}

bool VeTrackBarCtrl::applyValue(int value, bool user) {
    const int held = range_.clamp(value);
    if (held == value_) return false;
    value_ = held;
    update();
    QAccessibleValueChangeEvent event(this, value_);
    QAccessible::updateAccessibility(&event);
    emit valueChanged(value_);
    if (user) emit valueEdited(value_);
    return true;
}

void VeTrackBarCtrl::editValue(int value) {
    if (applyValue(value, true)) emit valueCommitted(value_);
}

void VeTrackBarCtrl::stepBy(int steps) {
    editValue(range_.clamp(int64_t(value_) + steps));
}

void VeTrackBarCtrl::setTrackLength(int length) {
    trackLength_ = clampTrackLength(length);
    updateGeometry();
    resize(sizeHint().width(), height() > 0 ? height() : kDefaultHeight);
    update();
}

void VeTrackBarCtrl::setTrackStyle(TrackStyle style) {
    style_ = style;
    update();
}

void VeTrackBarCtrl::setCentreMark(bool on) {
    centreMark_ = on;
    update();
}

QRect VeTrackBarCtrl::thumbRect() const {
    return QRect(thumbLeft(range_, value_, trackLength_), (height() - kThumbHeight) / 2,
                 kThumbWidth, kThumbHeight);
}

void VeTrackBarCtrl::setHot(bool hot) {
    if (hot_ == hot) return;
    hot_ = hot;
    update(thumbRect());
}

// --- input ---------------------------------------------------------------------------------------

void VeTrackBarCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The press grabs the pointer until the release, so a drag follows it off the control.
    dragging_ = true;
    valueAtPress_ = value_;
    applyValue(valueAt(event->position().toPoint().x()), true);
}

void VeTrackBarCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        applyValue(valueAt(at.x()), true);
        return;
    }
    setHot(thumbRect().contains(at));
}

void VeTrackBarCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    setHot(thumbRect().contains(event->position().toPoint()));
    if (value_ != valueAtPress_) emit valueCommitted(value_);
}

void VeTrackBarCtrl::leaveEvent(QEvent* event) {
    setHot(false);
    QWidget::leaveEvent(event);
}

void VeTrackBarCtrl::wheelEvent(QWheelEvent* event) {
    // Fine-grained wheels send parts of a notch: they add up until a whole one is reached.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= notches * kWheelNotch;
    if (notches != 0) stepBy(notches);
    event->accept();
}

void VeTrackBarCtrl::keyPressEvent(QKeyEvent* event) {
    const int64_t span = int64_t(range_.maximum) - range_.minimum;
    const int page = int(std::max<int64_t>(1, span / 10));
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            stepBy(-1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            stepBy(1);
            break;
        case Qt::Key_PageDown:
            stepBy(-page);
            break;
        case Qt::Key_PageUp:
            stepBy(page);
            break;
        case Qt::Key_Home:
            editValue(range_.minimum);
            break;
        case Qt::Key_End:
            editValue(range_.maximum);
            break;
        default:
            // Enter and Escape among them: the parent decides what they mean.
            event->ignore();
            return;
    }
    event->accept();
}

void VeTrackBarCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        thumbs_[0] = QImage();
        thumbs_[1] = QImage();
    }
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        dragging_ = false;
        hot_ = false;
    }
    QWidget::changeEvent(event);
}

// --- painting
// --------------------------------------------------------------------------------------

const QImage& VeTrackBarCtrl::thumbImage(bool hot) const {
    QImage& image = thumbs_[hot ? 1 : 0];
    if (!image.isNull()) return image;
    const QPalette& pal = palette();
    image = QImage(kThumbWidth, kThumbHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QColor body = hot ? mixed(pal.color(QPalette::Button), pal.color(QPalette::Highlight), 35)
                            : pal.color(QPalette::Button);
    const QRect r(0, 0, kThumbWidth, kThumbHeight);
    p.fillRect(r, body);
    // A raised block: light top and left, shadowed bottom and right, a dark outline.
    p.fillRect(QRect(1, 1, kThumbWidth - 2, 1), pal.color(QPalette::Light));
    p.fillRect(QRect(1, 1, 1, kThumbHeight - 2), pal.color(QPalette::Light));
    p.fillRect(QRect(1, kThumbHeight - 2, kThumbWidth - 2, 1), pal.color(QPalette::Mid));
    p.fillRect(QRect(kThumbWidth - 2, 1, 1, kThumbHeight - 2), pal.color(QPalette::Mid));
    const QColor outline = hot ? pal.color(QPalette::Highlight) : pal.color(QPalette::Shadow);
    p.fillRect(QRect(1, 0, kThumbWidth - 2, 1), outline);
    p.fillRect(QRect(1, kThumbHeight - 1, kThumbWidth - 2, 1), outline);
    p.fillRect(QRect(0, 1, 1, kThumbHeight - 2), outline);
    p.fillRect(QRect(kThumbWidth - 1, 1, 1, kThumbHeight - 2), outline);
    // Three grip lines across the middle.
    for (int y = kThumbHeight / 2 - 2; y <= kThumbHeight / 2 + 2; y += 2)
        p.fillRect(QRect(2, y, kThumbWidth - 4, 1), pal.color(QPalette::Mid));
    // The four corners stay transparent: the face colour shows through them.
    return image;
}

void VeTrackBarCtrl::paintGroove(QPainter& p, const QRect& groove, const QColor& face) const {
    const QPalette& pal = palette();
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor light = pal.color(QPalette::Light);
    // A sunken one-pixel edge whose corner pixels take the face colour.
    p.fillRect(QRect(groove.left(), groove.top(), groove.width(), 1), shadow);
    p.fillRect(QRect(groove.left(), groove.top(), 1, groove.height()), shadow);
    p.fillRect(QRect(groove.left(), groove.bottom(), groove.width(), 1), light);
    p.fillRect(QRect(groove.right(), groove.top(), 1, groove.height()), light);
    for (const QPoint& corner :
         {groove.topLeft(), groove.topRight(), groove.bottomLeft(), groove.bottomRight()})
        p.fillRect(QRect(corner, QSize(1, 1)), face);

    const QRect inside = groove.adjusted(1, 1, -1, -1);
    if (inside.isEmpty()) return;
    const int grey = filledGrooveGrey(face.red());
    const QColor k(grey, grey, grey);
    const int filledTo =
        std::clamp(thumbLeft(range_, value_, trackLength_), inside.left(), inside.right() + 1);
    const QRect filled(inside.left(), inside.top(), filledTo - inside.left(), inside.height());
    p.fillRect(inside, face);
    switch (style_) {
        case TrackStyle::Solid:
            p.fillRect(filled, k);
            break;
        case TrackStyle::Gradient:
            fillBanded(p, filled, face, Qt::white, true, true);
            break;
        case TrackStyle::FullShaded:
            fillBanded(p, inside, face, k, false, false);
            break;
    }
    if (centreMark_) {
        const int x = trackLength_ / 2 + kTrackMargin;
        if (x >= inside.left() && x <= inside.right())
            p.fillRect(QRect(x, inside.top(), 1, inside.height()), pal.color(QPalette::Shadow));
    }
}

void VeTrackBarCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor face = palette().color(QPalette::Window);
    p.fillRect(rect(), face);
    const QRect groove(kTrackMargin, (height() - kGrooveHeight) / 2, width() - 2 * kTrackMargin,
                       kGrooveHeight);
    if (groove.width() > 0) paintGroove(p, groove, face);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.backgroundColor = face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
    const QRect thumb = thumbRect();
    if (isEnabled()) {
        p.drawImage(thumb.topLeft(), thumbImage(hot_));
    } else {
        // A disabled slider shows its thumb faded into the face.
        p.setOpacity(0.45);
        p.drawImage(thumb.topLeft(), thumbImage(false));
    }
}

}  // namespace varnel
