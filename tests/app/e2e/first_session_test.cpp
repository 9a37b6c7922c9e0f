// A user's first session with the editor, step by step in the real main window: the first start,
// opening a photo, an adjustment, a selection, a filter inside it, undoing, saving, and a new
// layered image built in the Layers palette.
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QToolButton>

#include "app/command_table.h"
#include "dialogs/adjustment_dialog.h"
#include "document/layer.h"
#include "editor_session.h"
#include "history/history.h"
#include "palettes/floating_window.h"
#include "palettes/info_page.h"
#include "palettes/layer_list.h"
#include "palettes/layer_row_layout.h"
#include "palettes/layers_page.h"
#include "palettes/palette_group.h"
#include "tools/options_bar.h"
#include "tools/tool.h"
#include "tools/tool_manager.h"
#include "tools/toolbox.h"
#include "widgets/popup_slider_field.h"

namespace varnel::e2e {
namespace {

QString titleOf(ImageWindow* w) {
    auto* sub = w ? qobject_cast<QMdiSubWindow*>(w->frame()->parentWidget()) : nullptr;
    return sub ? sub->windowTitle() : QString();
}

QMenu* recentFilesMenu(MainWindow& window) {
    for (QMenu* menu : window.menuBar()->findChildren<QMenu*>()) {
        QString title = menu->title();
        if (title.remove(QLatin1Char('&')) == QLatin1String("Recent Files")) return menu;
    }
    return nullptr;
}

// The pixels of the canvas as the user sees them at (x, y) of the image.
QRgb seenAt(VeView* view, QPoint canvas) {
    return view->grab().toImage().pixel(canvas);
}

QRgb compositeAt(Document& document, int x, int y) {
    const uint8_t* p = document.composite()->color().row(y) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

struct Box {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// How many pixels of the composite inside and outside `box` differ between two copies.
std::pair<int, int> changedInAndOut(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                    int width, Box box) {
    int in = 0, out = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3) {
        const int px = int(i / 3) % width, py = int(i / 3) / width;
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2])
            ++(box.contains(px, py) ? in : out);
    }
    return {in, out};
}

using FirstSession = EditorSession;

TEST_F(FirstSession, FirstStartShowsTheDefaultsAndExitKeepsTheLayoutForTheNext) {
    ASSERT_FALSE(QFile::exists(QString::fromStdString(settingsPath_)));
    MainWindow& window = start();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Varnel"));
    EXPECT_EQ(window.settings().max_recent_files, 8);
    EXPECT_EQ(window.settings().nb_history_states, 20);
    EXPECT_TRUE(window.isToolbarShown());
    EXPECT_TRUE(window.isStatusBarShown());
    EXPECT_TRUE(window.toolboxWindow()->isVisible());
    // The tool in use shows in the toolbox, and its options in the options bar.
    EXPECT_EQ(window.tools().activeToolId(), unsigned(kToolHand));
    EXPECT_EQ(window.toolbox()->chosenTool(), kToolHand);
    EXPECT_EQ(window.optionsBar()->pages()->shownKey(), kToolHand);
    // The menu bar's Alt keys stay the menus' whatever tool's options show.
    auto mnemonicOf = [](QString text) {
        text.replace(QStringLiteral("&&"), QString());
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toUpper() : QChar();
    };
    QString menuKeys;
    for (QAction* menu : window.menuBar()->actions()) menuKeys += mnemonicOf(menu->text());
    for (QWidget* w : window.optionsBar()->findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
        const QChar key = mnemonicOf(text);
        if (!key.isNull()) {
            EXPECT_FALSE(menuKeys.contains(key)) << text.toStdString();
        }
    }
    ASSERT_TRUE(window.palettes());
    for (const char* name : {"Layers", "Info"}) {
        QAction* item = window.paletteAction(QString::fromLatin1(name));
        ASSERT_TRUE(item) << name;
        EXPECT_TRUE(item->isChecked()) << name;
    }
    for (FloatingWindow* palette : window.palettes()->windows()) {
        EXPECT_TRUE(palette->isVisible()) << palette->key().toStdString();
        // Beside the workspace, never over the toolbox.
        EXPECT_FALSE(palette->frameGeometry().intersects(window.toolboxWindow()->frameGeometry()))
            << palette->key().toStdString();
    }

    // The user arranges the windows, then leaves.
    window.setGeometry(QRect(40, 30, 700, 560));
    FloatingWindow* layers = nullptr;
    for (FloatingWindow* palette : window.palettes()->windows())
        if (palette->key() == QLatin1String("Layers")) layers = palette;
    ASSERT_TRUE(layers);
    layers->move(500, 300);
    window.paletteAction(QStringLiteral("Info"))->trigger();  // hides Info
    waitFor([] { return false; }, 50);
    const QRect mainRect = window.normalGeometry();
    const QPoint layersAt = layers->pos();
    exitEditor();

    QFile file(QString::fromStdString(settingsPath_));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "Exit wrote no settings file";
    const QByteArray xml = file.readAll();
    EXPECT_TRUE(xml.contains("MainFrame")) << xml.toStdString();

    MainWindow& again = start();
    EXPECT_EQ(again.normalGeometry(), mainRect);
    FloatingWindow* layersAgain = nullptr;
    for (FloatingWindow* palette : again.palettes()->windows())
        if (palette->key() == QLatin1String("Layers")) layersAgain = palette;
    ASSERT_TRUE(layersAgain);
    EXPECT_EQ(layersAgain->pos(), layersAt);
    EXPECT_TRUE(layersAgain->isVisible());
    EXPECT_FALSE(again.paletteAction(QStringLiteral("Info"))->isChecked());
}

TEST_F(FirstSession, OpeningAJpegShowsItsPixelsTitleAndRecentEntry) {
    const QString photo = filePath(QStringLiteral("harbour.jpg"));
    ASSERT_TRUE(writePhoto(photo, 320, 240));
    MainWindow& window = start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(waitFor([&] { return titleOf(doc) == QLatin1String("harbour.jpg @ 100%"); }))
        << titleOf(doc).toStdString();
    // The sub-window sits beside the toolbox, not under it.
    auto* sub = qobject_cast<QMdiSubWindow*>(doc->frame()->parentWidget());
    ASSERT_TRUE(sub);
    const QRect subOnScreen(sub->mapToGlobal(QPoint(0, 0)), sub->size());
    EXPECT_FALSE(subOnScreen.intersects(window.toolboxWindow()->frameGeometry()));

    EXPECT_EQ(compositeBytes(*doc->document()), decodedBytes(photo));
    const QRgb corner = compositeAt(*doc->document(), 0, 0);
    EXPECT_EQ(seenAt(view(), canvasPoint(0, 0)), corner);
    EXPECT_EQ(seenAt(view(), canvasPoint(319, 239)), compositeAt(*doc->document(), 319, 239));

    QMenu* recent = recentFilesMenu(window);
    ASSERT_TRUE(recent);
    ASSERT_FALSE(recent->actions().isEmpty());
    EXPECT_EQ(recent->actions().first()->text(), QStringLiteral("&1  ") + photo);
}

TEST_F(FirstSession, LevelsPreviewsAndOkIsOneStepThatUndoesAndRedoes) {
    const QString photo = filePath(QStringLiteral("street.png"));
    ASSERT_TRUE(writePhoto(photo, 160, 120));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    const std::vector<uint8_t> before = compositeBytes(*doc->document());
    std::vector<uint8_t> previewed;
    bool previewOn = false;
    ModalAnswer levels([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Levels"));
        auto* preview = child<QCheckBox>(dialog, "previewBox");
        if (preview && !preview->isChecked()) QTest::mouseClick(preview, Qt::LeftButton);
        previewOn = preview && preview->isChecked();
        typeInto(child<QLineEdit>(dialog, "inputBlack"), QStringLiteral("60"));
        typeInto(child<QLineEdit>(dialog, "inputWhite"), QStringLiteral("200"));
        auto* adjustment = qobject_cast<AdjustmentDialog*>(dialog);
        EXPECT_TRUE(waitFor([&] { return adjustment && !adjustment->isPreviewPending(); }));
        previewed = compositeBytes(*doc->document());
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdLevels));
    ASSERT_TRUE(levels.handled());
    EXPECT_TRUE(previewOn);
    EXPECT_NE(previewed, before) << "the preview showed nothing";

    History& history = *doc->history();
    EXPECT_EQ(stepNames(history), std::vector<std::string>{"Levels"});
    const std::vector<uint8_t> after = compositeBytes(*doc->document());
    EXPECT_EQ(after, previewed);
    EXPECT_TRUE(doc->isModified());

    typeShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(compositeBytes(*doc->document()), before);
    EXPECT_EQ(history.current(), -1);
    typeShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
    EXPECT_EQ(compositeBytes(*doc->document()), after);
    EXPECT_EQ(currentStep(history), "Levels");
}

TEST_F(FirstSession, AMarqueeDragSelectsShowsItsSizeAndAntsAndAClickOutsideDeselects) {
    const QString photo = filePath(QStringLiteral("field.png"));
    ASSERT_TRUE(writePhoto(photo, 240, 180));
    MainWindow& window = start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    // The marquee in the toolbox shows its options; the canvas tool stays until the Edit menu's
    // (or the main toolbar's) Marquee Tool chooses it.
    QTest::mouseClick(window.toolbox()->buttonOf(kToolMarquee), Qt::LeftButton);
    EXPECT_EQ(window.optionsBar()->pages()->shownKey(), kToolMarquee);
    EXPECT_EQ(window.tools().activeToolId(), unsigned(kToolHand));
    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    EXPECT_EQ(window.tools().activeToolId(), unsigned(kToolMarquee));
    EXPECT_TRUE(window.action(kCmdToolMarquee)->isChecked());
    ASSERT_EQ(doc->frame()->zoom(), 1.0f);
    InfoPage* info = window.infoPage();
    ASSERT_TRUE(info);

    VeView* canvas = view();
    activate();
    const QPoint from = canvasPoint(20, 30), to = canvasPoint(119, 89);
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(canvas, (from + to) / 2);
    QTest::mouseMove(canvas, to);
    EXPECT_EQ(info->fieldText(InfoPage::Width), QStringLiteral("100"));
    EXPECT_EQ(info->fieldText(InfoPage::Height), QStringLiteral("60"));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);

    EXPECT_EQ(stepNames(*doc->history()), std::vector<std::string>{"Rectangular Marquee"});
    EXPECT_EQ(doc->selection().bounds(), (Rect{20, 30, 120, 90}));
    EXPECT_TRUE(canvas->antsRunning());
    // The ants are drawn on the selection's edge: black and white dashes over the photo.
    int ants = 0;
    waitFor([] { return false; }, 250);
    const QImage seen = canvas->grab().toImage();
    for (int x = 20; x < 120; ++x) {
        const QRgb c = seen.pixel(canvasPoint(x, 30));
        if (c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255)) ++ants;
    }
    EXPECT_GT(ants, 90);

    QTest::mouseClick(canvas, Qt::LeftButton, {}, canvasPoint(200, 150));
    EXPECT_EQ(stepNames(*doc->history()),
              (std::vector<std::string>{"Rectangular Marquee", "Deselect"}));
    EXPECT_TRUE(doc->selection().isEmpty());
    EXPECT_TRUE(waitFor([&] { return !canvas->antsRunning(); }));
}

// A blur through its dialog, then again with Ctrl+F: only the selection changes.
TEST_F(FirstSession, GaussianBlurInsideTheSelectionAndCtrlFRepeatsIt) {
    const QString photo = filePath(QStringLiteral("leaves.png"));
    ASSERT_TRUE(writePhoto(photo, 200, 150));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    dragOnCanvas(canvasPoint(40, 30), canvasPoint(139, 109));
    const Box inside{40, 30, 100, 80};
    ASSERT_EQ(doc->selection().bounds(), (Rect{40, 30, 140, 110}));
    const std::vector<uint8_t> original = compositeBytes(*doc->document());

    ModalAnswer blur([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Gaussian Blur"));
        typeInto(child<QLineEdit>(dialog, "radius"), QStringLiteral("2"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdGaussianBlur));
    ASSERT_TRUE(blur.handled());
    History& history = *doc->history();
    EXPECT_EQ(currentStep(history), "Gaussian Blur");
    const std::vector<uint8_t> once = compositeBytes(*doc->document());
    auto [in, out] = changedInAndOut(original, once, 200, inside);
    EXPECT_GT(in, inside.w * inside.h / 2);
    EXPECT_EQ(out, 0);
    window_->updateCommandStates();
    EXPECT_EQ(window_->action(kCmdLastFilter)->text(), QStringLiteral("Gaussian Blur"));

    typeShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(stepNames(history),
              (std::vector<std::string>{"Rectangular Marquee", "Gaussian Blur", "Gaussian Blur"}));
    std::tie(in, out) = changedInAndOut(once, compositeBytes(*doc->document()), 200, inside);
    EXPECT_GT(in, inside.w * inside.h / 2);
    EXPECT_EQ(out, 0);
}

TEST_F(FirstSession, CtrlZTwiceGivesBackTheOriginalPixelsExactly) {
    const QString photo = filePath(QStringLiteral("portrait.jpg"));
    ASSERT_TRUE(writePhoto(photo, 180, 240));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    const std::vector<uint8_t> original = compositeBytes(*doc->document());
    ASSERT_EQ(original, decodedBytes(photo));

    ModalAnswer levels([&](QWidget* dialog) {
        typeInto(child<QLineEdit>(dialog, "gamma"), QStringLiteral("1.6"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdLevels));
    ModalAnswer blur([&](QWidget* dialog) {
        typeInto(child<QLineEdit>(dialog, "radius"), QStringLiteral("4"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdGaussianBlur));
    ASSERT_EQ(stepNames(*doc->history()), (std::vector<std::string>{"Levels", "Gaussian Blur"}));
    ASSERT_NE(compositeBytes(*doc->document()), original);

    typeShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    typeShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(compositeBytes(*doc->document()), original);
    EXPECT_EQ(seenAt(view(), canvasPoint(90, 120)), compositeAt(*doc->document(), 90, 120));
    window_->updateCommandStates();
    EXPECT_FALSE(window_->action(kCmdEditUndo)->isEnabled());
    EXPECT_TRUE(window_->action(kCmdEditRedo)->isEnabled());
}

TEST_F(FirstSession, SaveAsPngAndReopeningGivesIdenticalPixels) {
    const QString photo = filePath(QStringLiteral("boats.jpg"));
    ASSERT_TRUE(writePhoto(photo, 200, 140));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(pickMenu(kCmdInvert));
    const std::vector<uint8_t> edited = compositeBytes(*doc->document());

    const QString copy = filePath(QStringLiteral("boats-inverted"));
    ModalAnswer saveAs([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save As"));
        chooseFile(dialog, copy, QStringLiteral("PNG"));
    });
    ASSERT_TRUE(pickMenu(kCmdFileSaveAs));
    ASSERT_TRUE(saveAs.handled());
    const QString saved = copy + QStringLiteral(".png");
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(titleOf(doc), QStringLiteral("boats-inverted.png @ 100%"));

    ASSERT_TRUE(pickMenu(kCmdFileClose));
    ASSERT_TRUE(window_->documentWindows().isEmpty());
    ImageWindow* reopened = openThroughDialog(saved);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(compositeBytes(*reopened->document()), edited);
    EXPECT_EQ(reopened->documentPath(), saved.toStdString());
}

// A new transparent image and its layers, all through the Layers palette.
TEST_F(FirstSession, NewTransparentImageAndItsLayersThroughTheLayersPalette) {
    MainWindow& window = start();
    ModalAnswer newImage([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("New"));
        pick(child<QComboBox>(dialog, "newPreset"), QStringLiteral("640 x 480"));
        pick(child<QComboBox>(dialog, "newBackground"), QStringLiteral("Transparent"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdFileNew));
    ASSERT_TRUE(newImage.handled());
    ImageWindow* doc = active();
    ASSERT_TRUE(doc);
    Document& d = *doc->document();
    EXPECT_EQ(d.layers().canvasSize(), (Size{640, 480}));
    ASSERT_EQ(d.layers().count(), 1);
    EXPECT_FALSE(d.layers().isBackgroundAt(0));
    // Transparent: the canvas shows the checkerboard, white and grey 8-pixel squares.
    const QImage checker = view()->grab().toImage();
    EXPECT_EQ(checker.pixel(canvasPoint(0, 0) + QPoint(2, 2)), qRgb(255, 255, 255));
    EXPECT_EQ(checker.pixel(canvasPoint(0, 0) + QPoint(10, 2)), qRgb(0xCC, 0xCC, 0xCC));

    LayersPage* page = window.layersPage();
    ASSERT_TRUE(page);
    ASSERT_TRUE(waitFor([&] { return page->isVisible() && page->list()->rowCount() == 1; }));
    LayerList* list = page->list();
    History& history = *doc->history();

    auto buttonOf = [&](QAction* action) {
        for (QToolButton* b : page->findChildren<QToolButton*>())
            if (b->defaultAction() == action) return b;
        return static_cast<QToolButton*>(nullptr);
    };
    QToolButton* add = buttonOf(page->newLayerAction());
    QToolButton* remove = buttonOf(page->deleteLayerAction());
    ASSERT_TRUE(add && remove);

    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_EQ(d.layers().count(), 2);
    ASSERT_EQ(list->rowCount(), 2);
    LayerItem* layer = d.layers().layerAt(1);
    EXPECT_EQ(d.layers().activeLayer(), layer);

    // Rename: a double click on the name of the top row, a new name, Enter.
    const LayerRowLayout row0 = list->layoutOf(0);
    const QPoint onName(row0.name.left + 4, row0.name.top + row0.name.height() / 2);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onName);
    ASSERT_TRUE(list->isRenaming());
    list->renameEditor()->selectAll();
    QTest::keyClicks(list->renameEditor(), QStringLiteral("Shadows"));
    QTest::keyClick(list->renameEditor(), Qt::Key_Return);
    EXPECT_EQ(layer->name(), "Shadows");

    typeInto(page->opacityField(), QStringLiteral("50"));
    auto* props = dynamic_cast<EmptyLayer*>(layer);
    ASSERT_TRUE(props);
    EXPECT_EQ(props->masterOpacity(), 128);

    pick(page->blendModes(), QStringLiteral("Multiply"));
    EXPECT_EQ(page->blendModes()->currentText(), QStringLiteral("Multiply"));
    EXPECT_EQ(stepNames(history),
              (std::vector<std::string>{"New Layer", "Layer Properties", "Master Opacity Change",
                                        "Blending Change"}));
    EXPECT_EQ(dynamic_cast<EmptyLayer*>(layer)->blendMode(), page->blendModes()->currentIndex());

    const QPoint onEye(row0.eye.left + row0.eye.width() / 2, row0.eye.top + row0.eye.height() / 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onEye);
    EXPECT_FALSE(layer->isVisible());
    EXPECT_EQ(history.count(), 4) << "the eye is no step";

    ModalAnswer confirm([&](QWidget* box) {
        EXPECT_TRUE(qobject_cast<QMessageBox*>(box));
        EXPECT_EQ(qobject_cast<QMessageBox*>(box)->text(),
                  QStringLiteral("Delete layer \"Shadows\"?"));
        clickButton(box, QStringLiteral("Yes"));
    });
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_TRUE(confirm.handled());
    EXPECT_EQ(d.layers().count(), 1);
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_EQ(currentStep(history), "Delete Layer");
    EXPECT_EQ(history.count(), 5);
}

}  // namespace
}  // namespace varnel::e2e
