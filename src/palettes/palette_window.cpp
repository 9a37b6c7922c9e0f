#include "palettes/palette_window.h"

#include <QVBoxLayout>

#include "palettes/palette_geometry.h"
#include "palettes/palette_page.h"
#include "palettes/palette_page_stack.h"
#include "palettes/palette_tab.h"

namespace varnel {

PaletteWindow::PaletteWindow(PaletteGroup* group, const QString& key)
    : FloatingWindow(group, key, key) {
    setObjectName(key);
    setMinimumSize(kPaletteMinimumSize.width, kPaletteMinimumSize.height);
    auto* layout = new QVBoxLayout(content());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new PaletteTab(content());
    stack_ = new PalettePageStack(content());
    layout->addWidget(tabs_);
    layout->addWidget(stack_, 1);

    stack_->setChangeGuard([this](int from, int) {
        PalettePage* shown = from >= 0 ? stack_->pages()[from] : nullptr;
        return !shown || shown->canLeave();
    });
    connect(stack_, &PalettePageStack::pageChanged, this, [this] {
        PalettePage* page = stack_->currentPage();
        tabs_->setCurrent(page);
        setCaptionTitle(page ? page->title() : objectName());
    });
    connect(tabs_, &PaletteTab::pageRequested, this, [this](PalettePage* page) { showPage(page); });
}

int PaletteWindow::addPage(PalettePage* page) {
    const int index = stack_->addPage(page);
    if (index < 0) return index;
    tabs_->addTab(page);
    if (stack_->currentIndex() < 0) stack_->showPage(index);
    return index;
}

const QList<PalettePage*>& PaletteWindow::pages() const {
    return stack_->pages();
}

const QList<PalettePage*>& PaletteWindow::pagesInTabOrder() const {
    return tabs_->tabs();
}

void PaletteWindow::setTabOrder(const QStringList& titles) {
    QList<PalettePage*> order;
    for (const QString& t : titles)
        for (PalettePage* p : pages())
            if (p->title() == t) order.append(p);
    tabs_->setOrder(order);
}

PalettePage* PaletteWindow::shownPage() const {
    return stack_->currentPage();
}

bool PaletteWindow::showPage(PalettePage* page) {
    return stack_->showPage(int(stack_->pages().indexOf(page)));
}

}  // namespace varnel
