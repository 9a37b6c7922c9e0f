#include "widgets/color_swatch_button.h"

#include <QAccessible>
#include <QColorDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "widgets/widget_accessibility.h"

namespace varnel {

namespace {

std::array<QColor, ColorSwatchButton::kCustomColorCount>& sharedCustomColors() {
    static std::array<QColor, ColorSwatchButton::kCustomColorCount> colors = [] {
        std::array<QColor, ColorSwatchButton::kCustomColorCount> white;
        white.fill(QColor(Qt::white));
        return white;
    }();
    return colors;
}

std::optional<QColor> platformChooser(const QColor& initial, QWidget* parent) {
    // The dialog's custom colours are the run's own: handed in and read back each time.
    auto& custom = sharedCustomColors();
    for (int i = 0; i < ColorSwatchButton::kCustomColorCount; ++i)
        QColorDialog::setCustomColor(i, custom[size_t(i)]);
    QColorDialog dialog(initial, parent);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < ColorSwatchButton::kCustomColorCount; ++i)
        custom[size_t(i)] = QColorDialog::customColor(i);
    if (!chosen) return std::nullopt;
    return dialog.selectedColor();
}

std::optional<QColor> platformSampler(const QPoint& global) {
    QScreen* screen = QGuiApplication::screenAt(global);
    if (!screen) return std::nullopt;
    const QPoint at = global - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
    if (pixel.isNull()) return std::nullopt;
    return pixel.pixelColor(0, 0);
}

ColorSwatchButton::ColorChooser& chooser() {
    static ColorSwatchButton::ColorChooser instance;
    return instance;
}

ColorSwatchButton::ScreenSampler& sampler() {
    static ColorSwatchButton::ScreenSampler instance;
    return instance;
}

QColor opaque(const QColor& color) {
    QColor c = color.toRgb();
    c.setAlpha(255);
    return c;
}

}  // namespace

ColorSwatchButton::ColorSwatchButton(QWidget* parent) : QWidget(parent) {
    installWidgetAccessibility();
    setObjectName(QStringLiteral("ColorSwatchButton"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ColorSwatchButton::sizeHint() const {
    const int h = fontMetrics().height() + 8;
    return QSize(h * 3 / 2, h);
}

void ColorSwatchButton::setColor(const QColor& color) {
    const QColor c = opaque(color);
    if (!c.isValid() || c == color_) return;
    color_ = c;
    update();
    QAccessibleValueChangeEvent event(this, color_.name());
    QAccessible::updateAccessibility(&event);
    emit colorChanged(color_);
}

void ColorSwatchButton::takeColor(const QColor& color) {
    if (!color.isValid()) return;
    setColor(color);
    emit colorTaken(color_);
}

bool ColorSwatchButton::chooseColor() {
    const ColorChooser& choose = chooser() ? chooser() : ColorChooser(platformChooser);
    const std::optional<QColor> chosen = choose(color_, this);
    if (!chosen || !chosen->isValid()) return false;
    takeColor(*chosen);
    return true;
}

void ColorSwatchButton::setColorChooser(ColorChooser c) {
    chooser() = std::move(c);
}

void ColorSwatchButton::setScreenSampler(ScreenSampler s) {
    sampler() = std::move(s);
}

std::array<QColor, ColorSwatchButton::kCustomColorCount>& ColorSwatchButton::customColors() {
    return sharedCustomColors();
}

void ColorSwatchButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect r = rect();
    // A sunken frame: shadow top and left, light bottom and right, the colour inside.
    p.fillRect(r, pal.color(QPalette::Light));
    p.fillRect(r.adjusted(0, 0, -1, -1), pal.color(QPalette::Dark));
    p.fillRect(r.adjusted(1, 1, -1, -1), pal.color(QPalette::Shadow));
    const QRect inside = r.adjusted(2, 2, -2, -2);
    p.fillRect(inside, isEnabled() ? color_ : pal.color(QPalette::Disabled, QPalette::Window));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside.adjusted(1, 1, -1, -1);
        focus.backgroundColor = color_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void ColorSwatchButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The press keeps the pointer until the release, wherever it goes on the screen.
    picking_ = true;
    setCursor(Qt::CrossCursor);
    event->accept();
}

void ColorSwatchButton::mouseMoveEvent(QMouseEvent* event) {
    if (!picking_ || !(event->buttons() & Qt::LeftButton)) return;
    // Over the swatch itself the pointer shows the swatch's own colour (or its frame): nothing
    // to pick there, and a click that wobbles must not turn the colour into the frame's grey.
    if (rect().contains(event->position().toPoint())) return;
    const ScreenSampler& sample = sampler() ? sampler() : ScreenSampler(platformSampler);
    const std::optional<QColor> c = sample(event->globalPosition().toPoint());
    if (c && c->isValid() && opaque(*c) != color_) takeColor(*c);
}

void ColorSwatchButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !picking_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    picking_ = false;
    setCursor(Qt::PointingHandCursor);
    if (rect().contains(event->position().toPoint())) chooseColor();
}

void ColorSwatchButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
                chooseColor();
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace varnel
