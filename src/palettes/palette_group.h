// PaletteGroup: the floating windows of the editor (the palette windows, later the toolbox) as
// one group beside the main window. It knows every floating window (for snapping and for the
// windows attached to one another), the main window and its document area they snap to, the
// pages by their titles, and the active document the pages follow.
//
// The main window makes the group, its windows and pages at start-up, tells it which document
// window is active (setActiveDocument) and restores and captures the windows' placement.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <vector>

#include "palettes/palette_document.h"
#include "palettes/palette_geometry.h"

namespace varnel {

class FloatingWindow;
class PalettePage;
class PaletteWindow;

// Where a floating window is and what it shows, as the settings keep it.
struct FloatingWindowPlacement {
    QString key;  // the window's name, e.g. "Layers"
    QRect rect;   // frame rectangle, screen coordinates
    bool visible = true;
    QString page;      // the shown page's title (palette windows)
    QStringList tabs;  // the page titles in tab order (palette windows)
};

class PaletteGroup : public QObject, private PaletteDocument::Watcher {
    Q_OBJECT

public:
    // `owner` is the main window: the floating windows are its tool windows, float above it and
    // snap to it.
    explicit PaletteGroup(QWidget* owner);
    ~PaletteGroup() override;

    QWidget* owner() const { return owner_; }
    // The owner's document area, a snapping target from inside.
    void setDocumentArea(QWidget* area) { documentArea_ = area; }

    // --- windows and pages -------------------------------------------------------------------
    // A new palette window named `key` (its settings key and object name), empty until pages
    // are added to it.
    PaletteWindow* addPaletteWindow(const QString& key);
    // Called by every floating window when it is made and when it goes.
    void registerWindow(FloatingWindow* window);
    void unregisterWindow(FloatingWindow* window);
    // Creation order.
    const QList<FloatingWindow*>& windows() const { return windows_; }
    FloatingWindow* window(const QString& key) const;
    // The page with that title in any palette window, and the window holding it; null for none.
    PalettePage* page(const QString& title) const;
    PaletteWindow* windowOf(const PalettePage* page) const;
    // Shows the page's window with the page in front, and gives it the focus.
    void showPage(PalettePage* page);

    // --- placement -----------------------------------------------------------------------------
    std::vector<FloatingWindowPlacement> placements() const;
    // Applies the placements whose key names a window; a rectangle that would leave the window
    // out of reach (empty, or outside every screen) is replaced by the window's default place.
    // Windows without a placement go to their default place, shown.
    void applyPlacements(const std::vector<FloatingWindowPlacement>& placements);
    // The default places: down the right edge of the owner's document area, one under another.
    void placeAllByDefault();
    // Shows the windows the user has not hidden (after the owner was shown).
    void showWanted();

    // --- snapping --------------------------------------------------------------------------------
    bool snappingEnabled() const { return snapping_; }
    void setSnappingEnabled(bool on) { snapping_ = on; }
    // What `moving` snaps to, leaving out `excluded` windows (those attached to it while its
    // caption is dragged).
    SnapTargets snapTargets(const FloatingWindow* moving,
                            const QList<FloatingWindow*>& excluded = {}) const;
    // The visible floating windows attached to `window` (sharing edges, repeatedly).
    QList<FloatingWindow*> attachedTo(const FloatingWindow* window) const;

    // --- the active document -----------------------------------------------------------------
    // The document window the pages follow; null when none is active. The group watches every
    // document it was given and forgets it when it goes.
    void setActiveDocument(PaletteDocument* document);
    PaletteDocument* activeDocument() const { return active_; }

    // Says that a document's undo list may have changed (a step recorded, undone or redone,
    // states dropped or moved to the disk cache); the History palette then looks again.
    void notifyHistoryChanged() { emit historyChanged(); }

signals:
    void activeDocumentChanged(PaletteDocument* document);
    void historyChanged();
    // A document window the group has seen goes away (before its document is destroyed). When
    // it was the active one, activeDocumentChanged(nullptr) follows.
    void documentGone(PaletteDocument* document);
    // A window was shown or hidden by the user (its caption's button, the owner's menu).
    void windowVisibilityChanged(FloatingWindow* window, bool visible);

private:
    void paletteDocumentGone(PaletteDocument* document) override;
    QRect defaultRect(int index) const;

    QPointer<QWidget> owner_;
    QPointer<QWidget> documentArea_;
    QList<FloatingWindow*> windows_;
    std::vector<PaletteDocument*> watched_;
    PaletteDocument* active_ = nullptr;
    bool snapping_ = true;
};

}  // namespace varnel
