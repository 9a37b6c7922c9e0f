#include "tools/marquee_tool.h"

#include "document/selection.h"
#include "history/selection_actions.h"
#include "tools/marquee_geometry.h"
#include "tools/tool_cursors.h"
#include "tools/tool_manager.h"
#include "view/ve_view.h"

namespace varnel {

bool MarqueeTool::draggingOn(const VeView& view) const {
    return band_.isRunning() && band_.owner() == &view;
}

bool MarqueeTool::onSetCursor(VeView& view, const ToolEvent& event) {
    const Selection* selection = view.selection();
    // Never the over-the-selection cursor in the middle of a drag.
    if (!view.hasCapture() && selection && !selection->isEmpty() &&
        selection->contains(view.scroller().clientToImageFloor(event.pos))) {
        view.setToolCursor(toolCursor(ToolCursor::MarqueeSelection));
    } else if (alternate_) {
        view.setToolCursor(toolCursor(ToolCursor::MarqueeAlternate));
    } else if (tools_.capsLockOn()) {
        view.setToolCursor(toolCursor(ToolCursor::MarqueePrecise));
    } else {
        view.setToolCursor(toolCursor(ToolCursor::Marquee));
    }
    return true;
}

bool MarqueeTool::onSysKeyDown(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Alt) return false;
    if (!event.autoRepeat && !view.hasCapture()) {
        alternate_ = !alternate_;
        view.refreshToolCursor();
    }
    return true;
}

bool MarqueeTool::onKeyDown(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_CapsLock) return false;
    view.refreshToolCursor();
    return false;
}

bool MarqueeTool::onKeyUp(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Space) return false;
    onSetCursor(view, event);
    return true;
}

bool MarqueeTool::onButtonDown(VeView& view, const ToolEvent& event) {
    view.captureMouse();
    const ZoomScroller& s = view.scroller();
    start_ = clampToArea(event.pos, visibleImageArea(s));
    Selection* selection = view.selection();
    if (selection && !selection->isEmpty()) {
        // A press inside the selection leaves everything as it is until the button goes up.
        if (selection->contains(s.clientToImageFloor(start_))) return true;
        view.perform(std::make_unique<DeselectAction>(view.document(), selection));
    }
    if (!band_.isRunning() && band_.start(view))
        band_.setRect(Rect{start_.x, start_.y, start_.x, start_.y});
    return true;
}

bool MarqueeTool::onMouseMove(VeView& view, const ToolEvent& event) {
    if (!draggingOn(view)) return false;
    const ZoomScroller& s = view.scroller();
    const Rect r = marqueeRect(s, start_, event.pos, event.shift(), event.alt());
    if (r == band_.rect()) return true;
    band_.setRect(r);
    band_.show(false);
    const Rect image = imageRectOf(s, r.intersected(s.imageRectInClient()));
    view.reportSize(image.width(), image.height());
    return true;
}

bool MarqueeTool::onCaptureLost(VeView& view, const ToolEvent&) {
    if (!draggingOn(view)) return false;
    const Rect r = band_.rect().normalized();
    band_.cancel();
    // A click, or a drag along an edge of the canvas, selects nothing.
    const Rect image = imageRectOf(view.scroller(), r);
    Selection* selection = view.selection();
    if (image.isEmpty() || !selection) return true;
    view.perform(std::make_unique<MarqueeAction>(view.document(), selection, image));
    return true;
}

bool MarqueeTool::onTimer(VeView& view, const ToolEvent& event) {
    if (!draggingOn(view) || !band_.ownsTimer(event.timerId)) return false;
    band_.show(false);
    return true;
}

bool MarqueeTool::preTranslateKey(VeView& view, const ToolEvent& event) {
    if (event.keyReleased) return false;
    if (event.key == Qt::Key_Alt) return onSysKeyDown(view, event);
    if (event.key == Qt::Key_CapsLock) return onKeyDown(view, event);
    return false;
}

void MarqueeTool::abandon(VeView& view) {
    if (band_.owner() == &view) band_.cancel();
}

}  // namespace varnel
