// SwatchesPage: the Swatches palette. A grid of colour swatches (VeSwatchesView) over two buttons,
// "Create a new swatch" and "Delete swatch".
//
// A click on a swatch makes its colour the toolbox's foreground colour, with Ctrl its background
// colour. "Create a new swatch" appends the foreground colour (with Ctrl, the background colour);
// "Delete swatch" removes the last swatch (there is no chosen swatch). While the pointer is over a
// swatch the Info palette, when it is shown, shows that swatch's colour; leaving the grid blanks
// it. The list starts from the 122 default colours; the main window keeps the user's list in the
// settings and gives it back at the next start.
//
// Keyboard: the arrow keys, Home, End, Page Up and Page Down move the focus from swatch to swatch;
// Space or Return takes the focused swatch's colour as the foreground colour (Ctrl: background);
// Insert and Delete do what the two buttons do. Screen readers see the grid as a list whose items
// are the swatches, each with its colour as its value.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <vector>

#include "core/color.h"
#include "palettes/palette_page.h"
#include "palettes/swatch_grid.h"
#include "tools/toolbox.h"

class QAction;

namespace varnel {

class VeSwatchesView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit VeSwatchesView(QWidget* parent = nullptr);

    const std::vector<Bgra>& swatches() const { return swatches_; }
    // Replaces the list (colours made opaque; beyond kMaxSwatches dropped) and shows its top.
    void setSwatches(std::vector<Bgra> colors);
    // The 122 default colours.
    void resetToDefaults();
    // Appends a colour and scrolls to the bottom; false, changing nothing, when the list is full.
    bool addSwatch(Bgra color);
    // Removes the last swatch and scrolls to the bottom; false when the list is empty.
    bool removeLastSwatch();

    // The grid for the view's present width.
    SwatchGrid grid() const;
    // The swatch under a point of the viewport, -1 for none.
    int hitTest(const QPoint& viewportPoint) const;
    // The cell of a swatch in viewport coordinates (scrolled).
    QRect cellRect(int index) const;
    // The swatch with the keyboard focus (-1 with an empty list).
    int currentSwatch() const { return current_; }
    void setCurrentSwatch(int index);
    // Scrolls so that a swatch is wholly in view.
    void scrollToSwatch(int index);

signals:
    // A swatch was clicked or activated from the keyboard; `background` when Ctrl was held.
    void swatchPicked(int index, bool background);
    // The pointer moved onto (or along) a swatch; it left the grid.
    void swatchHovered(int index);
    void pointerLeft();
    // Insert and Delete.
    void addRequested(bool background);
    void removeRequested();
    // The list changed (added, removed, replaced).
    void swatchesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SwatchesViewAccessible;

    // Sets the scroll range for the width and list, and goes back to the top.
    void layOut();
    void scrollToBottom();
    void listChanged();
    void announceCurrent();

    std::vector<Bgra> swatches_;
    int current_ = -1;
    int wheelRemainder_ = 0;
    bool hovering_ = false;
};

class SwatchesPage : public PalettePage {
    Q_OBJECT

public:
    explicit SwatchesPage(PaletteGroup* group, QWidget* parent = nullptr);

    VeSwatchesView* view() const { return view_; }
    QAction* newSwatchAction() const { return newSwatch_; }
    QAction* deleteSwatchAction() const { return deleteSwatch_; }

    // The toolbox's colour chooser, whose colours the swatches set and the new swatches take.
    void setColorChooser(VeToolboxColorChooser* chooser);
    VeToolboxColorChooser* colorChooser() const { return chooser_; }

    // The buttons' work: appends the chooser's foreground colour (background with `background`);
    // removes the last swatch.
    void addSwatch(bool background);
    void removeLastSwatch();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void pick(int index, bool background);
    void showInInfo(int index);
    void updateButtons();

    VeSwatchesView* view_ = nullptr;
    QWidget* buttons_ = nullptr;
    QAction* newSwatch_ = nullptr;
    QAction* deleteSwatch_ = nullptr;
    QPointer<VeToolboxColorChooser> chooser_;
};

}  // namespace varnel
