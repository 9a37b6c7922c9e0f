// The palettes in the editor: the Layers palette's requests carried out by a real image window as
// single named steps of its history, with every layer index checked; the palettes following the
// active document window; and their placement kept in the settings from one run to the next.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include "app/image_window.h"
#include "app/main_window.h"
#include "document/document.h"
#include "gui_test_support.h"
#include "history/history.h"
#include "palettes/info_page.h"
#include "palettes/layer_list.h"
#include "palettes/layers_page.h"
#include "palettes/palette_group.h"
#include "palettes/palette_window.h"
#include "palettes/swatches_page.h"
#include "tools/toolbox.h"
#include "widgets/popup_slider_field.h"

namespace varnel {
namespace {

using Kind = LayerRequest::Kind;

struct Editor : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 200));
        photo = dir.filePath(QStringLiteral("photo.png")).toStdString();
        ASSERT_TRUE(image.save(QString::fromStdString(photo), "PNG"));
    }

    // An image window with the photo as its background and layers "A" and "B" above it.
    std::unique_ptr<ImageWindow> openPhoto() {
        ImageDocuments documents(settings);
        std::unique_ptr<DocumentWindow> w = documents.openFile(photo);
        std::unique_ptr<ImageWindow> window(dynamic_cast<ImageWindow*>(w.release()));
        if (!window) return nullptr;
        LayerStack& s = window->document()->layers();
        for (const char* name : {"A", "B"}) s.newEmptyLayer(nullptr)->setName(name);
        return window;
    }

    void build() {
        MainWindowSetup setup;
        setup.settings = &settings;
        setup.settingsPath = settingsPath;
        setup.documents = std::make_unique<ImageDocuments>(settings);
        auto p = std::make_unique<test::FakePrompts>();
        prompts = p.get();
        setup.prompts = std::move(p);
        setup.fileDialogs = std::make_unique<test::FakeDialogs>();
        setup.desktop = std::make_unique<test::FakeDesktop>();
        main = std::make_unique<MainWindow>(std::move(setup));
    }

    QTemporaryDir dir;
    std::string photo;
    std::string settingsPath;
    AppSettings settings;
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<MainWindow> main;
};

std::string lastStep(History& h) {
    return h.current() >= 0 ? h.stateAt(h.current())->name() : std::string();
}

TEST_F(Editor, EachLayerRequestIsOneNamedStepThatUndoes) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    PaletteDocument* link = window->paletteDocument();
    ASSERT_TRUE(link);
    History& history = *window->history();
    Document& doc = *window->document();
    const struct {
        const char* name;
        LayerRequest request;
    } steps[] = {
        {"Layer Properties", {Kind::Rename, 1, -1, 0, "Sky"}},
        {"Blending Change", {Kind::BlendMode, 2, -1, 3, {}}},
        {"Master Opacity Change", {Kind::Opacity, 1, -1, 128, {}}},
        {"New Layer", {Kind::NewLayer, -1, -1, 0, {}}},
        {"Layer Order", {Kind::Move, 1, 3, 0, {}}},
        {"Delete Layer", {Kind::DeleteLayer, 2, -1, 0, {}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        const std::vector<std::string> before = doc.layers().names();
        const int count = history.count();
        EXPECT_TRUE(link->request(step.request));
        EXPECT_EQ(history.count(), count + 1);
        EXPECT_EQ(lastStep(history), step.name);
        EXPECT_TRUE(window->isModified());
        ASSERT_EQ(history.undo(), 1);
        EXPECT_EQ(doc.layers().names(), before);
        ASSERT_EQ(history.redo(), 1);
    }
    // The visibility, the active layer and the preview leave no step.
    const int count = history.count();
    EXPECT_TRUE(link->request({Kind::ToggleVisibility, 0, -1, 0, {}}));
    EXPECT_FALSE(doc.layers().layerAt(0)->isVisible());
    EXPECT_TRUE(link->request({Kind::Activate, 0, -1, 0, {}}));
    EXPECT_EQ(doc.layers().activeIndex(), 0);
    EXPECT_TRUE(link->request({Kind::PreviewOpacity, 1, -1, 40, {}}));
    EXPECT_EQ(history.count(), count);
}

TEST_F(Editor, RequestsForLayersThatAreNotThereOrDoNotFitAreRefused) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    PaletteDocument* link = window->paletteDocument();
    Document& doc = *window->document();
    const std::vector<std::string> names = doc.layers().names();
    const LayerRequest refused[] = {
        {Kind::Rename, 3, -1, 0, "x"},
        {Kind::Rename, -1, -1, 0, "x"},
        {Kind::Rename, 1, -1, 0, ""},
        {Kind::Rename, 1, -1, 0, "A"},  // the name it has
        {Kind::BlendMode, 1, -1, 19, {}},
        {Kind::BlendMode, 1, -1, -1, {}},
        {Kind::BlendMode, 1, -1, 0, {}},  // the mode it has
        {Kind::Opacity, 7, -1, 10, {}},
        {Kind::Opacity, 1, -1, 256, {}},
        {Kind::PreviewOpacity, 1, -1, -5, {}},
        {Kind::Move, 0, 2, 0, {}},  // the background stays at the bottom
        {Kind::Move, 2, 0, 0, {}},
        {Kind::Move, 2, 9, 0, {}},
        {Kind::DeleteLayer, 5, -1, 0, {}},
        {Kind::ToggleVisibility, 3, -1, 0, {}},
        {Kind::Activate, -2, -1, 0, {}},
    };
    for (const LayerRequest& r : refused) {
        SCOPED_TRACE(int(r.kind));
        EXPECT_FALSE(link->request(r));
    }
    EXPECT_EQ(window->history()->count(), 0);
    EXPECT_EQ(doc.layers().names(), names);
    EXPECT_FALSE(window->isModified());

    // The last layer of an image is never deleted.
    link->request({Kind::DeleteLayer, 2, -1, 0, {}});
    link->request({Kind::DeleteLayer, 1, -1, 0, {}});
    EXPECT_FALSE(link->request({Kind::DeleteLayer, 0, -1, 0, {}}));
    EXPECT_EQ(doc.layers().count(), 1);
}

TEST_F(Editor, APreviewedOpacityIsRecordedFromWhereItStarted) {
    auto window = openPhoto();
    ASSERT_TRUE(window);
    PaletteDocument* link = window->paletteDocument();
    auto* layer = static_cast<EmptyLayer*>(window->document()->layers().layerAt(2));
    for (int v : {240, 200, 150, 128})
        ASSERT_TRUE(link->request({Kind::PreviewOpacity, 2, -1, v, {}}));
    EXPECT_EQ(layer->masterOpacity(), 128);
    EXPECT_EQ(window->history()->count(), 0);
    LayerRequest commit{Kind::Opacity, 2, -1, 128, {}};
    commit.previous = 255;
    ASSERT_TRUE(link->request(commit));
    EXPECT_EQ(window->history()->count(), 1);
    EXPECT_EQ(layer->masterOpacity(), 128);
    window->history()->undo();
    EXPECT_EQ(layer->masterOpacity(), 255) << "undo goes back to before the preview";
}

TEST_F(Editor, ThePalettesFollowTheActiveDocumentWindow) {
    build();
    main->show();
    LayersPage* layers = main->layersPage();
    InfoPage* info = main->infoPage();
    ASSERT_TRUE(layers && info);
    ASSERT_TRUE(main->palettes()->window(QStringLiteral("Layers"))->isVisible());
    EXPECT_EQ(layers->list()->rowCount(), 0);
    EXPECT_FALSE(layers->newLayerAction()->isEnabled());

    ASSERT_TRUE(main->openFile(QString::fromStdString(photo)));
    auto* first = dynamic_cast<ImageWindow*>(main->activeDocumentWindow());
    ASSERT_TRUE(first);
    EXPECT_EQ(layers->boundDocument(), first->paletteDocument());
    EXPECT_EQ(info->followedView(), first->frame()->view());
    ASSERT_EQ(layers->list()->rowCount(), 1);
    EXPECT_EQ(layers->list()->row(0).name, QStringLiteral("Background"));

    // The buttons of the palette work on the active document, through its history.
    layers->newLayerAction()->trigger();
    EXPECT_EQ(layers->list()->rowCount(), 2);
    EXPECT_EQ(lastStep(*first->history()), "New Layer");
    main->updateCommandStates();
    EXPECT_TRUE(main->action(kCmdEditUndo)->isEnabled());
    prompts->confirm = false;
    layers->deleteLayerAction()->trigger();
    ASSERT_EQ(prompts->log.size(), 1u);
    EXPECT_EQ(prompts->log[0], "confirm Varnel: Delete layer \"Layer 1\"?");
    EXPECT_EQ(layers->list()->rowCount(), 2);
    prompts->confirm = true;
    layers->deleteLayerAction()->trigger();
    EXPECT_EQ(layers->list()->rowCount(), 1);
    EXPECT_EQ(lastStep(*first->history()), "Delete Layer");
    main->runCommand(kCmdEditUndo);
    EXPECT_EQ(layers->list()->rowCount(), 2) << "the palette follows the undo";

    // Typing an opacity is one step, undone in one.
    layers->list()->selectOnly(0);
    layers->opacityField()->setFocus();
    layers->opacityField()->selectAll();
    QTest::keyClicks(layers->opacityField(), QStringLiteral("50"));
    QTest::keyClick(layers->opacityField(), Qt::Key_Return);
    EXPECT_EQ(lastStep(*first->history()), "Master Opacity Change");
    EXPECT_EQ(static_cast<EmptyLayer*>(first->document()->layers().layerAt(1))->masterOpacity(),
              128);
    const int steps = first->history()->count();
    main->runCommand(kCmdEditUndo);
    EXPECT_EQ(static_cast<EmptyLayer*>(first->document()->layers().layerAt(1))->masterOpacity(),
              255);
    EXPECT_EQ(layers->opacityField()->value(), 100);
    EXPECT_EQ(first->history()->current(), steps - 2);

    // Another window: the palettes follow it; closing the last leaves them empty.
    const std::string second = dir.filePath(QStringLiteral("second.png")).toStdString();
    ASSERT_TRUE(QImage(3, 3, QImage::Format_RGB32).save(QString::fromStdString(second)));
    ASSERT_TRUE(main->openFile(QString::fromStdString(second)));
    auto* other = dynamic_cast<ImageWindow*>(main->activeDocumentWindow());
    EXPECT_EQ(layers->boundDocument(), other->paletteDocument());
    EXPECT_EQ(layers->list()->rowCount(), 1);
    prompts->answers = {Prompts::Answer::No, Prompts::Answer::No};
    main->closeAll();
    EXPECT_EQ(layers->boundDocument(), nullptr);
    EXPECT_EQ(layers->list()->rowCount(), 0);
    EXPECT_EQ(info->followedView(), nullptr);
}

TEST_F(Editor, TheRowsChosenInThePaletteAreWhatMergeLayersMerges) {
    build();
    main->show();
    LayersPage* layers = main->layersPage();
    ASSERT_TRUE(main->openFile(QString::fromStdString(photo)));
    auto* window = dynamic_cast<ImageWindow*>(main->activeDocumentWindow());
    ASSERT_TRUE(window);
    layers->newLayerAction()->trigger();
    layers->newLayerAction()->trigger();
    ASSERT_EQ(layers->list()->rowCount(), 3);

    // One row chosen: Merge Down, not Merge Layers.
    layers->list()->selectOnly(1);
    main->updateCommandStates();
    EXPECT_FALSE(main->action(kCmdMergeLayers)->isEnabled());
    EXPECT_TRUE(main->action(kCmdMergeDown)->isEnabled());
    // Ctrl adds the Background row: Merge Layers merges the two, as one step.
    QTest::mouseClick(layers->list()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      layers->list()->rowRect(2).center());
    ASSERT_EQ(layers->list()->selectedCount(), 2);
    main->updateCommandStates();
    EXPECT_TRUE(main->action(kCmdMergeLayers)->isEnabled());
    EXPECT_FALSE(main->action(kCmdMergeDown)->isEnabled());
    main->runCommand(kCmdMergeLayers);
    EXPECT_EQ(lastStep(*window->history()), "Merge Layers");
    EXPECT_EQ(window->document()->layers().count(), 2);
    EXPECT_EQ(layers->list()->rowCount(), 2);
}

TEST_F(Editor, TheWindowMenuShowsAndHidesThePalettes) {
    build();
    main->show();
    QAction* layersItem = main->paletteAction(QStringLiteral("Layers"));
    ASSERT_TRUE(layersItem);
    FloatingWindow* layers = main->palettes()->window(QStringLiteral("Layers"));
    EXPECT_TRUE(layersItem->isChecked());
    layersItem->trigger();
    EXPECT_FALSE(layers->isVisible());
    EXPECT_FALSE(layersItem->isChecked());
    layers->setWanted(true);
    EXPECT_TRUE(layersItem->isChecked()) << "the item follows the window";
    EXPECT_EQ(layersItem->shortcut(), QKeySequence(Qt::Key_F7));
}

TEST_F(Editor, PalettesComeBackWhereTheyWereLeft) {
    settingsPath = dir.filePath(QStringLiteral("VLSettings.xml")).toStdString();
    build();
    main->show();
    FloatingWindow* info = main->palettes()->window(QStringLiteral("Info"));
    FloatingWindow* layers = main->palettes()->window(QStringLiteral("Layers"));
    ASSERT_TRUE(info && layers);
    info->setGeometry(31, 42, 230, 180);
    layers->setGeometry(300, 60, 240, 330);
    info->setWanted(false);
    main->close();
    main.reset();

    AppSettings reread;
    ASSERT_TRUE(reread.load(settingsPath));
    auto kept = [&](const char* name) -> const FloatingWindowState* {
        for (const FloatingWindowState& w : reread.floating_windows)
            if (w.name == name) return &w;
        ADD_FAILURE() << "no record for " << name;
        return nullptr;
    };
    ASSERT_EQ(reread.floating_windows[0].name, "Info");
    EXPECT_EQ(reread.floating_windows[0].rect, (Rect{31, 42, 261, 222}));
    EXPECT_FALSE(reread.floating_windows[0].visible);
    ASSERT_TRUE(kept("Layers") && kept("Swatches"));
    EXPECT_EQ(kept("Layers")->page, "Layers");
    EXPECT_EQ(kept("Swatches")->page, "Swatches");
    ASSERT_TRUE(kept("History"));
    EXPECT_EQ(kept("History")->page, "History");

    settings = AppSettings();
    build();
    main->show();
    info = main->palettes()->window(QStringLiteral("Info"));
    layers = main->palettes()->window(QStringLiteral("Layers"));
    EXPECT_EQ(info->geometry(), QRect(31, 42, 230, 180));
    EXPECT_FALSE(info->isVisible());
    EXPECT_FALSE(main->paletteAction(QStringLiteral("Info"))->isChecked());
    EXPECT_EQ(layers->geometry(), QRect(300, 60, 240, 330));
    EXPECT_TRUE(layers->isVisible());

    // Without a kept layout the palettes go down the right edge of the document area, shown.
    main.reset();
    settings = AppSettings();
    settingsPath.clear();
    build();
    main->show();
    info = main->palettes()->window(QStringLiteral("Info"));
    layers = main->palettes()->window(QStringLiteral("Layers"));
    EXPECT_TRUE(info->isVisible() && layers->isVisible());
    const QRect area(main->mdiArea()->mapToGlobal(QPoint(0, 0)), main->mdiArea()->size());
    EXPECT_EQ(info->geometry().topRight(), area.topRight());
    FloatingWindow* swatches = main->palettes()->window(QStringLiteral("Swatches"));
    ASSERT_TRUE(swatches);
    EXPECT_TRUE(swatches->isVisible());
    EXPECT_EQ(swatches->geometry().top(), info->geometry().bottom() + 1);
    // Under the others while it fits, else at the top of a column of its own to their left.
    if (swatches->geometry().bottom() + layers->height() <= area.bottom()) {
        EXPECT_EQ(layers->geometry().top(), swatches->geometry().bottom() + 1);
    } else {
        EXPECT_EQ(layers->geometry().top(), area.top());
        EXPECT_LT(layers->geometry().right(), swatches->geometry().left());
    }

    // On a short document area the windows that do not fit below the others start a column of
    // their own to the left: none reaches below the area, none covers another.
    main->resize(main->width(), 420);
    QApplication::processEvents();
    main->palettes()->placeAllByDefault();
    const QRect shortArea(main->mdiArea()->mapToGlobal(QPoint(0, 0)), main->mdiArea()->size());
    const QList<FloatingWindow*> all = main->palettes()->windows();
    for (FloatingWindow* w : all) {
        SCOPED_TRACE(w->key().toStdString());
        if (w->height() <= shortArea.height()) {
            EXPECT_LE(w->geometry().bottom(), shortArea.bottom());
        }
        EXPECT_LE(w->geometry().right(), shortArea.right());
        for (FloatingWindow* other : all) {
            if (other != w) {
                EXPECT_FALSE(w->geometry().intersects(other->geometry()));
            }
        }
    }
}

TEST_F(Editor, TheSwatchListComesBackAtTheNextStart) {
    settingsPath = dir.filePath(QStringLiteral("VLSettings.xml")).toStdString();
    build();
    main->show();
    SwatchesPage* page = main->swatchesPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(main->palettes()->windowOf(page)->key(), QStringLiteral("Swatches"));
    EXPECT_EQ(page->colorChooser(), main->toolbox()->colors());
    ASSERT_EQ(page->view()->swatches(), defaultSwatches());
    // Picking a swatch gives the document commands their colour.
    QTest::mouseClick(page->view()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      page->view()->cellRect(4).center());
    EXPECT_EQ(formatColor(main->settings().default_bg_color), "#0000FF");
    page->removeLastSwatch();
    page->removeLastSwatch();
    main->toolbox()->colors()->setForeground(QColor(0x12, 0x34, 0x56));
    page->addSwatch(false);
    std::vector<Bgra> made = page->view()->swatches();
    ASSERT_EQ(made.size(), 121u);
    main.reset();

    settings = AppSettings();
    build();
    main->show();
    EXPECT_EQ(main->swatchesPage()->view()->swatches(), made);
    EXPECT_EQ(main->swatchesPage()->view()->swatches().back(), settingsColor(0x12, 0x34, 0x56));
    // An empty list is the user's too.
    for (size_t i = 0; i < made.size(); ++i) main->swatchesPage()->removeLastSwatch();
    main.reset();
    settings = AppSettings();
    build();
    EXPECT_TRUE(main->swatchesPage()->view()->swatches().empty());
    main.reset();

    // A list spoilt in the file: the palette starts from its defaults, and the file is whole
    // again after the run.
    QFile file(QString::fromStdString(settingsPath));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    ASSERT_TRUE(text.contains("<Swatches/>"));
    text.replace("<Swatches/>",
                 "<Swatches><Swatch color=\"#0000FF\"/><Swatch color=\"blue\"/>"
                 "</Swatches>");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    settings = AppSettings();
    build();
    EXPECT_TRUE(main->settings().loaded());
    EXPECT_EQ(main->swatchesPage()->view()->swatches(), defaultSwatches());
    main.reset();
    AppSettings reread;
    ASSERT_TRUE(reread.load(settingsPath));
    EXPECT_EQ(reread.swatches, defaultSwatches());
}

}  // namespace
}  // namespace varnel
