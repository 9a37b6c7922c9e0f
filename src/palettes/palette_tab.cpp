#include "palettes/palette_tab.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include "palettes/palette_accessibility.h"
#include "palettes/palette_geometry.h"
#include "palettes/palette_page.h"

namespace varnel {

namespace {

const QColor kStripColor(160, 160, 160);
const QColor kOutlineColor(102, 102, 102);

}  // namespace

PaletteTab::PaletteTab(QWidget* parent) : QWidget(parent) {
    installPaletteAccessibility();
    setObjectName(QStringLiteral("VePaletteTab"));
    setAccessibleName(QStringLiteral("Pages"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Reached with Tab from the keyboard; a click shows a page without taking the focus.
    setFocusPolicy(Qt::TabFocus);
}

PaletteTab::~PaletteTab() {
    for (PalettePage* p : tabs_) p->disconnect(this);
}

QFont PaletteTab::tabFont() const {
    QFont f = font();
    f.setPixelSize(11);
    return f;
}

std::vector<int32_t> PaletteTab::tabWidths() const {
    const QFontMetrics fm(tabFont());
    std::vector<int32_t> widths;
    for (const PalettePage* page : tabs_) {
        const int w = fm.horizontalAdvance(page->title());
        widths.push_back(w > 0 ? w + kTabPadding : kFallbackWidth);
    }
    return widths;
}

QRect PaletteTab::tabRect(int index) const {
    const std::vector<int32_t> widths = tabWidths();
    if (index < 0 || index >= int(widths.size())) return {};
    return QRect(tabLefts(widths)[size_t(index)], 1, widths[size_t(index)], kHeight - 1);
}

QSize PaletteTab::sizeHint() const {
    int w = kTabStripStart;
    for (int32_t tw : tabWidths()) w += tw;
    return QSize(w + kTabStripStart, kHeight);
}

QSize PaletteTab::minimumSizeHint() const {
    return QSize(0, kHeight);
}

void PaletteTab::addTab(PalettePage* page) {
    if (!page || tabs_.contains(page)) return;
    tabs_.append(page);
    connect(page, &QObject::destroyed, this, [this, page] {
        tabs_.removeAll(page);
        if (current_ == page) current_ = nullptr;
        update();
    });
    updateGeometry();
    update();
}

int PaletteTab::indexOf(const PalettePage* page) const {
    return int(tabs_.indexOf(const_cast<PalettePage*>(page)));
}

void PaletteTab::setOrder(const QList<PalettePage*>& pages) {
    QList<PalettePage*> order;
    for (PalettePage* p : pages)
        if (tabs_.contains(p) && !order.contains(p)) order.append(p);
    for (PalettePage* p : tabs_)
        if (!order.contains(p)) order.append(p);
    if (order == tabs_) return;
    tabs_ = order;
    update();
    emit orderChanged();
}

void PaletteTab::setCurrent(PalettePage* page) {
    if (page == current_) return;
    current_ = page;
    update();
    const int i = indexOf(page);
    if (i >= 0) {
        announce(i, QAccessible::Selection);
        if (hasFocus()) announce(i, QAccessible::Focus);
    }
}

void PaletteTab::announce(int index, int event) {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent e(this, QAccessible::Event(event));
    e.setChild(index);
    QAccessible::updateAccessibility(&e);
}

void PaletteTab::swapTabs(int a, int b) {
    if (a == b || a < 0 || b < 0 || a >= count() || b >= count()) return;
    tabs_.swapItemsAt(a, b);
    update();
    emit orderChanged();
}

void PaletteTab::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kStripColor);
    p.setPen(Qt::white);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    p.setFont(tabFont());
    const QColor face = palette().color(QPalette::Window);
    const int shown = indexOf(current_);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const int left = r.left(), right = r.right(), top = r.top(), bottom = height() - 1;
        if (i == shown) {
            p.fillRect(QRect(left + 1, top + 1, r.width() - 2, bottom - top), face);
        } else {
            QLinearGradient g(0, top, 0, bottom);
            g.setColorAt(0, QColor(226, 226, 226));
            g.setColorAt(1, QColor(178, 178, 178));
            p.fillRect(QRect(left + 1, top + 1, r.width() - 2, bottom - top - 1), g);
            if (i > 0) {
                // The divider at the left of every tab after the first.
                p.setPen(QColor(140, 140, 140));
                p.drawLine(left + 1, top + 2, left + 1, top + 13);
                p.setPen(QColor(236, 236, 236));
                p.drawLine(left + 2, top + 2, left + 2, top + 13);
            }
        }
        // The outline, rounded at the top corners.
        p.setPen(i == shown ? QColor(Qt::white) : kOutlineColor);
        const QPoint outline[] = {{left, bottom - 2}, {left, top + 2},  {left + 2, top},
                                  {right - 2, top},   {right, top + 2}, {right, bottom - 2}};
        p.drawPolyline(outline, 6);
        if (i == shown + 1 || i == count() - 1) {
            p.setPen(kOutlineColor);
            p.drawLine(right + 1, top + 3, right + 1, bottom - 2);
        }
        p.setPen(Qt::black);
        p.drawText(QRect(left, 2, r.width() + 1, 13), Qt::AlignCenter | Qt::TextSingleLine,
                   tabs_[i]->title());
        if (i == shown && hasFocus()) {
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.drawRect(r.adjusted(2, 2, -3, -2));
        }
    }
}

void PaletteTab::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = tabAt(tabWidths(), event->position().toPoint().x());
    if (pressed_ >= 0 && tabs_[pressed_] != current_) emit pageRequested(tabs_[pressed_]);
}

void PaletteTab::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
    const int other = tabSwapTarget(tabWidths(), pressed_, event->position().toPoint().x());
    if (other >= 0) {
        swapTabs(pressed_, other);
        pressed_ = other;
    }
}

void PaletteTab::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = -1;
}

void PaletteTab::keyPressEvent(QKeyEvent* event) {
    const int i = indexOf(current_);
    const bool move = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (event->key() == Qt::Key_Left) step = -1;
    if (event->key() == Qt::Key_Right) step = 1;
    if (step == 0 || i < 0 || i + step < 0 || i + step >= count()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (move) {
        swapTabs(i, i + step);
        announce(i + step, QAccessible::Focus);
    } else {
        emit pageRequested(tabs_[i + step]);
    }
    event->accept();
}

void PaletteTab::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    const int i = indexOf(current_);
    if (i >= 0) announce(i, QAccessible::Focus);
    update();
}

void PaletteTab::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

}  // namespace varnel
