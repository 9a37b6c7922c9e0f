// The zoom-in and zoom-out tools: one class, two instances. Zoom in zooms one step at a click
// (keeping the clicked point under the pointer unless Shift is held) or fills the view with a
// dragged rectangle; zoom out zooms one step out at a click. Alt swaps the two while it is held.
// Escape, or Space (which lends the hand), drops a drag without zooming.
#pragma once

#include "tools/rubber_band.h"
#include "tools/tool.h"

namespace varnel {

class ZoomTool : public Tool {
public:
    ZoomTool(ToolManager& tools, bool zoomOut) : Tool(tools), zoomOut_(zoomOut) {}

    // The zoomCursorMode the tool wants for a view: 2 for zoom out, 1 for zoom in.
    int32_t ownMode() const { return zoomOut_ ? 2 : 1; }

    bool onSetCursor(VeView& view, const ToolEvent& event) override;
    bool onSysKeyDown(VeView& view, const ToolEvent& event) override;
    bool onSysKeyUp(VeView& view, const ToolEvent& event) override;
    bool onKeyDown(VeView& view, const ToolEvent& event) override;
    bool onKeyUp(VeView& view, const ToolEvent& event) override;
    bool onButtonDown(VeView& view, const ToolEvent& event) override;
    bool onMouseMove(VeView& view, const ToolEvent& event) override;
    bool onCaptureLost(VeView& view, const ToolEvent& event) override;
    bool onTimer(VeView& view, const ToolEvent& event) override;
    bool preTranslateKey(VeView& view, const ToolEvent& event) override;
    void abandon(VeView& view) override;
    void temporaryHandStarts() override;

    const RubberBand& rubberBand() const { return band_; }

private:
    bool draggingOn(const VeView& view) const;

    bool zoomOut_;
    RubberBand band_;
    Point press_;
};

}  // namespace varnel
