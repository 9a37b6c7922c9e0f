#include "dialogs/print_preview_dialog.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace varnel {
namespace {

// A preview over a PDF printer, counting the pages it asks for and the Page Setup runs.
struct Preview : ::testing::Test {
    Preview() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        dialog = std::make_unique<PrintPreviewDialog>(
            &printer,
            [this](QPrinter* target) {
                ++paints;
                QPainter p(target);
                p.fillRect(QRect(0, 0, 100, 100), Qt::black);
            },
            [this] {
                ++setups;
                return setupConfirms;
            });
    }

    QPrinter printer{QPrinter::HighResolution};
    std::unique_ptr<PrintPreviewDialog> dialog;
    int paints = 0;
    int setups = 0;
    bool setupConfirms = true;
};

TEST_F(Preview, HasTheFourButtonsAndAnAccessiblePageArea) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print with Preview"));
    EXPECT_EQ(dialog->printButton()->text(), QStringLiteral("Print..."));
    EXPECT_EQ(dialog->pageSetupButton()->text(), QStringLiteral("Page Setup..."));
    EXPECT_EQ(dialog->doneButton()->text(), QStringLiteral("Done"));
    EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(dialog->doneButton()->isDefault());
    EXPECT_FALSE(dialog->previewArea()->accessibleName().isEmpty());

    // Tab walks the buttons in their column, then the page.
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->activateWindow();
    dialog->printButton()->setFocus();
    QWidget* expected[] = {dialog->pageSetupButton(), dialog->doneButton(), dialog->cancelButton(),
                           dialog->previewArea()};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(Preview, PageIsPaintedWhenShownAndAgainAfterAConfirmedPageSetup) {
    dialog->show();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(dialog->previewArea()->pageCount(), 1);

    setupConfirms = false;
    QTest::mouseClick(dialog->pageSetupButton(), Qt::LeftButton);
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(paints, 1);

    setupConfirms = true;
    QTest::mouseClick(dialog->pageSetupButton(), Qt::LeftButton);
    EXPECT_EQ(setups, 2);
    EXPECT_EQ(paints, 2);
    EXPECT_TRUE(dialog->isVisible());  // Page Setup leaves the preview open
}

TEST_F(Preview, EachClosingButtonTellsHowItClosed) {
    struct Case {
        const char* what;
        std::function<void(PrintPreviewDialog&)> close;
        PrintPreviewDialog::Choice choice;
        int result;
    } cases[] = {
        {"Print...", [](auto& d) { QTest::mouseClick(d.printButton(), Qt::LeftButton); },
         PrintPreviewDialog::Choice::Print, QDialog::Accepted},
        {"Done", [](auto& d) { QTest::mouseClick(d.doneButton(), Qt::LeftButton); },
         PrintPreviewDialog::Choice::Done, QDialog::Accepted},
        // Enter presses the focused button, and Done when the page has the focus.
        {"Enter on the page",
         [](auto& d) {
             d.previewArea()->setFocus();
             QTest::keyClick(d.previewArea(), Qt::Key_Return);
         },
         PrintPreviewDialog::Choice::Done, QDialog::Accepted},
        {"Enter on Print...",
         [](auto& d) {
             d.printButton()->setFocus();
             QTest::keyClick(d.printButton(), Qt::Key_Return);
         },
         PrintPreviewDialog::Choice::Print, QDialog::Accepted},
        {"Cancel", [](auto& d) { QTest::mouseClick(d.cancelButton(), Qt::LeftButton); },
         PrintPreviewDialog::Choice::Cancel, QDialog::Rejected},
        {"Escape", [](auto& d) { QTest::keyClick(&d, Qt::Key_Escape); },
         PrintPreviewDialog::Choice::Cancel, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // After Print... once, a later Done still means Done.
        QTimer::singleShot(0, dialog.get(), [&] { c.close(*dialog); });
        const int result = dialog->exec();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dialog->choice(), c.choice);
        EXPECT_FALSE(dialog->isVisible());
    }
}

}  // namespace
}  // namespace varnel
