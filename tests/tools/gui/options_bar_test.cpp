// The options bar: which page each toolbox choice shows, the pages' initial states, the swap
// button and the view buttons' requests.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QToolButton>

#include "tools/options_bar.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"
#include "widgets/popup_slider_field.h"

namespace varnel {
namespace {

TEST(OptionsBar, ChoosingAButtonShowsItsPageOrLeavesTheShownOne) {
    VeOptionsBar bar;
    EXPECT_EQ(bar.pages()->shownKey(), -1);
    const struct {
        int toolNumber;
        int shownKey;
    } cases[] = {
        {1, 1},    // Elliptical Marquee
        {9, 1},    // Paintbrush: no page, the ellipse's stays
        {16, 1},   // Smudge
        {4, 4},    // move
        {7, 7},    // Magnetic Lasso
        {8, 8},    // Crop
        {17, 17},  // Hand
        {12, 17},  // Gradient
        {20, 20},  // Zoom
        {0, 0},    // Rectangular Marquee
    };
    for (const auto& c : cases) {
        const ToolButtonRecord* record = toolButtonOf(c.toolNumber);
        ASSERT_NE(record, nullptr) << c.toolNumber;
        bar.showToolOptions(*record, c.toolNumber - record->first);
        EXPECT_EQ(bar.pages()->shownKey(), c.shownKey) << c.toolNumber;
        EXPECT_EQ(bar.hotTool()->record(), record) << c.toolNumber;
        EXPECT_EQ(bar.hotTool()->variant(), c.toolNumber - record->first) << c.toolNumber;
    }
    // A variant the button does not have changes nothing.
    bar.showToolOptions(*toolButtonOf(5), 3);
    EXPECT_EQ(bar.pages()->shownKey(), 0);
    EXPECT_EQ(bar.hotTool()->record(), toolButtonOf(0));
}

TEST(OptionsBar, PagesStartAsTheToolsWant) {
    VeOptionsBar bar;
    for (int key : {0, 1, 2, 3, 5, 6, 7}) {
        SelectionOptionsPage* page = bar.selectionPage(key);
        ASSERT_NE(page, nullptr) << key;
        EXPECT_EQ(page->mode(), 0) << key;
        EXPECT_EQ(page->feather()->value(), 0) << key;
        EXPECT_EQ(page->feather()->maximum(), 200) << key;
        EXPECT_EQ(page->feather()->maxLength(), 3) << key;
        // Anti-alias is on and usable only where edges are smoothed: the ellipse and the lassos.
        const bool smooth = key == 1 || key >= 5;
        EXPECT_EQ(page->antiAlias()->isChecked(), smooth) << key;
        EXPECT_EQ(page->antiAlias()->isEnabled(), smooth) << key;
        EXPECT_EQ(page->style() != nullptr, key <= 3) << key;
        EXPECT_EQ(page->widthField() != nullptr, key <= 3) << key;
    }
    SelectionOptionsPage* marquee = bar.selectionPage(0);
    EXPECT_EQ(marquee->style()->currentText(), "Normal");
    EXPECT_EQ(marquee->style()->count(), 3);
    EXPECT_TRUE(marquee->widthField()->text().isEmpty());
    EXPECT_EQ(marquee->widthField()->minimum(), -2147483647);

    SelectionOptionsPage* crop = bar.selectionPage(8);
    ASSERT_NE(crop, nullptr);
    EXPECT_EQ(crop->modeBar(), nullptr);
    EXPECT_TRUE(crop->deleteCropped()->isChecked());
    EXPECT_TRUE(crop->shield()->isChecked());
    EXPECT_EQ(crop->shieldColor()->color(), QColor(Qt::black));
    EXPECT_EQ(crop->opacity()->value(), 75);
    EXPECT_EQ(crop->opacity()->text(), "75%");

    EXPECT_FALSE(bar.autoSelectLayer()->isChecked());
    EXPECT_EQ(bar.zoomModes()->checkedIndex(), 0);
    EXPECT_FALSE(bar.resizeWindowToFit()->isChecked());
}

TEST(OptionsBar, ModeButtonsAreExclusive) {
    VeOptionsBar bar;
    SelectionOptionsPage* page = bar.selectionPage(5);
    page->modeBar()->button(kOptSelectionIntersect)->trigger();
    EXPECT_EQ(page->mode(), 3);
    page->modeBar()->button(kOptSelectionAdd)->trigger();
    EXPECT_EQ(page->mode(), 1);
    // Triggering the checked one keeps it checked.
    page->modeBar()->button(kOptSelectionAdd)->trigger();
    EXPECT_EQ(page->mode(), 1);
    // Every page keeps its own mode.
    EXPECT_EQ(bar.selectionPage(6)->mode(), 0);
    bar.zoomModes()->button(kOptZoomOut)->trigger();
    EXPECT_EQ(bar.zoomModes()->checkedIndex(), 1);
}

TEST(OptionsBar, SwapExchangesWidthAndHeight) {
    VeOptionsBar bar;
    for (int key : {0, 8}) {
        SelectionOptionsPage* page = bar.selectionPage(key);
        page->widthField()->setText("640");
        page->heightField()->setText("480");
        page->swapButton()->click();
        EXPECT_EQ(page->widthField()->text(), "480") << key;
        EXPECT_EQ(page->heightField()->text(), "640") << key;
        page->widthField()->setText("");
        page->swapButton()->click();
        EXPECT_EQ(page->widthField()->text(), "640") << key;
        EXPECT_TRUE(page->heightField()->text().isEmpty()) << key;
    }
}

TEST(OptionsBar, ViewButtonsAskForTheViewCommands) {
    VeOptionsBar bar;
    QSignalSpy spy(&bar, &VeOptionsBar::viewCommandRequested);
    for (QToolBar* viewBar : {bar.handViewBar(), bar.zoomViewBar()}) {
        spy.clear();
        for (QAction* a : viewBar->actions())
            if (!a->isSeparator()) a->trigger();
        ASSERT_EQ(spy.size(), 4);
        EXPECT_EQ(spy[0][0].toInt(), 32944);  // Fit on Screen
        EXPECT_EQ(spy[1][0].toInt(), 32945);  // Fit in Window
        EXPECT_EQ(spy[2][0].toInt(), 32947);  // Print Size
        EXPECT_EQ(spy[3][0].toInt(), 32946);  // Actual Pixels
    }
}

}  // namespace
}  // namespace varnel
