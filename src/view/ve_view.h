// VeView: the canvas view of one document window. It owns the window's zoom and scroll state, draws
// the background, the border and the zoomed composite into a pixel buffer of its own, and shows
// that buffer as it stands, so what the screen shows is exactly what the renderer computed. The
// marching ants are drawn by their timer into the same buffer; the tools' drag rectangles are
// pixels inverted over it while painting (invertMask()).
//
// Mouse, key, focus and timer events go to the active tool (view_tool.h) after the view's own
// handling. A tool that starts a drag captures the mouse (captureMouse()); the capture ends with
// the left button's release, which finishes the drag, or earlier when the view loses the mouse
// or the keyboard to another window, which abandons the drag without a result.
#pragma once

#include <QBasicTimer>
#include <QCursor>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>

#include "document/change.h"
#include "document/selection.h"
#include "document/selection_area.h"
#include "history/history_action.h"
#include "view/display_cache.h"
#include "view/invert_mask.h"
#include "view/pixel_buffer.h"
#include "view/selection_outline.h"
#include "view/view_tool.h"
#include "view/zoom_scroller.h"

class QScrollBar;

namespace varnel {

class Document;

// The colours the view draws around the image, given by its host (the editor takes them from its
// settings); these are the defaults.
struct ViewColors {
    Bgra surround{0xAA, 0xAA, 0xAA, 0xFF};  // the window's background beyond the canvas
    Bgra border{0, 0, 0, 0xFF};             // the line around the canvas
};

class VeView : public QWidget,
               public ZoomScrollerHost,
               public DocumentListener,
               public SelectionListener {
    Q_OBJECT

public:
    // Ants period in milliseconds.
    static constexpr int kAntsInterval = 100;

    // The view registers with the document (which must outlive it) and takes its canvas size.
    // zoomCursorMode starts from the active tool's wish (1 zoom in, 2 zoom out, 0 other).
    explicit VeView(Document* document, QWidget* parent = nullptr, int32_t zoomCursorMode = 0);
    ~VeView() override;

    Document* document() const { return document_; }
    ZoomScroller& scroller() { return scroller_; }
    const ZoomScroller& scroller() const { return scroller_; }
    float zoom() const { return scroller_.zoom(); }

    // The document window's scroll bars, which then follow the scroller (not owned).
    void setScrollBars(QScrollBar* horizontal, QScrollBar* vertical);
    // Whether the view belongs to the active document window (the ants run only there). Without
    // a query the view's own top-level window must be active.
    void setActiveQuery(std::function<bool()> query) { activeQuery_ = std::move(query); }

    // View commands (Toggle Selection); false for commands the view does not know.
    bool handleCommand(int32_t command);

    // Where the view reads its colours at every repaint (so that a change shows at the next
    // one); without a source it draws the defaults. Call invalidateBackground() after a change.
    void setColorSource(std::function<ViewColors()> source) { colorSource_ = std::move(source); }
    ViewColors colors() const { return colorSource_ ? colorSource_() : ViewColors{}; }

    // --- tools --------------------------------------------------------------------------------
    // The process-wide source of the active tool; views made afterwards attach to it. Null: the
    // views pass no event to any tool.
    static void setToolSource(ViewToolSource* source);
    static ViewToolSource* toolSource();
    // Whether this is the view of the active document window.
    bool isActiveDocumentView() const;
    // The pointer's position in client coordinates.
    Point pointerPosition() const;

    // The drag of a tool: captureMouse() at its start; releaseCapture() when the left button
    // goes up, which tells the tool that takes events now (onCaptureLost) and makes every other
    // tool drop what it still holds on this view.
    void captureMouse();
    void releaseCapture(const ToolEvent& event);
    void releaseCapture();
    bool hasCapture() const { return captured_; }
    // The mouse went elsewhere in the middle of a drag (another window or a dialog took it, the
    // view was hidden): every tool drops its drag on this view without a result.
    void loseCapture();

    // The cursor a tool shows over the view; clearToolCursor() goes back to the plain one.
    void setToolCursor(const QCursor& cursor);
    void clearToolCursor();
    // Asks the tool for the cursor again (after a key, a tool or the zoom changed).
    void refreshToolCursor();

    // The pixels shown inverted over the frame, and the call that repaints a part of it after
    // marks there changed.
    InvertMask& invertMask() { return invert_; }
    const InvertMask& invertMask() const { return invert_; }
    void repaintClientRect(const Rect& clientRect);

    // Where the tools' undoable steps go: the window's history. Returns the result of performing
    // the action, 0 when no one takes actions.
    using ActionSink = std::function<int(std::unique_ptr<HistoryAction>)>;
    void setActionSink(ActionSink sink) { actionSink_ = std::move(sink); }
    int perform(std::unique_ptr<HistoryAction> action);

    // A width and height in image pixels for the Info palette: the rectangle being dragged, or
    // the selection's size after it changed (0 × 0 for none).
    void reportSize(int32_t width, int32_t height);
    QSize reportedSize() const { return reportedSize_; }

    // --- repainting -------------------------------------------------------------------------
    // Repaints the client rectangle of a canvas rectangle (enlarged by 1).
    void invalidateImageRect(const Rect& imageRect);
    // Repaints everything outside the canvas (after the background or border colour changed).
    void invalidateBackground();
    void invalidateAll();
    // The canvas size changed: new image size, same zoom, the visible centre kept.
    void canvasSizeChanged();

    // --- selection outline -------------------------------------------------------------------
    // The selection whose outline the view draws; the view follows its changes (and leaves it
    // before either goes away). Null for none.
    void setSelection(Selection* selection);
    Selection* selection() const { return selection_; }
    using SelectionProvider = std::function<SelectionArea()>;
    // For selections that are not a Selection object: where the view reads the current one
    // from; selectionUpdated() must then be called after every change.
    void setSelectionProvider(SelectionProvider provider);
    // After a change of the selection: the old ants vanish, the ants are shown again and follow
    // the new outline.
    void selectionUpdated();
    // Toggle Selection: hides or shows the ants.
    void toggleSelectionShown();
    bool selectionShown() const { return outline_.shown; }
    bool antsRunning() const { return outline_.timerRunning; }
    const SelectionOutline& outline() const { return outline_; }
    // One tick of the ants timer: draws the ants when this view's window is active, no left
    // button is held and the selection is in sight.
    void antsTick();

    // --- what is shown ------------------------------------------------------------------------
    // The client area as last drawn (the frame the screen shows), in device pixels: on a screen
    // with a device pixel ratio of 2 it is twice the client size in each direction, and client
    // point (x, y) shows at frame pixel (x × frameScale(), y × frameScale()).
    const PixelBuffer32& frameBuffer() const { return frame_; }
    qreal frameScale() const { return scale_; }
    // The zoom and scroll state at device resolution, which draws the frame (the view's own
    // scroller when the scale is 1).
    const ZoomScroller& frameScroller() const;
    // Content pixels rendered so far (the display cache's count).
    int64_t renderedPixels() const { return cache_.renderedPixels(); }

signals:
    // After every zoom change, with the new zoom.
    void zoomChanged(float zoom);
    // The document's canvas took another size (the view has followed it).
    void canvasResized();
    // A size for the Info palette (reportSize), also repeated when the view gains the focus.
    // A width or height of 0 or less stands for none.
    void sizeReported(QSize size);

public slots:
    // From the zoom tool: zoom to a dragged client rectangle (a click zooms one step in).
    void zoomToClientRect(const QRect& rect, bool keepPoint);
    // From the zoom tool: one step out about a client point.
    void zoomOutAtClientPoint(const QPoint& point, bool keepPoint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ZoomScrollerHost
    void scrollerInvalidate() override;
    void scrollerScrolled(int32_t dx, int32_t dy) override;
    void scrollerBarsChanged() override;
    void scrollerZoomChanged() override;
    // DocumentListener
    void documentChanged(const ChangeRecord& change) override;
    // SelectionListener
    void selectionChanged(const SelectionChange& change) override;

    RenderSource currentSource();
    // Draws the pending parts of `region` into the frame buffer.
    void renderPending(const QRegion& region);
    void renderRect(const Rect& clip, const RenderSource& source);
    // Draws the visible canvas again at once (removing any ants from the frame).
    void repaintVisibleImage();
    void rebuildOutline();
    void startAnts();
    void stopAnts();
    bool antsAllowed() const;
    SelectionArea currentSelection() const;
    void onBarValue(ScrollAxis axis, int value);
    ViewTool* tool() const;
    ToolEvent mouseEventFor(const QMouseEvent* event) const;
    ToolEvent keyEventFor(const QKeyEvent* event) const;
    void leftButtonDown(QMouseEvent* event);
    // Whether another widget holds the mouse while this view believes it has it.
    bool grabTakenElsewhere() const;
    void endCapture();
    // Makes the frame the size of the client area in device pixels, for the screen's scale now.
    void fitFrame();
    // A client rectangle in frame pixels (covering it), and the reverse.
    Rect toFrame(const Rect& client) const;
    QRect toClient(const Rect& frameRect) const;

    Document* document_ = nullptr;
    ZoomScroller scroller_;
    DisplayCache cache_;
    PixelBuffer32 frame_;
    qreal scale_ = 1.0;
    mutable ZoomScroller deviceScroller_;
    QRegion pending_;
    SelectionOutline outline_;
    QBasicTimer antsTimer_;
    Selection* selection_ = nullptr;
    std::function<ViewColors()> colorSource_;
    SelectionProvider provider_;
    std::function<bool()> activeQuery_;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    bool syncingBars_ = false;
    bool leftHeld_ = false;
    bool captured_ = false;
    // The top-level window watched while the view holds the mouse.
    QPointer<QWidget> watchedWindow_;
    bool toolCursorSet_ = false;
    InvertMask invert_;
    ActionSink actionSink_;
    QSize reportedSize_{0, 0};
};

}  // namespace varnel
