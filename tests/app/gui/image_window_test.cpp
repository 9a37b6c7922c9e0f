// The document window of real images: opened through the format registry, edited through the
// filter commands, undone, saved and closed.
#include "app/image_window.h"

#include <gtest/gtest.h>

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "app/adjustment_commands.h"
#include "app/command_table.h"
#include "app/main_window.h"
#include "app/size_dialogs.h"
#include "dialogs/brightness_contrast_dialog.h"
#include "dialogs/canvas_size_dialog.h"
#include "dialogs/image_size_dialog.h"
#include "dialogs/levels_dialog.h"
#include "document/document.h"
#include "gui_test_support.h"
#include "tools/tool_manager.h"
#include "view/ve_canvas_info_ctrl.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

using test::FakeDesktop;
using test::FakeDialogs;
using test::FakePrompts;

// Blue, green, red of the composite at (x, y).
std::array<int, 3> pixel(Document& doc, int x, int y) {
    const uint8_t* p = doc.composite()->color().row(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

struct ImageFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 200));
        image.setPixelColor(0, 0, QColor(255, 128, 0));
        photo = dir.filePath(QStringLiteral("photo.png")).toStdString();
        ASSERT_TRUE(image.save(QString::fromStdString(photo), "PNG"));
    }

    std::unique_ptr<ImageWindow> openPhoto() {
        ImageDocuments documents(settings);
        std::unique_ptr<DocumentWindow> w = documents.openFile(photo);
        return std::unique_ptr<ImageWindow>(dynamic_cast<ImageWindow*>(w.release()));
    }

    // A main window over the real document windows, shown.
    std::unique_ptr<MainWindow> mainWindow() {
        MainWindowSetup setup;
        setup.settings = &settings;
        setup.documents = std::make_unique<ImageDocuments>(settings);
        setup.prompts = std::make_unique<FakePrompts>();
        setup.fileDialogs = std::make_unique<FakeDialogs>();
        setup.desktop = std::make_unique<FakeDesktop>();
        auto window = std::make_unique<MainWindow>(std::move(setup));
        window->resize(900, 700);
        window->show();
        return window;
    }

    QTemporaryDir dir;
    std::string photo;
    AppSettings settings = [] {
        AppSettings s;
        s.nb_history_states = 5;
        return s;
    }();
};

TEST_F(ImageFixture, OpensThroughTheRegistryAndRefusesWhatItCannotRead) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->documentName(), "photo.png");
    EXPECT_EQ(window->documentPath(), photo);
    EXPECT_FALSE(window->isModified());
    EXPECT_EQ(window->history()->limit(), 5);
    EXPECT_EQ(pixel(*window->document(), 0, 0), (std::array<int, 3>{0, 128, 255}));

    ImageDocuments documents(settings);
    QFile junk(dir.filePath(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    EXPECT_EQ(documents.openFile(junk.fileName().toStdString()), nullptr);
    EXPECT_EQ(documents.openFile(dir.filePath(QStringLiteral("missing.png")).toStdString()),
              nullptr);
    EXPECT_TRUE(documents.providesCommand(kCmdInvert));
}

TEST_F(ImageFixture, FilterCommandsAreUndoneAndRedone) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    Document& doc = *window->document();
    EXPECT_FALSE(window->isCommandEnabled(kCmdEditUndo));
    EXPECT_FALSE(window->isCommandEnabled(kCmdLastFilter));  // nothing applied yet
    ASSERT_TRUE(window->isCommandEnabled(kCmdInvert));
    window->runCommand(kCmdInvert);
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{255, 127, 0}));
    EXPECT_TRUE(window->isModified());
    EXPECT_TRUE(window->isCommandEnabled(kCmdEditUndo));
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{0, 128, 255}));
    EXPECT_TRUE(window->isCommandEnabled(kCmdEditRedo));
    window->runCommand(kCmdEditRedo);
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{255, 127, 0}));
    window->runCommand(kCmdEditPurgeUndo);
    EXPECT_FALSE(window->isCommandEnabled(kCmdEditUndo));
    EXPECT_FALSE(window->isCommandEnabled(kCmdEditPurgeUndo));

    window->runCommand(kCmdDesaturate);
    std::array<int, 3> grey = pixel(doc, 1, 1);
    EXPECT_EQ(grey[0], grey[1]);
    EXPECT_EQ(grey[1], grey[2]);

    // A blur enters the Last Filter slot; Last Filter applies it again as its own state.
    window->runCommand(kCmdBlur);
    EXPECT_EQ(window->history()->stateAt(window->history()->current())->name(), "Blur");
    ASSERT_TRUE(window->isCommandEnabled(kCmdLastFilter));
    int before = window->history()->count();
    window->runCommand(kCmdLastFilter);
    EXPECT_EQ(window->history()->count(), before + 1);
    EXPECT_EQ(window->history()->stateAt(window->history()->current())->name(), "Blur");
}

// The adjustment commands open their dialog over the window: Cancel leaves everything as it was,
// OK records one state under the filter's name with the values the dialog showed.
TEST_F(ImageFixture, AdjustmentCommandsRecordWhatTheirDialogPreviewed) {
    registerAdjustmentDialogs();
    EXPECT_TRUE(ImageDocuments(settings).providesCommand(kCmdLevels));
    auto window = openPhoto();
    ASSERT_TRUE(window);
    Document& doc = *window->document();
    for (int id : {kCmdLevels, kCmdCurves, kCmdBrightnessContrast, kCmdColorBalance,
                   kCmdHueSaturation, kCmdGaussianBlur}) {
        EXPECT_TRUE(window->handlesCommand(id)) << id;
        EXPECT_TRUE(window->isCommandEnabled(id)) << id;
    }
    bool opened = false;
    setAdjustmentDialogRunner([&](AdjustmentDialog& dialog) {
        opened = true;
        auto* bc = dynamic_cast<BrightnessContrastDialog*>(&dialog);
        EXPECT_TRUE(bc);
        if (bc) bc->brightnessField()->setValue(40);
        QCoreApplication::processEvents();
        EXPECT_NE(pixel(doc, 1, 1), (std::array<int, 3>{200, 20, 10}));  // previewed
        dialog.reject();
        return false;
    });
    window->runCommand(kCmdBrightnessContrast);
    EXPECT_TRUE(opened);
    EXPECT_EQ(pixel(doc, 1, 1), (std::array<int, 3>{200, 20, 10}));
    EXPECT_EQ(window->history()->count(), 0);
    EXPECT_FALSE(window->isModified());

    setAdjustmentDialogRunner([&](AdjustmentDialog& dialog) {
        auto* levels = dynamic_cast<LevelsDialog*>(&dialog);
        EXPECT_TRUE(levels);
        if (levels) levels->outputWhiteField()->setValue(100);
        dialog.accept();
        return true;
    });
    window->runCommand(kCmdLevels);
    setAdjustmentDialogRunner(nullptr);
    ASSERT_EQ(window->history()->count(), 1);
    EXPECT_EQ(window->history()->stateAt(0)->name(), "Levels");
    // Output white 100: 200 becomes trunc(200 × 100 / 255 + 0.5).
    EXPECT_EQ(pixel(doc, 1, 1), (std::array<int, 3>{78, 8, 4}));
    EXPECT_TRUE(window->isModified());
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(pixel(doc, 1, 1), (std::array<int, 3>{200, 20, 10}));

    // A hidden layer takes no filter: the commands are greyed.
    doc.layers().setVisible(doc.layers().activeLayer(), false);
    EXPECT_FALSE(window->isCommandEnabled(kCmdLevels));
    EXPECT_FALSE(window->isCommandEnabled(kCmdGaussianBlur));
}

TEST_F(ImageFixture, SelectionClearAndCanvasCommandsAreRecordedAndUndone) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    Document& doc = *window->document();
    History& history = *window->history();
    auto enabled = [&](int id) { return window->isCommandEnabled(id); };
    auto lastName = [&] { return history.stateAt(history.current())->name(); };

    // Nothing selected: only what needs no selection.
    for (int id : {kCmdSelectNone, kCmdSelectInverse, kCmdSelectGrow, kCmdSelectSimilar, kCmdCrop,
                   kCmdEditClear})
        EXPECT_FALSE(enabled(id)) << id;
    for (int id : {kCmdSelectAll, kCmdRotate90CW, kCmdFlipHorizontal, kCmdTrim})
        EXPECT_TRUE(enabled(id)) << id;

    window->runCommand(kCmdRotate90CW);
    EXPECT_EQ(doc.size(), (Size{3, 4}));
    EXPECT_EQ(lastName(), "Rotate Canvas");
    EXPECT_EQ(pixel(doc, 2, 0), (std::array<int, 3>{0, 128, 255}));  // the corner moved right
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(doc.size(), (Size{4, 3}));
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{0, 128, 255}));

    window->runCommand(kCmdFlipHorizontal);
    EXPECT_EQ(pixel(doc, 3, 0), (std::array<int, 3>{0, 128, 255}));
    window->runCommand(kCmdEditUndo);

    window->runCommand(kCmdSelectAll);
    EXPECT_EQ(lastName(), "Select Canvas");
    EXPECT_EQ(window->selection().bounds(), doc.bounds());
    EXPECT_TRUE(enabled(kCmdCrop));
    window->runCommand(kCmdEditClear);  // the background takes the background colour
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{255, 255, 255}));
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{0, 128, 255}));

    window->runCommand(kCmdSelectInverse);  // everything was selected: nothing is
    EXPECT_TRUE(window->selection().isEmpty());
    window->runCommand(kCmdEditUndo);
    EXPECT_FALSE(window->selection().isEmpty());

    ASSERT_TRUE(window->selection().setShape(Rect{1, 1, 3, 3}, false));
    window->runCommand(kCmdCrop);
    EXPECT_EQ(doc.size(), (Size{2, 2}));
    EXPECT_TRUE(window->selection().isEmpty());  // the crop deselects
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(doc.size(), (Size{4, 3}));
    EXPECT_EQ(window->selection().bounds(), (Rect{1, 1, 3, 3}));
    window->runCommand(kCmdSelectNone);
    EXPECT_TRUE(window->selection().isEmpty());
    EXPECT_EQ(lastName(), "Deselect");
}

TEST_F(ImageFixture, SaveToTakesThePathOnlyWhenTheWriteSucceeds) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    window->runCommand(kCmdInvert);

    std::string nowhere = dir.filePath(QStringLiteral("no/such/folder/x.png")).toStdString();
    EXPECT_FALSE(window->saveTo(nowhere));
    EXPECT_EQ(window->documentPath(), photo);
    EXPECT_EQ(window->documentName(), "photo.png");
    EXPECT_TRUE(window->isModified());

    std::string copy = dir.filePath(QStringLiteral("copy.bmp")).toStdString();
    ASSERT_TRUE(window->saveTo(copy));
    EXPECT_EQ(window->documentPath(), copy);
    EXPECT_EQ(window->documentName(), "copy.bmp");
    EXPECT_FALSE(window->isModified());
    EXPECT_TRUE(window->frame()->windowTitle().startsWith(QStringLiteral("copy.bmp @ ")));
    QImage written(QString::fromStdString(copy));
    EXPECT_EQ(written.pixelColor(0, 0), QColor(0, 127, 255));
}

TEST_F(ImageFixture, DuplicateIsAFullCopyUnderItsOwnNameWithoutAFile) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    Document& doc = *window->document();
    doc.setResolution(300.0f, 1);
    // A half-transparent second layer, a saved channel and a selection.
    ColorImage green;
    ASSERT_TRUE(green.createColor(2, 2));
    green.fillAll(0x00FF00);
    GrayMap half;
    ASSERT_TRUE(half.createGray(2, 2));
    half.fillAll(0x808080);
    ASSERT_TRUE(doc.layers().newRasterLayer(green, &half, Point{1, 1}, "Leaf", false));
    auto channel = std::make_unique<Channel>();
    ASSERT_TRUE(channel->createGray(4, 3));
    channel->fillAll(0x404040);
    channel->setName("Alpha 1");
    doc.channels().push_back(std::move(channel));
    ASSERT_TRUE(window->selection().setShape(Rect{0, 1, 3, 3}, false));
    window->runCommand(kCmdInvert);

    ImageDocuments documents(settings);
    auto made = documents.duplicate(*window, "photo copy");
    auto* copy = dynamic_cast<ImageWindow*>(made.get());
    ASSERT_NE(copy, nullptr);
    Document& dup = *copy->document();
    EXPECT_EQ(copy->documentName(), "photo copy");
    EXPECT_EQ(copy->documentPath(), "");
    EXPECT_TRUE(copy->isModified());
    EXPECT_EQ(copy->history()->count(), 0);
    EXPECT_TRUE(copy->frame()->windowTitle().startsWith(QStringLiteral("photo copy @ ")));
    EXPECT_EQ(dup.size(), doc.size());
    EXPECT_EQ(dup.resolution(), 300.0f);
    EXPECT_EQ(dup.resolutionUnit(), 1);
    ASSERT_EQ(dup.layers().count(), 2);
    EXPECT_EQ(dup.layers().layerAt(1)->name(), "Leaf");
    ASSERT_EQ(dup.channels().size(), 1u);
    EXPECT_EQ(dup.channels()[0]->name(), "Alpha 1");
    EXPECT_EQ(dup.channels()[0]->row(2)[3], 0x40);
    EXPECT_EQ(copy->selection().bounds(), (Rect{0, 1, 3, 3}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(pixel(dup, x, y), pixel(doc, x, y)) << x << "," << y;
            EXPECT_EQ(dup.composite()->alpha().row(y)[x], doc.composite()->alpha().row(y)[x]);
        }

    // Deep: editing either leaves the other alone.
    const auto before = pixel(dup, 2, 2);
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(pixel(dup, 2, 2), before);
    EXPECT_NE(pixel(doc, 2, 2), before);

    // A failed save keeps the name (the copy has no path to take it from); a good one names it
    // after its file.
    EXPECT_FALSE(copy->saveTo(dir.filePath(QStringLiteral("no/such/dir/x.png")).toStdString()));
    EXPECT_EQ(copy->documentName(), "photo copy");
    EXPECT_EQ(copy->documentPath(), "");
    EXPECT_TRUE(copy->isModified());
    const std::string saved = dir.filePath(QStringLiteral("kept.png")).toStdString();
    ASSERT_TRUE(copy->saveTo(saved));
    EXPECT_EQ(copy->documentName(), "kept.png");
    EXPECT_FALSE(copy->isModified());

    // A window of another kind cannot be copied.
    test::FakeDocument other("", "x");
    EXPECT_EQ(documents.duplicate(other, "y"), nullptr);
}

TEST_F(ImageFixture, DocumentFromAnImageTakesItsTransparencyAndName) {
    ColorImage pixels;
    ASSERT_TRUE(pixels.createColor(3, 2));
    pixels.fillAll(0x0000FF);
    GrayMap alpha;
    ASSERT_TRUE(alpha.createGray(3, 2));
    alpha.fillAll(0xFFFFFF);
    alpha.row(0)[0] = 0;
    ImageDocuments documents(settings);
    auto made = documents.createFromImage(pixels, &alpha, "Clipboard-7");
    auto* window = dynamic_cast<ImageWindow*>(made.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->documentName(), "Clipboard-7");
    EXPECT_EQ(window->documentPath(), "");
    EXPECT_TRUE(window->isModified());
    Document& doc = *window->document();
    EXPECT_EQ(doc.size(), (Size{3, 2}));
    EXPECT_EQ(doc.composite()->alpha().row(0)[0], 0);
    EXPECT_EQ(doc.composite()->alpha().row(1)[2], 255);
    EXPECT_EQ(pixel(doc, 2, 1), (std::array<int, 3>{0, 0, 255}));

    ColorImage none;
    EXPECT_EQ(documents.createFromImage(none, nullptr, "x"), nullptr);
}

// Real files: a refused file and a refused save tell the user why, below the box's text.
TEST_F(ImageFixture, ErrorBoxesSayWhyARealFileWasRefused) {
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings);
    auto prompts = std::make_unique<FakePrompts>();
    FakePrompts* asked = prompts.get();
    setup.prompts = std::move(prompts);
    auto dialogs = std::make_unique<FakeDialogs>();
    FakeDialogs* chooser = dialogs.get();
    setup.fileDialogs = std::move(dialogs);
    setup.desktop = std::make_unique<FakeDesktop>();
    MainWindow window(std::move(setup));

    // The photo's PNG header, claiming 40000 pixels a row.
    QFile source(QString::fromStdString(photo));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll().left(64);
    bytes[16] = 0, bytes[17] = 0, bytes[18] = char(0x9C), bytes[19] = 0x40;
    const QString wide = dir.filePath(QStringLiteral("wide.png"));
    QFile spoiled(wide);
    ASSERT_TRUE(spoiled.open(QIODevice::WriteOnly));
    spoiled.write(bytes);
    spoiled.close();
    EXPECT_FALSE(window.openFile(wide));

    ASSERT_TRUE(window.openFile(QString::fromStdString(photo)));
    const QString folder = dir.filePath(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    chooser->saveChoice = FileDialogs::SaveChoice{folder, 3};
    window.runCommand(kCmdFileSaveAs);

    EXPECT_EQ(asked->log, (std::vector<std::string>{
                              "error: Cannot open file \"" + wide.toStdString() + "\"!",
                              "error: Error saving file \"" + folder.toStdString() + "\"!"}));
    EXPECT_EQ(asked->details, (std::vector<std::string>{
                                  "Width 40000 exceeds the 30000-pixel limit.", "Is a folder."}));
}

TEST_F(ImageFixture, NewDocumentsAreBlankInTheirBackground) {
    ImageDocuments documents(settings);
    EXPECT_TRUE(documents.providesCommand(kCmdFileNew));
    ImageSettings wanted;
    wanted.width = 6;
    wanted.height = 4;
    wanted.resolution = 300.0f;
    wanted.title = "Untitled-3";
    wanted.backgroundColor = makeRgb(10, 20, 30);
    auto made = documents.createNew(wanted);
    auto* window = dynamic_cast<ImageWindow*>(made.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->documentName(), "Untitled-3");
    EXPECT_EQ(window->documentPath(), "");
    EXPECT_EQ(window->history()->limit(), 5);
    Document& doc = *window->document();
    EXPECT_EQ(doc.size(), (Size{6, 4}));
    EXPECT_EQ(doc.resolution(), 300.0f);
    EXPECT_TRUE(doc.layers().isBackgroundAt(0));
    EXPECT_EQ(pixel(doc, 5, 3), (std::array<int, 3>{30, 20, 10}));

    wanted.transparentBackground = 1;
    auto clear = documents.createNew(wanted);
    ASSERT_NE(clear, nullptr);
    Document& transparent = *dynamic_cast<ImageWindow*>(clear.get())->document();
    EXPECT_EQ(transparent.layers().count(), 1);
    EXPECT_FALSE(transparent.layers().isBackgroundAt(0));
    EXPECT_EQ(transparent.composite()->alpha().row(0)[0], 0);

    wanted.width = 30001;
    EXPECT_EQ(documents.createNew(wanted), nullptr);
}

// The size dialogs, answered as a user would: each OK is one named step that undo takes back.
TEST_F(ImageFixture, SizeDialogsRecordOneNamedStepEach) {
    registerSizeDialogs();
    settings.default_bg_color = settingsColor(0, 255, 0);
    auto window = openPhoto();
    ASSERT_TRUE(window);
    Document& doc = *window->document();
    History& history = *window->history();
    EXPECT_TRUE(window->handlesCommand(kCmdImageSize));
    EXPECT_TRUE(window->handlesCommand(kCmdCanvasSize));
    const int before = history.current();

    // Answers the dialog the command opens once it is shown.
    auto answer = [](auto fill) {
        QTimer::singleShot(0, [fill] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            fill(modal);
        });
    };
    answer([](QWidget* modal) {
        auto* d = dynamic_cast<ImageSizeDialog*>(modal);
        ASSERT_NE(d, nullptr);
        d->pixelWidthField()->setFocus();
        d->pixelWidthField()->selectAll();
        QTest::keyClicks(d->pixelWidthField(), QStringLiteral("8"));
        d->okButton()->click();
    });
    window->runCommand(kCmdImageSize);
    EXPECT_EQ(doc.size(), (Size{8, 6}));
    EXPECT_EQ(history.current(), before + 1);
    EXPECT_EQ(history.stateAt(history.current())->name(), "Image Size");

    answer([](QWidget* modal) {
        auto* d = dynamic_cast<CanvasSizeDialog*>(modal);
        ASSERT_NE(d, nullptr);
        d->relativeBox()->setChecked(true);
        d->widthField()->setFocus();
        d->widthField()->selectAll();
        QTest::keyClicks(d->widthField(), QStringLiteral("2"));
        d->anchorButton(kAnchorLeft)->click();
        d->okButton()->click();
    });
    window->runCommand(kCmdCanvasSize);
    EXPECT_EQ(doc.size(), (Size{10, 6}));
    EXPECT_EQ(history.stateAt(history.current())->name(), "Canvas Size");
    // The new column on the right takes the settings' background colour.
    EXPECT_EQ(pixel(doc, 9, 0), (std::array<int, 3>{0, 255, 0}));

    answer([](QWidget* modal) { modal->close(); });  // cancelled: nothing recorded
    window->runCommand(kCmdCanvasSize);
    EXPECT_EQ(history.current(), before + 2);

    window->runCommand(kCmdEditUndo);
    window->runCommand(kCmdEditUndo);
    EXPECT_EQ(doc.size(), (Size{4, 3}));
    EXPECT_EQ(pixel(doc, 0, 0), (std::array<int, 3>{0, 128, 255}));
}

TEST_F(ImageFixture, MainWindowOpensEditsSavesAndClosesRealImages) {
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings);
    auto prompts = std::make_unique<FakePrompts>();
    FakePrompts* asked = prompts.get();
    setup.prompts = std::move(prompts);
    setup.fileDialogs = std::make_unique<FakeDialogs>();
    setup.desktop = std::make_unique<FakeDesktop>();
    MainWindow window(std::move(setup));
    window.show();

    ASSERT_TRUE(window.openFile(QString::fromStdString(photo)));
    auto* image = dynamic_cast<ImageWindow*>(window.activeDocumentWindow());
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(test::waitFor(
        [&] { return image->frame()->windowTitle().contains(QLatin1String(" @ ")); }));

    window.updateCommandStates();
    EXPECT_TRUE(window.action(kCmdInvert)->isEnabled());
    EXPECT_FALSE(window.action(kCmdEditUndo)->isEnabled());
    window.action(kCmdInvert)->trigger();
    window.updateCommandStates();
    EXPECT_TRUE(window.action(kCmdEditUndo)->isEnabled());
    EXPECT_TRUE(image->isModified());

    window.runCommand(kCmdFileSave);
    EXPECT_TRUE(asked->log.empty());
    EXPECT_FALSE(image->isModified());
    EXPECT_EQ(QImage(QString::fromStdString(photo)).pixelColor(0, 0), QColor(0, 127, 255));

    window.runCommand(kCmdSharpen);
    window.updateCommandStates();
    EXPECT_EQ(window.action(kCmdLastFilter)->text(), QStringLiteral("Sharpen"));
    window.runCommand(kCmdEditUndo);

    window.runCommand(kCmdZoomIn);
    EXPECT_GT(image->frame()->zoom(), 1.0f);

    asked->answers = {Prompts::Answer::No};
    window.runCommand(kCmdFileClose);  // the sharpen, undone, still counts as a change
    ASSERT_EQ(asked->log.size(), 1u);
    EXPECT_EQ(asked->log[0], "ask Varnel: Save changes to \"photo.png\" before closing?");
    EXPECT_TRUE(window.documentWindows().isEmpty());
}

TEST_F(ImageFixture, ToolCommandsChooseTheCanvasToolAndItsStepsAreUndoable) {
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings);
    setup.prompts = std::make_unique<FakePrompts>();
    setup.fileDialogs = std::make_unique<FakeDialogs>();
    setup.desktop = std::make_unique<FakeDesktop>();
    MainWindow window(std::move(setup));
    window.show();
    const int toolCommands[] = {kCmdToolHand, kCmdToolMarquee, kCmdToolZoomIn, kCmdToolZoomOut};
    // In the Edit menu and on the toolbar, usable once a document is open.
    window.updateCommandStates();
    for (int id : toolCommands) {
        EXPECT_TRUE(window.isCommandShown(id)) << id;
        EXPECT_TRUE(window.toolBar()->actions().contains(window.action(id))) << id;
        EXPECT_FALSE(window.action(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(window.action(kCmdToolHand)->isChecked());

    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(QColor(90, 120, 150));
    const QString path = dir.filePath(QStringLiteral("wide.png"));
    ASSERT_TRUE(picture.save(path, "PNG"));
    ASSERT_TRUE(window.openFile(path));
    auto* image = dynamic_cast<ImageWindow*>(window.activeDocumentWindow());
    ASSERT_NE(image, nullptr);
    VeView* view = image->frame()->view();
    view->scroller().setZoom(1.0f, false, true);

    window.action(kCmdToolMarquee)->trigger();
    window.updateCommandStates();
    EXPECT_EQ(window.tools().activeToolId(), unsigned(kToolMarquee));
    for (int id : toolCommands)
        EXPECT_EQ(window.action(id)->isChecked(), id == kCmdToolMarquee) << id;

    auto at = [&](int x, int y) {
        const Point p = view->scroller().imageToClient(Point{x, y});
        return QPoint(p.x, p.y);
    };
    QTest::mousePress(view, Qt::LeftButton, {}, at(10, 10));
    QTest::mouseMove(view, at(49, 39));
    QTest::mouseRelease(view, Qt::LeftButton, {}, at(49, 39));
    EXPECT_EQ(image->selection().bounds(), (Rect{10, 10, 50, 40}));
    ASSERT_EQ(image->history()->count(), 1);
    EXPECT_EQ(image->history()->stateAt(0)->name(), "Rectangular Marquee");
    EXPECT_FALSE(image->isModified());
    window.updateCommandStates();
    EXPECT_TRUE(window.action(kCmdEditUndo)->isEnabled());
    window.runCommand(kCmdEditUndo);
    EXPECT_TRUE(image->selection().isEmpty());

    window.runCommand(kCmdToolZoomIn);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 1);
    QTest::mouseClick(view, Qt::LeftButton, {}, at(100, 100));
    EXPECT_TRUE(test::waitFor([&] { return view->scroller().zoom() == 2.0f; }));

    // With the last window closed no view is left bound to the tools.
    window.runCommand(kCmdFileClose);
    EXPECT_TRUE(window.documentWindows().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.tools().views().empty());
}

// Full Screen gives a maximized document window the whole of its area: no scroll bars, no zoom
// field. A window that is not maximized keeps them, and leaving full screen brings them back.
TEST_F(ImageFixture, FullScreenLaysMaximizedDocumentWindowsOutWithoutBars) {
    auto window = mainWindow();
    ASSERT_TRUE(window->openFile(QString::fromStdString(photo)));
    auto* image = dynamic_cast<ImageWindow*>(window->activeDocumentWindow());
    ASSERT_NE(image, nullptr);
    VeChildFrame* frame = image->frame();
    auto* sub = qobject_cast<QMdiSubWindow*>(frame->parentWidget());
    ASSERT_NE(sub, nullptr);
    const auto barsShown = [&] {
        return frame->horizontalBar()->isVisible() && frame->verticalBar()->isVisible() &&
               frame->infoCtrl()->isVisible();
    };
    const auto barsHidden = [&] {
        return !frame->horizontalBar()->isVisible() && !frame->verticalBar()->isVisible() &&
               !frame->infoCtrl()->isVisible() && frame->view()->geometry() == frame->rect();
    };
    sub->showMaximized();
    EXPECT_TRUE(test::waitFor(barsShown));

    window->runCommand(kCmdFullScreen);
    ASSERT_TRUE(window->isFullScreenMode());
    EXPECT_TRUE(VeChildFrame::isFullScreenMode());
    EXPECT_TRUE(test::waitFor(barsHidden));
    sub->showNormal();
    EXPECT_TRUE(test::waitFor(barsShown));
    sub->showMaximized();
    EXPECT_TRUE(test::waitFor(barsHidden));

    window->runCommand(kCmdFullScreen);
    EXPECT_FALSE(window->isFullScreenMode());
    EXPECT_FALSE(VeChildFrame::isFullScreenMode());
    EXPECT_TRUE(test::waitFor(barsShown));
}

// A wheel turn over a part of the main window that has no use for it (the status bar, the
// toolbar) scrolls the active document window as a turn over its view would: one line of 16
// pixels, vertical, or horizontal for a sideways turn. With nothing to scroll it is not used.
TEST_F(ImageFixture, UnusedWheelTurnsScrollTheActiveDocument) {
    QImage large(400, 300, QImage::Format_RGB32);
    large.fill(QColor(30, 60, 90));
    const QString path = dir.filePath(QStringLiteral("large.png"));
    ASSERT_TRUE(large.save(path, "PNG"));
    auto window = mainWindow();
    ASSERT_TRUE(window->openFile(path));
    auto* image = dynamic_cast<ImageWindow*>(window->activeDocumentWindow());
    ASSERT_NE(image, nullptr);
    VeChildFrame* frame = image->frame();
    ZoomScroller& scroller = frame->view()->scroller();
    frame->view()->scroller().setZoom(4.0f, false, true);
    ASSERT_TRUE(frame->verticalBar()->isEnabled());
    ASSERT_TRUE(frame->horizontalBar()->isEnabled());

    const auto turn = [](QWidget* over, QPoint delta) {
        const QPointF at(2, 2);
        QWheelEvent event(at, over->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        // As from the window system: only such turns travel up to the parents (sendEvent would
        // make it a synthesized one).
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(over, &event);
        return event.isAccepted();
    };
    struct Case {
        const char* what;
        QWidget* over;
        QPoint delta;
        Point moved;
    } cases[] = {
        {"down over the status bar", window->statusBar(), {0, -120}, {0, 16}},
        {"down over the toolbar", window->toolBar(), {0, -120}, {0, 16}},
        {"sideways over the status bar", window->statusBar(), {-120, 0}, {16, 0}},
        {"up over the toolbar", window->toolBar(), {0, 120}, {0, -16}},
        {"down over the view itself: once, not twice", frame->view(), {0, -120}, {0, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Point before = scroller.scrollPosition();
        EXPECT_TRUE(turn(c.over, c.delta));
        const Point after = scroller.scrollPosition();
        EXPECT_EQ(after.x - before.x, c.moved.x);
        EXPECT_EQ(after.y - before.y, c.moved.y);
    }

    // The whole image in sight: both bars are disabled and the turn is not used.
    scroller.setZoom(scroller.minZoom(), false, true);
    ASSERT_FALSE(frame->verticalBar()->isEnabled());
    ASSERT_FALSE(frame->horizontalBar()->isEnabled());
    EXPECT_FALSE(turn(window->statusBar(), {0, -120}));
    EXPECT_EQ(scroller.scrollPosition(), (Point{0, 0}));
}

}  // namespace
}  // namespace varnel
