// The adjustment dialogs against a real document: the preview on the layer, OK, Cancel, Preview
// off and on, Reset, and that the record OK hands over, performed through the command catalogue
// as the window does, leaves what the command line computes for the same values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "commands/catalogue.h"
#include "dialog_fixtures.h"
#include "dialogs/adjustment_widgets.h"
#include "dialogs/brightness_contrast_dialog.h"
#include "dialogs/color_balance_dialog.h"
#include "dialogs/curves_dialog.h"
#include "dialogs/gaussian_blur_dialog.h"
#include "dialogs/hue_saturation_dialog.h"
#include "dialogs/levels_dialog.h"
#include "document/document.h"
#include "document/selection.h"
#include "history/history.h"
#include "view/ve_preview_pane.h"
#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {
namespace {

// A small photo-like layer: every pixel different, all channels spread over most of 0 … 255.
std::unique_ptr<Document> photo(int32_t w = 48, int32_t h = 32) {
    ColorImage px;
    px.createColor(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            px.pixels(y)[x] = Bgr{uint8_t(20 + x * 4), uint8_t(10 + y * 7), uint8_t((x * y) % 251)};
        }
    }
    auto doc = Document::fromImage(px, nullptr, "photo.png");
    doc->setModified(false);
    return doc;
}

std::vector<uint8_t> bytesOf(const Document& doc) {
    const ColorImage& px = doc.layers().rasterAt(0)->pixels();
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < px.height(); ++y)
        out.insert(out.end(), px.row(y), px.row(y) + size_t(px.width()) * 3);
    return out;
}

// Performs the command `id` with `params` through its catalogue record, as the window does with
// what a dialog hands over. Returns the history's result.
int performCommand(int id, const CommandParams& params, Document& doc, Selection& sel,
                   History& history) {
    const DocumentCommand* command = findDocumentCommand(id);
    EXPECT_NE(command, nullptr) << id;
    if (!command) return 0;
    MadeAction made = command->makeAction(doc, sel, params, CommandContext{});
    EXPECT_NE(made.action, nullptr) << made.failure;
    return made.action ? history.perform(std::move(made.action)) : 0;
}

// The layer as the command line leaves it after one step with the same values.
std::vector<uint8_t> commandLineResult(const char* flag, const char* argument,
                                       const Selection* selection = nullptr) {
    auto doc = photo();
    Selection sel(doc->size());
    if (selection && !selection->isEmpty()) sel.setShape(selection->bounds(), false);
    History history(20);
    const DocumentCommand* command = findCommandOption(flag);
    EXPECT_NE(command, nullptr) << flag;
    std::string error;
    const auto params = command ? command->parsed(argument, &error) : std::nullopt;
    EXPECT_TRUE(params) << error;
    if (params) {
        EXPECT_EQ(performCommand(command->id, *params, *doc, sel, history), 1);
    }
    return bytesOf(*doc);
}

class AdjustmentDialogTest : public test::FreshRun {
protected:
    void SetUp() override {
        test::FreshRun::SetUp();
        doc = photo();
        selection = std::make_unique<Selection>(doc->size());
        original = bytesOf(*doc);
    }
    AdjustmentTarget target() { return {doc.get(), selection.get(), doc->bounds()}; }
    // Lets the zero timer run the preview asked for.
    static void settle() { QCoreApplication::processEvents(); }

    std::unique_ptr<Document> doc;
    std::unique_ptr<Selection> selection;
    History history{20};
    std::vector<uint8_t> original;
};

// OK as the window takes it: the dialog puts the layer back as it was (every dialog here opens
// on the photo) and hands over its record, and the command performs it.
int okAndPerform(AdjustmentDialog& dialog, int id, Document& doc, Selection& sel,
                 History& history) {
    dialog.accept();
    EXPECT_EQ(dialog.previewAction(), nullptr);
    EXPECT_EQ(bytesOf(doc), bytesOf(*photo()));
    return performCommand(id, dialog.commandParams(), doc, sel, history);
}

using MakeDialog = std::function<std::unique_ptr<AdjustmentDialog>(const AdjustmentTarget&)>;

struct Kind {
    const char* name;
    int id;
    MakeDialog make;
};

const Kind kKinds[] = {
    {"Levels", kCmdLevels,
     [](const AdjustmentTarget& t) { return std::make_unique<LevelsDialog>(t); }},
    {"Curves", kCmdCurves,
     [](const AdjustmentTarget& t) { return std::make_unique<CurvesDialog>(t); }},
    {"Brightness/Contrast", kCmdBrightnessContrast,
     [](const AdjustmentTarget& t) { return std::make_unique<BrightnessContrastDialog>(t); }},
    {"Color Balance", kCmdColorBalance,
     [](const AdjustmentTarget& t) { return std::make_unique<ColorBalanceDialog>(t); }},
    {"Hue/Saturation", kCmdHueSaturation,
     [](const AdjustmentTarget& t) {
         return std::make_unique<HueSaturationDialog>(t, Bgr{0, 0, 255});
     }},
    {"Gaussian Blur", kCmdGaussianBlur,
     [](const AdjustmentTarget& t) { return std::make_unique<GaussianBlurDialog>(t); }},
};

// Opening a dialog and pressing OK at once records one state under the filter's name that
// changes nothing, and neither does its undo or redo.
TEST_F(AdjustmentDialogTest, OkAtOnceRecordsOneStateThatChangesNothing) {
    for (const Kind& kind : kKinds) {
        History h(20);
        doc = photo();
        auto dialog = kind.make(target());
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(kind.name));
        EXPECT_TRUE(dialog->previewBox()->isChecked());
        EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(test::unnamedControls(*dialog).isEmpty())
            << kind.name << ": " << test::unnamedControls(*dialog).join(", ").toStdString();
        EXPECT_EQ(okAndPerform(*dialog, kind.id, *doc, *selection, h), 1) << kind.name;
        ASSERT_EQ(h.count(), 1) << kind.name;
        EXPECT_EQ(h.stateAt(0)->name(), kind.name);
        EXPECT_EQ(bytesOf(*doc), original) << kind.name;
        h.undo();
        EXPECT_EQ(bytesOf(*doc), original) << kind.name;
        h.redo();
        EXPECT_EQ(bytesOf(*doc), original) << kind.name;
    }
}

// Cancel after any number of previews leaves the layer byte for byte as it was, records
// nothing and leaves the document unmodified.
TEST_F(AdjustmentDialogTest, CancelLeavesTheLayerByteIdentical) {
    BrightnessContrastDialog dialog(target());
    for (int v : {30, -50, 80}) {
        dialog.brightnessField()->setValue(v);
        settle();
        EXPECT_NE(bytesOf(*doc), original);
        EXPECT_TRUE(doc->isModified());
    }
    dialog.reject();
    EXPECT_EQ(bytesOf(*doc), original);
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(history.count(), 0);
}

// Closing without a word (the dialog destroyed while previewing) puts the layer back too.
TEST_F(AdjustmentDialogTest, DestroyedWhilePreviewingPutsTheLayerBack) {
    {
        GaussianBlurDialog dialog(target());
        dialog.radiusField()->setValue(3.0);
        settle();
        EXPECT_NE(bytesOf(*doc), original);
    }
    EXPECT_EQ(bytesOf(*doc), original);
}

TEST_F(AdjustmentDialogTest, PreviewOffRestoresAtOnceAndOnAppliesTheValuesAgain) {
    BrightnessContrastDialog dialog(target());
    dialog.contrastField()->setValue(60);
    settle();
    const std::vector<uint8_t> previewed = bytesOf(*doc);
    ASSERT_NE(previewed, original);

    dialog.previewBox()->setChecked(false);
    EXPECT_EQ(bytesOf(*doc), original);  // no event loop needed
    // Changes while the preview is off reach the layer only when it is on again.
    dialog.contrastField()->setValue(20);
    dialog.contrastField()->setValue(60);
    settle();
    EXPECT_EQ(bytesOf(*doc), original);
    dialog.previewBox()->setChecked(true);
    EXPECT_EQ(bytesOf(*doc), previewed);

    // OK with the preview off: the same values, the same result.
    dialog.previewBox()->setChecked(false);
    EXPECT_EQ(okAndPerform(dialog, kCmdBrightnessContrast, *doc, *selection, history), 1);
    EXPECT_EQ(bytesOf(*doc), previewed);
    EXPECT_EQ(commandLineResult("--brightness-contrast", "0,60"), previewed);
}

// Changes made while the event loop is busy do not queue previews: the next one uses the last
// values, once.
TEST_F(AdjustmentDialogTest, ChangesInABurstMakeOnePreviewWithTheLatestValues) {
    BrightnessContrastDialog dialog(target());
    const int opened = dialog.previewCount();
    for (int v = 1; v <= 40; ++v) dialog.brightnessField()->setValue(v);
    EXPECT_TRUE(dialog.isPreviewPending());
    EXPECT_EQ(dialog.previewCount(), opened);
    EXPECT_EQ(bytesOf(*doc), original);
    settle();
    EXPECT_FALSE(dialog.isPreviewPending());
    EXPECT_EQ(dialog.previewCount(), opened + 1);
    EXPECT_EQ(bytesOf(*doc), commandLineResult("--brightness-contrast", "40,0"));

    // OK hands over the latest values, even those not previewed yet.
    dialog.brightnessField()->setValue(-15);
    EXPECT_EQ(okAndPerform(dialog, kCmdBrightnessContrast, *doc, *selection, history), 1);
    EXPECT_EQ(bytesOf(*doc), commandLineResult("--brightness-contrast", "-15,0"));
}

// What OK leaves on the layer is exactly what the engine computes for the dialog's values.
TEST_F(AdjustmentDialogTest, OkGivesWhatTheCommandLineGivesForTheSameValues) {
    struct Case {
        const char* name;
        int id;
        std::function<std::unique_ptr<AdjustmentDialog>(const AdjustmentTarget&)> setUp;
        const char* flag;
        const char* argument;
    } cases[] = {
        {"levels", kCmdLevels,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<LevelsDialog>(t);
             d->inputBlackField()->setValue(12);
             d->gammaField()->setValue(1.4);
             d->inputWhiteField()->setValue(230);
             d->channelList()->setCurrentIndex(kRed);
             d->outputBlackField()->setValue(30);
             d->outputWhiteField()->setValue(200);
             return d;
         },
         "--levels", "1.4,1,1,1,12,0,0,0,230,255,255,255,0,30,0,0,255,200,255,255"},
        {"curves", kCmdCurves,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<CurvesDialog>(t);
             CurvesEditor* e = d->editor();
             QTest::mouseClick(e, Qt::LeftButton, {}, e->widgetPoint({128, 128}));
             d->inputField()->setValue(100);
             d->outputField()->setValue(160);
             d->channelList()->setCurrentIndex(kBlue);
             QTest::mouseClick(e, Qt::LeftButton, {}, e->widgetPoint({64, 64}));
             d->outputField()->setValue(40);
             return d;
         },
         "--curves", "0:0,100:160,255:255/0:0,255:255/0:0,255:255/0:0,64:40,255:255"},
        {"brightness/contrast", kCmdBrightnessContrast,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<BrightnessContrastDialog>(t);
             d->brightnessField()->setValue(-20);
             d->contrastField()->setValue(35);
             return d;
         },
         "--brightness-contrast", "-20,35"},
        {"color balance", kCmdColorBalance,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<ColorBalanceDialog>(t);
             d->field(0)->setValue(40);
             d->toneButton(kShadows)->setChecked(true);
             d->field(2)->setValue(-60);
             d->preserveBox()->setChecked(false);
             return d;
         },
         "--color-balance", "0,0,40,0,0,0,0,-60,0,0"},
        {"hue/saturation", kCmdHueSaturation,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<HueSaturationDialog>(t, Bgr{0, 0, 255});
             d->hueField()->setValue(30);
             d->rangeList()->setCurrentIndex(kBlues);
             d->saturationField()->setValue(-40);
             d->lightnessField()->setValue(10);
             return d;
         },
         "--hue-saturation", "30,0,0,0,0,0,0,0,0,0,0,0,10,0,0,0,0,0,0,-40,0"},
        {"colorize", kCmdHueSaturation,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<HueSaturationDialog>(t, Bgr{0, 0, 255});
             d->colorizeBox()->setChecked(true);
             d->hueField()->setValue(200);
             d->lightnessField()->setValue(-30);
             return d;
         },
         "--colorize", "200,25,-30"},
        {"gaussian blur", kCmdGaussianBlur,
         [](const AdjustmentTarget& t) {
             auto d = std::make_unique<GaussianBlurDialog>(t);
             d->radiusField()->setValue(4.5);
             return d;
         },
         "--gaussian-blur", "4.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = photo();
        Selection sel(d->size());
        History h(20);
        auto dialog = c.setUp({d.get(), &sel, d->bounds()});
        settle();
        ASSERT_EQ(okAndPerform(*dialog, c.id, *d, sel, h), 1);
        EXPECT_EQ(bytesOf(*d), commandLineResult(c.flag, c.argument));
        EXPECT_TRUE(d->isModified());
        h.undo();
        EXPECT_EQ(bytesOf(*d), original);
    }
}

TEST_F(AdjustmentDialogTest, PreviewWorksWithinTheSelection) {
    selection->setShape({5, 5, 20, 15}, false);
    BrightnessContrastDialog dialog(target());
    dialog.brightnessField()->setValue(50);
    settle();
    ASSERT_EQ(okAndPerform(dialog, kCmdBrightnessContrast, *doc, *selection, history), 1);
    EXPECT_EQ(bytesOf(*doc), commandLineResult("--brightness-contrast", "50,0", selection.get()));
    EXPECT_NE(bytesOf(*doc), commandLineResult("--brightness-contrast", "50,0"));
}

// --- Reset --------------------------------------------------------------------------------------

TEST_F(AdjustmentDialogTest, AltTurnsCancelIntoResetWhichRestoresTheDefaultsAndStaysOpen) {
    ColorBalanceDialog dialog(target());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.field(0)->setValue(25);
    dialog.field(1)->setValue(-70);
    dialog.toneButton(kHighlights)->setChecked(true);
    dialog.field(2)->setValue(45);
    dialog.preserveBox()->setChecked(false);
    settle();
    ASSERT_NE(bytesOf(*doc), original);

    QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier);
    dialog.checkAltKey();
    ASSERT_EQ(dialog.cancelButton()->text(), QStringLiteral("Reset"));
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton, Qt::AltModifier);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.toneButton(kMidtones)->isChecked());
    for (int a = 0; a < 3; ++a) EXPECT_EQ(dialog.field(a)->text(), QStringLiteral("0")) << a;
    EXPECT_TRUE(dialog.preserveBox()->isChecked());
    EXPECT_TRUE(dialog.params().isNeutral());
    settle();
    EXPECT_EQ(bytesOf(*doc), original);
    QTest::keyRelease(&dialog, Qt::Key_Alt, Qt::NoModifier);
    dialog.checkAltKey();
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
    dialog.reject();
}

TEST_F(AdjustmentDialogTest, ColorBalanceShowsTheValuesOfTheChosenTone) {
    ColorBalanceDialog dialog(target());
    EXPECT_EQ(dialog.tone(), kMidtones);
    dialog.field(0)->setValue(30);
    dialog.toneButton(kShadows)->setChecked(true);
    EXPECT_EQ(dialog.field(0)->value(), 0);
    dialog.field(0)->setValue(-10);
    dialog.toneButton(kMidtones)->setChecked(true);
    EXPECT_EQ(dialog.field(0)->value(), 30);
    EXPECT_EQ(dialog.params().cyanRed[kShadows], -10);
    EXPECT_EQ(dialog.params().cyanRed[kMidtones], 30);
    // The slider under each field moves with it and sets it.
    EXPECT_EQ(dialog.slider(0)->value(), 30);
    dialog.slider(1)->editValue(-100);
    EXPECT_EQ(dialog.field(1)->value(), -100);
    EXPECT_EQ(dialog.params().magentaGreen[kMidtones], -100);
}

// --- Levels
// ---------------------------------------------------------------------------------------

TEST_F(AdjustmentDialogTest, LevelsTypedGammaOneCentresTheGammaMarker) {
    LevelsDialog dialog(target());
    MarkerStrip* strip = dialog.inputStrip();
    dialog.gammaField()->setValue(2.5);
    EXPECT_LT(strip->position(LevelsDialog::kGammaMarker), 100);
    dialog.gammaField()->setText(QStringLiteral("1"));
    EXPECT_EQ(strip->position(LevelsDialog::kGammaMarker), 128);
    EXPECT_EQ(strip->accessibleDescription(), QStringLiteral("Black 0, Gamma 128, White 255"));

    dialog.inputBlackField()->setValue(10);
    dialog.inputWhiteField()->setValue(200);
    dialog.gammaField()->setValue(3);
    dialog.gammaField()->setText(QStringLiteral("1.00"));
    EXPECT_EQ(strip->position(LevelsDialog::kGammaMarker), 105);
    EXPECT_EQ(strip->position(LevelsDialog::kBlackMarker), 10);
    EXPECT_EQ(strip->position(LevelsDialog::kWhiteMarker), 200);
}

TEST_F(AdjustmentDialogTest, LevelsKeepsTheWhitePointTwoAboveTheBlackPoint) {
    LevelsDialog dialog(target());
    dialog.inputWhiteField()->setValue(100);
    dialog.inputBlackField()->setText(QStringLiteral("150"));  // typed beyond the white point
    EXPECT_EQ(dialog.params().inBlack[kComposite], 98);
    dialog.inputBlackField()->finishEditing();
    EXPECT_EQ(dialog.inputBlackField()->text(), QStringLiteral("98"));
    // Dragging the markers onto each other stops them two apart; the gamma stays finite.
    MarkerStrip* strip = dialog.inputStrip();
    const int y = strip->height() / 2;
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(100), y));
    QTest::mouseMove(strip, QPoint(MarkerStrip::xOf(20), y));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(20), y));
    EXPECT_EQ(dialog.params().inWhite[kComposite], 100);
    const LevelsParams& p = dialog.params();
    EXPECT_GE(p.inWhite[0] - p.inBlack[0], kMinInputSpan);
    EXPECT_TRUE(std::isfinite(p.gamma[0]));
    settle();
    dialog.reject();
}

TEST_F(AdjustmentDialogTest, LevelsMarkersSetTheFieldsAndTheChannelKeepsItsOwnValues) {
    LevelsDialog dialog(target());
    MarkerStrip* strip = dialog.inputStrip();
    const int y = strip->height() / 2;
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(255), y));
    QTest::mouseMove(strip, QPoint(MarkerStrip::xOf(180), y));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(180), y));
    EXPECT_EQ(dialog.inputWhiteField()->value(), 180);
    // The gamma marker keeps gamma 1 in the middle of the new span.
    EXPECT_EQ(strip->position(LevelsDialog::kGammaMarker), 90);
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(90), y));
    QTest::mouseMove(strip, QPoint(MarkerStrip::xOf(135), y));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(MarkerStrip::xOf(135), y));
    EXPECT_DOUBLE_EQ(dialog.gammaField()->value(), 0.32);

    dialog.channelList()->setCurrentIndex(kGreen);
    EXPECT_EQ(dialog.inputWhiteField()->value(), 255);
    EXPECT_DOUBLE_EQ(dialog.gammaField()->value(), 1.0);
    dialog.channelList()->setCurrentIndex(kComposite);
    EXPECT_EQ(dialog.inputWhiteField()->value(), 180);
}

TEST_F(AdjustmentDialogTest, LevelsHistogramIsTheLayersWithinTheSelection) {
    selection->setShape({0, 0, 10, 1}, false);
    LevelsDialog dialog(target());
    EXPECT_EQ(dialog.histogram().pixelCount(), 10);
    // "RGB": the three channels together; the red channel alone has its own bars.
    const auto bars = dialog.histogramView()->bars();
    EXPECT_EQ(*std::max_element(bars.begin(), bars.end()), HistogramView::kHeight);
    dialog.channelList()->setCurrentIndex(kGreen);
    // Every pixel of the row has green 10.
    EXPECT_EQ(dialog.histogramView()->bars()[10], HistogramView::kHeight);
}

// --- Curves
// ---------------------------------------------------------------------------------------

TEST_F(AdjustmentDialogTest, CurvesCtrlClickOnTheFirstPointDoesNothing) {
    CurvesDialog dialog(target());
    CurvesEditor* e = dialog.editor();
    const std::vector<Point> identity = {{0, 0}, {255, 255}};
    QTest::mouseClick(e, Qt::LeftButton, Qt::ControlModifier, e->widgetPoint({0, 0}));
    EXPECT_EQ(e->curve().points(), identity);
    // A click on the curve adds a point; Ctrl+click on it takes it away again.
    QTest::mouseClick(e, Qt::LeftButton, {}, e->widgetPoint({90, 90}));
    EXPECT_EQ(e->curve().size(), 3);
    EXPECT_EQ(dialog.inputField()->value(), 90);
    QTest::mouseClick(e, Qt::LeftButton, Qt::ControlModifier, e->widgetPoint({92, 88}));
    EXPECT_EQ(e->curve().points(), identity);
    // Dragging a point moves it; the fields follow.
    QTest::mousePress(e, Qt::LeftButton, {}, e->widgetPoint({255, 255}));
    QTest::mouseMove(e, e->widgetPoint({230, 200}));
    QTest::mouseRelease(e, Qt::LeftButton, {}, e->widgetPoint({230, 200}));
    EXPECT_EQ(e->curve().at(1), (Point{230, 200}));
    EXPECT_EQ(dialog.outputField()->value(), 200);
    EXPECT_EQ(dialog.params().points[kComposite], (std::vector<Point>{{0, 0}, {230, 200}}));
}

// Keyboard users reach every point: Insert adds one on the curve, Page Up/Down choose, the arrows
// move, Delete removes (never an end point); the previewed layer follows.
TEST_F(AdjustmentDialogTest, CurvesEditorWorksFromTheKeyboard) {
    CurvesDialog dialog(target());
    CurvesEditor* e = dialog.editor();
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Insert);
    ASSERT_EQ(e->curve().size(), 3);
    EXPECT_EQ(e->curve().at(1), (Point{127, 127}));
    EXPECT_EQ(e->selected(), 1);
    for (int i = 0; i < 20; ++i) QTest::keyClick(e, Qt::Key_Up);
    EXPECT_EQ(dialog.outputField()->value(), 147);
    settle();
    EXPECT_NE(bytesOf(*doc), original);
    QTest::keyClick(e, Qt::Key_PageDown);
    EXPECT_EQ(e->selected(), 2);
    QTest::keyClick(e, Qt::Key_Delete);  // the last point stays
    EXPECT_EQ(e->curve().size(), 3);
    QTest::keyClick(e, Qt::Key_PageUp);
    QTest::keyClick(e, Qt::Key_Delete);
    EXPECT_EQ(e->curve().points(), (std::vector<Point>{{0, 0}, {255, 255}}));
    EXPECT_TRUE(e->accessibleDescription().contains(QStringLiteral("input 0, output 0")));
    // Inserting from the last point puts the new one before it; a full list takes no more.
    QTest::keyClick(e, Qt::Key_PageDown);
    for (int i = 0; i < 12; ++i) QTest::keyClick(e, Qt::Key_Insert);
    EXPECT_EQ(e->curve().size(), CurvePoints::kMaxPoints);
    dialog.reject();
    EXPECT_EQ(bytesOf(*doc), original);
}

// --- Hue/Saturation
// -------------------------------------------------------------------------------

TEST_F(AdjustmentDialogTest, ColorizeSwitchesRangesAndValuesAndBack) {
    // Foreground pure blue: hue 240 degrees.
    HueSaturationDialog dialog(target(), Bgr{255, 0, 0});
    dialog.rangeList()->setCurrentIndex(kGreens);
    dialog.hueField()->setValue(-90);
    dialog.colorizeBox()->setChecked(true);
    EXPECT_FALSE(dialog.rangeList()->isEnabled());
    EXPECT_EQ(dialog.rangeList()->currentIndex(), kMaster);
    EXPECT_EQ(dialog.hueField()->minimum(), 0);
    EXPECT_EQ(dialog.hueField()->maximum(), 360);
    EXPECT_EQ(dialog.saturationField()->minimum(), 0);
    EXPECT_EQ(dialog.hueField()->value(), 240);
    EXPECT_EQ(dialog.saturationField()->value(), 25);
    EXPECT_EQ(dialog.hueSlider()->maximum(), 360);
    EXPECT_FALSE(dialog.isNeutral());
    EXPECT_EQ(dialog.makeFilter()->name(), "Colorize");

    dialog.colorizeBox()->setChecked(false);
    EXPECT_TRUE(dialog.rangeList()->isEnabled());
    EXPECT_EQ(dialog.hueField()->minimum(), -180);
    EXPECT_EQ(dialog.saturationField()->minimum(), -100);
    EXPECT_EQ(dialog.params().hue[kGreens], -90);
    dialog.rangeList()->setCurrentIndex(kGreens);
    EXPECT_EQ(dialog.hueField()->value(), -90);
    EXPECT_EQ(dialog.makeFilter()->name(), "Hue/Saturation");

    struct Fg {
        Bgr colour;
        int hue;
    } defaults[] = {{{0, 0, 0}, 0}, {{255, 255, 255}, 0}, {{0, 255, 0}, 120}, {{0, 0, 255}, 0}};
    for (const Fg& f : defaults)
        EXPECT_EQ(HueSaturationDialog::colorizeDefaults(f.colour).hueDegrees, f.hue);
}

// --- Gaussian Blur
// --------------------------------------------------------------------------------

TEST_F(AdjustmentDialogTest, GaussianSliderPositionsGiveTheirRadii) {
    GaussianBlurDialog dialog(target());
    EXPECT_DOUBLE_EQ(dialog.radius(), 0.1);
    EXPECT_TRUE(dialog.isNeutral());
    struct Case {
        int position;
        const char* text;
    } cases[] = {{50, "5.0"}, {180, "100.0"}, {200, "250.0"}, {0, "0.1"}, {100, "28.8"}};
    for (const Case& c : cases) {
        dialog.radiusSlider()->editValue(c.position);
        EXPECT_EQ(dialog.radiusField()->text(), QString::fromLatin1(c.text)) << c.position;
        EXPECT_EQ(dialog.radiusSlider()->value(), c.position);
    }
    dialog.radiusField()->setText(QStringLiteral("100"));
    EXPECT_EQ(dialog.radiusSlider()->value(), 180);
    dialog.radiusField()->setText(QStringLiteral("0.1"));
    EXPECT_TRUE(dialog.isNeutral());
    dialog.radiusField()->setText(QStringLiteral("0.2"));
    EXPECT_FALSE(dialog.isNeutral());
    dialog.reject();
}

TEST_F(AdjustmentDialogTest, GaussianPreviewPaneKeepsTheLayerAsItWas) {
    GaussianBlurDialog dialog(target());
    PreviewPane* pane = dialog.previewPane();
    ASSERT_TRUE(pane);
    const QImage before = pane->frame();
    dialog.radiusField()->setValue(6);
    settle();
    ASSERT_NE(bytesOf(*doc), original);
    EXPECT_EQ(pane->frame(), before);
    const Document* picture = pane->picture();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->isPreviewOnly());
    EXPECT_EQ(bytesOf(*picture), original);
    dialog.reject();
}

}  // namespace
}  // namespace varnel
