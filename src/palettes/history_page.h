// HistoryPage: the History palette. It lists the states of the active document's undo list by
// their action names, the oldest first, below a first row for the state before the oldest step
// kept (named after the document). The current state is the selected row; undone states are
// greyed; states whose undo data waits in the disk cache carry a disk mark. Choosing a row (a
// click, the arrow keys, Home, End) undoes or redoes to it one state at a time, as Undo and Redo
// would, through the document window. A hidden page follows nothing and catches up when shown.
#pragma once

#include <QString>
#include <vector>

#include "palettes/palette_page.h"

class QListWidget;

namespace varnel {

class History;
class PaletteDocument;

// What one row of the page shows (kept apart from the widgets, so that it is easy to check).
struct HistoryRow {
    enum class Kind { Origin, Applied, Current, Undone };
    QString name;
    Kind kind = Kind::Applied;
    bool cached = false;

    friend bool operator==(const HistoryRow&, const HistoryRow&) = default;
};

// The rows for `history` (null: none), the first named `origin`.
std::vector<HistoryRow> historyRows(const History* history, const QString& origin);
// The description assistive technology reads for a row ("Current state, in disk cache").
QString historyRowDescription(const HistoryRow& row);

class HistoryPage : public PalettePage {
    Q_OBJECT

public:
    explicit HistoryPage(PaletteGroup* group, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    const std::vector<HistoryRow>& rows() const { return rows_; }
    // The document the page shows (null when hidden or without a document).
    PaletteDocument* boundDocument() const { return bound_; }

    // Looks at the bound document's undo list again and rebuilds the rows when they differ.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void bind(PaletteDocument* document);
    void rowChosen(int row);

    QListWidget* list_;
    std::vector<HistoryRow> rows_;
    PaletteDocument* wanted_ = nullptr;
    PaletteDocument* bound_ = nullptr;
    bool updating_ = false;
};

}  // namespace varnel
