#include "dialogs/canvas_size_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "dialog_fixtures.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

constexpr ColorRef kForeground = makeRgb(10, 20, 30);
constexpr ColorRef kBackground = makeRgb(200, 100, 50);

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}

class CanvasSizeDialogTest : public test::FreshRun {
protected:
    std::unique_ptr<CanvasSizeDialog> open(int width = 100, int height = 50) {
        ImageSettings s;
        s.width = width;
        s.height = height;
        s.resolution = 72.0f;
        image = Document::createBlank(s);
        return std::make_unique<CanvasSizeDialog>(*image, kForeground, kBackground, nullptr);
    }
    std::unique_ptr<Document> image;
};

TEST_F(CanvasSizeDialogTest, OpensOnTheCurrentSizeInPixels) {
    auto d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Canvas Size"));
    EXPECT_EQ(d->currentCaption()->text(), QStringLiteral("Current Size:  14.65K"));
    EXPECT_EQ(d->newCaption()->text(), QStringLiteral("New Size:  14.65K"));
    EXPECT_EQ(d->currentWidthField()->text(), QStringLiteral("100"));
    EXPECT_EQ(d->widthField()->text(), QStringLiteral("100"));
    EXPECT_EQ(d->heightField()->text(), QStringLiteral("50"));
    EXPECT_EQ(d->widthUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_TRUE(d->anchorButton(kAnchorCenter)->isChecked());
    EXPECT_EQ(d->colorList()->currentText(), QStringLiteral("Background"));
    EXPECT_FALSE(d->colorList()->isEnabled());  // nothing grows
    EXPECT_TRUE(d->okButton()->isEnabled());
    EXPECT_TRUE(test::unnamedControls(*d).isEmpty())
        << test::unnamedControls(*d).join(", ").toStdString();
}

TEST_F(CanvasSizeDialogTest, UnitsAndRelativeSizesGiveTheNewPixels) {
    struct Case {
        const char* unit;
        bool relative;
        const char* width;
        int64_t pixels;
    } cases[] = {
        {"pixels", false, "120", 120},  {"pixels", true, "-10", 90},  {"pixels", true, "25", 125},
        {"percent", false, "150", 150}, {"percent", true, "-50", 50}, {"inches", false, "2", 144},
        {"cm", false, "2.54", 72},      {"mm", true, "25.4", 172},
    };
    for (const Case& c : cases) {
        auto d = open();
        choose(d->widthUnitList(), QString::fromLatin1(c.unit));
        d->relativeBox()->setChecked(c.relative);
        retype(d->widthField(), QString::fromLatin1(c.width));
        EXPECT_EQ(d->newWidth(), c.pixels) << c.unit << " " << c.relative << " " << c.width;
        EXPECT_EQ(d->newHeight(), 50) << c.unit;
    }
}

TEST_F(CanvasSizeDialogTest, PercentRoundsHalfAwayFromZero) {
    auto d = open(101, 10);
    choose(d->widthUnitList(), QStringLiteral("percent"));
    EXPECT_EQ(d->widthField()->text(), QStringLiteral("100.00"));
    EXPECT_EQ(d->currentWidthField()->text(), QStringLiteral("100"));
    retype(d->widthField(), QStringLiteral("150"));
    EXPECT_EQ(d->newWidth(), 152);  // 151.5
}

TEST_F(CanvasSizeDialogTest, RelativeShowsTheDifferenceAndBack) {
    auto d = open();
    retype(d->widthField(), QStringLiteral("130"));
    d->relativeBox()->setChecked(true);
    EXPECT_EQ(d->widthField()->text(), QStringLiteral("30"));
    EXPECT_EQ(d->heightField()->text(), QStringLiteral("0"));
    EXPECT_EQ(d->newWidth(), 130);
    retype(d->widthField(), QStringLiteral("-10"));
    EXPECT_FALSE(d->colorList()->isEnabled());  // neither side grows
    d->relativeBox()->setChecked(false);
    EXPECT_EQ(d->widthField()->text(), QStringLiteral("90"));
}

TEST_F(CanvasSizeDialogTest, SizesTheEngineCannotMakeAreRefused) {
    struct Case {
        const char* unit;
        bool relative;
        const char* width;
        const char* reason;
    } cases[] = {
        {"pixels", false, "0", "at least 1"},         {"pixels", true, "-100", "at least 1"},
        {"pixels", true, "-150", "comes to -50"},     {"pixels", false, "30001", "at most 30000"},
        {"percent", false, "40000", "at most 30000"}, {"inches", false, "9999", "at most 30000"},
        {"pixels", false, "", "Enter the width"},
    };
    for (const Case& c : cases) {
        auto d = open();
        choose(d->widthUnitList(), QString::fromLatin1(c.unit));
        d->relativeBox()->setChecked(c.relative);
        retype(d->widthField(), QString::fromLatin1(c.width));
        EXPECT_FALSE(d->okButton()->isEnabled()) << c.width;
        EXPECT_EQ(d->newCaption()->text(), QStringLiteral("New Size:  --")) << c.width;
        EXPECT_TRUE(d->problem().contains(QString::fromLatin1(c.reason)))
            << c.width << ": " << d->problem().toStdString();
        d->accept();
        EXPECT_EQ(d->result(), QDialog::Rejected) << c.width;
    }
}

TEST_F(CanvasSizeDialogTest, OkReturnsTheAnchoredParametersAndColour) {
    struct Case {
        int anchor;
        int choice;
        int32_t offsetX, offsetY;
        ColorRef color;
    } cases[] = {
        {kAnchorTopLeft, CanvasSizeDialog::kForeground, 0, 0, kForeground},
        {kAnchorCenter, CanvasSizeDialog::kBackground, 10, 5, kBackground},
        {kAnchorBottomRight, CanvasSizeDialog::kWhite, 20, 10, makeRgb(255, 255, 255)},
        {kAnchorRight, CanvasSizeDialog::kBlack, 20, 5, makeRgb(0, 0, 0)},
    };
    for (const Case& c : cases) {
        auto d = open();
        retype(d->widthField(), QStringLiteral("120"));
        retype(d->heightField(), QStringLiteral("60"));
        d->anchorButton(c.anchor)->click();
        d->colorList()->setCurrentIndex(c.choice);
        d->accept();
        EXPECT_EQ(d->anchor(), c.anchor);
        const CanvasSizeParams& p = d->params();
        EXPECT_EQ(p.width, 120);
        EXPECT_EQ(p.height, 60);
        EXPECT_EQ(p.oldWidth, 100);
        EXPECT_EQ(p.offsetX, c.offsetX) << c.anchor;
        EXPECT_EQ(p.offsetY, c.offsetY) << c.anchor;
        EXPECT_EQ(p.extensionColor, c.color) << c.anchor;
    }
}

TEST_F(CanvasSizeDialogTest, ArrowKeysMoveTheAnchor) {
    auto d = open();
    QTest::keyClick(d->anchorButton(kAnchorCenter), Qt::Key_Up);
    EXPECT_EQ(d->anchor(), kAnchorTop);
    QTest::keyClick(d->anchorButton(kAnchorTop), Qt::Key_Up);
    EXPECT_EQ(d->anchor(), kAnchorTop);  // stays in the grid
    QTest::keyClick(d->anchorButton(kAnchorTop), Qt::Key_Right);
    EXPECT_EQ(d->anchor(), kAnchorTopRight);
    EXPECT_TRUE(d->anchorButton(kAnchorTopRight)->isChecked());
    EXPECT_FALSE(d->anchorButton(kAnchorCenter)->isChecked());
}

TEST_F(CanvasSizeDialogTest, TheColourChoiceIsKeptForTheRunEvenWhenCancelled) {
    ColorSwatchButton::setColorChooser(
        [](const QColor&, QWidget*) -> std::optional<QColor> { return QColor(1, 2, 3); });
    {
        auto d = open();
        d->colorList()->setCurrentIndex(CanvasSizeDialog::kBlack);
        d->reject();
    }
    {
        auto d = open();
        EXPECT_EQ(d->colorList()->currentText(), QStringLiteral("Black"));
        d->swatch()->chooseColor();
        EXPECT_EQ(d->colorList()->currentText(), QStringLiteral("Custom"));
        d->reject();
    }
    ColorSwatchButton::setColorChooser({});
    auto d = open();
    EXPECT_EQ(d->colorList()->currentText(), QStringLiteral("Custom"));
    EXPECT_EQ(d->swatch()->color(), QColor(1, 2, 3));
    retype(d->widthField(), QStringLiteral("101"));
    d->accept();
    EXPECT_EQ(d->params().extensionColor, makeRgb(1, 2, 3));
}

}  // namespace
}  // namespace varnel
