#include "palettes/swatches_page.h"

#include <QAccessible>
#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolBar>
#include <QWheelEvent>
#include <algorithm>

#include "palettes/info_page.h"
#include "palettes/palette_accessibility.h"
#include "palettes/palette_group.h"
#include "palettes/palette_icons.h"
#include "tools/tool_cursors.h"
#include "tools/toolbox.h"

namespace varnel {

namespace {

QColor toQColor(Bgra c) {
    return QColor(c.r, c.g, c.b);
}

Bgra toBgra(const QColor& c) {
    const QColor rgb = c.toRgb();
    return Bgra{uint8_t(rgb.blue()), uint8_t(rgb.green()), uint8_t(rgb.red()), 255};
}

// Lines to scroll per wheel notch (of 120 units).
constexpr int kWheelNotch = 120;

}  // namespace

// ---- VeSwatchesView ---------------------------------------------------------------------------

VeSwatchesView::VeSwatchesView(QWidget* parent) : QAbstractScrollArea(parent) {
    installPaletteAccessibility();
    setObjectName(QStringLiteral("swatches"));
    setAccessibleName(QStringLiteral("Swatches"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    // The bar stays, disabled, when there is nothing to scroll: the columns do not change as
    // swatches come and go.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    resetToDefaults();
}

SwatchGrid VeSwatchesView::grid() const {
    return SwatchGrid::forWidth(viewport()->width(), int32_t(swatches_.size()));
}

void VeSwatchesView::setSwatches(std::vector<Bgra> colors) {
    if (colors.size() > kMaxSwatches) colors.resize(kMaxSwatches);
    for (Bgra& c : colors) c.a = 255;
    swatches_ = std::move(colors);
    layOut();
    listChanged();
}

void VeSwatchesView::resetToDefaults() {
    setSwatches(defaultSwatches());
}

bool VeSwatchesView::addSwatch(Bgra color) {
    if (swatches_.size() >= kMaxSwatches) return false;
    color.a = 255;
    swatches_.push_back(color);
    layOut();
    scrollToBottom();
    listChanged();
    return true;
}

bool VeSwatchesView::removeLastSwatch() {
    if (swatches_.empty()) return false;
    swatches_.pop_back();
    layOut();
    scrollToBottom();
    listChanged();
    return true;
}

void VeSwatchesView::layOut() {
    const int content = grid().contentHeight();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, content - viewport()->height()));
    bar->setSingleStep(kSwatchCellSize);
    bar->setPageStep(std::max(1, content / 10));
    bar->setValue(0);
    viewport()->update();
}

void VeSwatchesView::scrollToBottom() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void VeSwatchesView::listChanged() {
    const int n = int(swatches_.size());
    if (current_ >= n) current_ = n - 1;
    viewport()->update();
    if (QAccessible::isActive()) {
        forgetMissingItems(this);
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
    emit swatchesChanged();
}

int VeSwatchesView::hitTest(const QPoint& p) const {
    const int32_t y = p.y() + verticalScrollBar()->value();
    return grid().hitTest(Point{p.x(), y}, viewport()->width());
}

QRect VeSwatchesView::cellRect(int index) const {
    if (index < 0 || index >= int(swatches_.size())) return {};
    const Rect c = grid().cell(index);
    return QRect(c.left, c.top - verticalScrollBar()->value(), c.width(), c.height());
}

void VeSwatchesView::setCurrentSwatch(int index) {
    if (swatches_.empty()) return;
    index = std::clamp(index, 0, int(swatches_.size()) - 1);
    scrollToSwatch(index);
    if (index == current_) return;
    current_ = index;
    viewport()->update();
    announceCurrent();
}

void VeSwatchesView::scrollToSwatch(int index) {
    const QRect cell = cellRect(index);
    if (cell.isNull()) return;
    QScrollBar* bar = verticalScrollBar();
    if (cell.top() < 0)
        bar->setValue(bar->value() + cell.top());
    else if (cell.bottom() >= viewport()->height())
        bar->setValue(bar->value() + cell.bottom() + 1 - viewport()->height());
}

void VeSwatchesView::announceCurrent() {
    if (!QAccessible::isActive() || current_ < 0 || !hasFocus()) return;
    QAccessibleEvent e(this, QAccessible::Focus);
    e.setChild(current_);
    QAccessible::updateAccessibility(&e);
}

void VeSwatchesView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.fillRect(event->rect(), palette().color(QPalette::Button));
    if (swatches_.empty() || viewport()->width() <= 0) return;
    const SwatchGrid g = grid();
    const int top = verticalScrollBar()->value();
    p.translate(0, -top);
    // Only the rows in view.
    const int firstRow = std::max(0, top / kSwatchCellSize);
    const int lastRow = std::min(g.rows - 1, (top + viewport()->height()) / kSwatchCellSize);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = 0; c < g.columns; ++c) {
            const int i = r * g.columns + c;
            if (i >= g.count) break;
            const Rect cell = g.cell(i);
            p.fillRect(QRect(cell.left, cell.top, cell.width(), cell.height()),
                       toQColor(swatches_[size_t(i)]));
        }
    }
    p.setPen(Qt::black);
    for (const SwatchLine& l : swatchGridLines(g))
        p.drawLine(QPoint(l.from.x, l.from.y), QPoint(l.to.x, l.to.y));
    // The focused swatch: a black and white frame inside its square, seen on any colour.
    if (hasFocus() && current_ >= 0 && current_ < g.count) {
        const Rect cell = g.cell(current_);
        p.setPen(Qt::white);
        p.drawRect(QRect(cell.left, cell.top, 10, 10));
        p.setPen(Qt::black);
        p.drawRect(QRect(cell.left + 1, cell.top + 1, 8, 8));
    }
}

void VeSwatchesView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // New columns: the list is shown from its top again.
    layOut();
}

void VeSwatchesView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const int i = hitTest(event->position().toPoint());
    if (i < 0) return;  // between or beyond the swatches
    setCurrentSwatch(i);
    emit swatchPicked(i, event->modifiers() & Qt::ControlModifier);
}

void VeSwatchesView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Each press picks, the second of a double click too.
    mousePressEvent(event);
}

void VeSwatchesView::mouseMoveEvent(QMouseEvent* event) {
    hovering_ = true;
    const int i = hitTest(event->position().toPoint());
    if (i >= 0) {
        viewport()->setCursor(toolCursor(ToolCursor::Eyedropper));
        emit swatchHovered(i);
    } else {
        viewport()->unsetCursor();
    }
}

bool VeSwatchesView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave && hovering_) {
        hovering_ = false;
        emit pointerLeft();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool VeSwatchesView::eventFilter(QObject* watched, QEvent* event) {
    // A press on the scroll bar gives the view the focus as well.
    if (watched == verticalScrollBar() && event->type() == QEvent::MouseButtonPress)
        setFocus(Qt::MouseFocusReason);
    return QAbstractScrollArea::eventFilter(watched, event);
}

void VeSwatchesView::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= notches * kWheelNotch;
    if (notches != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - notches * kSwatchCellSize);
    event->accept();
}

void VeSwatchesView::keyPressEvent(QKeyEvent* event) {
    const int n = int(swatches_.size());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const SwatchGrid g = grid();
    const int at = std::max(current_, 0);
    const int perPage = std::max(1, viewport()->height() / kSwatchCellSize) * g.columns;
    switch (event->key()) {
        case Qt::Key_Left:
            setCurrentSwatch(current_ < 0 ? 0 : at - 1);
            break;
        case Qt::Key_Right:
            setCurrentSwatch(current_ < 0 ? 0 : at + 1);
            break;
        case Qt::Key_Up:
            if (at - g.columns >= 0) setCurrentSwatch(at - g.columns);
            break;
        case Qt::Key_Down:
            // Below an incomplete last row the focus goes to the last swatch.
            if (at / g.columns < g.rows - 1) setCurrentSwatch(std::min(n - 1, at + g.columns));
            break;
        case Qt::Key_Home:
            setCurrentSwatch(0);
            break;
        case Qt::Key_End:
            setCurrentSwatch(n - 1);
            break;
        case Qt::Key_PageUp:
            setCurrentSwatch(at - perPage);
            break;
        case Qt::Key_PageDown:
            setCurrentSwatch(at + perPage);
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current_ >= 0) emit swatchPicked(current_, ctrl);
            break;
        case Qt::Key_Insert:
            emit addRequested(ctrl);
            break;
        case Qt::Key_Delete:
            emit removeRequested();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void VeSwatchesView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (current_ < 0 && !swatches_.empty()) current_ = 0;
    viewport()->update();
    announceCurrent();
}

void VeSwatchesView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---- SwatchesPage -----------------------------------------------------------------------------

SwatchesPage::SwatchesPage(PaletteGroup* group, QWidget* parent)
    : PalettePage(group, QStringLiteral("Swatches"), parent) {
    view_ = new VeSwatchesView(this);
    setFocusProxy(view_);

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("swatchButtons"));
    tools->setIconSize(QSize(12, 12));
    tools->setAccessibleName(QStringLiteral("Swatch buttons"));
    newSwatch_ =
        tools->addAction(newItemIcon(QColor(200, 40, 40)), QStringLiteral("Create a new swatch"));
    newSwatch_->setObjectName(QStringLiteral("newSwatch"));
    deleteSwatch_ = tools->addAction(deleteItemIcon(), QStringLiteral("Delete swatch"));
    deleteSwatch_->setObjectName(QStringLiteral("deleteSwatch"));
    buttons_ = tools;

    // Ctrl held on the button takes the background colour.
    connect(newSwatch_, &QAction::triggered, this,
            [this] { addSwatch(QGuiApplication::keyboardModifiers() & Qt::ControlModifier); });
    connect(deleteSwatch_, &QAction::triggered, this, &SwatchesPage::removeLastSwatch);
    connect(view_, &VeSwatchesView::swatchPicked, this, &SwatchesPage::pick);
    connect(view_, &VeSwatchesView::swatchHovered, this, &SwatchesPage::showInInfo);
    connect(view_, &VeSwatchesView::pointerLeft, this, [this] { showInInfo(-1); });
    connect(view_, &VeSwatchesView::addRequested, this, &SwatchesPage::addSwatch);
    connect(view_, &VeSwatchesView::removeRequested, this, &SwatchesPage::removeLastSwatch);
    connect(view_, &VeSwatchesView::swatchesChanged, this, &SwatchesPage::updateButtons);
    updateButtons();
}

void SwatchesPage::setColorChooser(VeToolboxColorChooser* chooser) {
    chooser_ = chooser;
    updateButtons();
}

void SwatchesPage::addSwatch(bool background) {
    if (!chooser_) return;
    view_->addSwatch(toBgra(background ? chooser_->background() : chooser_->foreground()));
}

void SwatchesPage::removeLastSwatch() {
    view_->removeLastSwatch();
}

void SwatchesPage::pick(int index, bool background) {
    if (!chooser_ || index < 0 || index >= int(view_->swatches().size())) return;
    const QColor c = toQColor(view_->swatches()[size_t(index)]);
    background ? chooser_->setBackground(c) : chooser_->setForeground(c);
}

void SwatchesPage::showInInfo(int index) {
    // The Info palette shows the colour only while the user can see it; -1 blanks it.
    auto* info = group() ? qobject_cast<InfoPage*>(group()->page(QStringLiteral("Info"))) : nullptr;
    if (!info || !info->isVisible()) return;
    if (index < 0 || index >= int(view_->swatches().size())) {
        info->showColour(0, 0, 0, true);
        return;
    }
    const Bgra c = view_->swatches()[size_t(index)];
    info->showColour(c.r, c.g, c.b, false);
}

void SwatchesPage::updateButtons() {
    newSwatch_->setEnabled(chooser_ && view_->swatches().size() < kMaxSwatches);
    deleteSwatch_->setEnabled(!view_->swatches().empty());
}

void SwatchesPage::resizeEvent(QResizeEvent* event) {
    PalettePage::resizeEvent(event);
    // The grid above a 19-pixel strip with the buttons.
    view_->setGeometry(0, 0, width(), std::max(0, height() - 20));
    buttons_->setGeometry(8, std::max(0, height() - 19), std::max(0, width() - 38), 19);
}

}  // namespace varnel
