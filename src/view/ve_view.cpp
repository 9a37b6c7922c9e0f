#include "view/ve_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cmath>

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

ViewToolSource* gToolSource = nullptr;

}  // namespace

bool ViewTool::onButtonUp(VeView& view, const ToolEvent& event) {
    view.releaseCapture(event);
    return true;
}

VeView::VeView(Document* document, QWidget* parent, int32_t zoomCursorMode)
    : QWidget(parent), document_(document), scroller_(this) {
    setObjectName(QStringLiteral("VeView"));
    // Every pixel comes from the frame buffer: no background fill before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The pointer's moves choose the tool's cursor even without a button held. Clicks give the
    // view the keyboard focus (left and right button only, see mousePressEvent); Tab reaches it
    // too, so the tools' keys work from the keyboard alone.
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Canvas"));
    if (document_) {
        document_->addListener(this);
        scroller_.setImageSize(document_->width(), document_->height());
    }
    scroller_.setZoomCursorMode(zoomCursorMode);
    scroller_.setZoom(1.0f, false, false);
    if (gToolSource) gToolSource->viewAttached(*this);
}

VeView::~VeView() {
    // The tools forget this view (a drag in progress ends without a result) while it is whole.
    endCapture();
    if (gToolSource) {
        gToolSource->abandonDrags(*this);
        gToolSource->viewDetached(*this);
    }
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
    if (command == kCmdToggleSelection) {
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
    // The zoom tools' cursor follows the zoom limits.
    refreshToolCursor();
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

const ZoomScroller& VeView::frameScroller() const {
    if (scale_ == 1.0) return scroller_;
    // The same picture with every length multiplied by the scale: image pixels are drawn by the
    // nearest-neighbour renderer straight into device pixels, never scaled up afterwards.
    ZoomScroller& d = deviceScroller_;
    const Size image = scroller_.imageSize();
    const float s = float(scale_);
    d.setImageSize(image.width, image.height);
    d.setZoomLimits(kAbsoluteMinZoom, std::max(scroller_.maxZoom(), scroller_.zoom()) * s);
    d.setClientSize(frame_.width(), frame_.height());
    d.setZoom(scroller_.zoom() * s, false, false);
    const Point at = scroller_.scrollPosition();
    d.scrollTo(int32_t(std::lround(at.x * scale_)), int32_t(std::lround(at.y * scale_)), false);
    return d;
}

Rect VeView::toFrame(const Rect& client) const {
    if (scale_ == 1.0) return client;
    return Rect{int32_t(std::floor(client.left * scale_)), int32_t(std::floor(client.top * scale_)),
                int32_t(std::ceil(client.right * scale_)),
                int32_t(std::ceil(client.bottom * scale_))};
}

QRect VeView::toClient(const Rect& frameRect) const {
    if (scale_ == 1.0) return toQRect(frameRect);
    return toQRect(Rect{int32_t(std::floor(frameRect.left / scale_)),
                        int32_t(std::floor(frameRect.top / scale_)),
                        int32_t(std::ceil(frameRect.right / scale_)),
                        int32_t(std::ceil(frameRect.bottom / scale_))});
}

void VeView::fitFrame() {
    scale_ = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const int32_t w = int32_t(std::lround(width() * scale_));
    const int32_t h = int32_t(std::lround(height() * scale_));
    if (w < 1 || h < 1 || !frame_.resize(w, h)) frame_.release();
    outline_.clearPrepared();
}

void VeView::renderRect(const Rect& clip, const RenderSource& source) {
    const ViewColors colours = colors();
    bool drewImage = paintViewArea(frame_, toFrame(clip), frameScroller(), cache_, source,
                                   packPixel(colours.surround), packPixel(colours.border));
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
    // Moved to a screen of another scale: the frame is drawn again at the new one.
    if (devicePixelRatioF() != scale_) {
        fitFrame();
        pending_ = QRegion(rect());
    }
    if (frame_.isEmpty() || frame_.width() != std::lround(width() * scale_) ||
        frame_.height() != std::lround(height() * scale_))
        return;
    renderPending(event->region());
    QImage image(reinterpret_cast<const uchar*>(frame_.data()), frame_.width(), frame_.height(),
                 frame_.bytesPerLine(), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale_);
    QPainter painter(this);
    const Rect marked = invert_.extent();
    for (const QRect& r : event->region()) {
        const Rect area = fromQRect(r);
        const Rect device = toFrame(area).intersected(frame_.bounds());
        if (device.isEmpty()) continue;
        const QPointF at(device.left / scale_, device.top / scale_);
        if (!area.intersects(marked)) {
            painter.drawImage(at, image, toQRect(device));
            continue;
        }
        // A tool's drag rectangle: the frame's pixels inverted where it marks them (the marks
        // are client pixels; each covers scale × scale frame pixels).
        QImage part = image.copy(toQRect(device));
        part.setDevicePixelRatio(scale_);
        if (scale_ == 1.0) {
            invert_.applyTo(reinterpret_cast<uint32_t*>(part.bits()),
                            int32_t(part.bytesPerLine() / 4), area);
        } else {
            for (int32_t y = 0; y < part.height(); ++y) {
                auto* row = reinterpret_cast<uint32_t*>(part.scanLine(y));
                const auto cy = int32_t(std::floor((device.top + y) / scale_));
                for (int32_t x = 0; x < part.width(); ++x) {
                    const auto cx = int32_t(std::floor((device.left + x) / scale_));
                    if (invert_.isSet(cx, cy)) row[x] ^= 0x00FFFFFFu;
                }
            }
        }
        painter.drawImage(at, part);
    }
}

void VeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFrame();
    invert_.resize(width(), height());
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
    if (watched == watchedWindow_ && event->type() == QEvent::WindowBlocked) {
        loseCapture();
        return false;
    }
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

// --- tools ---------------------------------------------------------------------------------------

void VeView::setToolSource(ViewToolSource* source) {
    gToolSource = source;
}

ViewToolSource* VeView::toolSource() {
    return gToolSource;
}

ViewTool* VeView::tool() const {
    return gToolSource ? gToolSource->toolForEvent() : nullptr;
}

bool VeView::isActiveDocumentView() const {
    return activeQuery_ ? activeQuery_() : isActiveWindow();
}

Point VeView::pointerPosition() const {
    const QPoint p = mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
}

ToolEvent VeView::mouseEventFor(const QMouseEvent* event) const {
    ToolEvent e;
    // The client pixel that holds the pointer.
    const QPointF p = event->position();
    e.pos = {int32_t(std::floor(p.x())), int32_t(std::floor(p.y()))};
    e.modifiers = event->modifiers();
    return e;
}

ToolEvent VeView::keyEventFor(const QKeyEvent* event) const {
    ToolEvent e;
    e.pos = pointerPosition();
    e.modifiers = event->modifiers();
    e.key = event->key();
    e.autoRepeat = event->isAutoRepeat();
    return e;
}

void VeView::captureMouse() {
    captured_ = true;
    // A modal dialog opening over the window blocks it without telling its children.
    watchedWindow_ = window();
    if (watchedWindow_ != this) watchedWindow_->installEventFilter(this);
}

void VeView::endCapture() {
    captured_ = false;
    if (watchedWindow_ && watchedWindow_ != this) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = nullptr;
}

void VeView::releaseCapture(const ToolEvent& event) {
    if (!captured_) return;
    endCapture();
    if (ViewTool* t = tool()) t->onCaptureLost(*this, event);
    // A tool that took the events earlier in the drag (before Space was pressed or let go)
    // leaves nothing behind.
    if (gToolSource) gToolSource->abandonDrags(*this);
    refreshToolCursor();
}

void VeView::releaseCapture() {
    ToolEvent e;
    e.pos = pointerPosition();
    e.modifiers = QGuiApplication::keyboardModifiers();
    releaseCapture(e);
}

void VeView::loseCapture() {
    if (!captured_) return;
    endCapture();
    if (gToolSource) gToolSource->abandonDrags(*this);
    refreshToolCursor();
}

bool VeView::grabTakenElsewhere() const {
    QWidget* grabber = QWidget::mouseGrabber();
    return grabber && grabber != this;
}

void VeView::setToolCursor(const QCursor& cursor) {
    if (toolCursorSet_ && this->cursor() == cursor) return;
    setCursor(cursor);
    toolCursorSet_ = true;
}

void VeView::clearToolCursor() {
    if (!toolCursorSet_) return;
    unsetCursor();
    toolCursorSet_ = false;
}

void VeView::refreshToolCursor() {
    ViewTool* t = tool();
    ToolEvent e;
    e.pos = pointerPosition();
    e.modifiers = QGuiApplication::keyboardModifiers();
    if (!t || !t->onSetCursor(*this, e)) clearToolCursor();
}

void VeView::repaintClientRect(const Rect& clientRect) {
    const QRect r = toQRect(clientRect).intersected(rect());
    if (!r.isEmpty()) update(r);
}

int VeView::perform(std::unique_ptr<HistoryAction> action) {
    if (!action || !actionSink_) return 0;
    return actionSink_(std::move(action));
}

void VeView::reportSize(int32_t width, int32_t height) {
    reportedSize_ = QSize(width, height);
    emit sizeReported(reportedSize_);
}

void VeView::leftButtonDown(QMouseEvent* event) {
    leftHeld_ = true;
    // A press while the view still believes it holds the mouse: the release went elsewhere.
    loseCapture();
    const ToolEvent e = mouseEventFor(event);
    if (ViewTool* t = tool()) t->onButtonDown(*this, e);
    refreshToolCursor();
}

void VeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        leftButtonDown(event);
        return;
    }
    QWidget::mousePressEvent(event);
}

void VeView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

void VeView::mouseMoveEvent(QMouseEvent* event) {
    // Moves with the capture but without the left button: its release never reached the view.
    if (captured_ && !(event->buttons() & Qt::LeftButton)) loseCapture();
    const ToolEvent e = mouseEventFor(event);
    ViewTool* t = tool();
    if (!t || !t->onSetCursor(*this, e)) clearToolCursor();
    if (t) t->onMouseMove(*this, e);
}

void VeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    leftHeld_ = false;
    const ToolEvent e = mouseEventFor(event);
    if (ViewTool* t = tool()) t->onButtonUp(*this, e);
    // The capture never outlives the button.
    releaseCapture(e);
}

void VeView::keyPressEvent(QKeyEvent* event) {
    const ToolEvent e = keyEventFor(event);
    const bool sys = event->key() == Qt::Key_Alt || event->modifiers().testFlag(Qt::AltModifier);
    ViewTool* t = tool();
    if (t && (sys ? t->onSysKeyDown(*this, e) : t->onKeyDown(*this, e))) return;
    QWidget::keyPressEvent(event);
}

void VeView::keyReleaseEvent(QKeyEvent* event) {
    const ToolEvent e = keyEventFor(event);
    const bool sys = event->key() == Qt::Key_Alt || event->modifiers().testFlag(Qt::AltModifier);
    ViewTool* t = tool();
    if (t && (sys ? t->onSysKeyUp(*this, e) : t->onKeyUp(*this, e))) return;
    QWidget::keyReleaseEvent(event);
}

void VeView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    emit sizeReported(reportedSize_);
}

void VeView::focusOutEvent(QFocusEvent* event) {
    // Another window or a popup took the keyboard in the middle of a drag (the view has the focus
    // from the press on): the mouse is gone with it.
    loseCapture();
    QWidget::focusOutEvent(event);
}

void VeView::hideEvent(QHideEvent* event) {
    loseCapture();
    QWidget::hideEvent(event);
}

void VeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) loseCapture();
    QWidget::changeEvent(event);
}

void VeView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    refreshToolCursor();
}

void VeView::contextMenuEvent(QContextMenuEvent* event) {
    ToolEvent e;
    e.pos = {event->pos().x(), event->pos().y()};
    e.modifiers = event->modifiers();
    if (ViewTool* t = tool(); t && t->onContextMenu(*this, e)) return;
    event->ignore();
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
    outline_.prepare(selection, frameScroller(), frame_);
}

void VeView::selectionUpdated() {
    repaintVisibleImage();
    outline_.shown = true;
    const SelectionArea selection = currentSelection();
    if (!selection.isEmpty()) startAnts();
    rebuildOutline();
    // The Info palette shows the new selection's size (none when nothing is selected), and the
    // cursor over the selection may change.
    if (selection.isEmpty())
        reportSize(0, 0);
    else
        reportSize(selection.rect.width(), selection.rect.height());
    refreshToolCursor();
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
    if (!drawn.isEmpty()) update(toClient(drawn));
}

void VeView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == antsTimer_.timerId()) {
        antsTick();
        return;
    }
    // A drag's timer runs while the view holds the mouse: notice when it went elsewhere.
    if (captured_ && grabTakenElsewhere()) loseCapture();
    ToolEvent e;
    e.pos = pointerPosition();
    e.modifiers = QGuiApplication::keyboardModifiers();
    e.timerId = event->timerId();
    if (ViewTool* t = tool(); t && t->onTimer(*this, e)) return;
    QWidget::timerEvent(event);
}

}  // namespace varnel
