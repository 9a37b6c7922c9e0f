#include "palettes/palette_page_stack.h"

#include <QApplication>

#include "palettes/palette_page.h"

namespace varnel {

namespace {

// The first control of `page` in the focus chain that takes the focus from the keyboard.
QWidget* firstFocusable(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(page))
            return w;
    }
    return nullptr;
}

}  // namespace

PalettePageStack::PalettePageStack(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VePalettePageStack"));
    setFocusPolicy(Qt::NoFocus);
}

PalettePageStack::~PalettePageStack() {
    // The pages are children and go after this object's own members: they must not report back.
    for (PalettePage* p : pages_) p->disconnect(this);
}

int PalettePageStack::addPage(PalettePage* page) {
    if (!page) return -1;
    if (pages_.contains(page)) return int(pages_.indexOf(page));
    page->setParent(this);
    page->setGeometry(rect());
    page->hide();
    pages_.append(page);
    connect(page, &QObject::destroyed, this, [this, page] {
        const int i = int(pages_.indexOf(page));
        if (i < 0) return;
        pages_.removeAt(i);
        if (current_ == i)
            current_ = -1;
        else if (current_ > i)
            --current_;
    });
    return int(pages_.size()) - 1;
}

PalettePage* PalettePageStack::currentPage() const {
    return current_ >= 0 ? pages_[current_] : nullptr;
}

bool PalettePageStack::showPage(int index) {
    if (index < 0 || index >= count()) return false;
    if (index == current_) return true;
    if (guard_ && !guard_(current_, index)) return false;
    PalettePage* old = currentPage();
    PalettePage* next = pages_[index];
    QWidget* focus = QApplication::focusWidget();
    const bool focusInOld = old && focus && old->isAncestorOf(focus);
    next->setGeometry(rect());
    next->show();
    current_ = index;
    if (old) old->hide();
    if (focusInOld) {
        if (QWidget* first = firstFocusable(next))
            first->setFocus(Qt::TabFocusReason);
        else
            next->setFocus(Qt::OtherFocusReason);
    } else if (!old) {
        setFocus(Qt::OtherFocusReason);
    }
    emit pageChanged(index);
    return true;
}

void PalettePageStack::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (PalettePage* p : pages_) p->setGeometry(rect());
}

}  // namespace varnel
