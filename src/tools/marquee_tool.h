// The marquee tool: dragging on the canvas selects a rectangle, recorded as one undoable
// "Rectangular Marquee" step; a press outside an existing selection first records "Deselect",
// and a press inside it does nothing. Shift makes the rectangle a square, Alt draws it from its
// centre; above 100 % it follows the image's pixel edges. The size being dragged goes to the
// Info palette through the view.
#pragma once

#include "tools/rubber_band.h"
#include "tools/tool.h"

namespace varnel {

class MarqueeTool : public Tool {
public:
    using Tool::Tool;

    bool onSetCursor(VeView& view, const ToolEvent& event) override;
    bool onSysKeyDown(VeView& view, const ToolEvent& event) override;
    bool onKeyDown(VeView& view, const ToolEvent& event) override;
    bool onKeyUp(VeView& view, const ToolEvent& event) override;
    bool onButtonDown(VeView& view, const ToolEvent& event) override;
    bool onMouseMove(VeView& view, const ToolEvent& event) override;
    bool onCaptureLost(VeView& view, const ToolEvent& event) override;
    bool onTimer(VeView& view, const ToolEvent& event) override;
    bool preTranslateKey(VeView& view, const ToolEvent& event) override;
    void abandon(VeView& view) override;

    // The cursor Alt toggles.
    bool alternateCursor() const { return alternate_; }
    const RubberBand& rubberBand() const { return band_; }

private:
    bool draggingOn(const VeView& view) const;

    RubberBand band_;
    Point start_;
    bool alternate_ = false;
};

}  // namespace varnel
