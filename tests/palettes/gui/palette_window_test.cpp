// The palette windows: pages and tabs, the page change that may be refused, the minimum size,
// snapping while the caption is dragged, the attached windows, modal dialogs, and placement.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

#include "palette_fixtures.h"
#include "palettes/palette_page.h"
#include "palettes/palette_page_stack.h"
#include "palettes/palette_tab.h"
#include "palettes/palette_window.h"

namespace varnel {
namespace {

using test::dragGlobal;
using test::Owner;

// A page with one field, which can refuse to be left.
class FieldPage : public PalettePage {
public:
    FieldPage(PaletteGroup* group, const QString& title) : PalettePage(group, title) {
        auto* layout = new QVBoxLayout(this);
        field = new QLineEdit(this);
        field->setObjectName(title + QStringLiteral("Field"));
        layout->addWidget(field);
    }
    bool canLeave() override { return leavable; }
    QLineEdit* field;
    bool leavable = true;
};

class PaletteWindows : public ::testing::Test {
protected:
    void SetUp() override {
        a = owner.group->addPaletteWindow(QStringLiteral("First"));
        info = new FieldPage(owner.group, QStringLiteral("Info"));
        swatches = new FieldPage(owner.group, QStringLiteral("Swatches"));
        a->addPage(info);
        a->addPage(swatches);
        a->setGeometry(300, 200, 220, 170);
        a->show();
    }
    Owner owner;
    PaletteWindow* a = nullptr;
    FieldPage* info = nullptr;
    FieldPage* swatches = nullptr;
};

TEST_F(PaletteWindows, TheFirstPageShowsAndNamesTheWindow) {
    EXPECT_EQ(a->shownPage(), info);
    EXPECT_EQ(a->windowTitle(), QStringLiteral("Info"));
    EXPECT_TRUE(info->isVisible());
    EXPECT_FALSE(swatches->isVisible());
    EXPECT_EQ(owner.group->page(QStringLiteral("Swatches")), swatches);
    EXPECT_EQ(owner.group->windowOf(swatches), a);

    EXPECT_TRUE(a->showPage(swatches));
    EXPECT_EQ(a->windowTitle(), QStringLiteral("Swatches"));
    EXPECT_EQ(a->tabStrip()->current(), swatches);
}

TEST_F(PaletteWindows, APageMayRefuseToBeLeftAndTheFocusFollowsThePage) {
    info->leavable = false;
    EXPECT_FALSE(a->showPage(swatches));
    EXPECT_EQ(a->shownPage(), info);
    info->leavable = true;

    a->activateWindow();
    info->field->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(info->field->hasFocus());
    QSignalSpy changed(a->pageStack(), &PalettePageStack::pageChanged);
    // A press on the other tab shows its page; the focus moves into it.
    QTest::mouseClick(a->tabStrip(), Qt::LeftButton, {}, a->tabStrip()->tabRect(1).center());
    EXPECT_EQ(a->shownPage(), swatches);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(swatches->field->hasFocus());
}

TEST_F(PaletteWindows, DraggingATabAcrossAnotherSwapsTheirPlacesNotThePages) {
    PaletteTab* strip = a->tabStrip();
    const QRect first = strip->tabRect(0), second = strip->tabRect(1);
    QTest::mousePress(strip, Qt::LeftButton, {}, first.center());
    QTest::mouseMove(strip, QPoint(second.right() - 2, second.center().y()));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(second.right() - 2, second.center().y()));
    EXPECT_EQ(a->pagesInTabOrder(), (QList<PalettePage*>{swatches, info}));
    EXPECT_EQ(a->pages(), (QList<PalettePage*>{info, swatches})) << "the pages stay as added";
    EXPECT_EQ(a->shownPage(), info);

    // From the keyboard: Right shows the next tab's page, Ctrl+Left moves the shown tab.
    strip->setFocus();
    a->showPage(swatches);
    QTest::keyClick(strip, Qt::Key_Right);
    EXPECT_EQ(a->shownPage(), info);
    QTest::keyClick(strip, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(a->pagesInTabOrder(), (QList<PalettePage*>{info, swatches}));
}

TEST_F(PaletteWindows, NeverSmallerThanTheMinimum) {
    a->resize(100, 60);
    EXPECT_EQ(a->size(), QSize(220, 170));
    // Dragging the bottom-right corner inwards stops at the minimum too.
    const QPoint corner = a->mapToGlobal(QPoint(a->width() - 1, a->height() - 1));
    dragGlobal(a, corner, corner - QPoint(80, 90));
    EXPECT_EQ(a->size(), QSize(220, 170));
    dragGlobal(a, corner, corner + QPoint(30, 40));
    EXPECT_EQ(a->size(), QSize(250, 210));
}

TEST_F(PaletteWindows, DraggedByTheCaptionTheWindowSnapsToAnotherUnlessCtrlIsHeld) {
    PaletteWindow* b = owner.group->addPaletteWindow(QStringLiteral("Second"));
    b->addPage(new FieldPage(owner.group, QStringLiteral("Layers")));
    b->setGeometry(600, 250, 220, 170);
    b->show();
    // a's left edge dragged to 9 pixels right of b's right edge (820).
    const QPoint grip = a->mapToGlobal(QPoint(60, FloatingWindow::kBorder + 5));
    ASSERT_TRUE(a->onCaption(a->mapFromGlobal(grip)));
    const QPoint to = grip + QPoint(829 - a->x(), 300 - a->y());
    dragGlobal(a, grip, to);
    EXPECT_EQ(a->geometry(), QRect(820, 300, 220, 170));

    a->move(300, 200);
    dragGlobal(a, grip, to, Qt::ControlModifier);
    EXPECT_EQ(a->geometry(), QRect(829, 300, 220, 170));
}

TEST_F(PaletteWindows, WindowsAttachedToTheDraggedOneAreNoTargets) {
    PaletteWindow* b = owner.group->addPaletteWindow(QStringLiteral("Second"));
    b->addPage(new FieldPage(owner.group, QStringLiteral("Layers")));
    b->setGeometry(520, 200, 220, 170);  // edge to edge with a
    b->show();
    EXPECT_EQ(owner.group->attachedTo(a), (QList<FloatingWindow*>{b}));
    // Pulling a away to the left by 8: b's left edge would pull it back, but b is attached.
    const QPoint grip = a->mapToGlobal(QPoint(60, FloatingWindow::kBorder + 5));
    dragGlobal(a, grip, grip - QPoint(8, 0));
    EXPECT_EQ(a->geometry(), QRect(292, 200, 220, 170));
    EXPECT_EQ(b->geometry(), QRect(520, 200, 220, 170)) << "attached windows stay";
}

TEST_F(PaletteWindows, AModalDialogDisablesTheGroupUntilItCloses) {
    PaletteWindow* b = owner.group->addPaletteWindow(QStringLiteral("Second"));
    b->addPage(new FieldPage(owner.group, QStringLiteral("Layers")));
    b->show();
    QDialog dialog(&owner.window);
    dialog.setModal(true);
    dialog.show();
    QApplication::processEvents();
    for (PaletteWindow* w : {a, b}) {
        EXPECT_FALSE(w->content()->isEnabled()) << w->key().toStdString();
        EXPECT_FALSE(w->hideButton()->isEnabled());
    }
    dialog.close();
    QApplication::processEvents();
    for (PaletteWindow* w : {a, b}) EXPECT_TRUE(w->content()->isEnabled());
}

TEST_F(PaletteWindows, TheHideButtonHidesAndTheChoiceIsKept) {
    QSignalSpy spy(owner.group, &PaletteGroup::windowVisibilityChanged);
    a->hideButton()->click();
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(a->isWanted());
    ASSERT_EQ(spy.count(), 1);
    a->setWanted(true);
    EXPECT_TRUE(a->isVisible());
}

TEST_F(PaletteWindows, PlacementsComeBackAsTheyWereLeft) {
    PaletteWindow* b = owner.group->addPaletteWindow(QStringLiteral("Second"));
    b->addPage(new FieldPage(owner.group, QStringLiteral("Layers")));
    b->show();
    a->setGeometry(40, 50, 260, 300);
    a->showPage(swatches);
    a->setTabOrder({QStringLiteral("Swatches"), QStringLiteral("Info")});
    b->setGeometry(310, 50, 230, 180);
    b->setWanted(false);
    const std::vector<FloatingWindowPlacement> saved = owner.group->placements();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].key, QStringLiteral("First"));
    EXPECT_EQ(saved[0].page, QStringLiteral("Swatches"));
    EXPECT_EQ(saved[0].tabs, (QStringList{QStringLiteral("Swatches"), QStringLiteral("Info")}));
    EXPECT_FALSE(saved[1].visible);

    // Everything moved about, then the saved placements applied.
    a->setGeometry(500, 500, 220, 170);
    a->showPage(info);
    a->setTabOrder({QStringLiteral("Info"), QStringLiteral("Swatches")});
    b->setWanted(true);
    owner.group->applyPlacements(saved);
    EXPECT_EQ(a->geometry(), QRect(40, 50, 260, 300));
    EXPECT_EQ(a->shownPage(), swatches);
    EXPECT_EQ(a->pagesInTabOrder(), (QList<PalettePage*>{swatches, info}));
    EXPECT_EQ(b->geometry(), QRect(310, 50, 230, 180));
    EXPECT_FALSE(b->isVisible());

    // A place on no screen, or smaller than the minimum, is not taken as it is.
    std::vector<FloatingWindowPlacement> odd = saved;
    odd[0].rect = QRect(-50000, -50000, 220, 170);
    odd[1].rect = QRect(60, 60, 10, 10);
    owner.group->applyPlacements(odd);
    EXPECT_TRUE(a->geometry().intersects(QGuiApplication::primaryScreen()->availableGeometry()));
    EXPECT_EQ(b->geometry(), QRect(60, 60, 220, 170));
}

}  // namespace
}  // namespace varnel
