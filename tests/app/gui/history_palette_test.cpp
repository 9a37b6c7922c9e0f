// The History palette in the editor: its rows are the active window's steps, a chosen row walks
// the window's own Undo and Redo (so the menus follow), and states the shared budget drops leave a
// note in the status bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QListWidget>
#include <QStatusBar>
#include <QTemporaryDir>

#include "app/image_window.h"
#include "app/main_window.h"
#include "commands/command_ids.h"
#include "gui_test_support.h"
#include "history/history.h"
#include "history/history_budget.h"
#include "palettes/history_page.h"
#include "palettes/palette_group.h"

namespace varnel {
namespace {

struct HistoryEditor : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 200));
        for (int x = 0; x < 40; ++x) image.setPixelColor(x, x % 30, QColor(250, 240, 0));
        photo = dir.filePath(QStringLiteral("photo.png"));
        ASSERT_TRUE(image.save(photo, "PNG"));
        MainWindowSetup setup;
        setup.settings = &settings;
        setup.documents = std::make_unique<ImageDocuments>(settings);
        setup.prompts = std::make_unique<test::FakePrompts>();
        setup.fileDialogs = std::make_unique<test::FakeDialogs>();
        setup.desktop = std::make_unique<test::FakeDesktop>();
        main = std::make_unique<MainWindow>(std::move(setup));
        main->show();
        ASSERT_TRUE(main->openFile(photo));
        window = dynamic_cast<ImageWindow*>(main->activeDocumentWindow());
        ASSERT_TRUE(window);
    }
    void TearDown() override { ImageWindow::historyBudget().setBudget(savedBudget); }

    QStringList rows() const {
        QStringList out;
        QListWidget* list = main->historyPage()->list();
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    QTemporaryDir dir;
    QString photo;
    AppSettings settings;
    std::unique_ptr<MainWindow> main;
    ImageWindow* window = nullptr;
    const size_t savedBudget = ImageWindow::historyBudget().budget();
};

TEST_F(HistoryEditor, ARowChosenUndoesThroughTheWindowAndTheMenusFollow) {
    HistoryPage* page = main->historyPage();
    ASSERT_TRUE(page);
    EXPECT_TRUE(main->paletteAction(QStringLiteral("History")));
    main->runCommand(kCmdBlur);
    main->runCommand(kCmdInvert);
    main->updateCommandStates();
    EXPECT_EQ(rows(), (QStringList{"photo.png", "Blur", "Invert"}));
    EXPECT_EQ(page->list()->currentRow(), 2);

    page->list()->setCurrentRow(0);
    QApplication::processEvents();
    EXPECT_EQ(window->history()->current(), -1);
    EXPECT_FALSE(main->action(kCmdEditUndo)->isEnabled());
    EXPECT_TRUE(main->action(kCmdEditRedo)->isEnabled());
    EXPECT_EQ(page->rows()[2].kind, HistoryRow::Kind::Undone);

    page->list()->setCurrentRow(2);
    QApplication::processEvents();
    EXPECT_EQ(window->history()->current(), 1);
    EXPECT_TRUE(main->action(kCmdEditUndo)->isEnabled());
    EXPECT_FALSE(main->action(kCmdEditRedo)->isEnabled());
}

TEST_F(HistoryEditor, DroppedStatesLeaveANoteInTheStatusBar) {
    ImageWindow::historyBudget().setBudget(1);  // below one layer copy
    main->runCommand(kCmdBlur);
    main->runCommand(kCmdBlur);
    EXPECT_EQ(window->history()->count(), 1);
    const QString note = main->statusBar()->currentMessage();
    const QString expected =
        droppedStatesText(1, ImageWindow::historyBudget().diskCache() != nullptr, std::string());
    EXPECT_EQ(note, expected);
    EXPECT_EQ(droppedStatesText(1, false, ""),
              QStringLiteral("History memory full: 1 undo step dropped"));
    EXPECT_EQ(droppedStatesText(3, true, ""),
              QStringLiteral("History memory and disk cache full: 3 undo steps dropped"));
    EXPECT_EQ(droppedStatesText(2, true, "disk full"),
              QStringLiteral("History disk cache failed (disk full): 2 undo steps dropped"));
}

}  // namespace
}  // namespace varnel
