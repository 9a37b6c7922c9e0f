#include "tools/tool_manager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>

#include "view/ve_view.h"

namespace varnel {

namespace {

// The X11 modifier bit of Caps Lock in the state a key event carries.
constexpr quint32 kX11LockMask = 0x2;

}  // namespace

ToolManager::ToolManager(QObject* parent) : QObject(parent) {
    VeView::setToolSource(this);
    if (qApp) qApp->installEventFilter(this);
}

ToolManager::~ToolManager() {
    if (qApp) qApp->removeEventFilter(this);
    for (VeView* view : std::vector<VeView*>(views_)) abandonDrags(*view);
    if (VeView::toolSource() == this) VeView::setToolSource(nullptr);
}

Tool& ToolManager::toolOf(unsigned id) {
    switch (id) {
        case kToolMarquee:
            return marquee_;
        case kToolZoomIn:
            return zoomIn_;
        case kToolZoomOut:
            return zoomOut_;
        default:
            return hand_;
    }
}

Tool& ToolManager::currentTool() {
    return space_ ? static_cast<Tool&>(hand_) : toolOf(active_);
}

int32_t ToolManager::zoomCursorModeOf(unsigned id) {
    return id == kToolZoomIn ? 1 : id == kToolZoomOut ? 2 : 0;
}

void ToolManager::setActiveToolId(unsigned id) {
    active_ = id;
    for (VeView* view : views_) view->scroller().setZoomCursorMode(zoomCursorModeOf(id));
    refreshCursors();
    emit activeToolChanged(id);
}

void ToolManager::setSpaceHeld(bool held) {
    if (held == space_) return;
    if (held) toolOf(active_).temporaryHandStarts();
    space_ = held;
    refreshCursors();
}

void ToolManager::setCapsLockOn(bool on) {
    if (on == capsLock_) return;
    capsLock_ = on;
    refreshCursors();
}

void ToolManager::refreshCursors() {
    for (VeView* view : views_) view->refreshToolCursor();
}

void ToolManager::abandonDrags(VeView& view) {
    for (Tool* tool : {static_cast<Tool*>(&marquee_), static_cast<Tool*>(&hand_),
                       static_cast<Tool*>(&zoomIn_), static_cast<Tool*>(&zoomOut_)}) {
        tool->abandon(view);
    }
}

void ToolManager::viewAttached(VeView& view) {
    views_.push_back(&view);
    view.scroller().setZoomCursorMode(zoomCursorModeOf(active_));
}

void ToolManager::viewDetached(VeView& view) {
    views_.erase(std::remove(views_.begin(), views_.end(), &view), views_.end());
}

bool ToolManager::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            // Every key reaches its window first, then the widgets: seen there, once.
            if (watched->isWindowType())
                keyEvent(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyRelease);
            break;
        case QEvent::ApplicationDeactivate:
            // The keys' releases go to another program now.
            setSpaceHeld(false);
            break;
        default:
            break;
    }
    return false;
}

void ToolManager::keyEvent(QKeyEvent* key, bool released) {
    // Caps Lock: counted presses, put right by the state the window system reports where it
    // does (the state before the event; the Caps Lock key's own release is not telling).
    const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
    const bool reported = (key->nativeModifiers() & kX11LockMask) != 0;
    if (key->key() == Qt::Key_CapsLock) {
        if (!released && !key->isAutoRepeat()) setCapsLockOn(xcb ? !reported : !capsLock_);
    } else if (xcb) {
        setCapsLockOn(reported);
    }

    // The active tool sees the keys it asks for while the pointer is over the active document's
    // view and that view lacks the focus (with the focus, the view passes every key itself).
    auto* view = qobject_cast<VeView*>(QApplication::widgetAt(QCursor::pos()));
    if (view && !view->hasFocus() && view->isActiveDocumentView()) {
        ToolEvent e;
        e.pos = view->pointerPosition();
        e.modifiers = key->modifiers();
        e.key = key->key();
        e.autoRepeat = key->isAutoRepeat();
        e.keyReleased = released;
        currentTool().preTranslateKey(*view, e);
    }

    if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) setSpaceHeld(!released);
}

}  // namespace varnel
