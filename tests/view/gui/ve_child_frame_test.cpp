#include "view/ve_child_frame.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "document/document.h"
#include "document/selection.h"
#include "gui_fixtures.h"
#include "view/ve_canvas_info_ctrl.h"
#include "view/ve_view.h"

namespace varnel {
namespace {

using test::makeDocument;
using test::solid;

// An opened, unmodified document.
std::unique_ptr<Document> plainDocument(int32_t w, int32_t h) {
    auto doc = makeDocument(w, h, [](int32_t, int32_t) { return solid(10, 20, 30); });
    doc->setModified(false);
    return doc;
}

class VeChildFrameTest : public ::testing::Test {
protected:
    void TearDown() override {
        frame.reset();
        VeChildFrame::setToolboxVisible(false);
    }

    VeChildFrame& standalone(std::unique_ptr<Document> d, QSize size = QSize(400, 300)) {
        frame = std::make_unique<VeChildFrame>(std::move(d));
        frame->resize(size);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return *frame;
    }

    std::unique_ptr<VeChildFrame> frame;
};

TEST_F(VeChildFrameTest, TitleAndZoomFieldFollowEveryZoomChange) {
    VeChildFrame& f = standalone(plainDocument(1200, 900));
    std::vector<float> heard;
    QObject::connect(&f, &VeChildFrame::zoomChanged, [&](float z) { heard.push_back(z); });
    EXPECT_EQ(f.windowTitle(), QStringLiteral("picture.png @ 100%"));
    struct Case {
        int command;
        QString zoom;
    } cases[] = {
        {32991, "50%"},   {32942, "66.67%"}, {32943, "50%"},  {32998, "10%"}, {32943, "8.33%"},
        {32984, "1600%"}, {32942, "1600%"},  {32990, "100%"}, {32997, "75%"}, {32946, "100%"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(f.handleCommand(c.command)) << c.command;
        EXPECT_EQ(f.windowTitle(), QStringLiteral("picture.png @ ") + c.zoom) << c.command;
        EXPECT_EQ(f.infoCtrl()->zoomText(), c.zoom) << c.command;
    }
    EXPECT_EQ(heard.size(), std::size(cases));  // also Zoom In at 16x, which stays at 16x
    EXPECT_FALSE(f.handleCommand(40000));
    EXPECT_FALSE(VeChildFrame::handlesCommand(40000));
}

// A screen reader names every part of a document window: the canvas, both scroll bars, the zoom
// field with its menu button and edit, and the size grip.
TEST_F(VeChildFrameTest, EveryPartOfTheWindowHasAnAccessibleName) {
    VeChildFrame& f = standalone(plainDocument(1200, 900));
    const QList<QWidget*> parts = f.findChildren<QWidget*>();
    ASSERT_FALSE(parts.isEmpty());
    for (QWidget* part : parts) {
        EXPECT_FALSE(part->accessibleName().isEmpty())
            << part->metaObject()->className() << " " << part->objectName().toStdString();
    }
}

TEST_F(VeChildFrameTest, CommandsAreEnabledWhileTheyCanZoom) {
    VeChildFrame& f = standalone(plainDocument(3, 500));  // minimum zoom 1/3
    struct Case {
        float zoom;
        int command;
        bool enabled;
    } cases[] = {
        {1.0f, 32942, true}, {16.0f, 32942, false}, {1.0f, 32943, true}, {0.0f, 32943, false},
        {1.0f, 32991, true}, {1.0f, 32992, false},  {1.0f, 32797, true}, {1.0f, 32945, true},
    };
    for (const Case& c : cases) {
        f.view()->scroller().setZoom(c.zoom, false, true);
        EXPECT_TRUE(VeChildFrame::handlesCommand(c.command));
        EXPECT_EQ(f.isCommandEnabled(c.command), c.enabled) << c.command << " at " << c.zoom;
    }
}

TEST_F(VeChildFrameTest, FitAndPrintSizeCommands) {
    auto doc = plainDocument(800, 200);
    doc->setResolution(144.0f, 0);
    VeChildFrame& f = standalone(std::move(doc));
    QSize client = f.view()->size();
    EXPECT_TRUE(f.handleCommand(32945));  // fit in window: the width limits
    EXPECT_EQ(f.view()->scroller().contentSize().width, client.width());
    EXPECT_TRUE(f.handleCommand(32947));
    EXPECT_FLOAT_EQ(f.zoom(), 0.5f);
    EXPECT_TRUE(f.handleCommand(32944));  // outside an area: fit in window
    EXPECT_EQ(f.view()->scroller().contentSize().width, client.width());
}

TEST_F(VeChildFrameTest, TypedZoomCommitsOnEnterAndEscapeRestores) {
    VeChildFrame& f = standalone(plainDocument(1000, 1000));
    VeCanvasInfoCtrl* info = f.infoCtrl();
    struct Case {
        const char* typed;
        float zoom;
    } cases[] = {{"200", 2.0f}, {"25%", 0.25f}, {"%50", 0.5f}, {"abc", 0.001f}, {"99999", 16.0f}};
    for (const Case& c : cases) {
        QTest::mouseClick(info, Qt::LeftButton, Qt::NoModifier, QPoint(10, 8));
        ASSERT_TRUE(info->isEditing());
        EXPECT_EQ(info->editor()->selectedText(), info->zoomText());
        info->editor()->setText(QString::fromLatin1(c.typed));
        QTest::keyClick(info->editor(), Qt::Key_Return);
        EXPECT_FALSE(info->isEditing()) << c.typed;
        EXPECT_FLOAT_EQ(f.zoom(), c.zoom) << c.typed;
    }
    info->beginEdit();
    info->editor()->setText(QStringLiteral("300"));
    QTest::keyClick(info->editor(), Qt::Key_Escape);
    EXPECT_FALSE(info->isEditing());
    EXPECT_FLOAT_EQ(f.zoom(), 16.0f);
    EXPECT_EQ(info->editor()->text(), QStringLiteral("1600%"));
    EXPECT_EQ(info->editor()->maxLength(), 8);
}

TEST_F(VeChildFrameTest, ZoomMenuGreysZoomsBelowTheMinimum) {
    struct Case {
        Size image;
        std::vector<QString> greyed;
    } cases[] = {
        {{1, 500}, {"75%", "50%", "25%", "10%", "5%"}},
        {{3, 500}, {"25%", "10%", "5%"}},  // minimum 1/3
        {{400, 400}, {}},
    };
    for (const Case& c : cases) {
        VeChildFrame& f = standalone(plainDocument(c.image.width, c.image.height));
        QMenu* menu = f.infoCtrl()->zoomMenu();
        QMetaObject::invokeMethod(menu, "aboutToShow");
        std::vector<QString> greyed;
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() && !a->isEnabled()) greyed.push_back(a->text());
        }
        EXPECT_EQ(greyed, c.greyed) << c.image.width;
        // Choosing an entry runs its command.
        for (QAction* a : menu->actions()) {
            if (a->text() == QStringLiteral("2x")) a->trigger();
        }
        EXPECT_FLOAT_EQ(f.zoom(), 2.0f);
    }
}

TEST_F(VeChildFrameTest, TheWindowsSelectionDrivesTheAnts) {
    VeChildFrame& f = standalone(plainDocument(100, 80));
    VeView* v = f.view();
    EXPECT_FALSE(v->antsRunning());
    ASSERT_TRUE(f.selection().setShape(Rect{10, 10, 30, 20}, false));
    EXPECT_TRUE(v->antsRunning());
    EXPECT_TRUE(v->outline().prepared());
    const Rect expected = v->scroller().imageToClient(Rect{10, 10, 30, 20});
    EXPECT_EQ(v->outline().rect(), expected);
    // Hidden, then shown again by the next selection change.
    v->toggleSelectionShown();
    ASSERT_TRUE(f.selection().setShape(Rect{0, 0, 5, 5}, false));
    EXPECT_TRUE(v->selectionShown());
    ASSERT_TRUE(f.selection().deselect());
    EXPECT_FALSE(v->antsRunning());
    // After the canvas changes size the old selection is dropped.
    ASSERT_TRUE(f.selection().setShape(Rect{50, 40, 90, 70}, false));
    ASSERT_TRUE(f.document()->crop(Rect{0, 0, 40, 30}));
    EXPECT_TRUE(f.selection().isEmpty());
    EXPECT_EQ(f.selection().canvasSize(), (Size{40, 30}));
    EXPECT_FALSE(v->antsRunning());
}

TEST_F(VeChildFrameTest, LayoutPlacesViewBarsAndZoomField) {
    VeChildFrame& f = standalone(plainDocument(100, 100), QSize(600, 400));
    const int bw = f.verticalBar()->width();
    EXPECT_EQ(f.view()->geometry(), QRect(1, 1, 600 - 1 - bw, 400 - 1 - bw));
    EXPECT_EQ(f.verticalBar()->geometry().left(), 600 - bw);
    EXPECT_EQ(f.infoCtrl()->geometry(), QRect(0, 400 - bw, 250, bw));
    EXPECT_EQ(f.horizontalBar()->geometry().left(), 250);
    f.resize(300, 200);  // a view narrower than the bar width + 310 gets the short field
    EXPECT_EQ(f.infoCtrl()->width(), 49);
    EXPECT_EQ(f.horizontalBar()->geometry().left(), 49);
    // The image is centred, so both bars are disabled.
    EXPECT_FALSE(f.horizontalBar()->isEnabled());
    EXPECT_FALSE(f.verticalBar()->isEnabled());
}

class MdiTest : public VeChildFrameTest {
protected:
    void SetUp() override {
        VeChildFrameTest::SetUp();
        area = std::make_unique<QMdiArea>();
        area->resize(1000, 800);
        area->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(area.get()));
    }
    void TearDown() override {
        area.reset();
        VeChildFrameTest::TearDown();
    }
    std::unique_ptr<QMdiArea> area;
};

TEST_F(MdiTest, NewWindowsCascadeAtTheLargestFittingZoom) {
    VeChildFrame* first = VeChildFrame::open(area.get(), plainDocument(300, 200));
    ASSERT_TRUE(first);
    QMdiSubWindow* sub1 = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    ASSERT_TRUE(sub1);
    EXPECT_EQ(VeChildFrame::fromSubWindow(sub1), first);
    EXPECT_EQ(sub1->pos(), QPoint(5, 5));
    EXPECT_FLOAT_EQ(first->zoom(), 1.0f);
    // The view shows the whole image at 100 %.
    EXPECT_EQ(first->view()->size(), QSize(300, 200));
    EXPECT_EQ(sub1->windowTitle(), QStringLiteral("picture.png @ 100%"));

    VeChildFrame* second = VeChildFrame::open(area.get(), plainDocument(2000, 1600));
    QMdiSubWindow* sub2 = qobject_cast<QMdiSubWindow*>(second->parentWidget());
    const WindowChrome c = second->chrome();
    EXPECT_EQ(sub2->pos(), QPoint(20, 5 + c.cascadeStep));
    // The largest step at which the window plus 30 fits what is left of the area.
    EXPECT_FLOAT_EQ(second->zoom(), 1.0f / 3);
    EXPECT_EQ(second->view()->scroller().contentSize(), (Size{666, 533}));
    EXPECT_LE(sub2->geometry().right() + 1, 995);

    // Closing every window restarts the cascade.
    area->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    VeChildFrame* third = VeChildFrame::open(area.get(), plainDocument(50, 50));
    EXPECT_EQ(third->parentWidget()->pos(), QPoint(5, 5));
    EXPECT_EQ(third->view()->size(), QSize(150, 120));  // the smallest content area
}

TEST_F(MdiTest, OnlyTheActiveWindowsAntsMarch) {
    area->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(area.get()));
    VeChildFrame* first = VeChildFrame::open(area.get(), plainDocument(60, 60));
    VeChildFrame* second = VeChildFrame::open(area.get(), plainDocument(60, 60));
    for (VeChildFrame* f : {first, second}) {
        ASSERT_TRUE(f->selection().setShape(Rect{10, 10, 20, 20}, false));
    }
    area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    SelectionOutline::setPhase(0);
    first->view()->antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 0);
    second->view()->antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 1);
    area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    first->view()->antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 2);
    SelectionOutline::setPhase(0);
}

TEST_F(MdiTest, FitOnScreenGrowsTheWindowIntoTheArea) {
    VeChildFrame* f = VeChildFrame::open(area.get(), plainDocument(4000, 1000));
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(f->parentWidget());
    VeChildFrame::setToolboxVisible(true);
    EXPECT_TRUE(f->handleCommand(32944));
    EXPECT_EQ(sub->pos(), QPoint(69, 5));
    // The width limits: the view is as wide as the area allows and shows the whole width.
    const Size content = f->view()->scroller().contentSize();
    EXPECT_EQ(content.width, f->view()->width());
    EXPECT_EQ(content.height, f->view()->height());
    EXPECT_LE(sub->geometry().right() + 1, 995);
    EXPECT_NEAR(f->zoom(), float(content.width) / 4000.0f, 1e-6);
}

TEST_F(MdiTest, ASubWindowMadeByTheHostIsPlacedWhenFirstShown) {
    // The main window wraps the frame in a sub-window of its own and shows it.
    auto* f = new VeChildFrame(plainDocument(400, 300));
    auto* sub = new QMdiSubWindow;
    sub->setWidget(f);
    area->addSubWindow(sub);
    sub->show();
    EXPECT_EQ(sub->pos(), QPoint(5, 5));
    EXPECT_EQ(f->view()->size(), QSize(400, 300));
    // Shown again later (after being hidden), it stays where the user put it.
    sub->move(100, 90);
    sub->hide();
    sub->show();
    EXPECT_EQ(sub->pos(), QPoint(100, 90));
}

TEST_F(MdiTest, CaptionMenuOffersOnlyTheCommandsTheHostCarriesOut) {
    VeChildFrame* f = VeChildFrame::open(area.get(), plainDocument(100, 80));
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(f->parentWidget());
    std::vector<int> requested;
    QObject::connect(f, &VeChildFrame::commandRequested,
                     [&](int command) { requested.push_back(command); });
    const QPoint onCaption(30, sub->contentsMargins().top() / 2);
    ASSERT_GT(onCaption.y(), 0);
    EXPECT_TRUE(f->captionMenuItems().empty());  // no host: nothing to offer

    f->setCaptionCommandFilter([](int command) {
        return command == VeChildFrame::kCommandDuplicate ||
               command == VeChildFrame::kCommandCanvasSize;
    });
    const auto items = f->captionMenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0],
              std::make_pair(int(VeChildFrame::kCommandDuplicate), QStringLiteral("Duplicate...")));
    EXPECT_EQ(items[1].first, VeChildFrame::kCommandCanvasSize);

    // A right click on the caption opens the menu; the chosen item is passed on.
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions()) shown.append(a->text());
        menu->setActiveAction(menu->actions().first());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(sub, Qt::RightButton, {}, onCaption);
    EXPECT_EQ(shown,
              (QStringList{QStringLiteral("Duplicate..."), QStringLiteral("Canvas Size...")}));
    EXPECT_EQ(requested, std::vector<int>{VeChildFrame::kCommandDuplicate});

    // With nothing to offer the caption menu does not open (the window's own menu may).
    f->setCaptionCommandFilter([](int) { return false; });
    QStringList other;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (QAction* a : popup->actions()) other.append(a->text());
            popup->close();
        }
    });
    QTest::mouseClick(sub, Qt::RightButton, {}, onCaption);
    QCoreApplication::processEvents();
    EXPECT_FALSE(other.contains(QStringLiteral("Duplicate...")));
    EXPECT_EQ(requested.size(), 1u);
}

}  // namespace
}  // namespace varnel
