#include "view/ve_view.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>

#include "app/app_settings.h"
#include "document/document.h"
#include "view/view_commands.h"

namespace varnel {

namespace {

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}
Rect fromQRect(const QRect& r) {
    return Rect::fromXYWH(r.x(), r.y(), r.width(), r.height());
}

}  // namespace

VeView::VeView(Document* document, QWidget* parent, int32_t zoomCursorMode)
    : QWidget(parent), document_(document), scroller_(this) {
    setObjectName(QStringLiteral("VeView"));
    // Every pixel comes from the frame buffer: no background fill before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    if (document_) {
        document_->addListener(this);
        scroller_.setImageSize(document_->width(), document_->height());
    }
    scroller_.setZoomCursorMode(zoomCursorMode);
    scroller_.setZoom(1.0f, false, false);
}

VeView::~VeView() {
    stopAnts();
    if (selection_) selection_->removeListener(this);
    if (document_) document_->removeListener(this);
}

void VeView::setScrollBars(QScrollBar* horizontal, QScrollBar* vertical) {
    for (QScrollBar* old : {hbar_, vbar_}) {
        if (old) {
            old->disconnect(this);
            old->removeEventFilter(this);
        }
    }
    hbar_ = horizontal;
    vbar_ = vertical;
    if (hbar_) {
        connect(hbar_, &QScrollBar::valueChanged, this,
                [this](int v) { onBarValue(ScrollAxis::Horizontal, v); });
        hbar_->installEventFilter(this);
    }
    if (vbar_) {
        connect(vbar_, &QScrollBar::valueChanged, this,
                [this](int v) { onBarValue(ScrollAxis::Vertical, v); });
        vbar_->installEventFilter(this);
    }
    scrollerBarsChanged();
}

bool VeView::handleCommand(int32_t command) {
    if (command == view_commands::kToggleSelection) {
        toggleSelectionShown();
        return true;
    }
    return false;
}

// --- repainting ---------------------------------------------------------------------------------

void VeView::invalidateImageRect(const Rect& imageRect) {
    Rect r = scroller_.imageToClient(imageRect);
    if (r.isEmpty()) return;
    QRect q = toQRect(Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}).intersected(rect());
    if (q.isEmpty()) return;
    pending_ += q;
    update(q);
}

void VeView::invalidateBackground() {
    QRegion outside = QRegion(rect()).subtracted(toQRect(scroller_.imageRectInClient()));
    pending_ += outside;
    update(outside);
}

void VeView::invalidateAll() {
    pending_ = QRegion(rect());
    update();
}

void VeView::canvasSizeChanged() {
    if (!document_) return;
    cache_.markDirty();
    scroller_.setImageSize(document_->width(), document_->height());
    scroller_.setZoom(scroller_.zoom(), true, true);
    invalidateAll();
    emit canvasResized();
}

void VeView::scrollerInvalidate() {
    invalidateAll();
}

void VeView::scrollerScrolled(int32_t, int32_t) {
    // The display cache keeps what stays visible; only the exposed strips are rendered.
    invalidateAll();
}

void VeView::scrollerBarsChanged() {
    syncingBars_ = true;
    for (auto [bar, axis] :
         {std::pair{hbar_, ScrollAxis::Horizontal}, std::pair{vbar_, ScrollAxis::Vertical}}) {
        if (!bar) continue;
        ScrollBarState s = scroller_.bar(axis);
        bar->setRange(0, s.maximum);
        bar->setPageStep(std::max(1, s.page));
        bar->setSingleStep(kScrollLineStep);
        bar->setValue(s.position);
        bar->setEnabled(s.enabled);
    }
    syncingBars_ = false;
}

void VeView::scrollerZoomChanged() {
    emit zoomChanged(scroller_.zoom());
}

void VeView::onBarValue(ScrollAxis axis, int value) {
    if (syncingBars_) return;
    scroller_.scrollAction(axis, ScrollAction::Thumb, value);
}

void VeView::documentChanged(const ChangeRecord& change) {
    if (change.document != document_ || change.code == kChangeName) return;
    if (document_->size() != scroller_.imageSize()) {
        canvasSizeChanged();
        return;
    }
    cache_.markDirty(change.rect);
    invalidateImageRect(change.rect);
}

// --- painting -----------------------------------------------------------------------------------

RenderSource VeView::currentSource() {
    return document_ ? renderSourceOf(*document_) : RenderSource{};
}

void VeView::renderRect(const Rect& clip, const RenderSource& source) {
    const AppSettings& settings = AppSettings::instance();
    bool drewImage = paintViewArea(frame_, clip, scroller_, cache_, source,
                                   packPixel(settings.doc_window_bg_color),
                                   packPixel(settings.image_border_color));
    // The ants' snapshot no longer matches what is on screen.
    if (drewImage && !currentSelection().isEmpty()) outline_.clearPrepared();
}

void VeView::renderPending(const QRegion& region) {
    QRegion work = pending_.intersected(region);
    if (work.isEmpty() || frame_.isEmpty()) return;
    pending_ -= work;
    RenderSource source = currentSource();
    for (const QRect& r : work) renderRect(fromQRect(r), source);
}

void VeView::paintEvent(QPaintEvent* event) {
    if (frame_.isEmpty() || frame_.width() != width() || frame_.height() != height()) return;
    renderPending(event->region());
    QImage image(reinterpret_cast<const uchar*>(frame_.data()), frame_.width(), frame_.height(),
                 frame_.bytesPerLine(), QImage::Format_RGB32);
    QPainter painter(this);
    for (const QRect& r : event->region()) painter.drawImage(r.topLeft(), image, r);
}

void VeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (width() < 1 || height() < 1 || !frame_.resize(width(), height())) frame_.release();
    scroller_.setClientSize(width(), height());
    outline_.clearPrepared();
    invalidateAll();
}

void VeView::wheelEvent(QWheelEvent* event) {
    QPoint d = event->angleDelta();
    if (d.y() != 0) {
        scroller_.wheel(ScrollAxis::Vertical, d.y());
    } else if (d.x() != 0) {
        scroller_.wheel(ScrollAxis::Horizontal, d.x());
    }
    event->accept();
}

bool VeView::eventFilter(QObject* watched, QEvent* event) {
    // A wheel over a scroll bar scrolls by the view's own line, along that bar.
    if (event->type() == QEvent::Wheel && (watched == hbar_ || watched == vbar_)) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QPoint d = wheel->angleDelta();
        int32_t delta = d.y() != 0 ? d.y() : d.x();
        scroller_.wheel(watched == hbar_ ? ScrollAxis::Horizontal : ScrollAxis::Vertical, delta);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void VeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftHeld_ = true;
    QWidget::mousePressEvent(event);
}

void VeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftHeld_ = false;
    QWidget::mouseReleaseEvent(event);
}

// --- zoom from the zoom tool
// ----------------------------------------------------------------------

void VeView::zoomToClientRect(const QRect& rect, bool keepPoint) {
    scroller_.zoomToRect(Rect::fromXYWH(rect.x(), rect.y(), rect.width(), rect.height()),
                         keepPoint);
}

void VeView::zoomOutAtClientPoint(const QPoint& point, bool keepPoint) {
    scroller_.zoomOutAtPoint(point.x(), point.y(), keepPoint);
}

// --- selection outline --------------------------------------------------------------------------

void VeView::setSelection(Selection* selection) {
    if (selection_) selection_->removeListener(this);
    selection_ = selection;
    provider_ = nullptr;
    if (selection_) selection_->addListener(this);
    selectionUpdated();
}

void VeView::setSelectionProvider(SelectionProvider provider) {
    if (selection_) selection_->removeListener(this);
    selection_ = nullptr;
    provider_ = std::move(provider);
    selectionUpdated();
}

void VeView::selectionChanged(const SelectionChange&) {
    selectionUpdated();
}

SelectionArea VeView::currentSelection() const {
    if (selection_) return selection_->area();
    return provider_ ? provider_() : SelectionArea{};
}

void VeView::startAnts() {
    if (outline_.timerRunning) return;
    antsTimer_.start(kAntsInterval, this);
    outline_.timerRunning = true;
    outline_.shown = true;
}

void VeView::stopAnts() {
    antsTimer_.stop();
    outline_.timerRunning = false;
}

void VeView::repaintVisibleImage() {
    QRect visible = toQRect(scroller_.visibleClientImageRect());
    if (visible.isEmpty()) return;
    pending_ += visible;
    renderPending(visible);
    update(visible);
}

void VeView::rebuildOutline() {
    repaintVisibleImage();
    outline_.forget();
    SelectionArea selection = currentSelection();
    if (selection.isEmpty()) {
        stopAnts();
        return;
    }
    startAnts();
    if (frame_.isEmpty()) return;
    outline_.prepare(selection, scroller_, frame_);
}

void VeView::selectionUpdated() {
    repaintVisibleImage();
    outline_.shown = true;
    if (!currentSelection().isEmpty()) startAnts();
    rebuildOutline();
}

void VeView::toggleSelectionShown() {
    outline_.shown = !outline_.shown;
    if (outline_.timerRunning) repaintVisibleImage();
}

bool VeView::antsAllowed() const {
    bool active = activeQuery_ ? activeQuery_() : isActiveWindow();
    if (!active || !QApplication::activeWindow()) return false;
    if (leftHeld_ || (QGuiApplication::mouseButtons() & Qt::LeftButton)) return false;
    SelectionArea selection = currentSelection();
    if (selection.isEmpty()) return false;
    Rect onScreen = scroller_.imageToClient(selection.rect);
    return onScreen.intersects(Rect{0, 0, width(), height()});
}

void VeView::antsTick() {
    if (!antsAllowed()) return;
    if (!outline_.timerRunning || !outline_.shown || currentSelection().isEmpty()) return;
    if (!outline_.prepared()) rebuildOutline();
    if (!outline_.prepared()) return;
    Rect drawn = outline_.drawInto(frame_);
    if (!drawn.isEmpty()) update(toQRect(drawn));
}

void VeView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == antsTimer_.timerId()) {
        antsTick();
        return;
    }
    QWidget::timerEvent(event);
}

}  // namespace varnel
