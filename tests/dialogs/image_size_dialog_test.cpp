#include "dialogs/image_size_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialog_fixtures.h"
#include "imageops/units.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

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

class ImageSizeDialogTest : public test::FreshRun {
protected:
    // An 800 × 600 image at 72 pixels per inch.
    std::unique_ptr<ImageSizeDialog> open(int width = 800, int height = 600,
                                          float resolution = 72.0f) {
        ImageSettings s;
        s.width = width;
        s.height = height;
        s.resolution = resolution;
        image = Document::createBlank(s);
        return std::make_unique<ImageSizeDialog>(*image, nullptr);
    }
    std::unique_ptr<Document> image;
};

TEST_F(ImageSizeDialogTest, OpensOnTheImagesValues) {
    auto d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Image Size"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("800"));
    EXPECT_EQ(d->pixelHeightField()->text(), QStringLiteral("600"));
    EXPECT_EQ(d->pixelWidthUnitList()->currentText(), QStringLiteral("pixels"));
    EXPECT_EQ(d->documentWidthUnitList()->currentText(), QStringLiteral("percent"));
    EXPECT_EQ(d->documentWidthField()->text(), QStringLiteral("100.00"));
    EXPECT_EQ(d->resolutionField()->text(), QStringLiteral("72.000"));
    EXPECT_EQ(d->methodList()->currentText(), QStringLiteral("Bicubic Smooth"));
    EXPECT_EQ(d->methodList()->count(), 6);
    EXPECT_TRUE(d->constrainBox()->isChecked());
    EXPECT_TRUE(d->resampleBox()->isChecked());
    EXPECT_TRUE(d->pixelLinkShown());
    EXPECT_TRUE(d->documentLinkShown());
    EXPECT_EQ(d->pixelGroup()->title(), QStringLiteral("Pixel Dimensions:  1.37M"));
    EXPECT_TRUE(d->okButton()->isEnabled());
    EXPECT_TRUE(test::unnamedControls(*d).isEmpty())
        << test::unnamedControls(*d).join(", ").toStdString();
}

TEST_F(ImageSizeDialogTest, ConstrainedWidthSetsTheRoundedHeight) {
    auto d = open();
    retype(d->pixelWidthField(), QStringLiteral("401"));
    EXPECT_EQ(d->pixelHeightField()->text(), QStringLiteral("301"));  // 300.75 rounded
    EXPECT_EQ(d->documentWidthField()->text(), QStringLiteral("50.13"));
    EXPECT_EQ(d->pixelGroup()->title(), QStringLiteral("Pixel Dimensions:  353.62K (was 1.37M)"));
    d->accept();
    EXPECT_EQ(d->params().width, 401);
    EXPECT_EQ(d->params().height, 301);
    EXPECT_EQ(d->params().oldWidth, 800);
    EXPECT_EQ(d->params().method, kResampleBicubicSmooth);
}

TEST_F(ImageSizeDialogTest, PercentAndLengthsTurnIntoPixels) {
    auto d = open();
    choose(d->pixelWidthUnitList(), QStringLiteral("percent"));
    EXPECT_EQ(d->pixelHeightUnitList()->currentText(), QStringLiteral("percent"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("100.00"));
    retype(d->pixelHeightField(), QStringLiteral("50"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("50.00"));

    choose(d->documentWidthUnitList(), QStringLiteral("inches"));
    EXPECT_EQ(d->documentWidthField()->text(), QStringLiteral("5.56"));  // 400 px at 72 ppi
    retype(d->documentWidthField(), QStringLiteral("2"));
    d->accept();
    EXPECT_EQ(d->params().width, 144);
    EXPECT_EQ(d->params().height, 108);
}

TEST_F(ImageSizeDialogTest, AResolutionChangeResamplesTheDocumentSize) {
    auto d = open();
    choose(d->documentWidthUnitList(), QStringLiteral("inches"));
    retype(d->resolutionField(), QStringLiteral("144"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("1600"));
    EXPECT_EQ(d->pixelHeightField()->text(), QStringLiteral("1200"));
    EXPECT_EQ(d->documentWidthField()->text(), QStringLiteral("11.11"));
}

TEST_F(ImageSizeDialogTest, WithoutResamplingTheDocumentSizeSetsTheResolution) {
    auto d = open();
    d->resampleBox()->setChecked(false);
    EXPECT_FALSE(d->pixelWidthField()->isEnabled());
    EXPECT_FALSE(d->methodList()->isEnabled());
    EXPECT_FALSE(d->constrainBox()->isEnabled());
    EXPECT_TRUE(d->constrainBox()->isChecked());
    EXPECT_FALSE(d->pixelLinkShown());
    EXPECT_TRUE(d->documentLinkShown());

    retype(d->documentWidthField(), QStringLiteral("50"));
    EXPECT_EQ(d->documentHeightField()->text(), QStringLiteral("50.00"));
    EXPECT_EQ(d->resolutionField()->text(), QStringLiteral("144.000"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("800"));

    // In a length the resolution is the pixels per that length.
    choose(d->documentWidthUnitList(), QStringLiteral("inches"));
    retype(d->documentWidthField(), QStringLiteral("4"));
    EXPECT_EQ(d->documentHeightField()->text(), QStringLiteral("3.00"));
    EXPECT_EQ(d->resolutionField()->text(), QStringLiteral("200.000"));
    choose(d->documentWidthUnitList(), QStringLiteral("cm"));
    retype(d->documentWidthField(), QStringLiteral("10"));
    EXPECT_EQ(d->resolutionField()->text(), QStringLiteral("203.200"));  // 80 per cm

    d->accept();
    EXPECT_EQ(d->params().width, 800);
    EXPECT_EQ(d->params().height, 600);
    EXPECT_NEAR(d->params().resolution, 203.2f, 0.001f);
}

TEST_F(ImageSizeDialogTest, ResamplingOffOrConstrainOnPutsTheImagesValuesBack) {
    auto d = open();
    choose(d->documentWidthUnitList(), QStringLiteral("cm"));
    retype(d->pixelWidthField(), QStringLiteral("100"));
    d->resampleBox()->setChecked(false);
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("800"));
    EXPECT_EQ(d->documentWidthUnitList()->currentText(), QStringLiteral("cm"));  // units stay

    d->resampleBox()->setChecked(true);
    d->constrainBox()->setChecked(false);
    EXPECT_FALSE(d->pixelLinkShown());
    retype(d->pixelWidthField(), QStringLiteral("100"));
    EXPECT_EQ(d->pixelHeightField()->text(), QStringLiteral("600"));  // no longer linked
    d->constrainBox()->setChecked(true);
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("800"));
}

// Reset is what Cancel does while Alt is held.
struct ResettableDialog : ImageSizeDialog {
    using ImageSizeDialog::ImageSizeDialog;
    using ImageSizeDialog::resetValues;
};

TEST_F(ImageSizeDialogTest, ResetPutsEverythingBack) {
    open();
    ResettableDialog d(*image);
    d.resampleBox()->setChecked(false);
    choose(d.documentWidthUnitList(), QStringLiteral("mm"));
    retype(d.resolutionField(), QStringLiteral("300"));
    d.resetValues();
    EXPECT_TRUE(d.resampleBox()->isChecked());
    EXPECT_TRUE(d.constrainBox()->isChecked());
    EXPECT_TRUE(d.pixelWidthField()->isEnabled());
    EXPECT_EQ(d.resolutionField()->text(), QStringLiteral("72.000"));
    EXPECT_EQ(d.documentWidthField()->text(), QStringLiteral("282.22"));
}

TEST_F(ImageSizeDialogTest, SizesAndResolutionsTheEngineCannotTakeAreRefused) {
    struct Case {
        const char* what;
        void (*edit)(ImageSizeDialog&);
        const char* reason;
    } cases[] = {
        {"pixel width 30001",
         [](ImageSizeDialog& d) { retype(d.pixelWidthField(), QStringLiteral("30001")); },
         "at most 30000"},
        {"pixel width 0", [](ImageSizeDialog& d) { retype(d.pixelWidthField(), "0"); },
         "at least 1"},
        {"constrained height beyond the limit",
         [](ImageSizeDialog& d) { retype(d.pixelHeightField(), QStringLiteral("29000")); },
         "width must be at most 30000"},
        {"empty width", [](ImageSizeDialog& d) { retype(d.pixelWidthField(), QString()); },
         "Enter the width"},
        {"percent of 4000",
         [](ImageSizeDialog& d) {
             choose(d.pixelWidthUnitList(), QStringLiteral("percent"));
             retype(d.pixelWidthField(), QStringLiteral("4000"));
         },
         "at most 30000"},
        {"resolution 0",
         [](ImageSizeDialog& d) {
             choose(d.documentWidthUnitList(), QStringLiteral("inches"));
             retype(d.resolutionField(), QStringLiteral("0"));
         },
         "resolution"},
        {"document size 0 without resampling",
         [](ImageSizeDialog& d) {
             d.resampleBox()->setChecked(false);
             retype(d.documentWidthField(), QStringLiteral("0"));
         },
         "size of 0"},
        {"document size giving a resolution below 1",
         [](ImageSizeDialog& d) {
             d.resampleBox()->setChecked(false);
             retype(d.documentWidthField(), QStringLiteral("9000"));
         },
         "resolution"},
    };
    for (const Case& c : cases) {
        auto d = open();
        c.edit(*d);
        EXPECT_FALSE(d->okButton()->isEnabled()) << c.what;
        EXPECT_TRUE(d->problem().contains(QString::fromLatin1(c.reason)))
            << c.what << ": " << d->problem().toStdString();
        d->accept();
        EXPECT_EQ(d->result(), QDialog::Rejected) << c.what << ": refused values never leave";
    }
}

TEST_F(ImageSizeDialogTest, TheResolutionFollowsItsUnit) {
    auto d = open();
    choose(d->documentWidthUnitList(), QStringLiteral("cm"));
    choose(d->resolutionUnitList(), QStringLiteral("pixels/cm"));
    EXPECT_EQ(d->resolutionField()->text(), QStringLiteral("28.346"));
    EXPECT_EQ(d->pixelWidthField()->text(), QStringLiteral("800"));
    d->accept();
    EXPECT_EQ(d->params().resolutionUnit, kPixelsPerCentimeter);
    EXPECT_EQ(d->params().width, 800);
}

}  // namespace
}  // namespace varnel
