#include "dialogs/options_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "dialog_fixtures.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

class OptionsDialogTest : public test::FreshRun {
protected:
    AppOptions options = [] {
        AppOptions o;
        o.save_layout = false;
        o.max_recent_files = 4;
        o.nb_history_states = 20;
        o.pixel_similarity_tolerance = 32;
        o.default_fg_color = settingsColor(1, 2, 3);
        return o;
    }();
};

TEST_F(OptionsDialogTest, ShowsTheOptionsOnTwoPages) {
    OptionsDialog d(options);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Options"));
    ASSERT_EQ(d.pageCount(), 2);
    EXPECT_EQ(d.pageTree()->topLevelItem(0)->text(0), QStringLiteral("General"));
    EXPECT_EQ(d.pageTree()->topLevelItem(1)->text(0), QStringLiteral("Edit"));
    EXPECT_EQ(d.currentPage(), OptionsDialog::kGeneralPage);
    EXPECT_EQ(d.headerText(), QStringLiteral("General"));
    EXPECT_FALSE(d.saveLayoutBox()->isChecked());
    EXPECT_EQ(d.recentFilesField()->text(), QStringLiteral("4"));
    EXPECT_EQ(d.historyStatesField()->text(), QStringLiteral("20"));
    EXPECT_EQ(d.toleranceField()->text(), QStringLiteral("32"));
    EXPECT_EQ(d.foregroundSwatch()->color(), QColor(1, 2, 3));
    EXPECT_TRUE(test::unnamedControls(d).isEmpty())
        << test::unnamedControls(d).join(", ").toStdString();
    d.showPage(OptionsDialog::kEditPage);
    EXPECT_EQ(d.headerText(), QStringLiteral("Edit"));
    EXPECT_TRUE(test::unnamedControls(d).isEmpty())
        << test::unnamedControls(d).join(", ").toStdString();
}

TEST_F(OptionsDialogTest, ThePageShownLastOpensNextEvenAfterCancel) {
    {
        OptionsDialog d(options);
        QTest::keyClick(d.pageTree(), Qt::Key_Down);
        EXPECT_EQ(d.currentPage(), OptionsDialog::kEditPage);
        d.reject();
    }
    OptionsDialog again(options);
    EXPECT_EQ(again.currentPage(), OptionsDialog::kEditPage);
    EXPECT_EQ(again.headerText(), QStringLiteral("Edit"));
    OptionsDialog::rememberedPage() = 7;  // beyond the pages: the last one
    OptionsDialog clamped(options);
    EXPECT_EQ(clamped.currentPage(), OptionsDialog::kEditPage);
}

TEST_F(OptionsDialogTest, OkTakesTheEditsWithinTheirRanges) {
    struct Case {
        NumericField* (OptionsDialog::*field)() const;
        const char* typed;
        int32_t AppOptions::*option;
        int32_t taken;
    } cases[] = {
        {&OptionsDialog::historyStatesField, "0", &AppOptions::nb_history_states, 1},
        {&OptionsDialog::historyStatesField, "101", &AppOptions::nb_history_states, 100},
        {&OptionsDialog::historyStatesField, "5", &AppOptions::nb_history_states, 5},
        {&OptionsDialog::historyStatesField, "", &AppOptions::nb_history_states, 1},
        {&OptionsDialog::toleranceField, "300", &AppOptions::pixel_similarity_tolerance, 255},
        {&OptionsDialog::toleranceField, "0", &AppOptions::pixel_similarity_tolerance, 0},
        {&OptionsDialog::historyMemoryField, "1024", &AppOptions::history_memory_mb, 1024},
        {&OptionsDialog::historyMemoryField, "3", &AppOptions::history_memory_mb, 16},
        {&OptionsDialog::recentFilesField, "17", &AppOptions::max_recent_files, 16},
        {&OptionsDialog::recentFilesField, "0", &AppOptions::max_recent_files, 1},
    };
    for (const Case& c : cases) {
        OptionsDialog d(options);
        d.show();
        d.showPage((c.field == &OptionsDialog::recentFilesField) ? 0 : 1);
        retype((d.*c.field)(), QString::fromLatin1(c.typed));
        d.accept();
        EXPECT_EQ(d.options().*c.option, c.taken) << c.typed;
    }
}

TEST_F(OptionsDialogTest, OkTakesTheCheckBoxAndColours) {
    ColorSwatchButton::setColorChooser(
        [](const QColor&, QWidget*) -> std::optional<QColor> { return QColor(9, 8, 7); });
    OptionsDialog d(options);
    d.saveLayoutBox()->setChecked(true);
    d.imageBorderSwatch()->chooseColor();
    d.backgroundSwatch()->chooseColor();
    ColorSwatchButton::setColorChooser({});
    d.accept();
    EXPECT_TRUE(d.options().save_layout);
    EXPECT_EQ(d.options().image_border_color, settingsColor(9, 8, 7));
    EXPECT_EQ(d.options().default_bg_color, settingsColor(9, 8, 7));
    EXPECT_EQ(d.options().default_fg_color, settingsColor(1, 2, 3));
    EXPECT_EQ(d.options().doc_window_bg_color, options.doc_window_bg_color);
}

TEST_F(OptionsDialogTest, TheRecentFilesArrowsStopAtTheirEnds) {
    OptionsDialog d(options);
    auto* up = d.findChild<QToolButton*>(QStringLiteral("optionsRecentUp"));
    auto* down = d.findChild<QToolButton*>(QStringLiteral("optionsRecentDown"));
    ASSERT_TRUE(up && down);
    for (int i = 0; i < 20; ++i) up->click();
    EXPECT_EQ(d.recentFilesField()->text(), QStringLiteral("16"));
    for (int i = 0; i < 20; ++i) down->click();
    EXPECT_EQ(d.recentFilesField()->text(), QStringLiteral("1"));
}

TEST_F(OptionsDialogTest, TheFocusFollowsIntoTheNewPage) {
    OptionsDialog d(options);
    d.show();
    d.activateWindow();
    d.saveLayoutBox()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.saveLayoutBox()->hasFocus(); }));
    d.showPage(OptionsDialog::kEditPage);
    EXPECT_TRUE(d.foregroundSwatch()->hasFocus());
}

}  // namespace
}  // namespace varnel
