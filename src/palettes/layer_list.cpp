#include "palettes/layer_list.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>

#include "document/document.h"
#include "palettes/layer_row_layout.h"
#include "palettes/palette_accessibility.h"

namespace varnel {

namespace {

const QColor kRowLine(208, 208, 208);
const QColor kEyeBackground(236, 236, 236);

// The most characters of a layer name.
constexpr int kMaxNameLength = 255;

// The eye of a visible layer, drawn into the eye column.
void drawEye(QPainter& p, const QRect& column) {
    const QPointF c = QRectF(column).center();
    QPainterPath eye;
    eye.moveTo(c.x() - 7, c.y());
    eye.quadTo(c.x(), c.y() - 7, c.x() + 7, c.y());
    eye.quadTo(c.x(), c.y() + 7, c.x() - 7, c.y());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(eye);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(c, 2.3, 2.3);
    p.restore();
}

}  // namespace

LayerList::LayerList(QWidget* parent) : QAbstractScrollArea(parent) {
    installPaletteAccessibility();
    setObjectName(QStringLiteral("layerList"));
    setAccessibleName(QStringLiteral("Layers"));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(kLayerRowHeight);
    viewport()->setMouseTracking(false);
    viewport()->setAutoFillBackground(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        placeEditor();
        viewport()->update();
    });
}

LayerList::~LayerList() = default;

QSize LayerList::sizeHint() const {
    return QSize(200, kLayerRowHeight * 4);
}

// --- rows --------------------------------------------------------------------------------------

void LayerList::setDocument(Document* document) {
    if (editor_) closeEditor(true);
    endDrag();
    document_ = document;
    rows_.clear();
    current_ = anchor_ = -1;
    rebuild();
}

void LayerList::rebuild() {
    endDrag();
    pressed_ = false;
    std::vector<Row> old = std::move(rows_);
    rows_.clear();
    if (document_) {
        const LayerStack& stack = document_->layers();
        rows_.reserve(size_t(stack.count()));
        for (int i = stack.count() - 1; i >= 0; --i) {
            LayerItem* layer = stack.layerAt(i);
            auto it = std::find_if(old.begin(), old.end(),
                                   [layer](const Row& r) { return r.layer == layer; });
            Row row;
            if (it != old.end()) row = std::move(*it);
            row.layer = layer;
            row.name = QString::fromStdString(layer->name());
            row.selected = layer == stack.activeLayer();
            rows_.push_back(std::move(row));
        }
    }
    const int active = document_ ? rowOf(document_->layers().activeLayer()) : -1;
    current_ = anchor_ = active;
    if (editor_ && rowOf(editedLayer_) < 0) closeEditor(false);
    updateScrollBar();
    placeEditor();
    if (active >= 0) scrollToRow(active);
    viewport()->update();
    if (QAccessible::isActive()) {
        forgetMissingItems(this);
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
        if (active >= 0 && hasFocus()) announce(active, QAccessible::Focus);
    }
    emit selectionChanged();
}

void LayerList::documentChanged(const ChangeRecord& change) {
    if (!document_ || change.document != document_) return;
    if (change.code == kChangeStructure) {
        rebuild();
        // A change of the whole stack (geometry, an image put back) can change every layer's
        // pixels; otherwise only the layer concerned changed.
        for (Row& row : rows_)
            if (!change.layer || row.layer == change.layer) row.thumbnailStale = true;
        viewport()->update();
        return;
    }
    const int r = rowOf(change.layer);
    if (r < 0) return;
    Row& row = rows_[size_t(r)];
    switch (change.code) {
        case kChangeName:
            row.name = QString::fromStdString(change.layer->name());
            announce(r, QAccessible::NameChanged);
            break;
        case kChangeVisibility:
            announceState(r);
            break;
        case kChangePixels:
            row.changed = row.changed.united(change.rect);
            break;
        default:
            announce(r, QAccessible::DescriptionChanged);
            break;
    }
    repaintRow(r);
}

LayerItem* LayerList::layerAt(int r) const {
    return r >= 0 && r < rowCount() ? rows_[size_t(r)].layer : nullptr;
}

int LayerList::rowOf(const LayerItem* layer) const {
    if (!layer) return -1;
    for (int r = 0; r < rowCount(); ++r)
        if (rows_[size_t(r)].layer == layer) return r;
    return -1;
}

int LayerList::stackIndexOf(const LayerItem* layer) const {
    return document_ && layer ? document_->layers().indexOf(layer) : -1;
}

QRect LayerList::rowRect(int r) const {
    return QRect(0, r * kLayerRowHeight - verticalScrollBar()->value(), viewport()->width(),
                 kLayerRowHeight);
}

int LayerList::rowAt(const QPoint& p) const {
    if (p.y() < 0 || p.x() < 0 || p.x() >= viewport()->width()) return -1;
    const int r = (p.y() + verticalScrollBar()->value()) / kLayerRowHeight;
    return r < rowCount() ? r : -1;
}

LayerRowLayout LayerList::layoutOf(int r) const {
    const QRect q = rowRect(r);
    return layerRowLayout(Rect::fromXYWH(q.x(), q.y(), q.width(), q.height()),
                          document_ ? document_->size() : Size{1, 1});
}

QFont LayerList::nameFont(int r) const {
    QFont f = font();
    f.setPixelSize(12);
    if (r >= 0 && r < rowCount()) {
        f.setItalic(rows_[size_t(r)].layer->isBackground());
        f.setBold(rows_[size_t(r)].selected);
    }
    return f;
}

void LayerList::updateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(std::max(1, viewport()->height()));
    bar->setRange(0, std::max(0, rowCount() * kLayerRowHeight - viewport()->height()));
}

void LayerList::scrollToRow(int r) {
    if (r < 0 || r >= rowCount()) return;
    QScrollBar* bar = verticalScrollBar();
    const int top = r * kLayerRowHeight;
    if (top < bar->value())
        bar->setValue(top);
    else if (top + kLayerRowHeight > bar->value() + viewport()->height())
        bar->setValue(top + kLayerRowHeight - viewport()->height());
}

void LayerList::repaintRow(int r) {
    viewport()->update(rowRect(r));
}

void LayerList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
    placeEditor();
}

void LayerList::placeEditor() {
    const int r = rowOf(editedLayer_);
    if (!editor_ || r < 0) return;
    const Rect e = layoutOf(r).editor;
    editor_->setGeometry(e.left, e.top, e.width(), e.height());
}

// --- painting ----------------------------------------------------------------------------------

void LayerList::refreshThumbnail(Row& row, const LayerRowLayout& layout) {
    const Size size = layout.pixels.size();
    if (size.isEmpty() || !document_) return;
    if (row.thumbnailStale || row.thumbnail.size() != size) {
        row.thumbnail.render(*row.layer, document_->size(), size);
    } else if (!row.changed.isEmpty()) {
        row.thumbnail.update(*row.layer, document_->size(), row.changed);
    }
    row.thumbnailStale = false;
    row.changed = {};
}

void LayerList::paintRow(QPainter& p, int r) {
    Row& row = rows_[size_t(r)];
    const QRect q = rowRect(r);
    const LayerRowLayout l = layoutOf(r);
    auto rect = [](const Rect& x) { return QRect(x.left, x.top, x.width(), x.height()); };

    // The eye column, then the row's background (the highlight while selected).
    p.fillRect(rect(l.eye), kEyeBackground);
    if (row.layer->isVisible()) drawEye(p, rect(l.eye));
    const QRect rest(l.eye.right, q.top(), q.width() - kEyeColumnWidth, q.height());
    p.fillRect(rest, row.selected ? palette().color(QPalette::Highlight)
                                  : palette().color(QPalette::Base));
    p.setPen(kRowLine);
    p.drawLine(q.left(), q.bottom(), q.right(), q.bottom());

    // The thumbnail in its black frame.
    p.setPen(Qt::black);
    const QRect frame = rect(l.thumbnail);
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    refreshThumbnail(row, l);
    if (!row.thumbnail.isEmpty() && !l.pixels.isEmpty()) {
        const QImage image(reinterpret_cast<const uchar*>(row.thumbnail.row(0)),
                           row.thumbnail.width(), row.thumbnail.height(), row.thumbnail.width() * 4,
                           QImage::Format_RGB32);
        p.drawImage(l.pixels.left, l.pixels.top, image);
    }

    // The name, unless it is being edited.
    if (editor_ && row.layer == editedLayer_) return;
    const QFont f = nameFont(r);
    p.setFont(f);
    p.setPen(palette().color(row.selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect name = rect(l.name);
    p.drawText(name, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               QFontMetrics(f).elidedText(row.name, Qt::ElideRight, name.width()));
    if (r == current_ && hasFocus()) {
        p.setPen(QPen(palette().color(row.selected ? QPalette::HighlightedText : QPalette::Text), 1,
                      Qt::DotLine));
        p.drawRect(rest.adjusted(1, 1, -2, -2));
    }
}

void LayerList::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.fillRect(event->rect(), palette().color(QPalette::Base));
    const int first =
        std::max(0, (event->rect().top() + verticalScrollBar()->value()) / kLayerRowHeight);
    for (int r = first; r < rowCount(); ++r) {
        const QRect q = rowRect(r);
        if (q.top() > event->rect().bottom()) break;
        paintRow(p, r);
    }
    if (dragging_ && dropGap_ >= 0) {
        const int y = dropGap_ * kLayerRowHeight - verticalScrollBar()->value();
        p.fillRect(QRect(0, std::max(0, y - 1), viewport()->width(), 2),
                   palette().color(QPalette::Text));
    }
}

// --- selection ---------------------------------------------------------------------------------

std::vector<int> LayerList::selectedRows() const {
    std::vector<int> out;
    for (int r = 0; r < rowCount(); ++r)
        if (rows_[size_t(r)].selected) out.push_back(r);
    return out;
}

int LayerList::selectedCount() const {
    return int(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

std::vector<LayerItem*> LayerList::selectedLayers() const {
    std::vector<LayerItem*> out;
    for (int r = rowCount() - 1; r >= 0; --r)
        if (rows_[size_t(r)].selected) out.push_back(rows_[size_t(r)].layer);
    return out;
}

void LayerList::changeSelection(const std::vector<bool>& selected) {
    bool changed = false;
    for (int r = 0; r < rowCount(); ++r) {
        if (rows_[size_t(r)].selected == selected[size_t(r)]) continue;
        rows_[size_t(r)].selected = selected[size_t(r)];
        changed = true;
        repaintRow(r);
        announce(r, selected[size_t(r)] ? QAccessible::SelectionAdd : QAccessible::SelectionRemove);
    }
    if (changed) emit selectionChanged();
}

void LayerList::setCurrent(int r) {
    if (r < 0 || r >= rowCount()) return;
    const int old = current_;
    current_ = r;
    scrollToRow(r);
    if (old >= 0 && old < rowCount()) repaintRow(old);
    repaintRow(r);
    if (hasFocus()) announce(r, QAccessible::Focus);
}

void LayerList::selectOnly(int r) {
    if (r < 0 || r >= rowCount()) return;
    std::vector<bool> selected(size_t(rowCount()), false);
    selected[size_t(r)] = true;
    anchor_ = r;
    setCurrent(r);
    changeSelection(selected);
}

void LayerList::setSelected(int r, bool on) {
    if (r < 0 || r >= rowCount()) return;
    std::vector<bool> selected;
    for (const Row& row : rows_) selected.push_back(row.selected);
    selected[size_t(r)] = on;
    changeSelection(selected);
}

void LayerList::selectRange(int from, int to) {
    if (from < 0) from = to;
    std::vector<bool> selected(size_t(rowCount()), false);
    for (int r = std::min(from, to); r <= std::max(from, to); ++r) selected[size_t(r)] = true;
    setCurrent(to);
    changeSelection(selected);
}

// --- mouse -------------------------------------------------------------------------------------

int LayerList::stackIndexForDrop(int fromRow, int gap) const {
    const int n = rowCount();
    if (!document_ || fromRow < 0 || fromRow >= n || gap < 0 || gap > n) return -1;
    if (gap == fromRow || gap == fromRow + 1) return -1;
    const int row = gap > fromRow ? gap - 1 : gap;
    const int from = n - 1 - fromRow, to = n - 1 - row;
    return document_->layers().canMove(from, to) ? to : -1;
}

bool LayerList::moveRowBy(int r, int step) {
    LayerItem* layer = layerAt(r);
    const int from = stackIndexOf(layer);
    if (!layer || !document_ || !document_->layers().canMove(from, from + step)) return false;
    emit moveRequested(layer, from + step);
    return true;
}

void LayerList::endDrag() {
    const bool was = dragging_;
    dragging_ = false;
    dropGap_ = -1;
    if (was) {
        viewport()->unsetCursor();
        viewport()->update();
    }
}

void LayerList::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int r = rowAt(pos);
    if (editor_) closeEditor(true);
    setFocus(Qt::MouseFocusReason);
    if (r < 0) return;
    const bool onEye = pos.x() < kEyeColumnWidth;
    if (event->button() == Qt::RightButton) {
        if (!onEye && !rows_[size_t(r)].selected) selectOnly(r);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (onEye) {
        emit visibilityToggled(rows_[size_t(r)].layer);
        return;
    }
    pressed_ = true;
    dragging_ = false;
    deferredSelect_ = false;
    pressRow_ = r;
    pressPoint_ = pos;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ControlModifier) return;  // decided on release
    if (mods & Qt::ShiftModifier) {
        selectRange(anchor_ >= 0 ? anchor_ : current_, r);
        return;
    }
    anchor_ = r;
    if (selectedCount() < 2) {
        selectOnly(r);
    } else {
        // Several rows are selected: pressing one of them may start a drag of it, so the single
        // selection waits for the release.
        setCurrent(r);
        deferredSelect_ = true;
    }
}

void LayerList::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint pos = event->position().toPoint();
    if (!dragging_) {
        const QPoint d = pos - pressPoint_;
        if (std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1) return;
        dragging_ = true;
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    // Past the top or bottom the list scrolls towards the pointer.
    QScrollBar* bar = verticalScrollBar();
    if (pos.y() < 0)
        bar->setValue(bar->value() - kLayerRowHeight / 3);
    else if (pos.y() >= viewport()->height())
        bar->setValue(bar->value() + kLayerRowHeight / 3);
    const int y = pos.y() + bar->value();
    dropGap_ = std::clamp((y + kLayerRowHeight / 2) / kLayerRowHeight, 0, rowCount());
    viewport()->update();
}

void LayerList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    const QPoint pos = event->position().toPoint();
    if (dragging_) {
        const int gap = dropGap_;
        const int from = pressRow_;
        endDrag();
        const int to = stackIndexForDrop(from, gap);
        if (to >= 0) emit moveRequested(rows_[size_t(from)].layer, to);
        return;
    }
    const int r = rowAt(pos);
    if (r != pressRow_ || r < 0 || pos.x() < kEyeColumnWidth) return;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ControlModifier) {
        // Several rows: a Ctrl click adds a row, or takes one away while two or more are chosen.
        setCurrent(r);
        if (selectedCount() < 2)
            setSelected(r, true);
        else
            setSelected(r, !rows_[size_t(r)].selected);
    } else if (deferredSelect_) {
        selectOnly(r);
    }
    deferredSelect_ = false;
}

void LayerList::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int r = rowAt(pos);
    if (event->button() == Qt::LeftButton && r >= 0 && pos.x() < kEyeColumnWidth) {
        // Two quick presses on the eye are two toggles.
        emit visibilityToggled(rows_[size_t(r)].layer);
        return;
    }
    if (event->button() != Qt::LeftButton || r < 0) return;
    const Rect name = layoutOf(r).name;
    if (name.contains(pos.x(), pos.y())) startRename(r);
}

// --- keys --------------------------------------------------------------------------------------

void LayerList::keyPressEvent(QKeyEvent* event) {
    const int n = rowCount();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier,
               alt = mods & Qt::AltModifier;
    const int page = std::max(1, viewport()->height() / kLayerRowHeight);
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int step = event->key() == Qt::Key_Up ? -1 : 1;
            if (alt) {
                moveRowBy(current_, -step);
                event->accept();
                return;
            }
            target = current_ < 0 ? 0 : std::clamp(current_ + step, 0, n - 1);
            break;
        }
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = n - 1;
            break;
        case Qt::Key_PageUp:
            target = std::max(0, current_ - page);
            break;
        case Qt::Key_PageDown:
            target = std::min(n - 1, current_ + page);
            break;
        case Qt::Key_Space:
            if (current_ >= 0) {
                if (ctrl)
                    setSelected(current_, !rows_[size_t(current_)].selected);
                else
                    emit visibilityToggled(rows_[size_t(current_)].layer);
            }
            event->accept();
            return;
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current_ >= 0) startRename(current_);
            event->accept();
            return;
        case Qt::Key_Delete:
            if (mods == Qt::NoModifier) {
                emit deleteRequested();
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    if (target < 0 || n == 0 || alt) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (shift)
        selectRange(anchor_ >= 0 ? anchor_ : current_, target);
    else if (ctrl)
        setCurrent(target);
    else
        selectOnly(target);
    event->accept();
}

void LayerList::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (current_ >= 0) {
        repaintRow(current_);
        announce(current_, QAccessible::Focus);
    }
}

void LayerList::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    if (current_ >= 0) repaintRow(current_);
}

// --- renaming ----------------------------------------------------------------------------------

bool LayerList::startRename(int r) {
    if (r < 0 || r >= rowCount()) return false;
    LayerItem* layer = rows_[size_t(r)].layer;
    if (layer->isBackground()) return false;
    if (editor_) closeEditor(true);
    scrollToRow(r);
    editedLayer_ = layer;
    editor_ = new QLineEdit(viewport());
    editor_->setObjectName(QStringLiteral("layerNameEditor"));
    editor_->setAccessibleName(QStringLiteral("Layer name"));
    editor_->setMaxLength(kMaxNameLength);
    editor_->setText(rows_[size_t(r)].name);
    placeEditor();
    editor_->selectAll();
    editor_->installEventFilter(this);
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    repaintRow(r);
    emit renameStarted(layer);
    return true;
}

void LayerList::commitRename() {
    if (editor_) closeEditor(true);
}

void LayerList::cancelRename() {
    if (editor_) closeEditor(false);
}

void LayerList::closeEditor(bool commit) {
    if (!editor_ || closingEditor_) return;
    closingEditor_ = true;
    QLineEdit* editor = editor_;
    LayerItem* layer = editedLayer_;
    const QString text = editor->text();
    const bool hadFocus = editor->hasFocus();
    editor_ = nullptr;
    editedLayer_ = nullptr;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    const int r = rowOf(layer);
    if (r >= 0) repaintRow(r);
    closingEditor_ = false;
    // A blank name is no name: the field closes as it would on Escape.
    if (commit && r >= 0 && !text.trimmed().isEmpty() && text != rows_[size_t(r)].name)
        emit renameCommitted(layer, text);
}

bool LayerList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                closeEditor(false);
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                closeEditor(true);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            closeEditor(true);
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// --- accessibility -------------------------------------------------------------------------------

void LayerList::announce(int r, int event) {
    if (!QAccessible::isActive() || r < 0) return;
    QAccessibleEvent e(this, QAccessible::Event(event));
    e.setChild(r);
    QAccessible::updateAccessibility(&e);
}

void LayerList::announceState(int r) {
    if (!QAccessible::isActive() || r < 0) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent e(this, changed);
    e.setChild(r);
    QAccessible::updateAccessibility(&e);
}

}  // namespace varnel
