#include "palettes/palette_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QWindow>
#include <map>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/layer.h"
#include "palettes/floating_window.h"
#include "palettes/layer_list.h"
#include "palettes/palette_page.h"
#include "palettes/palette_tab.h"
#include "palettes/swatches_page.h"

namespace varnel {

namespace {

// An item a control draws itself (a tab, a layer row), found again by a key that stays with the
// item while the items change places. It is valid while its control lives and holds the key.
class ItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(QWidget* owner, const void* key) : owner_(owner), key_(key) {}

    virtual int index() const = 0;
    const void* key() const { return key_; }

    bool isValid() const override { return owner_ && index() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return owner_ ? QAccessible::queryAccessibleInterface(owner_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

protected:
    QPointer<QWidget> owner_;
    const void* key_;
};

// A control whose children are drawn items, each with a cached interface (Qt keeps interfaces by
// id; the ids of the items are released with the control's interface or when their item goes).
class ItemsAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;
    ~ItemsAccessible() override {
        for (const auto& [key, id] : ids_) QAccessible::deleteAccessibleInterface(id);
    }

    virtual int itemCount() const = 0;
    virtual const void* keyAt(int index) const = 0;
    virtual ItemAccessible* makeItem(const void* key) const = 0;
    // The item that has the focus, -1 when none.
    virtual int focusedItem() const { return -1; }

    QAccessibleInterface* item(int index) const {
        if (index < 0 || index >= itemCount()) return nullptr;
        const void* key = keyAt(index);
        auto it = ids_.find(key);
        if (it != ids_.end()) {
            if (QAccessibleInterface* iface = QAccessible::accessibleInterface(it->second))
                return iface;
            ids_.erase(it);
        }
        ItemAccessible* iface = makeItem(key);
        ids_[key] = QAccessible::registerAccessibleInterface(iface);
        return iface;
    }
    // Releases the interfaces of items that are gone.
    void forgetMissing() {
        for (auto it = ids_.begin(); it != ids_.end();) {
            bool present = false;
            for (int i = 0; i < itemCount() && !present; ++i) present = keyAt(i) == it->first;
            if (present) {
                ++it;
            } else {
                QAccessible::deleteAccessibleInterface(it->second);
                it = ids_.erase(it);
            }
        }
    }

    int childCount() const override { return itemCount(); }
    QAccessibleInterface* child(int index) const override { return item(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [key, id] : ids_)
            if (QAccessible::accessibleInterface(id) == child)
                return static_cast<const ItemAccessible*>(child)->index();
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < itemCount(); ++i) {
            QAccessibleInterface* c = item(i);
            if (c && c->rect().contains(x, y)) return c;
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (!widget()->hasFocus()) return nullptr;
        return item(focusedItem());
    }

private:
    mutable std::map<const void*, QAccessible::Id> ids_;
};

// --- the tab strip -----------------------------------------------------------------------------

class TabItemAccessible : public ItemAccessible {
public:
    using ItemAccessible::ItemAccessible;

    PaletteTab* strip() const { return static_cast<PaletteTab*>(owner_.data()); }
    const PalettePage* page() const { return static_cast<const PalettePage*>(key_); }
    int index() const override { return owner_ ? strip()->indexOf(page()) : -1; }

    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return page()->title();
        return {};
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = strip()->tabRect(index());
        return QRect(strip()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool current = strip()->current() == page();
        s.selectable = true;
        s.selected = current;
        s.focusable = true;
        s.focused = current && strip()->hasFocus();
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid() && strip()->isEnabled())
            emit strip()->pageRequested(const_cast<PalettePage*>(page()));
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

}  // namespace

class PaletteTabAccessible : public ItemsAccessible {
public:
    explicit PaletteTabAccessible(QWidget* w) : ItemsAccessible(w, QAccessible::PageTabList) {}

    PaletteTab* strip() const { return static_cast<PaletteTab*>(widget()); }
    int itemCount() const override { return strip()->count(); }
    const void* keyAt(int index) const override { return strip()->tabs_[index]; }
    ItemAccessible* makeItem(const void* key) const override {
        return new TabItemAccessible(strip(), key);
    }
    int focusedItem() const override { return strip()->indexOf(strip()->current()); }
};

// --- the layer list ------------------------------------------------------------------------------

namespace {

class LayerItemAccessible : public ItemAccessible {
public:
    using ItemAccessible::ItemAccessible;

    LayerList* list() const { return static_cast<LayerList*>(owner_.data()); }
    const LayerItem* layer() const { return static_cast<const LayerItem*>(key_); }
    int index() const override { return owner_ ? list()->rowOf(layer()) : -1; }

    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const LayerList::Row& row = list()->row(index());
        switch (t) {
            case QAccessible::Name:
                return row.name;
            case QAccessible::Description: {
                QString d;
                if (const auto* p = dynamic_cast<const EmptyLayer*>(layer()))
                    d = QStringLiteral("%1, opacity %2%")
                            .arg(QString::fromUtf8(blendModeName(p->blendMode()).data(),
                                                   qsizetype(blendModeName(p->blendMode()).size())))
                            .arg(opacityByteToPercent(p->masterOpacity()));
                if (layer()->isBackground()) d = QStringLiteral("Background layer, ") + d;
                if (!layer()->isVisible()) d += QStringLiteral(", hidden");
                return d;
            }
            default:
                return {};
        }
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = list()->rowRect(index());
        return QRect(list()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const int i = index();
        s.selectable = true;
        s.multiSelectable = true;
        s.selected = list()->row(i).selected;
        s.focusable = true;
        s.focused = i == list()->currentRow() && list()->hasFocus();
        s.checkable = true;
        s.checked = layer()->isVisible();
        const QRect r = list()->rowRect(i);
        s.offscreen = r.bottom() < 0 || r.top() >= list()->viewport()->height();
        s.invisible = s.offscreen;
        return s;
    }

    QStringList actionNames() const override {
        QStringList names{pressAction(), toggleAction()};
        if (isValid() && !layer()->isBackground())
            names << QString::fromLatin1(kRenameAction) << QString::fromLatin1(kMoveUpAction)
                  << QString::fromLatin1(kMoveDownAction);
        return names;
    }
    QString localizedActionDescription(const QString& name) const override {
        if (name == toggleAction()) return QStringLiteral("Shows or hides the layer");
        if (name == pressAction()) return QStringLiteral("Makes the layer the active one");
        return QAccessibleActionInterface::localizedActionDescription(name);
    }
    void doAction(const QString& name) override {
        if (!isValid() || !list()->isEnabled()) return;
        const int i = index();
        if (name == pressAction()) {
            list()->selectOnly(i);
        } else if (name == toggleAction()) {
            emit list()->visibilityToggled(const_cast<LayerItem*>(layer()));
        } else if (name == QLatin1String(kRenameAction)) {
            list()->startRename(i);
        } else if (name == QLatin1String(kMoveUpAction)) {
            list()->moveRowBy(i, 1);
        } else if (name == QLatin1String(kMoveDownAction)) {
            list()->moveRowBy(i, -1);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == toggleAction()) return {QStringLiteral("Space")};
        if (name == QLatin1String(kRenameAction)) return {QStringLiteral("F2")};
        if (name == QLatin1String(kMoveUpAction)) return {QStringLiteral("Alt+Up")};
        if (name == QLatin1String(kMoveDownAction)) return {QStringLiteral("Alt+Down")};
        return {};
    }
};

}  // namespace

class LayerListAccessible : public ItemsAccessible {
public:
    explicit LayerListAccessible(QWidget* w) : ItemsAccessible(w, QAccessible::List) {}

    LayerList* list() const { return static_cast<LayerList*>(widget()); }
    int itemCount() const override { return list()->rowCount(); }
    const void* keyAt(int index) const override { return list()->rows_[size_t(index)].layer; }
    ItemAccessible* makeItem(const void* key) const override {
        return new LayerItemAccessible(list(), key);
    }
    int focusedItem() const override { return list()->currentRow(); }

    QAccessible::State state() const override {
        QAccessible::State s = ItemsAccessible::state();
        s.multiSelectable = true;
        s.extSelectable = true;
        return s;
    }

    // The rows, then the rename field while it is open.
    int childCount() const override { return itemCount() + (list()->editor_ ? 1 : 0); }
    QAccessibleInterface* child(int index) const override {
        if (index == itemCount() && list()->editor_)
            return QAccessible::queryAccessibleInterface(list()->editor_);
        return ItemsAccessible::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (list()->editor_ && child && child->object() == list()->editor_) return itemCount();
        return ItemsAccessible::indexOfChild(child);
    }
    QAccessibleInterface* focusChild() const override {
        if (list()->editor_ && list()->editor_->hasFocus())
            return QAccessible::queryAccessibleInterface(list()->editor_);
        return ItemsAccessible::focusChild();
    }
};

// --- the swatch grid
// ------------------------------------------------------------------------------

namespace {

// The swatches never change places (the list only grows or shrinks at its end), so an item is
// its position: key i + 1 (a null key would be no key).
const void* swatchKey(int index) {
    return reinterpret_cast<const void*>(intptr_t(index) + 1);
}

class SwatchItemAccessible : public ItemAccessible {
public:
    using ItemAccessible::ItemAccessible;

    VeSwatchesView* view() const { return static_cast<VeSwatchesView*>(owner_.data()); }
    int index() const override {
        const int i = int(reinterpret_cast<intptr_t>(key_) - 1);
        return owner_ && i < int(view()->swatches().size()) ? i : -1;
    }

    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const Bgra c = view()->swatches()[size_t(index())];
        switch (t) {
            case QAccessible::Name:
                return QStringLiteral("Swatch %1").arg(index() + 1);
            case QAccessible::Value:
                return QStringLiteral("R %1, G %2, B %3").arg(c.r).arg(c.g).arg(c.b);
            case QAccessible::Description:
                return QStringLiteral("#%1")
                    .arg(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b, 6, 16, QLatin1Char('0'))
                    .toUpper();
            default:
                return {};
        }
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = view()->cellRect(index());
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.focused = index() == view()->currentSwatch() && view()->hasFocus();
        const QRect r = view()->cellRect(index());
        s.offscreen = r.bottom() < 0 || r.top() >= view()->viewport()->height();
        s.invisible = s.offscreen;
        return s;
    }

    QStringList actionNames() const override {
        return {pressAction(), QString::fromLatin1(kSetBackgroundAction)};
    }
    QString localizedActionDescription(const QString& name) const override {
        if (name == pressAction()) return QStringLiteral("Makes the colour the foreground colour");
        if (name == QLatin1String(kSetBackgroundAction))
            return QStringLiteral("Makes the colour the background colour");
        return QAccessibleActionInterface::localizedActionDescription(name);
    }
    void doAction(const QString& name) override {
        if (!isValid() || !view()->isEnabled()) return;
        if (name == pressAction())
            emit view()->swatchPicked(index(), false);
        else if (name == QLatin1String(kSetBackgroundAction))
            emit view()->swatchPicked(index(), true);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return {QStringLiteral("Space")};
        if (name == QLatin1String(kSetBackgroundAction)) return {QStringLiteral("Ctrl+Space")};
        return {};
    }
};

}  // namespace

class SwatchesViewAccessible : public ItemsAccessible {
public:
    explicit SwatchesViewAccessible(QWidget* w) : ItemsAccessible(w, QAccessible::List) {}

    VeSwatchesView* view() const { return static_cast<VeSwatchesView*>(widget()); }
    int itemCount() const override { return int(view()->swatches().size()); }
    const void* keyAt(int index) const override { return swatchKey(index); }
    ItemAccessible* makeItem(const void* key) const override {
        return new SwatchItemAccessible(view(), key);
    }
    int focusedItem() const override { return view()->currentSwatch(); }
};

namespace {

QAccessibleInterface* palettesFactory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (key == QLatin1String(PaletteTab::staticMetaObject.className()))
        return new PaletteTabAccessible(w);
    if (key == QLatin1String(LayerList::staticMetaObject.className()))
        return new LayerListAccessible(w);
    if (key == QLatin1String(VeSwatchesView::staticMetaObject.className()))
        return new SwatchesViewAccessible(w);
    // A floating window is a window of its own, named by its caption (the shown page's title).
    if (key == QLatin1String(FloatingWindow::staticMetaObject.className()))
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

}  // namespace

void forgetMissingItems(QWidget* control) {
    if (!QAccessible::isActive()) return;
    if (auto* iface =
            dynamic_cast<ItemsAccessible*>(QAccessible::queryAccessibleInterface(control)))
        iface->forgetMissing();
}

void installPaletteAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(palettesFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace varnel
