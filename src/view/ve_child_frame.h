// VeChildFrame: the content of one document window (a sub-window of the main window's
// multiple-document area). It owns its document and holds the canvas view, its own two scroll bars
// and the zoom field, handles the zoom commands and keeps the title "<name> @ <zoom>". The first
// time it is shown inside a sub-window it places that window in the cascade at the largest zoom
// step that fits. Asking before a modified document is closed is the host's part.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "view/window_placement.h"

class QMdiArea;
class QMdiSubWindow;
class QScrollBar;
class QSizeGrip;
class QWheelEvent;

namespace varnel {

class Document;
class Selection;
class VeCanvasInfoCtrl;
class VeView;

class VeChildFrame : public QWidget {
    Q_OBJECT

public:
    // Commands of the caption's context menu, passed on to whoever handles them.
    static constexpr int kCommandDuplicate = 32778;
    static constexpr int kCommandImageSize = 32779;
    static constexpr int kCommandCanvasSize = 32780;
    static constexpr int kCommandPageSetup = 57605;

    // Takes ownership of the document. zoomCursorMode is the active tool's wish (1 zoom in,
    // 2 zoom out, 0 other).
    explicit VeChildFrame(std::unique_ptr<Document> document, QWidget* parent = nullptr,
                          int32_t zoomCursorMode = 0);
    ~VeChildFrame() override;

    // Creates the document window for `document` in `area`: a sub-window holding a new frame,
    // shown (and so placed). Null when the document is null.
    static VeChildFrame* open(QMdiArea* area, std::unique_ptr<Document> document,
                              int32_t zoomCursorMode = 0);
    // The frame inside a sub-window made by open(); null for other sub-windows.
    static VeChildFrame* fromSubWindow(QMdiSubWindow* window);

    Document* document() const { return document_.get(); }
    // The window's selection, on the document's canvas; the view outlines it.
    Selection& selection() const { return *selection_; }
    VeView* view() const { return view_; }
    VeCanvasInfoCtrl* infoCtrl() const { return info_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    QScrollBar* verticalBar() const { return vbar_; }
    // The view's zoom as last reported.
    float zoom() const { return zoom_; }
    // "<name> @ <zoom>".
    QString titleText() const;
    // The document's display name: its title, else its file name, else "Untitled".
    QString documentName() const;

    // Handles the zoom commands and passes every other command to the view; false when neither
    // knows it.
    bool handleCommand(int32_t command);
    // The commands handleCommand knows, and whether one can do anything now (no zooming in at the
    // maximum, no zooming out at the minimum, no fixed zoom below the minimum).
    static bool handlesCommand(int32_t command);
    bool isCommandEnabled(int32_t command) const;
    void fitOnScreen();
    void printSize();

    // Which caption-menu commands the host can carry out now; the menu offers only those (and
    // none while no filter is set). The items, in menu order, that the menu would offer.
    void setCaptionCommandFilter(std::function<bool(int)> offered) {
        captionFilter_ = std::move(offered);
    }
    std::vector<std::pair<int, QString>> captionMenuItems() const;

    // The sizes of the window around its view.
    WindowChrome chrome() const;

    // Application-wide state the layout depends on. After a change the main window calls
    // relayout() on every document window.
    static void setToolboxVisible(bool visible);
    static void setFullScreenMode(bool on);
    static bool isFullScreenMode();
    void relayout();

    // A wheel turn that reached the application elsewhere (over a part that had no use for it)
    // scrolls the view, as a turn over the view would, when either scroll bar is enabled; false
    // when it was not used.
    bool scrollByWheel(const QWheelEvent& event);

signals:
    // After every zoom change of the view.
    void zoomChanged(float zoom);
    // A command from the caption menu (Duplicate, Image Size, Canvas Size, Page Setup).
    void commandRequested(int command);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onZoomChanged(float zoom);
    void onCanvasResized();
    void layoutChildren();
    QMdiSubWindow* subWindow() const;
    void showCaptionMenu(const QPoint& globalPos);
    // Initial placement in the sub-window's area: cascade position, size and zoom.
    void placeInArea();

    std::unique_ptr<Document> document_;
    std::unique_ptr<Selection> selection_;
    VeView* view_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    VeCanvasInfoCtrl* info_ = nullptr;
    QSizeGrip* grip_ = nullptr;
    int32_t barWidth_ = 16;
    int32_t barHeight_ = 16;
    float zoom_ = 1.0f;
    bool placed_ = false;
    std::function<bool(int)> captionFilter_;
};

}  // namespace varnel
