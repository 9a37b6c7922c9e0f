#include "tools/zoom_tool.h"

#include <QMetaObject>

#include "tools/marquee_geometry.h"
#include "tools/tool_cursors.h"
#include "view/ve_view.h"

namespace varnel {

bool ZoomTool::draggingOn(const VeView& view) const {
    return band_.isRunning() && band_.owner() == &view;
}

bool ZoomTool::onSetCursor(VeView& view, const ToolEvent&) {
    switch (view.scroller().zoomCursorMode()) {
        case 1:
            view.setToolCursor(toolCursor(ToolCursor::ZoomIn));
            break;
        case 2:
            view.setToolCursor(toolCursor(ToolCursor::ZoomOut));
            break;
        default:
            view.setToolCursor(toolCursor(ToolCursor::ZoomLimit));
            break;
    }
    return true;
}

bool ZoomTool::onSysKeyDown(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Alt) return false;
    if (!event.autoRepeat) {
        // Alt asks for the other direction, as far as the zoom limits allow.
        view.scroller().setZoomCursorMode(zoomOut_ ? 1 : 2);
        view.refreshToolCursor();
    }
    return true;
}

bool ZoomTool::onSysKeyUp(VeView& view, const ToolEvent& event) {
    if (event.key == Qt::Key_Alt) {
        view.scroller().setZoomCursorMode(ownMode());
        view.refreshToolCursor();
    }
    return true;
}

bool ZoomTool::onKeyDown(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Escape && event.key != Qt::Key_Space) return false;
    if (!draggingOn(view)) return false;
    band_.cancel();
    return true;
}

bool ZoomTool::onKeyUp(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Space) return false;
    // The hand's cursor gives way to this tool's again.
    onSetCursor(view, event);
    return true;
}

bool ZoomTool::onButtonDown(VeView& view, const ToolEvent& event) {
    view.captureMouse();
    ZoomScroller& s = view.scroller();
    press_ = clampToArea(event.pos, visibleImageArea(s));
    const int32_t mode = s.zoomCursorMode();
    if (mode == 1 && s.zoom() < s.maxZoom()) {
        if (band_.start(view)) band_.setRect(Rect{press_.x, press_.y, press_.x, press_.y});
    } else if (mode == 2 && s.zoom() > s.minZoom()) {
        // One step out, after this event, as a posted request to the view.
        const QPoint at(press_.x, press_.y);
        const bool keep = !event.shift();
        VeView* target = &view;
        QMetaObject::invokeMethod(
            target, [target, at, keep] { target->zoomOutAtClientPoint(at, keep); },
            Qt::QueuedConnection);
    }
    return true;
}

bool ZoomTool::onMouseMove(VeView& view, const ToolEvent& event) {
    if (!draggingOn(view)) return false;
    band_.setRect(dragRect(press_, event.pos, visibleImageArea(view.scroller())));
    band_.show(false);
    return true;
}

bool ZoomTool::onCaptureLost(VeView& view, const ToolEvent& event) {
    if (!draggingOn(view)) return false;
    const Rect r = band_.rect();
    band_.cancel();
    // A click keeps the clicked point where it is unless Shift asks for it centred; a dragged
    // rectangle is centred.
    const bool keep = !event.shift() && r.isEmpty();
    const QRect rect(r.left, r.top, r.width(), r.height());
    VeView* target = &view;
    QMetaObject::invokeMethod(
        target, [target, rect, keep] { target->zoomToClientRect(rect, keep); },
        Qt::QueuedConnection);
    return true;
}

bool ZoomTool::onTimer(VeView& view, const ToolEvent& event) {
    if (!draggingOn(view) || !band_.ownsTimer(event.timerId)) return false;
    band_.show(false);
    return true;
}

bool ZoomTool::preTranslateKey(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Alt) return false;
    return event.keyReleased ? onSysKeyUp(view, event) : onSysKeyDown(view, event);
}

void ZoomTool::abandon(VeView& view) {
    if (band_.owner() == &view) band_.cancel();
}

void ZoomTool::temporaryHandStarts() {
    band_.cancel();
}

}  // namespace varnel
