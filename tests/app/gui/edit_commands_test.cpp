// The Edit, Layer and Select commands of a real image window: each dialog's OK is one named step
// that undo takes back, the Layer menu greys what the layer rules forbid, and Copy, Cut and Paste
// carry pixels and transparency through the clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/edit_dialogs.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "core/clipboard_store.h"
#include "dialogs/duplicate_layer_dialog.h"
#include "dialogs/fill_dialog.h"
#include "dialogs/new_layer_dialog.h"
#include "dialogs/one_value_dialog.h"
#include "dialogs/selection_channel_dialogs.h"
#include "document/channels.h"
#include "document/document.h"
#include "gui_test_support.h"
#include "widgets/popup_slider_field.h"

namespace varnel {
namespace {

// A document of `w` × `h` pixels of `color` on its background layer.
std::unique_ptr<Document> solidDocument(int w, int h, ColorRef color) {
    ColorImage pixels;
    if (!pixels.createColor(w, h)) return nullptr;
    pixels.fillAll(color);
    return Document::fromImage(pixels, nullptr, {});
}

Bgr pixelOf(const ColorImage& image, int x, int y) {
    const uint8_t* p = image.row(y) + 3 * x;
    return Bgr{p[0], p[1], p[2]};
}

uint8_t alphaOf(const RasterLayer& layer, int x, int y) {
    const Channel* plane = layer.transparency();
    return plane ? plane->row(y)[x] : 255;
}

struct EditFixture : ::testing::Test {
    void SetUp() override {
        registerEditDialogs();
        store.setSystemClipboard(&system);
    }
    void TearDown() override {
        setEditDialogRunner(nullptr);
        ImageWindow::setChosenLayers(nullptr);
    }

    std::unique_ptr<ImageWindow> window(int w = 8, int h = 6) {
        auto made = ImageWindow::create(solidDocument(w, h, 0x2040C0), settings);
        if (made) made->setClipboard(&store);
        return made;
    }

    AppSettings settings;
    FakeSystemClipboard system;
    ClipboardStore store;
};

// Each dialog command, answered through its dialog: OK records exactly one step under the
// command's name, and undo takes it back; Cancel records nothing.
TEST_F(EditFixture, EachDialogsOkIsOneNamedUndoableStep) {
    auto w = window();
    ASSERT_TRUE(w);
    Document& doc = *w->document();
    History& history = *w->history();
    Selection& selection = w->selection();

    struct Case {
        int id;
        const char* name;
        std::function<void(QDialog&)> answer;  // sets the dialog's fields before OK
        std::function<void()> check;           // what the step did
    };
    const Case cases[] = {
        {kCmdEditFill, "Fill",
         [](QDialog& d) {
             auto& fill = dynamic_cast<FillDialog&>(d);
             fill.colorList()->setCurrentIndex(FillDialog::kBlack);
             fill.opacityField()->setValue(100);
         },
         [&] {
             EXPECT_EQ(pixelOf(doc.layers().rasterAt(0)->pixels(), 3, 3), (Bgr{0, 0, 0}));
         }},
        {kCmdMenuNewLayer, "New Layer",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<NewLayerDialog&>(d);
             EXPECT_EQ(dialog.nameField()->text(), QStringLiteral("Layer 1"));
             dialog.nameField()->setText(QStringLiteral("Sky"));
             dialog.opacityField()->setValue(50);
         },
         [&] {
             ASSERT_EQ(doc.layers().count(), 2);
             EXPECT_EQ(doc.layers().activeLayer()->name(), "Sky");
             EXPECT_EQ(doc.layers().activeIndex(), 1);
         }},
        {kCmdMenuDuplicateLayer, "Duplicate Layer",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<DuplicateLayerDialog&>(d);
             EXPECT_EQ(dialog.sourceField()->text(), QStringLiteral("Background"));
             EXPECT_EQ(dialog.nameField()->text(), QStringLiteral("Background copy"));
             dialog.nameField()->setText(QStringLiteral("Twin"));
         },
         [&] {
             ASSERT_EQ(doc.layers().count(), 2);
             EXPECT_EQ(doc.layers().activeLayer()->name(), "Twin");
             EXPECT_FALSE(doc.layers().activeLayer()->isBackground());
         }},
        {kCmdMenuLayerProperties, "Layer Properties",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<OneValueDialog&>(d);
             EXPECT_EQ(dialog.text(), QStringLiteral("Background"));
             dialog.setText(QStringLiteral("Paper"));
         },
         [&] { EXPECT_EQ(doc.layers().activeLayer()->name(), "Paper"); }},
        {kCmdSelectSave, "Save Selection", [](QDialog&) {},
         [&] {
             ASSERT_EQ(doc.channels().size(), 1u);
             EXPECT_EQ(doc.channels()[0]->name(), "Alpha 1");
         }},
        {kCmdSelectFeather, "Feather",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<SelectionModifyDialog&>(d);
             EXPECT_EQ(dialog.radius(), 1.0);  // the run's first Feather
             dialog.setFloatValue(2.0);
         },
         [&] { EXPECT_LT(selection.coverageAt(2, 2), 255); }},
        {kCmdSelectExpand, "Expand",
         [](QDialog& d) { dynamic_cast<SelectionModifyDialog&>(d).setIntValue(2); },
         [&] {
             EXPECT_EQ(selection.bounds(), (Rect{0, 0, 8, 6}));
         }},
        {kCmdSelectContract, "Contract",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<SelectionModifyDialog&>(d);
             EXPECT_EQ(dialog.amount(), 1);  // its first opening, though Expand stored 2
             dialog.setIntValue(1);
         },
         [&] {
             EXPECT_EQ(selection.bounds(), (Rect{3, 3, 5, 5}));
         }},
        {kCmdSelectBorder, "Border",
         [](QDialog& d) {
             auto& dialog = dynamic_cast<SelectionModifyDialog&>(d);
             EXPECT_EQ(dialog.amount(), 1);
             dialog.setIntValue(150);  // the action holds it to its widest band
         },
         [&] { EXPECT_FALSE(selection.isEmpty()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(selection.setShape(Rect{2, 2, 6, 6}, false));
        history.clear();
        ASSERT_TRUE(w->isCommandEnabled(c.id));

        // Cancel: nothing recorded.
        setEditDialogRunner([](QDialog&) { return false; });
        w->runCommand(c.id);
        EXPECT_EQ(history.count(), 0);

        setEditDialogRunner([&](QDialog& d) {
            c.answer(d);
            d.accept();
            return d.result() == QDialog::Accepted;
        });
        w->runCommand(c.id);
        ASSERT_EQ(history.count(), 1);
        EXPECT_EQ(history.stateAt(0)->name(), c.name);
        c.check();
        w->runCommand(kCmdEditUndo);
    }
    // Every step was taken back.
    EXPECT_EQ(doc.layers().count(), 1);
    EXPECT_EQ(doc.layers().activeLayer()->name(), "Background");
    EXPECT_EQ(doc.channels().size(), 0u);
    EXPECT_EQ(pixelOf(doc.layers().rasterAt(0)->pixels(), 3, 3), (Bgr{0x20, 0x40, 0xC0}));

    // Load Selection with a saved channel: invert makes the rest of the canvas the selection.
    ASSERT_TRUE(selection.setShape(Rect{0, 0, 4, 6}, false));
    setEditDialogRunner([](QDialog& d) {
        d.accept();
        return true;
    });
    w->runCommand(kCmdSelectSave);
    ASSERT_TRUE(selection.deselect());
    setEditDialogRunner([](QDialog& d) {
        auto& dialog = dynamic_cast<LoadSelectionDialog&>(d);
        EXPECT_FALSE(dialog.operationButton(1)->isEnabled());  // nothing to add to
        dialog.invertBox()->setChecked(true);
        d.accept();
        return true;
    });
    w->runCommand(kCmdSelectLoad);
    EXPECT_EQ(history.stateAt(history.current())->name(), "Load Selection");
    EXPECT_EQ(selection.bounds(), (Rect{4, 0, 8, 6}));
}

// The real modal dialog, used from the keyboard: a name typed and Enter pressed.
TEST_F(EditFixture, NewLayerDialogWorksFromTheKeyboard) {
    auto w = window();
    ASSERT_TRUE(w);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<NewLayerDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QLineEdit* name = dialog->nameField();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Clouds"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    w->runCommand(kCmdMenuNewLayer);
    ASSERT_EQ(w->document()->layers().count(), 2);
    EXPECT_EQ(w->document()->layers().activeLayer()->name(), "Clouds");
    EXPECT_EQ(w->history()->stateAt(0)->name(), "New Layer");
}

// The Layer menu follows Image, holds its items in order, and greys what the layer rules forbid;
// each item runs its command as one named step.
TEST_F(EditFixture, LayerMenuFollowsTheLayerRules) {
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings, &store);
    setup.prompts = std::make_unique<test::FakePrompts>();
    setup.fileDialogs = std::make_unique<test::FakeDialogs>();
    setup.desktop = std::make_unique<test::FakeDesktop>();
    setup.clipboard = &store;
    MainWindow main(std::move(setup));

    QStringList titles;
    for (QAction* top : main.menuBar()->actions()) titles.append(top->text());
    const int image = int(titles.indexOf(QStringLiteral("&Image")));
    ASSERT_GE(image, 0);
    ASSERT_EQ(titles.value(image + 1), QStringLiteral("&Layer"));
    QStringList items;
    for (QAction* a : main.menuBar()->actions()[image + 1]->menu()->actions())
        items.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList{"&New Layer...", "&Duplicate Layer...", "De&lete Layer", "-",
                                  "Layer &Properties...", "-", "&Merge Layers", "Merge Do&wn",
                                  "Merge &Visible", "-", "&Flatten Image"}));

    // Without a document every layer command is greyed.
    const int layerIds[] = {kCmdMenuNewLayer,        kCmdMenuDuplicateLayer, kCmdMenuDeleteLayer,
                            kCmdMenuLayerProperties, kCmdMergeLayers,        kCmdMergeDown,
                            kCmdMergeVisible,        kCmdFlattenImage};
    main.updateCommandStates();
    for (int id : layerIds) EXPECT_FALSE(main.action(id)->isEnabled()) << id;

    std::unique_ptr<ImageWindow> made = window(6, 4);
    ASSERT_TRUE(made);
    ImageWindow* w = made.get();
    Document& doc = *w->document();
    main.addDocumentWindow(std::move(made));
    ASSERT_EQ(main.activeDocumentWindow(), w);

    // What is enabled, in the order of layerIds.
    auto states = [&] {
        main.updateCommandStates();
        std::vector<bool> out;
        for (int id : layerIds) out.push_back(main.action(id)->isEnabled());
        return out;
    };
    // One background layer: nothing to delete, merge or flatten.
    EXPECT_EQ(states(), (std::vector<bool>{true, true, false, true, false, false, false, false}));

    setEditDialogRunner([](QDialog& d) {
        d.accept();
        return true;
    });
    main.runCommand(kCmdMenuNewLayer);
    ASSERT_EQ(doc.layers().count(), 2);
    // An empty layer over the background: it can go, merge down or merge with what is visible.
    EXPECT_EQ(states(), (std::vector<bool>{true, true, true, true, false, true, true, true}));
    // Hidden, the active layer takes part in no merge.
    doc.layers().setVisible(doc.layers().activeLayer(), false);
    EXPECT_EQ(states(), (std::vector<bool>{true, true, true, true, false, false, false, true}));
    doc.layers().setVisible(doc.layers().activeLayer(), true);
    // Two layers chosen in the Layers palette: Merge Layers, not Merge Down.
    ImageWindow::setChosenLayers([](const Document&) { return std::vector<int>{0, 1}; });
    EXPECT_EQ(states(), (std::vector<bool>{true, true, true, true, true, false, true, true}));

    main.runCommand(kCmdMergeLayers);
    EXPECT_EQ(doc.layers().count(), 1);
    EXPECT_EQ(w->history()->stateAt(w->history()->current())->name(), "Merge Layers");
    ImageWindow::setChosenLayers(nullptr);
    main.runCommand(kCmdEditUndo);
    ASSERT_EQ(doc.layers().count(), 2);

    const struct {
        int id;
        const char* name;
        int layersAfter;
    } steps[] = {{kCmdMergeDown, "Merge Down", 1},
                 {kCmdMergeVisible, "Merge Visible", 1},
                 {kCmdFlattenImage, "Flatten Image", 1},
                 {kCmdMenuDeleteLayer, "Delete Layer", 1}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        main.runCommand(s.id);
        EXPECT_EQ(doc.layers().count(), s.layersAfter);
        EXPECT_EQ(w->history()->stateAt(w->history()->current())->name(), s.name);
        main.runCommand(kCmdEditUndo);
        EXPECT_EQ(doc.layers().count(), 2);
    }
}

// Copy then Paste through the window gives back the copied pixels with their transparency, in
// place; Cut is one step; Paste is offered only while the clipboard has an image.
TEST_F(EditFixture, CopyAndPasteKeepPixelsAndTransparency) {
    auto w = window(8, 6);
    ASSERT_TRUE(w);
    Document& doc = *w->document();
    History& history = *w->history();
    // A layer of noise-like colours whose transparency falls from left to right.
    ColorImage colors;
    ASSERT_TRUE(colors.createColor(5, 4));
    GrayMap alpha;
    ASSERT_TRUE(alpha.createGray(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = colors.row(y) + 3 * x;
            p[0] = uint8_t(40 * x), p[1] = uint8_t(60 * y), p[2] = uint8_t(17 * (x + y));
            alpha.row(y)[x] = uint8_t(255 - 60 * x);
        }
    RasterLayer* source = doc.layers().newRasterLayer(colors, &alpha, Point{2, 1}, "Leaf", false);
    ASSERT_NE(source, nullptr);

    EXPECT_FALSE(w->isCommandEnabled(kCmdEditPaste));  // nothing on the clipboard
    EXPECT_FALSE(w->isCommandEnabled(kCmdEditCut));    // nothing selected to clear
    ASSERT_TRUE(w->isCommandEnabled(kCmdEditCopy));
    w->runCommand(kCmdEditCopy);  // no selection: the whole layer
    EXPECT_EQ(history.count(), 0);
    EXPECT_GE(system.writes, 1) << "published for other programs at once";
    ASSERT_TRUE(w->isCommandEnabled(kCmdEditPaste));

    w->runCommand(kCmdEditPaste);
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Paste");
    ASSERT_EQ(doc.layers().count(), 3);
    const auto* pasted = dynamic_cast<const RasterLayer*>(doc.layers().activeLayer());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->canvasBounds(), source->canvasBounds());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(pixelOf(pasted->pixels(), x, y), pixelOf(source->pixels(), x, y))
                << x << "," << y;
            EXPECT_EQ(alphaOf(*pasted, x, y), alphaOf(*source, x, y)) << x << "," << y;
        }
    EXPECT_EQ(w->selection().bounds(), source->canvasBounds());  // the pasted pixels selected
    w->runCommand(kCmdEditUndo);
    EXPECT_EQ(doc.layers().count(), 2);

    // Cut: one step; the pixels leave the layer and come back with Paste.
    doc.layers().setActiveLayer(source);
    ASSERT_TRUE(w->selection().setShape(Rect{2, 1, 4, 3}, false));
    ASSERT_TRUE(w->isCommandEnabled(kCmdEditCut));
    history.clear();
    w->runCommand(kCmdEditCut);
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Cut");
    EXPECT_EQ(alphaOf(*source, 0, 0), 0);
    w->runCommand(kCmdEditPaste);
    const auto* back = dynamic_cast<const RasterLayer*>(doc.layers().activeLayer());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->canvasBounds(), (Rect{2, 1, 4, 3}));
    EXPECT_EQ(alphaOf(*back, 1, 1), 255 - 60);
    EXPECT_EQ(pixelOf(back->pixels(), 1, 1), (Bgr{40, 60, 34}));

    // Copy Merged takes the composite: opaque over the background. (The paste selected its
    // pixels with their transparency as coverage; a hard selection here.)
    ASSERT_TRUE(w->selection().setShape(Rect{2, 1, 4, 3}, false));
    ASSERT_TRUE(w->isCommandEnabled(kCmdEditCopyMerged));
    w->runCommand(kCmdEditCopyMerged);
    ClipboardImage merged;
    ASSERT_TRUE(store.paste(merged));
    EXPECT_EQ(merged.image.size(), (Size{2, 2}));
    for (int y = 0; merged.mask.isValid() && y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(merged.mask.row(y)[x], 255) << x << "," << y;
}

// Paste into New Image makes a document of the clipboard's image with its transparency.
TEST_F(EditFixture, PasteIntoNewImageKeepsTheTransparency) {
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings, &store);
    setup.prompts = std::make_unique<test::FakePrompts>();
    setup.fileDialogs = std::make_unique<test::FakeDialogs>();
    setup.desktop = std::make_unique<test::FakeDesktop>();
    setup.clipboard = &store;
    MainWindow main(std::move(setup));
    ASSERT_TRUE(main.isCommandShown(kCmdEditPasteNewImage));
    main.updateCommandStates();
    EXPECT_FALSE(main.action(kCmdEditPasteNewImage)->isEnabled());

    ColorImage pixels;
    ASSERT_TRUE(pixels.createColor(3, 2));
    pixels.fillAll(0x00FF00);
    Channel mask;
    ASSERT_TRUE(mask.createGray(3, 2));
    mask.fillAll(0xFFFFFF);
    mask.row(1)[2] = 64;
    ASSERT_TRUE(store.put(pixels, &mask));
    main.updateCommandStates();
    ASSERT_TRUE(main.action(kCmdEditPasteNewImage)->isEnabled());
    EXPECT_EQ(main.action(kCmdEditPasteNewImage)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    main.runCommand(kCmdEditPasteNewImage);
    auto* w = dynamic_cast<ImageWindow*>(main.activeDocumentWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->document()->size(), (Size{3, 2}));
    EXPECT_EQ(w->document()->composite()->alpha().row(1)[2], 64);
    EXPECT_EQ(w->document()->composite()->alpha().row(0)[0], 255);
}

}  // namespace
}  // namespace varnel
