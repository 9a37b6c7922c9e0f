#include "palettes/history_page.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "history/history.h"
#include "history/history_action.h"
#include "palettes/palette_document.h"
#include "palettes/palette_group.h"

namespace varnel {

std::vector<HistoryRow> historyRows(const History* history, const QString& origin) {
    std::vector<HistoryRow> rows;
    if (!history) return rows;
    rows.push_back({origin,
                    history->current() < 0 ? HistoryRow::Kind::Current : HistoryRow::Kind::Origin,
                    false});
    for (int i = 0; i < history->count(); ++i) {
        HistoryRow row;
        row.name = QString::fromStdString(history->stateAt(i)->name());
        row.kind = i < history->current()    ? HistoryRow::Kind::Applied
                   : i == history->current() ? HistoryRow::Kind::Current
                                             : HistoryRow::Kind::Undone;
        row.cached = history->isCached(i);
        rows.push_back(row);
    }
    return rows;
}

QString historyRowDescription(const HistoryRow& row) {
    QString text;
    switch (row.kind) {
        case HistoryRow::Kind::Origin:
            text = QStringLiteral("Before the oldest step kept");
            break;
        case HistoryRow::Kind::Applied:
            text = QStringLiteral("Done");
            break;
        case HistoryRow::Kind::Current:
            text = QStringLiteral("Current state");
            break;
        case HistoryRow::Kind::Undone:
            text = QStringLiteral("Undone");
            break;
    }
    if (row.cached) text += QStringLiteral(", in disk cache");
    return text;
}

HistoryPage::HistoryPage(PaletteGroup* group, QWidget* parent)
    : PalettePage(group, QStringLiteral("History"), parent), list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("historyPage"));
    list_->setObjectName(QStringLiteral("historyList"));
    list_->setAccessibleName(QStringLiteral("History states"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(list_);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_) rowChosen(row);
    });
    connect(group, &PaletteGroup::activeDocumentChanged, this, [this](PaletteDocument* document) {
        wanted_ = document;
        if (isVisible()) bind(document);
    });
    connect(group, &PaletteGroup::historyChanged, this, [this] {
        if (bound_) refresh();
    });
    connect(group, &PaletteGroup::documentGone, this, [this](PaletteDocument* document) {
        if (wanted_ == document) wanted_ = nullptr;
        if (bound_ == document) bind(nullptr);
    });
    wanted_ = group->activeDocument();
}

void HistoryPage::showEvent(QShowEvent* event) {
    PalettePage::showEvent(event);
    bind(wanted_);
}

void HistoryPage::hideEvent(QHideEvent* event) {
    PalettePage::hideEvent(event);
    bind(nullptr);
}

void HistoryPage::bind(PaletteDocument* document) {
    bound_ = document;
    refresh();
}

void HistoryPage::refresh() {
    const History* history = bound_ ? bound_->history() : nullptr;
    std::vector<HistoryRow> rows =
        historyRows(history, bound_ ? QString::fromStdString(bound_->historyOrigin()) : QString());
    if (rows == rows_ && list_->count() == int(rows.size())) return;
    rows_ = std::move(rows);

    // The items are updated in place, so that the list keeps its scroll position and focus.
    updating_ = true;
    while (list_->count() > int(rows_.size())) delete list_->takeItem(list_->count() - 1);
    while (list_->count() < int(rows_.size())) new QListWidgetItem(list_);
    const QBrush plain = list_->palette().brush(QPalette::Active, QPalette::Text);
    const QBrush greyed = list_->palette().brush(QPalette::Disabled, QPalette::Text);
    const QIcon diskMark = style()->standardIcon(QStyle::SP_DriveHDIcon);
    int current = -1;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const HistoryRow& row = rows_[i];
        QListWidgetItem* item = list_->item(int(i));
        item->setText(row.name);
        item->setForeground(row.kind == HistoryRow::Kind::Undone ? greyed : plain);
        QFont font = list_->font();
        font.setBold(row.kind == HistoryRow::Kind::Current);
        item->setFont(font);
        item->setIcon(row.cached ? diskMark : QIcon());
        item->setToolTip(row.cached ? QStringLiteral("Kept in the disk cache") : QString());
        item->setData(Qt::AccessibleDescriptionRole, historyRowDescription(row));
        if (row.kind == HistoryRow::Kind::Current) current = int(i);
    }
    if (current >= 0 && list_->currentRow() != current) {
        list_->setCurrentRow(current);
        list_->scrollToItem(list_->item(current));
    }
    updating_ = false;
}

void HistoryPage::rowChosen(int row) {
    if (!bound_ || row < 0 || row >= int(rows_.size())) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Row 0 is the state before the first step kept: index -1.
    bound_->stepHistoryTo(row - 1);
    QApplication::restoreOverrideCursor();
    // Afterwards the list shows what the history holds, whatever the steps managed.
    QTimer::singleShot(0, this, [this] { refresh(); });
}

}  // namespace varnel
