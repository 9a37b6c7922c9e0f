#include "view/ve_child_frame.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyle>
#include <QWheelEvent>

#include "document/document.h"
#include "document/selection.h"
#include "view/ve_canvas_info_ctrl.h"
#include "view/ve_view.h"
#include "view/view_commands.h"
#include "view/zoom_scroller.h"

namespace varnel {

namespace {

bool gToolboxVisible = false;
bool gFullScreenMode = false;

}  // namespace

VeChildFrame::VeChildFrame(std::unique_ptr<Document> document, QWidget* parent,
                           int32_t zoomCursorMode)
    : QWidget(parent),
      document_(std::move(document)),
      selection_(std::make_unique<Selection>(document_ ? document_->size() : Size{})) {
    setObjectName(QStringLiteral("VeChildFrame"));
    barWidth_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    barHeight_ = barWidth_;
    vbar_ = new QScrollBar(Qt::Vertical, this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    view_ = new VeView(document_.get(), this, zoomCursorMode);
    info_ = new VeCanvasInfoCtrl(this);
    grip_ = new QSizeGrip(this);
    // Screen readers name each part of the window.
    vbar_->setAccessibleName(QStringLiteral("Vertical scroll bar"));
    hbar_->setAccessibleName(QStringLiteral("Horizontal scroll bar"));
    info_->setAccessibleName(QStringLiteral("Zoom"));
    grip_->setAccessibleName(QStringLiteral("Resize window"));
    view_->setScrollBars(hbar_, vbar_);
    view_->setSelection(selection_.get());
    // The ants run only in the active document window.
    view_->setActiveQuery([this] {
        if (!isActiveWindow()) return false;
        QMdiSubWindow* sub = subWindow();
        return !sub || !sub->mdiArea() || sub->mdiArea()->activeSubWindow() == sub;
    });
    zoom_ = view_->zoom();

    connect(view_, &VeView::zoomChanged, this, &VeChildFrame::onZoomChanged);
    connect(view_, &VeView::canvasResized, this, &VeChildFrame::onCanvasResized);
    connect(info_, &VeCanvasInfoCtrl::zoomTyped, this, [this](double percent) {
        view_->scroller().setZoom(float(percent * 0.01), true, true);
    });
    connect(info_, &VeCanvasInfoCtrl::commandTriggered, this,
            [this](int command) { handleCommand(command); });
    onZoomChanged(view_->zoom());
    setMinimumSize(kMinCandidate.width / 2, kMinCandidate.height / 2);
}

VeChildFrame::~VeChildFrame() {
    // The view listens to the document and the selection: it must go before they do.
    delete view_;
    view_ = nullptr;
}

VeChildFrame* VeChildFrame::open(QMdiArea* area, std::unique_ptr<Document> document,
                                 int32_t zoomCursorMode) {
    if (!area || !document) return nullptr;
    auto* frame = new VeChildFrame(std::move(document), nullptr, zoomCursorMode);
    auto* sub = new QMdiSubWindow;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(frame);
    area->addSubWindow(sub);
    sub->show();
    return frame;
}

void VeChildFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_) return;
    QMdiSubWindow* sub = subWindow();
    if (!sub || !sub->mdiArea()) return;
    placed_ = true;
    sub->installEventFilter(this);
    placeInArea();
}

void VeChildFrame::placeInArea() {
    QMdiSubWindow* sub = subWindow();
    QMdiArea* area = sub->mdiArea();
    bool anyOpen = false;
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (w != sub && fromSubWindow(w)) anyOpen = true;
    }
    const QRect areaRect = area->viewport()->rect();
    Rect a = Rect::fromXYWH(areaRect.x(), areaRect.y(), areaRect.width(), areaRect.height());
    // The toolbox floats over the area's left side: new windows cascade beside it, as Fit on
    // Screen places them (when the area is wide enough to spare it).
    if (gToolboxVisible && !gFullScreenMode && a.width() > kToolboxMargin + kMinCandidate.width)
        a.left += kToolboxMargin - 5;
    const WindowChrome c = chrome();
    const Rect candidate = CascadePlacer::shared().next(a, c.cascadeStep, anyOpen);
    const InitialPlacement placement = planInitialPlacement(a, candidate, document_->size(), c);
    sub->setGeometry(placement.outer.left, placement.outer.top, placement.outer.width(),
                     placement.outer.height());
    ZoomScroller& scroller = view_->scroller();
    scroller.setImageSize(document_->width(), document_->height());
    scroller.setZoom(placement.zoom, false, true);
}

VeChildFrame* VeChildFrame::fromSubWindow(QMdiSubWindow* window) {
    return window ? qobject_cast<VeChildFrame*>(window->widget()) : nullptr;
}

QMdiSubWindow* VeChildFrame::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parent());
}

WindowChrome VeChildFrame::chrome() const {
    WindowChrome c;
    c.vbarWidth = barWidth_;
    c.hbarHeight = barHeight_;
    if (QMdiSubWindow* sub = subWindow()) {
        QMargins m = sub->contentsMargins();
        c.nonClient = Size{m.left() + m.right(), m.top() + m.bottom()};
        c.cascadeStep = m.top() + m.left();
    } else {
        c.cascadeStep = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    }
    return c;
}

QString VeChildFrame::documentName() const {
    if (!document_) return QString();
    if (!document_->title().empty()) return QString::fromStdString(document_->title());
    if (!document_->fileName().empty()) return QString::fromStdString(document_->fileName());
    return QStringLiteral("Untitled");
}

QString VeChildFrame::titleText() const {
    return QStringLiteral("%1 @ %2").arg(documentName(),
                                         QString::fromStdString(zoomPercentText(zoom_)));
}

void VeChildFrame::onZoomChanged(float zoom) {
    zoom_ = zoom;
    const QString title = titleText();
    setWindowTitle(title);
    if (QMdiSubWindow* sub = subWindow()) sub->setWindowTitle(title);
    info_->setZoom(zoom, view_->scroller().minZoom());
    emit zoomChanged(zoom);
}

bool VeChildFrame::handleCommand(int32_t command) {
    ZoomScroller& s = view_->scroller();
    switch (command) {
        case kCmdZoomIn:
            s.zoomInCommand();
            return true;
        case kCmdZoomOut:
            s.zoomOutCommand();
            return true;
        case kCmdFitOnScreen:
            fitOnScreen();
            return true;
        case kCmdFitInWindow:
            s.fitInWindow();
            return true;
        case kCmdActualPixels:
            s.actualPixels();
            return true;
        case kCmdPrintSize:
            printSize();
            return true;
        default:
            break;
    }
    if (float z = view_commands::fixedZoomOf(command); z > 0.0f) {
        s.setZoom(z, true, true);
        return true;
    }
    return view_->handleCommand(command);
}

void VeChildFrame::onCanvasResized() {
    // A selection made on the old canvas means nothing on the new one.
    if (document_ && selection_->canvasSize() != document_->size()) {
        selection_->resetCanvas(document_->size());
    }
}

bool VeChildFrame::handlesCommand(int32_t command) {
    return (command >= kCmdZoomIn && command <= kCmdPrintSize) || command == kCmdToggleSelection ||
           view_commands::fixedZoomOf(command) > 0.0f;
}

bool VeChildFrame::isCommandEnabled(int32_t command) const {
    const ZoomScroller& s = view_->scroller();
    switch (command) {
        case kCmdZoomIn:
            return s.zoom() < s.maxZoom();
        case kCmdZoomOut:
            return s.zoom() > s.minZoom();
        default:
            break;
    }
    float z = view_commands::fixedZoomOf(command);
    if (z > 0.0f) return !(s.minZoom() > z);
    return handlesCommand(command);
}

void VeChildFrame::printSize() {
    if (!document_) return;
    view_->scroller().printSize(document_->resolution(), document_->resolutionUnit());
}

void VeChildFrame::fitOnScreen() {
    QMdiSubWindow* sub = subWindow();
    if (!sub || sub->isMaximized() || !sub->mdiArea()) {
        view_->scroller().fitInWindow();
        return;
    }
    const QRect areaRect = sub->mdiArea()->viewport()->rect();
    const QRect outer = sub->geometry();
    const FitOnScreenPlan plan = planFitOnScreen(
        Rect::fromXYWH(areaRect.x(), areaRect.y(), areaRect.width(), areaRect.height()),
        gToolboxVisible, Rect::fromXYWH(outer.x(), outer.y(), outer.width(), outer.height()),
        chrome(), document_->size(), view_->scroller().minZoom());
    if (!plan.apply) return;
    const WindowChrome c = chrome();
    sub->resize(plan.clientSize.width + c.nonClient.width,
                plan.clientSize.height + c.nonClient.height);
    view_->scroller().fitInWindow();
    sub->move(plan.topLeft.x, plan.topLeft.y);
}

void VeChildFrame::setToolboxVisible(bool visible) {
    gToolboxVisible = visible;
}
void VeChildFrame::setFullScreenMode(bool on) {
    gFullScreenMode = on;
}
bool VeChildFrame::isFullScreenMode() {
    return gFullScreenMode;
}

bool VeChildFrame::scrollByWheel(const QWheelEvent& event) {
    if (!hbar_->isEnabled() && !vbar_->isEnabled()) return false;
    const QPoint d = event.angleDelta();
    if (d.y() != 0) {
        view_->scroller().wheel(ScrollAxis::Vertical, d.y());
    } else if (d.x() != 0) {
        view_->scroller().wheel(ScrollAxis::Horizontal, d.x());
    } else {
        return false;
    }
    return true;
}

void VeChildFrame::relayout() {
    layoutChildren();
}

void VeChildFrame::layoutChildren() {
    const int w = width(), h = height();
    QMdiSubWindow* sub = subWindow();
    const bool maximized = sub && sub->isMaximized();
    if (gFullScreenMode && maximized) {
        for (QWidget* c : {static_cast<QWidget*>(hbar_), static_cast<QWidget*>(vbar_),
                           static_cast<QWidget*>(info_), static_cast<QWidget*>(grip_)}) {
            c->hide();
        }
        view_->setGeometry(0, 0, w, h);
        return;
    }
    const int bw = barWidth_, bh = barHeight_;
    const int viewW = std::max(0, w - kViewInset - bw);
    const int viewH = std::max(0, h - kViewInset - bh);
    view_->setGeometry(kViewInset, kViewInset, viewW, viewH);
    vbar_->setGeometry(w - bw, 0, bw, std::max(0, h - bh));
    const int infoW = viewW < bw + 310 ? 49 : 250;
    info_->setGeometry(0, h - bh, std::min(infoW, std::max(0, w - bw)), bh);
    hbar_->setGeometry(infoW, h - bh, std::max(0, w - bw - infoW), bh);
    grip_->setGeometry(w - bw, h - bh, bw, bh);
    for (QWidget* c : {static_cast<QWidget*>(hbar_), static_cast<QWidget*>(vbar_),
                       static_cast<QWidget*>(info_)}) {
        c->show();
    }
    // A maximized window shows a plain corner instead of the grip.
    grip_->setVisible(!maximized);
}

void VeChildFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void VeChildFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    // The sunken edge above and left of the view.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
}

bool VeChildFrame::eventFilter(QObject* watched, QEvent* event) {
    // A right click on the window's caption opens the caption menu, when it has anything to offer.
    if (watched == subWindow() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int captionBottom = subWindow()->contentsMargins().top();
        if (mouse->button() == Qt::RightButton && mouse->position().y() < captionBottom &&
            !captionMenuItems().empty()) {
            showCaptionMenu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<std::pair<int, QString>> VeChildFrame::captionMenuItems() const {
    std::vector<std::pair<int, QString>> out;
    if (!captionFilter_) return out;
    const std::pair<int, const char*> items[] = {{kCommandDuplicate, "Duplicate..."},
                                                 {kCommandImageSize, "Image Size..."},
                                                 {kCommandCanvasSize, "Canvas Size..."},
                                                 {kCommandPageSetup, "Page Setup..."}};
    for (const auto& [command, text] : items)
        if (captionFilter_(command)) out.emplace_back(command, QString::fromLatin1(text));
    return out;
}

void VeChildFrame::showCaptionMenu(const QPoint& globalPos) {
    QMenu menu(this);
    for (const auto& [command, text] : captionMenuItems()) menu.addAction(text)->setData(command);
    if (menu.isEmpty()) return;
    // Keep the menu's left edge on the monitor that holds the cursor.
    QPoint at = globalPos;
    if (QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect g = screen->availableGeometry();
        at.setX(
            std::clamp(at.x(), g.left(), std::max(g.left(), g.right() - menu.sizeHint().width())));
    }
    if (QAction* chosen = menu.exec(at)) emit commandRequested(chosen->data().toInt());
}

}  // namespace varnel
