#include "dialogs/one_value_dialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_fixtures.h"

namespace varnel {
namespace {

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

using OneValueDialogTest = test::FreshRun;

TEST_F(OneValueDialogTest, EachUseHasItsTextsLimitsAndLayout) {
    struct Case {
        OneValueDialog::Use use;
        const char* title;
        const char* label;
        const char* unit;
        int maxChars;
    } cases[] = {
        {OneValueDialog::featherUse(), "Feather Selection", "Feather radius:", "pixels", 6},
        {OneValueDialog::borderUse(), "Border Selection", "Border width:", "pixels", 3},
        {OneValueDialog::expandUse(), "Expand Selection", "Expand by:", "pixels", 3},
        {OneValueDialog::contractUse(), "Contract Selection", "Contract by:", "pixels", 3},
        {OneValueDialog::presetNameUse(), "New Image Preset", "Preset name:", "", 50},
        {OneValueDialog::layerNameUse(), "Layer Properties", "&Name:", "", 255},
    };
    for (const Case& c : cases) {
        OneValueDialog dialog(c.use);
        dialog.show();
        SCOPED_TRACE(c.title);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(dialog.labelText()->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(dialog.valueField()->maxLength(), c.maxChars);
        EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
            << test::unnamedControls(dialog).join(", ").toStdString();

        // Label, 8 pixels, the field (50 wide beside a unit, 200 alone), 8 pixels, the unit,
        // 14 pixels, the buttons.
        const QRect label = dialog.labelText()->geometry();
        const QRect field = dialog.valueField()->geometry();
        EXPECT_EQ(field.left(), label.right() + 1 + 8);
        const bool unit = *c.unit != 0;
        EXPECT_EQ(field.width(), unit ? 50 : 200);
        QWidget* buttons = dialog.okButton()->parentWidget();
        if (unit) {
            ASSERT_NE(dialog.unitText(), nullptr);
            EXPECT_EQ(dialog.unitText()->text(), QString::fromUtf8(c.unit));
            EXPECT_EQ(dialog.unitText()->x(), field.right() + 1 + 8);
            EXPECT_EQ(buttons->x(), dialog.unitText()->geometry().right() + 1 + 14);
        } else {
            EXPECT_EQ(dialog.unitText(), nullptr);
            EXPECT_EQ(buttons->x(), field.right() + 1 + 14);
        }
        EXPECT_GT(dialog.cancelButton()->mapTo(&dialog, QPoint()).y(),
                  dialog.okButton()->mapTo(&dialog, QPoint()).y());
        dialog.reject();
    }
}

TEST_F(OneValueDialogTest, OkOnlyForAValidValue) {
    struct Case {
        OneValueDialog::Use use;
        const char* typed;
        const char* shown;  // what the field took of it
        bool ok;
    } cases[] = {
        {OneValueDialog::borderUse(), "", "", false},
        {OneValueDialog::borderUse(), "0", "0", false},
        {OneValueDialog::borderUse(), "1", "1", true},
        {OneValueDialog::borderUse(), "200", "200", true},
        {OneValueDialog::borderUse(), "201", "201", false},
        {OneValueDialog::borderUse(), "2a5-", "25", true},
        {OneValueDialog::borderUse(), "1234", "123", true},
        {OneValueDialog::expandUse(), "101", "101", false},
        {OneValueDialog::featherUse(), "0.05", "0.05", false},
        {OneValueDialog::featherUse(), "0.1", "0.1", true},
        {OneValueDialog::featherUse(), "250.0", "250.0", true},
        {OneValueDialog::featherUse(), "250.01", "250.01", false},
        {OneValueDialog::featherUse(), ".", ".", false},
        {OneValueDialog::presetNameUse(), "", "", false},
        {OneValueDialog::presetNameUse(), "A4 at 300", "A4 at 300", true},
        {OneValueDialog::presetNameUse(), "  ", "  ", true},
        {OneValueDialog::layerNameUse(), "", "", false},
        {OneValueDialog::layerNameUse(), "   ", "   ", false},
        {OneValueDialog::layerNameUse(), " Sky ", " Sky ", true},
    };
    for (const Case& c : cases) {
        OneValueDialog dialog(c.use);
        retype(dialog.valueField(), QString::fromLatin1(c.typed));
        EXPECT_EQ(dialog.valueField()->text(), QString::fromLatin1(c.shown))
            << c.use.title.toStdString() << " " << c.typed;
        EXPECT_EQ(dialog.okButton()->isEnabled(), c.ok)
            << c.use.title.toStdString() << " " << c.typed;
    }
}

TEST_F(OneValueDialogTest, SelectionCommandsRememberTheirValuesForTheRun) {
    auto run = [](SelectionModify which, const char* typed) {
        SelectionModifyDialog dialog(which);
        const QString shown = dialog.valueField()->text();
        if (typed) {
            retype(dialog.valueField(), QString::fromLatin1(typed));
            dialog.accept();
        } else {
            dialog.reject();
        }
        return shown;
    };
    EXPECT_EQ(run(SelectionModify::Feather, "12.5"), QStringLiteral("1.0"));
    EXPECT_EQ(run(SelectionModify::Feather, nullptr), QStringLiteral("12.5"));

    EXPECT_EQ(run(SelectionModify::Expand, "5"), QStringLiteral("1"));
    EXPECT_EQ(run(SelectionModify::Border, "150"), QStringLiteral("1"));  // its first time
    // The shared amount, held to Expand's range (1 … 100) so that OK can be pressed at once.
    EXPECT_EQ(run(SelectionModify::Expand, nullptr), QStringLiteral("100"));
    EXPECT_EQ(SelectionModifyDialog::remembered().amount, 150);  // cancelled: not stored
    EXPECT_EQ(run(SelectionModify::Contract, "7"), QStringLiteral("1"));
    EXPECT_EQ(run(SelectionModify::Border, nullptr), QStringLiteral("7"));
    EXPECT_EQ(SelectionModifyDialog::remembered().amount, 7);

    // Border takes up to 200 here; its action holds the width to 100.
    SelectionModifyDialog border(SelectionModify::Border);
    retype(border.valueField(), QStringLiteral("150"));
    border.accept();
    EXPECT_EQ(border.amount(), 150);
    SelectionModifyDialog feather(SelectionModify::Feather);
    EXPECT_DOUBLE_EQ(feather.radius(), 12.5);
}

}  // namespace
}  // namespace varnel
