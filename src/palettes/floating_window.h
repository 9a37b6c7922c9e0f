// FloatingWindow (VeFloatingWnd): a tool window of the editor's main window with its own caption
// and thin sizing border, the base of the palette windows and the toolbox.
//
// Moving it by its caption or sizing it by its border snaps its edges to the main window, its
// document area, the screen's work area and the other floating windows within 12 pixels (holding
// Ctrl turns that off); the windows attached to it stay where they are and are not snapped to
// while it moves. Its content is disabled while a modal dialog blocks it. Keys that nothing in
// it takes go to the main window's commands (Undo and the rest work from a palette too); Escape
// gives the focus back to the main window; Alt+F4 closes the main window.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "palettes/palette_group.h"

class QToolButton;

namespace varnel {

class FloatingWindow : public QWidget {
    Q_OBJECT

public:
    // Pixels of the sizing border and height of the caption.
    static constexpr int kBorder = 4;
    static constexpr int kCaptionHeight = 18;
    // Width of the diagonal sizing zones at the border's ends.
    static constexpr int kCornerZone = 16;

    // `key` names the window in the settings and is its object name; `title` is shown in the
    // caption and read by screen readers.
    FloatingWindow(PaletteGroup* group, const QString& key, const QString& title);
    ~FloatingWindow() override;

    // Null once the group is gone (while the main window takes its windows down).
    PaletteGroup* group() const { return group_; }
    QString key() const { return objectName(); }
    // Where subclasses put their controls: everything below the caption, inside the border.
    QWidget* content() const { return content_; }

    // Where the window goes when the settings keep no place for it.
    QSize defaultSize() const { return defaultSize_; }
    void setDefaultSize(QSize size) { defaultSize_ = size; }

    // Whether the user wants the window shown. Kept apart from isVisible(): the window is only
    // shown while the main window is, but the choice is what the settings keep.
    bool isWanted() const { return wanted_; }
    // Shows or hides the window as the user's choice (the caption's button, the Window menu).
    void setWanted(bool wanted);

    // The frame rectangle (the window has no frame of the window system's).
    QRect frameRect() const { return geometry(); }

    // The parts of the window at a point in its coordinates: the sizing edges (SnapEdges), and
    // whether the point is on the caption.
    uint32_t edgesAt(const QPoint& p) const;
    bool onCaption(const QPoint& p) const;
    QToolButton* hideButton() const { return hide_; }

signals:
    void wantedChanged(bool wanted);

protected:
    void setCaptionTitle(const QString& title);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Drag { None, Move, Size };
    // The main window: the window's parent.
    QWidget* ownerWindow() const;
    void updateCursor(const QPoint& p);
    void layoutContent();
    // Triggers the owner's command whose shortcut is `key`; false when there is none.
    bool forwardToOwner(QKeyEvent* event);

    QPointer<PaletteGroup> group_;
    QWidget* content_ = nullptr;
    QToolButton* hide_ = nullptr;
    QSize defaultSize_{220, 170};
    bool wanted_ = true;
    Drag drag_ = Drag::None;
    uint32_t dragEdges_ = 0;
    QPoint dragStart_;
    QRect startRect_;
    QList<FloatingWindow*> attached_;
};

}  // namespace varnel
