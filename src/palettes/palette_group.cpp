#include "palettes/palette_group.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "palettes/floating_window.h"
#include "palettes/palette_page.h"
#include "palettes/palette_window.h"

namespace varnel {

namespace {

Rect toRect(const QRect& r) {
    return Rect::fromXYWH(r.x(), r.y(), r.width(), r.height());
}

QRect globalRect(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Whether some screen shows a usable part of `r`.
bool onSomeScreen(const QRect& r) {
    if (r.width() <= 0 || r.height() <= 0) return false;
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r)) return true;
    return false;
}

}  // namespace

PaletteGroup::PaletteGroup(QWidget* owner) : QObject(owner), owner_(owner) {}

PaletteGroup::~PaletteGroup() {
    for (PaletteDocument* d : watched_) d->removeWatcher(this);
}

PaletteWindow* PaletteGroup::addPaletteWindow(const QString& key) {
    return new PaletteWindow(this, key);
}

void PaletteGroup::registerWindow(FloatingWindow* window) {
    if (windows_.contains(window)) return;
    windows_.append(window);
    connect(window, &FloatingWindow::wantedChanged, this,
            [this, window](bool wanted) { emit windowVisibilityChanged(window, wanted); });
}

void PaletteGroup::unregisterWindow(FloatingWindow* window) {
    windows_.removeAll(window);
}

FloatingWindow* PaletteGroup::window(const QString& key) const {
    for (FloatingWindow* w : windows_)
        if (w->key() == key) return w;
    return nullptr;
}

PalettePage* PaletteGroup::page(const QString& title) const {
    for (FloatingWindow* w : windows_)
        if (auto* p = qobject_cast<PaletteWindow*>(w))
            for (PalettePage* page : p->pages())
                if (page->title() == title) return page;
    return nullptr;
}

PaletteWindow* PaletteGroup::windowOf(const PalettePage* page) const {
    for (FloatingWindow* w : windows_)
        if (auto* p = qobject_cast<PaletteWindow*>(w))
            if (p->pages().contains(const_cast<PalettePage*>(page))) return p;
    return nullptr;
}

void PaletteGroup::showPage(PalettePage* page) {
    PaletteWindow* w = windowOf(page);
    if (!w) return;
    w->setWanted(true);
    w->showPage(page);
    w->raise();
    w->activateWindow();
    page->setFocus(Qt::OtherFocusReason);
}

// --- placement -------------------------------------------------------------------------------

std::vector<FloatingWindowPlacement> PaletteGroup::placements() const {
    std::vector<FloatingWindowPlacement> out;
    for (FloatingWindow* w : windows_) {
        FloatingWindowPlacement p;
        p.key = w->key();
        p.rect = w->frameRect();
        p.visible = w->isWanted();
        if (auto* pw = qobject_cast<PaletteWindow*>(w)) {
            if (PalettePage* shown = pw->shownPage()) p.page = shown->title();
            for (PalettePage* page : pw->pagesInTabOrder()) p.tabs.append(page->title());
        }
        out.push_back(p);
    }
    return out;
}

QRect PaletteGroup::defaultRect(int index) const {
    // Down the right edge of the document area (of the owner, else of the screen), each window
    // under the one before; a window that would reach below the area starts a new column to the
    // left of the last one, so that no palette starts off screen.
    QRect area;
    if (documentArea_ && documentArea_->isVisible())
        area = globalRect(documentArea_);
    else if (owner_ && owner_->isVisible())
        area = owner_->geometry();
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    int right = area.right() + 1;
    int top = area.top();
    int columnWidth = 0;
    QRect placed;
    for (int i = 0; i <= index && i < windows_.size(); ++i) {
        const QSize size = windows_[i]->defaultSize();
        if (top > area.top() && top + size.height() > area.bottom() + 1) {
            right -= columnWidth;
            top = area.top();
            columnWidth = 0;
        }
        placed = QRect(right - size.width(), top, size.width(), size.height());
        top += size.height();
        columnWidth = std::max(columnWidth, size.width());
    }
    return placed;
}

void PaletteGroup::placeAllByDefault() {
    for (int i = 0; i < windows_.size(); ++i) windows_[i]->setGeometry(defaultRect(i));
}

void PaletteGroup::applyPlacements(const std::vector<FloatingWindowPlacement>& placements) {
    for (int i = 0; i < windows_.size(); ++i) {
        FloatingWindow* w = windows_[i];
        const auto it =
            std::find_if(placements.begin(), placements.end(),
                         [w](const FloatingWindowPlacement& p) { return p.key == w->key(); });
        if (it == placements.end()) {
            w->setGeometry(defaultRect(i));
            continue;
        }
        QRect r = it->rect;
        if (!onSomeScreen(r)) r = defaultRect(i);
        r.setSize(r.size().expandedTo(w->minimumSize()).boundedTo(w->maximumSize()));
        w->setGeometry(r);
        if (auto* pw = qobject_cast<PaletteWindow*>(w)) {
            pw->setTabOrder(it->tabs);
            if (PalettePage* shown = page(it->page); shown && pw->pages().contains(shown))
                pw->showPage(shown);
        }
        w->setWanted(it->visible);
    }
}

void PaletteGroup::showWanted() {
    for (FloatingWindow* w : windows_)
        if (w->isWanted()) w->show();
}

// --- snapping ----------------------------------------------------------------------------------

SnapTargets PaletteGroup::snapTargets(const FloatingWindow* moving,
                                      const QList<FloatingWindow*>& excluded) const {
    SnapTargets t;
    if (const QScreen* s = moving->screen()) t.containers.push_back(toRect(s->availableGeometry()));
    if (owner_ && owner_->isVisible() && !owner_->isMinimized()) {
        const Rect frame = toRect(owner_->frameGeometry());
        t.containers.push_back(frame);
        t.neighbours.push_back(frame);
        if (documentArea_ && documentArea_->isVisible())
            t.containers.push_back(toRect(globalRect(documentArea_)));
    }
    for (FloatingWindow* w : windows_) {
        if (w == moving || excluded.contains(w) || !w->isVisible()) continue;
        t.neighbours.push_back(toRect(w->frameRect()));
    }
    return t;
}

QList<FloatingWindow*> PaletteGroup::attachedTo(const FloatingWindow* window) const {
    std::vector<Rect> rects;
    QList<FloatingWindow*> shown;
    int index = -1;
    for (FloatingWindow* w : windows_) {
        if (w != window && !w->isVisible()) continue;
        if (w == window) index = int(shown.size());
        shown.append(w);
        rects.push_back(toRect(w->frameRect()));
    }
    QList<FloatingWindow*> out;
    for (int i : attachedWindows(rects, index)) out.append(shown[i]);
    return out;
}

// --- the active document -------------------------------------------------------------------------

void PaletteGroup::setActiveDocument(PaletteDocument* document) {
    if (document && std::find(watched_.begin(), watched_.end(), document) == watched_.end()) {
        watched_.push_back(document);
        document->addWatcher(this);
    }
    if (document == active_) return;
    active_ = document;
    emit activeDocumentChanged(document);
}

void PaletteGroup::paletteDocumentGone(PaletteDocument* document) {
    watched_.erase(std::remove(watched_.begin(), watched_.end(), document), watched_.end());
    // Told first, so that what was begun on the document (a rename) is dropped, not sent to a
    // window that is going.
    emit documentGone(document);
    if (active_ == document) {
        active_ = nullptr;
        emit activeDocumentChanged(nullptr);
    }
}

}  // namespace varnel
