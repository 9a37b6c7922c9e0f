// VeView: the canvas view of one document window. It owns the window's zoom and scroll state, draws
// the background, the border and the zoomed composite into a pixel buffer of its own, and shows
// that buffer as it stands, so what the screen shows is exactly what the renderer computed. The
// marching ants are drawn by their timer into the same buffer.
#pragma once

#include <QBasicTimer>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "document/change.h"
#include "document/selection.h"
#include "document/selection_area.h"
#include "view/display_cache.h"
#include "view/pixel_buffer.h"
#include "view/selection_outline.h"
#include "view/zoom_scroller.h"

class QScrollBar;

namespace varnel {

class Document;

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
    // The client area as last drawn (the frame the screen shows).
    const PixelBuffer32& frameBuffer() const { return frame_; }
    // Content pixels rendered so far (the display cache's count).
    int64_t renderedPixels() const { return cache_.renderedPixels(); }

signals:
    // After every zoom change, with the new zoom.
    void zoomChanged(float zoom);
    // The document's canvas took another size (the view has followed it).
    void canvasResized();

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
    void mouseReleaseEvent(QMouseEvent* event) override;
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

    Document* document_ = nullptr;
    ZoomScroller scroller_;
    DisplayCache cache_;
    PixelBuffer32 frame_;
    QRegion pending_;
    SelectionOutline outline_;
    QBasicTimer antsTimer_;
    Selection* selection_ = nullptr;
    SelectionProvider provider_;
    std::function<bool()> activeQuery_;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    bool syncingBars_ = false;
    bool leftHeld_ = false;
};

}  // namespace varnel
