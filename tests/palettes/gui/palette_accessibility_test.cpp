// What a screen reader and UI automation find in the palettes: windows named by their shown page,
// page tabs, and the layer list with one item per layer that can be read and acted on.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>

#include "palette_fixtures.h"
#include "palettes/layer_list.h"
#include "palettes/layers_page.h"
#include "palettes/palette_accessibility.h"
#include "palettes/palette_tab.h"
#include "palettes/palette_window.h"

namespace varnel {
namespace {

using Kind = LayerRequest::Kind;

class PaletteReading : public ::testing::Test {
protected:
    void SetUp() override {
        window = owner.group->addPaletteWindow(QStringLiteral("Layers"));
        page = new LayersPage(owner.group);
        window->addPage(page);
        window->setGeometry(300, 100, 260, 300);
        window->show();
        doc = std::make_unique<test::TestDocument>(test::makeDocument(40, 30, {"A", "B", "C"}));
        LayerStack& s = doc->doc->layers();
        s.setBlendMode(s.layerAt(2), 1);
        s.setMasterOpacity(s.layerAt(2), 128);
        owner.group->setActiveDocument(doc.get());
    }
    QAccessibleInterface* of(QWidget* w) const { return QAccessible::queryAccessibleInterface(w); }

    test::Owner owner;
    PaletteWindow* window = nullptr;
    LayersPage* page = nullptr;
    std::unique_ptr<test::TestDocument> doc;
};

TEST_F(PaletteReading, TheWindowAndItsTabsAreNamedByThePage) {
    QAccessibleInterface* w = of(window);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->role(), QAccessible::Window);
    EXPECT_EQ(w->text(QAccessible::Name), QStringLiteral("Layers"));
    QAccessibleInterface* tabs = of(window->tabStrip());
    EXPECT_EQ(tabs->role(), QAccessible::PageTabList);
    ASSERT_EQ(tabs->childCount(), 1);
    QAccessibleInterface* tab = tabs->child(0);
    EXPECT_EQ(tab->role(), QAccessible::PageTab);
    EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Layers"));
    EXPECT_TRUE(tab->state().selected);
    EXPECT_EQ(tab->parent(), tabs);
    EXPECT_EQ(tabs->indexOfChild(tab), 0);
    EXPECT_TRUE(
        tab->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

TEST_F(PaletteReading, EachLayerIsAListItemWithItsStateAndSettings) {
    QAccessibleInterface* list = of(page->list());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_TRUE(list->state().multiSelectable);
    ASSERT_EQ(list->childCount(), 4);
    const struct {
        const char* name;
        const char* description;
        bool selected;
    } rows[] = {{"C", "Normal, opacity 100%", true},
                {"B", "Multiply, opacity 50%", false},
                {"A", "Normal, opacity 100%", false},
                {"Background", "Background layer, Normal, opacity 100%", false}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(rows[i].name);
        QAccessibleInterface* item = list->child(i);
        ASSERT_TRUE(item && item->isValid());
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), QString::fromLatin1(rows[i].name));
        EXPECT_EQ(item->text(QAccessible::Description), QString::fromLatin1(rows[i].description));
        EXPECT_TRUE(item->state().checkable);
        EXPECT_TRUE(item->state().checked);
        EXPECT_EQ(item->state().selected, rows[i].selected);
        EXPECT_EQ(list->indexOfChild(item), i);
        EXPECT_EQ(item->parent(), list);
        EXPECT_EQ(list->childAt(item->rect().center().x(), item->rect().center().y()), item);
    }
}

TEST_F(PaletteReading, LayerItemsCanBeActedOn) {
    QAccessibleInterface* list = of(page->list());
    QAccessibleInterface* a = list->child(2);
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_TRUE(actions);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(doc->changes(), (std::vector<LayerRequest>{{Kind::ToggleVisibility, 1, -1, 0, {}}}));
    EXPECT_FALSE(a->state().checked);
    EXPECT_TRUE(a->text(QAccessible::Description).endsWith(QStringLiteral(", hidden")));

    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(a->state().selected);
    EXPECT_EQ(doc->doc->layers().activeIndex(), 1);

    actions->doAction(QString::fromLatin1(kMoveUpAction));
    EXPECT_EQ(doc->changes().back(), (LayerRequest{Kind::Move, 1, 2, 0, {}}));
    // The item follows its layer to its new row.
    EXPECT_EQ(list->indexOfChild(a), 1);

    actions->doAction(QString::fromLatin1(kRenameAction));
    ASSERT_TRUE(page->list()->isRenaming());
    EXPECT_EQ(list->childCount(), 5) << "the name field is read too";
    EXPECT_EQ(list->child(4)->object(), page->list()->renameEditor());
    page->list()->cancelRename();

    // The background cannot be renamed or moved.
    EXPECT_FALSE(list->child(3)->actionInterface()->actionNames().contains(
        QString::fromLatin1(kRenameAction)));
}

TEST_F(PaletteReading, ItemsOfLayersThatAreGoneAreNoLongerValid) {
    QAccessibleInterface* list = of(page->list());
    QAccessibleInterface* c = list->child(0);
    ASSERT_TRUE(c->isValid());
    const QAccessible::Id id = QAccessible::uniqueId(c);
    doc->doc->layers().removeAt(3);
    EXPECT_EQ(list->childCount(), 3);
    // Either released or no longer valid: never the old layer's data.
    QAccessibleInterface* again = QAccessible::accessibleInterface(id);
    EXPECT_TRUE(!again || !again->isValid());
}

}  // namespace
}  // namespace varnel
