// The hand tool: dragging moves the image with the pointer. It is also the temporary tool while
// Space is held and what every identifier without a tool of its own acts as.
#pragma once

#include <QPointer>

#include "tools/tool.h"
#include "view/ve_view.h"

namespace varnel {

class HandTool : public Tool {
public:
    using Tool::Tool;

    bool onSetCursor(VeView& view, const ToolEvent& event) override;
    bool onKeyDown(VeView& view, const ToolEvent& event) override;
    bool onButtonDown(VeView& view, const ToolEvent& event) override;
    bool onMouseMove(VeView& view, const ToolEvent& event) override;
    bool onCaptureLost(VeView& view, const ToolEvent& event) override;
    void abandon(VeView& view) override;

    // Whether the hand is dragging the image of `view`.
    bool isDragging(const VeView& view) const;

private:
    QPointer<VeView> view_;
    Point last_;
};

}  // namespace varnel
