// Remembering and restoring the main window's placement through the settings.
#pragma once

#include "app/app_settings.h"
#include "core/geometry.h"

namespace varnel {

// What the settings need from the main window. The Qt main window implements it; tests use a
// fake. Rectangles are frame rectangles in screen coordinates.
class MainWindowPlacement {
public:
    virtual ~MainWindowPlacement() = default;

    // The rectangle the window has when it is neither maximised nor minimised.
    virtual Rect normalRect() const = 0;
    // The usable part of the desktop (without panels and task bars).
    virtual Rect workArea() const = 0;
    virtual bool isMaximized() const = 0;
    virtual bool isToolbarShown() const = 0;
    virtual bool isStatusBarShown() const = 0;

    virtual void moveTo(const Rect& rect) = 0;
    virtual void moveToDefaultPlacement() = 0;
    virtual void maximize() = 0;
    virtual void showToolbar(bool shown) = 0;
    virtual void showStatusBar(bool shown) = 0;
};

// Copies the window's state into the settings, just before they are saved: its normal rectangle
// (replaced by the whole work area when it does not lie entirely inside it), whether it is
// maximised, and whether the toolbar and the status bar are shown.
void captureWindowState(AppSettings& settings, const MainWindowPlacement& window);

// Restores the saved layout when the window is first shown, provided a settings file was loaded
// and the user wants the layout kept; otherwise gives the window its default placement. A stored
// rectangle that is empty or lies wholly outside the work area (a hand-edited file, a smaller
// screen since) would leave the window unreachable, so the default placement is used for it
// instead while the other stored choices still apply.
void applyWindowState(const AppSettings& settings, MainWindowPlacement& window);

// True when `rect` can be given to the window: positive 32-bit width and height and some overlap
// with `workArea`.
bool isUsableWindowRect(const Rect& rect, const Rect& workArea);

}  // namespace varnel
