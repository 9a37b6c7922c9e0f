#include "app/window_state.h"

#include <cstdint>

namespace varnel {

bool isUsableWindowRect(const Rect& r, const Rect& workArea) {
    // Computed in 64 bits: the unplaced rectangle spans more than 32 bits can count.
    int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
    return r.intersects(workArea);
}

void captureWindowState(AppSettings& settings, const MainWindowPlacement& window) {
    Rect normal = window.normalRect();
    Rect work = window.workArea();
    settings.main_window_rect = work.contains(normal) ? normal : work;
    settings.maximized = window.isMaximized();
    settings.show_toolbar = window.isToolbarShown();
    settings.show_statusbar = window.isStatusBarShown();
}

void applyWindowState(const AppSettings& settings, MainWindowPlacement& window) {
    if (!settings.loaded() || !settings.save_layout) {
        window.moveToDefaultPlacement();
        return;
    }
    if (isUsableWindowRect(settings.main_window_rect, window.workArea()))
        window.moveTo(settings.main_window_rect);
    else
        window.moveToDefaultPlacement();
    if (settings.maximized) window.maximize();
    window.showToolbar(settings.show_toolbar);
    window.showStatusBar(settings.show_statusbar);
}

}  // namespace varnel
