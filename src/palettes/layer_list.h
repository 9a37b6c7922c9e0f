// LayerList: the list of the Layers palette, one 30-pixel row per layer of a document, the top
// layer first. Each row shows the layer's visibility (the eye column), a thumbnail of the layer
// over the canvas and its name (italic for the background layer, bold while selected).
//
// The list never changes the document: it reports what the user asks for (its signals) and the
// page sends the requests on. It follows the document through the page, which hands it the
// change records: names, visibility and pixels update their row; a pixel change renders again
// only the part of the thumbnail the changed rectangle touches, when the row is next painted.
//
// Mouse: a press on the eye toggles the layer's visibility; a press elsewhere selects the row
// (Shift: the range from the anchor; Ctrl: the row is toggled on release); dragging a row and
// dropping it between two others moves the layer there; a double click on the name renames it
// in place (Enter or leaving the field commits, Escape or a blank name cancels).
// Keys: Up, Down, Home, End, Page Up and Page Down choose the row (with Shift, a range); Ctrl with
// them moves the focus only, Ctrl+Space selects or deselects the focused row; Space toggles the
// visibility; F2 or Return renames; Alt+Up and Alt+Down move the layer; Delete deletes it.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QString>
#include <vector>

#include "core/geometry.h"
#include "document/change.h"
#include "document/layer_thumbnail.h"

class QLineEdit;

namespace varnel {

class Document;
class LayerItem;
struct LayerRowLayout;

class LayerList : public QAbstractScrollArea {
    Q_OBJECT

public:
    struct Row {
        LayerItem* layer = nullptr;
        QString name;
        bool selected = false;
        // The thumbnail and what of it is out of date: everything, or the canvas rectangle of
        // the pixel changes since it was last painted.
        LayerThumbnail thumbnail;
        bool thumbnailStale = true;
        Rect changed;
    };

    explicit LayerList(QWidget* parent = nullptr);
    ~LayerList() override;

    // The document shown (null: none). Rebuilds the rows. An open rename is committed first.
    void setDocument(Document* document);
    Document* document() const { return document_; }
    // Builds the rows from the document again (keeping the thumbnails of layers that stay), and
    // selects the row of the active layer.
    void rebuild();
    // A change record of the document (name, visibility, pixels, or a structure change).
    void documentChanged(const ChangeRecord& change);

    // --- rows --------------------------------------------------------------------------------
    int rowCount() const { return int(rows_.size()); }
    const Row& row(int r) const { return rows_[size_t(r)]; }
    LayerItem* layerAt(int r) const;
    int rowOf(const LayerItem* layer) const;
    // The layer's index in the stack (the bottom layer is 0), -1 when it is not in the document.
    int stackIndexOf(const LayerItem* layer) const;
    // The rectangle of a row in the viewport.
    QRect rowRect(int r) const;
    int rowAt(const QPoint& viewportPoint) const;
    LayerRowLayout layoutOf(int r) const;
    // The font of a row's name: italic for the background layer, bold while selected.
    QFont nameFont(int r) const;

    // --- selection -----------------------------------------------------------------------------
    // The focused row (-1 for none).
    int currentRow() const { return current_; }
    std::vector<int> selectedRows() const;
    int selectedCount() const;
    // The selected layers, bottom first (what Merge Layers takes).
    std::vector<LayerItem*> selectedLayers() const;
    // Makes `r` the only selected row, the current row and the anchor.
    void selectOnly(int r);
    void setSelected(int r, bool selected);
    void scrollToRow(int r);

    // --- renaming ------------------------------------------------------------------------------
    // Opens the name field on row `r` (never on the background layer); false when it did not.
    bool startRename(int r);
    bool isRenaming() const { return editor_ != nullptr; }
    QLineEdit* renameEditor() const { return editor_; }
    // The layer being renamed (null when none).
    LayerItem* renamedLayer() const { return editedLayer_; }
    void commitRename();
    void cancelRename();

    // Asks to move the layer of row `r` `step` places up the stack (towards the first row) or
    // down; false when it cannot go there.
    bool moveRowBy(int r, int step);

    // Where a row dragged from `fromRow` and dropped at gap `gap` (0 above the first row,
    // rowCount() below the last) goes in the stack; -1 when it would stay where it is.
    int stackIndexForDrop(int fromRow, int gap) const;
    // The gap shown while a row is dragged (-1 when none).
    int dropGap() const { return dropGap_; }

    QSize sizeHint() const override;

signals:
    // The set of selected rows changed (by the user or by a rebuild).
    void selectionChanged();
    void visibilityToggled(LayerItem* layer);
    // The rename field opened on a layer, and closed with a new name (never blank, never the name
    // the layer has).
    void renameStarted(LayerItem* layer);
    void renameCommitted(LayerItem* layer, const QString& name);
    // The layer dragged to stack index `to`, or moved there from the keyboard.
    void moveRequested(LayerItem* layer, int to);
    void deleteRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class LayerListAccessible;
    void paintRow(QPainter& p, int r);
    void refreshThumbnail(Row& row, const LayerRowLayout& layout);
    void updateScrollBar();
    void repaintRow(int r);
    void setCurrent(int r);
    void changeSelection(const std::vector<bool>& selected);
    void selectRange(int from, int to);
    void announce(int r, int event);
    void announceState(int r);
    void closeEditor(bool commit);
    void placeEditor();
    void endDrag();

    Document* document_ = nullptr;
    std::vector<Row> rows_;
    int current_ = -1;
    int anchor_ = -1;

    // The press in progress: where, on which row, and whether it became a drag.
    int pressRow_ = -1;
    QPoint pressPoint_;
    bool pressed_ = false;
    bool dragging_ = false;
    bool deferredSelect_ = false;
    int dropGap_ = -1;

    QLineEdit* editor_ = nullptr;
    LayerItem* editedLayer_ = nullptr;
    bool closingEditor_ = false;
};

}  // namespace varnel
