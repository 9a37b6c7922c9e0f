#include "dialogs/fill_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "dialog_fixtures.h"
#include "widgets/color_swatch_button.h"
#include "widgets/popup_slider_field.h"

namespace varnel {
namespace {

const Bgr kForeground{10, 20, 30};  // blue, green, red
const Bgr kBackground{200, 210, 220};

QColor qcolor(Bgr c) {
    return QColor(c.r, c.g, c.b);
}

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

using FillDialogTest = test::FreshRun;

TEST_F(FillDialogTest, FirstFillOfTheRunIsForegroundNormalFullyOpaque) {
    FillDialog dialog(kForeground, kBackground, false);
    EXPECT_EQ(dialog.colorList()->currentText(), QStringLiteral("Foreground"));
    EXPECT_EQ(dialog.swatch()->color(), qcolor(kForeground));
    EXPECT_EQ(dialog.modeList()->count(), 19);
    EXPECT_EQ(dialog.modeList()->itemText(7), QStringLiteral("Soft Dodge"));
    EXPECT_EQ(dialog.modeList()->currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(dialog.opacityField()->text(), QStringLiteral("100"));
    EXPECT_TRUE(dialog.preserveBox()->isEnabled());
    EXPECT_FALSE(dialog.preserveBox()->isChecked());
    EXPECT_TRUE(test::unnamedControls(dialog).isEmpty())
        << test::unnamedControls(dialog).join(", ").toStdString();

    dialog.accept();
    const FillSettings s = dialog.settings();
    EXPECT_EQ(s.color, kForeground);
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.opacity, 100);
    EXPECT_EQ(s.preserveTransparency, 0);
}

TEST_F(FillDialogTest, EachColourChoiceGivesItsColour) {
    FillDialog::remembered().customColor = Bgr{1, 2, 3};
    struct Case {
        int choice;
        Bgr color;
    } cases[] = {
        {FillDialog::kForeground, kForeground},   {FillDialog::kBackground, kBackground},
        {FillDialog::kWhite, Bgr{255, 255, 255}}, {FillDialog::kBlack, Bgr{0, 0, 0}},
        {FillDialog::kCustom, Bgr{1, 2, 3}},
    };
    for (const Case& c : cases) {
        FillDialog dialog(kForeground, kBackground, false);
        dialog.colorList()->setCurrentIndex(c.choice);
        EXPECT_EQ(dialog.swatch()->color(), qcolor(c.color)) << c.choice;
        dialog.accept();
        EXPECT_EQ(dialog.settings().color, c.color) << c.choice;
    }
}

TEST_F(FillDialogTest, OkFollowsTheOpacityText) {
    FillDialog dialog(kForeground, kBackground, false);
    PopupSliderField* opacity = dialog.opacityField();
    struct Case {
        const char* typed;
        bool ok;
    } cases[] = {{"", false},   {"0", false},   {"1", true},
                 {"100", true}, {"101", false}, {"55", true}};
    for (const Case& c : cases) {
        retype(opacity, QString::fromLatin1(c.typed));
        EXPECT_EQ(dialog.okButton()->isEnabled(), c.ok) << c.typed;
    }
    retype(opacity, QStringLiteral("100"));
    QTest::keyClick(opacity, Qt::Key_Up);
    EXPECT_EQ(opacity->text(), QStringLiteral("100"));

    // A disabled OK cannot be pressed through Return either.
    retype(opacity, QString());
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(FillDialogTest, ReopensWithTheLastFillOfTheRun) {
    {
        FillDialog dialog(kForeground, kBackground, false);
        dialog.colorList()->setCurrentIndex(FillDialog::kBackground);
        dialog.modeList()->setCurrentIndex(1);
        retype(dialog.opacityField(), QStringLiteral("55"));
        dialog.preserveBox()->setChecked(true);
        dialog.accept();
        EXPECT_EQ(dialog.settings().color, kBackground);
        EXPECT_EQ(dialog.settings().mode, 1);
        EXPECT_EQ(dialog.settings().opacity, 55);
        EXPECT_EQ(dialog.settings().preserveTransparency, 1);
    }
    {
        // Changes made and then cancelled are not kept.
        FillDialog dialog(kForeground, kBackground, false);
        dialog.modeList()->setCurrentIndex(5);
        dialog.reject();
    }
    FillDialog dialog(Bgr{0, 0, 1}, Bgr{0, 0, 2}, false);
    EXPECT_EQ(dialog.colorList()->currentIndex(), FillDialog::kBackground);
    EXPECT_EQ(dialog.swatch()->color(), QColor(2, 0, 0));  // today's background colour
    EXPECT_EQ(dialog.modeList()->currentIndex(), 1);
    EXPECT_EQ(dialog.opacityField()->text(), QStringLiteral("55"));
    EXPECT_TRUE(dialog.preserveBox()->isChecked());

    // Remembered values from outside the lists' ranges are brought inside.
    FillDialog::remembered() = {9, Bgr{}, 40, 0, false};
    FillDialog clamped(kForeground, kBackground, false);
    EXPECT_EQ(clamped.colorList()->currentIndex(), FillDialog::kCustom);
    EXPECT_EQ(clamped.modeList()->currentIndex(), 18);
    EXPECT_EQ(clamped.opacityField()->text(), QStringLiteral("1"));
}

TEST_F(FillDialogTest, OnTheBackgroundLayerTheRememberedPreserveFlagPassesThrough) {
    FillDialog::remembered().preserveTransparency = true;
    FillDialog dialog(kForeground, kBackground, true);
    EXPECT_FALSE(dialog.preserveBox()->isEnabled());
    dialog.accept();
    EXPECT_EQ(dialog.settings().preserveTransparency, 1);
    EXPECT_TRUE(FillDialog::remembered().preserveTransparency);
}

TEST_F(FillDialogTest, APickedColourBecomesTheCustomColourAtOnce) {
    FillDialog dialog(kForeground, kBackground, false);
    dialog.colorList()->setCurrentIndex(FillDialog::kWhite);
    dialog.swatch()->takeColor(QColor(12, 34, 56));
    EXPECT_EQ(dialog.colorList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(dialog.swatch()->color(), QColor(12, 34, 56));
    dialog.swatch()->takeColor(QColor(90, 80, 70));  // already Custom: stays, shows the new one
    EXPECT_EQ(dialog.swatch()->color(), QColor(90, 80, 70));
    dialog.reject();
    // Kept although the dialog was cancelled; the choice itself was not.
    EXPECT_EQ(FillDialog::remembered().customColor, (Bgr{70, 80, 90}));
    EXPECT_EQ(FillDialog::remembered().colorChoice, FillDialog::kForeground);
}

TEST_F(FillDialogTest, ReopensWhereItWasClosedAndAltTurnsCancelIntoReset) {
    QWidget owner;
    owner.setGeometry(200, 150, 700, 500);
    owner.show();
    {
        FillDialog dialog(kForeground, kBackground, false, &owner);
        dialog.show();
        EXPECT_LE(
            (dialog.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(),
            2);
        dialog.move(40, 60);
        dialog.reject();
    }
    FillDialog dialog(kForeground, kBackground, false, &owner);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(40, 60));
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    const QString cancel = dialog.cancelButton()->text();
    QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier);
    dialog.checkAltKey();
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("Reset"));
    retype(dialog.opacityField(), QStringLiteral("42"));
    dialog.cancelButton()->click();  // Reset: nothing to reset, the dialog stays
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.opacityField()->text(), QStringLiteral("42"));
    QTest::keyRelease(&dialog, Qt::Key_Alt, Qt::NoModifier);
    dialog.checkAltKey();
    EXPECT_EQ(dialog.cancelButton()->text(), cancel);
    dialog.cancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace varnel
