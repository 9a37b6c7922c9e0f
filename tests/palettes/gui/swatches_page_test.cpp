// The Swatches palette: its grid as drawn, picking the toolbox's colours with and without Ctrl,
// the two buttons down to an empty list and back, the Info palette while the pointer is over a
// swatch, and the grid from the keyboard and through a screen reader.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolBar>

#include "palette_fixtures.h"
#include "palettes/info_page.h"
#include "palettes/palette_accessibility.h"
#include "palettes/palette_window.h"
#include "palettes/swatches_page.h"
#include "tools/toolbox.h"

namespace varnel {
namespace {

using test::sendMouse;

QColor rgb(uint32_t v) {
    return QColor(int(v >> 16), int(v >> 8 & 0xFF), int(v & 0xFF));
}

class SwatchesPalette : public ::testing::Test {
protected:
    void SetUp() override {
        infoWindow = owner.group->addPaletteWindow(QStringLiteral("Info"));
        info = new InfoPage(owner.group);
        infoWindow->addPage(info);
        infoWindow->setGeometry(300, 100, 220, 170);
        infoWindow->show();
        window = owner.group->addPaletteWindow(QStringLiteral("Swatches"));
        page = new SwatchesPage(owner.group);
        window->addPage(page);
        window->setGeometry(300, 300, 240, 300);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        page->setColorChooser(&chooser);
        view = page->view();
        setViewWidth(203);
    }
    // Sizes the window so that the grid's client area is `w` pixels wide.
    void setViewWidth(int w) {
        window->resize(window->width() + w - view->viewport()->width(), window->height());
        ASSERT_EQ(view->viewport()->width(), w);
    }
    // Narrower than a palette window can be: the view alone.
    void narrowView(int w) {
        view->resize(view->width() - view->viewport()->width() + w, view->height());
        ASSERT_EQ(view->viewport()->width(), w);
    }
    QPoint centreOf(int index) const { return view->cellRect(index).center(); }
    void click(int index, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, centreOf(index));
    }
    void moveTo(QPoint p) {
        sendMouse(view->viewport(), QEvent::MouseMove, view->viewport()->mapToGlobal(p),
                  Qt::NoButton, Qt::NoButton);
    }
    QStringList colourFields() const {
        return {info->fieldText(InfoPage::Red), info->fieldText(InfoPage::Green),
                info->fieldText(InfoPage::Blue)};
    }
    QWidget* button(QAction* a) const {
        return page->findChild<QToolBar*>(QStringLiteral("swatchButtons"))->widgetForAction(a);
    }

    test::Owner owner;
    VeToolboxColorChooser chooser;
    PaletteWindow* infoWindow = nullptr;
    InfoPage* info = nullptr;
    PaletteWindow* window = nullptr;
    SwatchesPage* page = nullptr;
    VeSwatchesView* view = nullptr;
};

TEST_F(SwatchesPalette, The122DefaultsIn17ColumnsOfA203PixelView) {
    ASSERT_EQ(view->swatches().size(), 122u);
    const SwatchGrid g = view->grid();
    EXPECT_EQ(g.columns, 17);
    EXPECT_EQ(g.rows, 8);
    ASSERT_GE(view->viewport()->height(), 96) << "the whole grid in view";
    const QImage shot = view->viewport()->grab().toImage();
    const QColor face = view->palette().color(QPalette::Button);
    const struct {
        const char* label;
        QPoint at;
        QColor color;
    } pixels[] = {
        {"swatch 0", {5, 5}, rgb(0xFF0000)},
        {"its right line", {11, 5}, Qt::black},
        {"its bottom line", {5, 11}, Qt::black},
        {"swatch 1 starts right after", {12, 0}, rgb(0xFFFF00)},
        {"swatch 16 reaches the view's edge", {202, 5}, rgb(0xEE1D24)},
        {"swatch 17 opens the second row", {0, 12}, rgb(0xFFF100)},
        {"swatch 121, the last", {2 * 12 + 5, 7 * 12 + 5}, rgb(0x613813)},
        {"the line under the last row's swatches", {2 * 12 + 5, 95}, Qt::black},
        {"the empty part of the last row", {3 * 12 + 5, 7 * 12 + 5}, face},
        {"no line under the empty part", {3 * 12 + 5, 95}, face},
        {"column lines stop above the empty part", {4 * 12 - 1, 7 * 12 + 5}, face},
        {"below the grid", {5, 100}, face},
    };
    for (const auto& p : pixels) EXPECT_EQ(shot.pixelColor(p.at).rgb(), p.color.rgb()) << p.label;
}

TEST_F(SwatchesPalette, ClicksPickTheForegroundAndWithCtrlTheBackground) {
    click(31, Qt::ControlModifier);  // black
    EXPECT_EQ(chooser.background(), QColor(Qt::black));
    EXPECT_EQ(chooser.foreground(), QColor(Qt::black));
    click(0);
    EXPECT_EQ(chooser.foreground(), rgb(0xFF0000));
    EXPECT_EQ(chooser.background(), QColor(Qt::black));
    EXPECT_TRUE(view->hasFocus());

    // Between and beyond the swatches nothing changes: the empty part of the last row, and right
    // of the last column of a view whose columns do not fill it.
    setViewWidth(209);
    ASSERT_EQ(view->grid().columns, 17);
    const QPoint misses[] = {{3 * 12 + 5, 7 * 12 + 5}, {205, 5}, {5, 8 * 12 + 2}};
    for (const QPoint& p : misses) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, p);
    }
    EXPECT_EQ(chooser.foreground(), rgb(0xFF0000));
    EXPECT_EQ(chooser.background(), QColor(Qt::black));

    // A view narrower than a cell still has its one column.
    narrowView(8);
    EXPECT_EQ(view->grid().columns, 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(4, 12 + 4));
    EXPECT_EQ(chooser.foreground(), rgb(0xFFFF00));
}

TEST_F(SwatchesPalette, DeletingEverySwatchAndCreatingOneAgain) {
    chooser.setForeground(rgb(0x123456));
    chooser.setBackground(rgb(0xABCDEF));
    QAction* remove = page->deleteSwatchAction();
    QAction* add = page->newSwatchAction();
    EXPECT_EQ(remove->text(), QStringLiteral("Delete swatch"));
    EXPECT_EQ(add->text(), QStringLiteral("Create a new swatch"));
    for (int i = 0; i < 122; ++i) remove->trigger();
    EXPECT_TRUE(view->swatches().empty());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(view->removeLastSwatch()) << "a further press does nothing";
    EXPECT_EQ(view->grid().rows, 0);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
    const QImage empty = view->viewport()->grab().toImage();
    const QRgb face = view->palette().color(QPalette::Button).rgb();
    for (QPoint p : {QPoint(0, 0), QPoint(5, 5), QPoint(202, 0), QPoint(100, 50)})
        EXPECT_EQ(empty.pixel(p), face);

    // The button appends the foreground colour, with Ctrl the background colour.
    QTest::mouseClick(button(add), Qt::LeftButton);
    ASSERT_EQ(view->swatches().size(), 1u);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_EQ(view->viewport()->grab().toImage().pixelColor(5, 5), rgb(0x123456));
    QTest::mouseClick(button(add), Qt::LeftButton, Qt::ControlModifier);
    ASSERT_EQ(view->swatches().size(), 2u);
    EXPECT_EQ(view->swatches()[1], (Bgra{0xEF, 0xCD, 0xAB, 255}));
    QTest::mouseClick(button(remove), Qt::LeftButton);
    EXPECT_EQ(view->swatches().size(), 1u);
}

TEST_F(SwatchesPalette, AddingScrollsToTheBottomAndResizingBackToTheTop) {
    window->resize(window->width(), 170);
    narrowView(100);  // 8 columns: the grid no longer fits
    const int content = view->grid().contentHeight();
    ASSERT_GT(content, view->viewport()->height());
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    page->addSwatch(false);
    const int bottom = view->grid().contentHeight() - view->viewport()->height();
    EXPECT_EQ(view->verticalScrollBar()->maximum(), bottom);
    EXPECT_EQ(view->verticalScrollBar()->value(), bottom);
    // The new swatch's colour is in view (its bottom line just below), where a click picks it.
    EXPECT_TRUE(view->viewport()->rect().contains(view->cellRect(122).adjusted(0, 0, -1, -1)));
    chooser.setForeground(Qt::white);
    click(122);
    EXPECT_EQ(chooser.foreground(), QColor(Qt::black));
    window->resize(window->width() + 12, window->height());
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
}

TEST_F(SwatchesPalette, TheInfoPaletteShowsTheSwatchUnderThePointer) {
    moveTo(centreOf(16));  // EE1D24
    EXPECT_EQ(colourFields(), (QStringList{"238", "29", "36"}));
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::BitmapCursor) << "the eyedropper";
    // Off the swatches the Info palette keeps what it showed.
    moveTo({3 * 12 + 5, 7 * 12 + 5});
    EXPECT_EQ(colourFields(), (QStringList{"238", "29", "36"}));
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
    // Leaving the grid blanks it.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view->viewport(), &leave);
    EXPECT_EQ(colourFields(), (QStringList{"", "", ""}));

    // Hidden, the Info palette is left as it is.
    info->showColour(1, 2, 3, false);
    infoWindow->setWanted(false);
    moveTo(centreOf(0));
    QApplication::sendEvent(view->viewport(), &leave);
    EXPECT_EQ(colourFields(), (QStringList{"1", "2", "3"}));
}

TEST_F(SwatchesPalette, TheGridFromTheKeyboard) {
    view->setFocus();
    EXPECT_EQ(view->currentSwatch(), 0);
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        int current;
    } steps[] = {
        {Qt::Key_Right, {}, 1},   {Qt::Key_Down, {}, 18},   {Qt::Key_Left, {}, 17},
        {Qt::Key_Up, {}, 0},      {Qt::Key_Up, {}, 0},      {Qt::Key_Left, {}, 0},
        {Qt::Key_End, {}, 121},   {Qt::Key_Right, {}, 121}, {Qt::Key_Up, {}, 104},
        {Qt::Key_Right, {}, 105}, {Qt::Key_Down, {}, 121},  {Qt::Key_Home, {}, 0},
    };
    for (const auto& s : steps) {
        QTest::keyClick(view, Qt::Key(s.key), s.mods);
        EXPECT_EQ(view->currentSwatch(), s.current) << QKeySequence(s.key).toString().toStdString();
    }
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(chooser.foreground(), rgb(0x613813));
    QTest::keyClick(view, Qt::Key_Home);
    QTest::keyClick(view, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(chooser.background(), rgb(0xFF0000));
    // Insert and Delete are the two buttons.
    QTest::keyClick(view, Qt::Key_Insert);
    ASSERT_EQ(view->swatches().size(), 123u);
    EXPECT_EQ(view->swatches().back(), (Bgra{0x13, 0x38, 0x61, 255}));
    QTest::keyClick(view, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(view->swatches().back(), (Bgra{0, 0, 0xFF, 255}));
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(view->swatches().size(), 122u);
    // The page passes the focus on to the grid.
    info->setFocus();
    page->setFocus();
    EXPECT_TRUE(view->hasFocus());
}

TEST_F(SwatchesPalette, EverySwatchIsAListItemWithItsColour) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Swatches"));
    ASSERT_EQ(list->childCount(), 122);
    QAccessibleInterface* black = list->child(31);
    ASSERT_TRUE(black);
    EXPECT_EQ(black->role(), QAccessible::ListItem);
    EXPECT_EQ(black->text(QAccessible::Name), QStringLiteral("Swatch 32"));
    EXPECT_EQ(black->text(QAccessible::Value), QStringLiteral("R 0, G 0, B 0"));
    EXPECT_EQ(list->child(16)->text(QAccessible::Value), QStringLiteral("R 238, G 29, B 36"));
    EXPECT_EQ(list->child(16)->text(QAccessible::Description), QStringLiteral("#EE1D24"));
    EXPECT_EQ(list->indexOfChild(black), 31);
    const QRect cell = view->cellRect(31);
    EXPECT_EQ(black->rect(), QRect(view->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
    EXPECT_EQ(list->childAt(black->rect().center().x(), black->rect().center().y()), black);

    // Pressed, an item gives the foreground colour; its own action the background colour.
    chooser.setForeground(Qt::white);
    chooser.setBackground(Qt::white);
    QAccessibleActionInterface* actions = black->actionInterface();
    ASSERT_TRUE(actions);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chooser.foreground(), QColor(Qt::black));
    list->child(0)->actionInterface()->doAction(QString::fromLatin1(kSetBackgroundAction));
    EXPECT_EQ(chooser.background(), rgb(0xFF0000));

    // The focused swatch is the list's focused child.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End);
    ASSERT_TRUE(list->focusChild());
    EXPECT_EQ(list->indexOfChild(list->focusChild()), 121);
    EXPECT_TRUE(list->focusChild()->state().focused);

    // The item of a removed swatch is no longer valid; the focus moves to the new last one.
    QAccessibleInterface* last = list->child(121);
    page->removeLastSwatch();
    EXPECT_FALSE(last->isValid());
    EXPECT_EQ(list->childCount(), 121);
    EXPECT_EQ(view->currentSwatch(), 120);
}

}  // namespace
}  // namespace varnel
