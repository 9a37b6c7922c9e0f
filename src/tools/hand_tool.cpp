#include "tools/hand_tool.h"

#include "tools/tool_cursors.h"
#include "view/ve_view.h"

namespace varnel {

bool HandTool::isDragging(const VeView& view) const {
    return view_ == &view && view.hasCapture();
}

bool HandTool::onSetCursor(VeView& view, const ToolEvent&) {
    view.setToolCursor(
        toolCursor(isDragging(view) ? ToolCursor::HandClosed : ToolCursor::HandOpen));
    return true;
}

bool HandTool::onKeyDown(VeView& view, const ToolEvent& event) {
    if (event.key != Qt::Key_Space) return false;
    // Space lends the hand to whatever tool is active: its cursor shows at once.
    onSetCursor(view, event);
    return true;
}

bool HandTool::onButtonDown(VeView& view, const ToolEvent& event) {
    view.captureMouse();
    view_ = &view;
    last_ = event.pos;
    view.setToolCursor(toolCursor(ToolCursor::HandClosed));
    return true;
}

bool HandTool::onMouseMove(VeView& view, const ToolEvent& event) {
    if (!isDragging(view)) return false;
    // The image follows the pointer: scroll by how far it moved the other way.
    ZoomScroller& s = view.scroller();
    const Point at = s.scrollPosition();
    s.scrollTo(at.x + last_.x - event.pos.x, at.y + last_.y - event.pos.y);
    last_ = event.pos;
    return true;
}

bool HandTool::onCaptureLost(VeView& view, const ToolEvent&) {
    if (view_ == &view) view_ = nullptr;
    return true;
}

void HandTool::abandon(VeView& view) {
    if (view_ == &view) view_ = nullptr;
}

}  // namespace varnel
