// ToolManager: the process-wide active tool. It owns one instance of each tool, maps the active
// tool identifier to its tool (the hand for identifiers without one, and while Space is held),
// hands every canvas view its tool for each event, and watches the keyboard for the whole
// application: Space and Caps Lock, and the keys the active tool wants while the pointer is over
// the active document's view but that view does not have the focus.
//
// The application makes one (the main window owns it); it installs itself as the views' tool
// source and as an event filter of the application object, and undoes both when destroyed.
#pragma once

#include <QObject>
#include <vector>

#include "tools/hand_tool.h"
#include "tools/marquee_tool.h"
#include "tools/tool.h"
#include "tools/zoom_tool.h"

class QKeyEvent;

namespace varnel {

class ToolManager : public QObject, public ViewToolSource {
    Q_OBJECT

public:
    explicit ToolManager(QObject* parent = nullptr);
    ~ToolManager() override;

    // The active tool identifier (kToolHand at start). Setting it is what the tool commands do:
    // every view takes the zoom cursor mode of the new tool (zoom in, zoom out, or neither) and
    // shows its cursor.
    unsigned activeToolId() const { return active_; }
    void setActiveToolId(unsigned id);

    // The tool of an identifier: its own, or the hand tool.
    Tool& toolOf(unsigned id);
    // The tool that takes events now: the hand while Space is held, else the active tool.
    Tool& currentTool();
    // The zoomCursorMode a view wants under the tool `id` (1 zoom in, 2 zoom out, 0 other).
    static int32_t zoomCursorModeOf(unsigned id);

    // The keyboard as the application saw it. Setting them directly is for callers that learn
    // of the keys some other way.
    bool spaceHeld() const { return space_; }
    void setSpaceHeld(bool held);
    bool capsLockOn() const { return capsLock_; }
    void setCapsLockOn(bool on);

    // The views alive now, in the order they were made.
    const std::vector<VeView*>& views() const { return views_; }

    MarqueeTool& marquee() { return marquee_; }
    HandTool& hand() { return hand_; }
    ZoomTool& zoomIn() { return zoomIn_; }
    ZoomTool& zoomOut() { return zoomOut_; }

    // ViewToolSource
    ViewTool* toolForEvent() override { return &currentTool(); }
    void abandonDrags(VeView& view) override;
    void viewAttached(VeView& view) override;
    void viewDetached(VeView& view) override;

signals:
    void activeToolChanged(unsigned id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keyEvent(QKeyEvent* key, bool released);
    void refreshCursors();

    MarqueeTool marquee_{*this};
    HandTool hand_{*this};
    ZoomTool zoomIn_{*this, false};
    ZoomTool zoomOut_{*this, true};
    unsigned active_ = kToolHand;
    bool space_ = false;
    bool capsLock_ = false;
    std::vector<VeView*> views_;
};

}  // namespace varnel
