// PreviewPane: a zoomable, scrollable picture of one layer inside a dialog (the Gaussian Blur
// dialog shows the active layer in it). It copies the layer into a private preview-only document
// when it is made and shows only that copy, so the dialog's live preview on the real layer never
// reaches it, and the copy can never be saved.
//
// While the pointer is over the pane a translucent toolbar appears over the picture: zoom out, a
// zoom slider (its middle is 100 %), zoom in and actual pixels, and, when the picture does not fit,
// a button that opens the navigator: a thumbnail of the whole layer with a red rectangle around
// the visible part, which can be dragged (or the thumbnail clicked) to move the view. Dragging the
// picture pans it; the wheel scrolls. Zoom runs from the fit zoom (at most 100 %) to 800 %.
//
// Keys (the pane takes the focus): + and − zoom, 1 shows actual pixels, the arrows scroll, N opens
// or closes the navigator.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "core/geometry.h"
#include "document/document.h"
#include "view/pixel_buffer.h"
#include "view/preview_geometry.h"
#include "view/zoom_render.h"
#include "view/zoom_scroller.h"

namespace varnel {

class RasterLayer;

class PreviewPane : public QWidget, public ZoomScrollerHost {
    Q_OBJECT

public:
    // The pane's size in a dialog.
    static constexpr int kDefaultWidth = 242;
    static constexpr int kDefaultHeight = 242;

    // Copies `layer` of `document`. The first view centres on what the user is looking at:
    // `documentVisible` is the visible image rectangle of the document's view; within it the
    // selection's bounds (`selectionBounds`, empty for none) or else the layer's bounds.
    PreviewPane(const Document& document, const RasterLayer& layer, Rect documentVisible,
                Rect selectionBounds, QSize size = QSize(kDefaultWidth, kDefaultHeight),
                QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Centres the view on an image point (the owner's answer to a click on the document window).
    void centreOnImagePoint(Point imagePoint);

    // The toolbar's and the keys' actions.
    void zoomOut();
    void zoomIn();
    void actualPixels();

    ZoomScroller& scroller() { return scroller_; }
    const ZoomScroller& scroller() const { return scroller_; }
    // The private copy the pane shows.
    const Document* picture() const { return picture_.get(); }
    PreviewMode mode() const { return mode_; }
    int32_t sliderPosition() const { return sliderPos_; }
    bool navigatorAvailable() const { return navigatorAvailable_; }
    int32_t hoverCode() const { return hoverCode_; }
    // The navigator's view rectangle and thumbnail rectangle, in client coordinates.
    Rect viewRect() const;
    Rect thumbnailRect() const;
    int32_t hitTest(Point p) const;
    // The image as drawn, with its overlay (what the screen shows).
    QImage frame();

    QSize sizeHint() const override { return size_; }

signals:
    // After every zoom change.
    void zoomChanged(float zoom);

protected:
    void scrollerInvalidate() override;
    void scrollerScrolled(int32_t dx, int32_t dy) override;
    void scrollerZoomChanged() override;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void press(Point p);
    void buttonAction(int32_t code);
    void sliderTo(int32_t x);
    void panBy(Point from, Point to);
    void navigatorDrag(Point to);
    void endPress();
    void setMode(PreviewMode mode);
    void updateCursor(Point p);
    preview::HitContext hitContext() const;
    void markDirty();
    void renderImage();
    void composeOverlay();
    void drawToolbar(QImage& target, int32_t alpha, bool hover);
    void drawNavigator();
    void updateAccessibleText();

    QSize size_;
    std::unique_ptr<Document> picture_;
    ZoomScroller scroller_;
    RenderSource source_;
    ZoomRenderer renderer_;
    PixelBuffer32 imageBuffer_;
    PixelBuffer32 overlayBuffer_;
    PixelBuffer32 thumbnail_;
    PreviewMode mode_ = PreviewMode::Plain;
    int32_t pressCode_ = 0;
    int32_t hoverCode_ = 0;
    int32_t sliderPos_ = 42;
    bool navigatorAvailable_ = false;
    Point lastPoint_;
    bool imageDirty_ = true;
    bool overlayDirty_ = true;
};

}  // namespace varnel
