// What a canvas view hands its mouse, key and timer events to: the active tool. The tools
// themselves live above the view (src/tools); the view knows them only through this interface and
// finds the tool for each event through the process-wide ViewToolSource.
#pragma once

#include <QtCore/qnamespace.h>

#include "core/geometry.h"

namespace varnel {

class VeView;

// One event as a tool sees it.
struct ToolEvent {
    // The pointer's position in the view's client coordinates (for key and timer events, where
    // the pointer is now).
    Point pos;
    Qt::KeyboardModifiers modifiers;
    // Key events: the key (Qt::Key) and whether it is an auto-repeat.
    int key = 0;
    bool autoRepeat = false;
    // For preTranslateKey, which sees both: whether the key went up.
    bool keyReleased = false;
    // Timer events: the timer's id.
    int timerId = 0;

    bool shift() const { return modifiers.testFlag(Qt::ShiftModifier); }
    bool alt() const { return modifiers.testFlag(Qt::AltModifier); }
};

// A tool. Each operation reports whether it consumed the event; an event no tool consumes takes
// the view's default handling. Operations are called in this order of precedence by the view.
class ViewTool {
public:
    virtual ~ViewTool() = default;

    // The pointer moved over the view, entered it, or something the cursor depends on changed:
    // the tool sets the view's cursor (VeView::setToolCursor). Not consumed: the plain cursor.
    virtual bool onSetCursor(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    virtual bool onContextMenu(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    // Alt, and keys pressed with Alt held.
    virtual bool onSysKeyDown(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    virtual bool onSysKeyUp(VeView& /*view*/, const ToolEvent& /*event*/) { return true; }
    virtual bool onKeyDown(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    virtual bool onKeyUp(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    // Left button down (a double click counts as one).
    virtual bool onButtonDown(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    // Left button up: releases the view's capture, which ends the drag through onCaptureLost.
    virtual bool onButtonUp(VeView& view, const ToolEvent& event);
    virtual bool onMouseMove(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    // The capture ended because the button was released: the drag is finished.
    virtual bool onCaptureLost(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    virtual bool onTimer(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }
    // A key pressed or released while the pointer is over the active document's view and that
    // view does not have the keyboard focus. The key goes on to its own receiver afterwards.
    virtual bool preTranslateKey(VeView& /*view*/, const ToolEvent& /*event*/) { return false; }

    // The drag on `view` (if this tool has one there) ends without any result: the view lost the
    // mouse to something else, or is going away. Nothing drawn for the drag may stay on screen.
    virtual void abandon(VeView& /*view*/) {}
};

// Where the views find the tool for each event. One per process, set with
// VeView::setToolSource.
class ViewToolSource {
public:
    virtual ~ViewToolSource() = default;
    // The tool that takes an event now (the active tool, or the temporary one).
    virtual ViewTool* toolForEvent() = 0;
    // Every tool ends whatever drag it has on `view`, recording nothing.
    virtual void abandonDrags(VeView& view) = 0;
    // A view was made or is going away.
    virtual void viewAttached(VeView& /*view*/) {}
    virtual void viewDetached(VeView& /*view*/) {}
};

}  // namespace varnel
