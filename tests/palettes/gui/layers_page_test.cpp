// The Layers palette against a stand-in document window: what each click, key and edit asks of
// the window, and how the page follows the document.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QSignalSpy>

#include "palette_fixtures.h"
#include "palettes/layer_list.h"
#include "palettes/layer_row_layout.h"
#include "palettes/layers_page.h"
#include "palettes/palette_window.h"
#include "widgets/popup_slider_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {
namespace {

using Kind = LayerRequest::Kind;
using test::makeDocument;
using test::Owner;
using test::TestDocument;

class LayersPalette : public ::testing::Test {
protected:
    void SetUp() override {
        window = owner.group->addPaletteWindow(QStringLiteral("Layers"));
        page = new LayersPage(owner.group);
        window->addPage(page);
        window->setGeometry(300, 100, 260, 300);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        page->setDeleteQuestion([this](QWidget*, const QString& name) {
            asked.push_back(name);
            return answer;
        });
    }
    // Shows a document with layers "A", "B", "C" over the background (rows C, B, A, Background).
    TestDocument& open(std::vector<std::string> names = {"A", "B", "C"}) {
        docs.push_back(std::make_unique<TestDocument>(makeDocument(64, 48, std::move(names))));
        owner.group->setActiveDocument(docs.back().get());
        return *docs.back();
    }
    LayerList* list() const { return page->list(); }
    QPoint inRow(int r, int x = 120) const { return QPoint(x, list()->rowRect(r).center().y()); }
    void click(int r, int x = 120, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, mods, inRow(r, x));
    }

    Owner owner;
    PaletteWindow* window = nullptr;
    LayersPage* page = nullptr;
    std::vector<std::unique_ptr<TestDocument>> docs;
    std::vector<QString> asked;
    bool answer = true;
};

TEST_F(LayersPalette, ANewImageShowsOneItalicBackgroundRowAndNothingToChange) {
    TestDocument& doc = open({});
    ASSERT_EQ(list()->rowCount(), 1);
    EXPECT_EQ(list()->row(0).name, QStringLiteral("Background"));
    EXPECT_TRUE(list()->nameFont(0).italic());
    EXPECT_TRUE(list()->nameFont(0).bold()) << "the selected row";
    EXPECT_FALSE(page->blendModes()->isEnabled());
    EXPECT_FALSE(page->opacityField()->isEnabled());
    EXPECT_FALSE(page->deleteLayerAction()->isEnabled());
    EXPECT_TRUE(page->newLayerAction()->isEnabled());
    page->deleteActiveLayer();
    EXPECT_TRUE(asked.empty()) << "no question when there is nothing to delete";
    EXPECT_TRUE(doc.changes().empty());
    // The background's name cannot be edited.
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, inRow(0, 100));
    EXPECT_FALSE(list()->isRenaming());
}

TEST_F(LayersPalette, RowsGoTopFirstWithTheActiveLayerChosen) {
    open();
    ASSERT_EQ(list()->rowCount(), 4);
    EXPECT_EQ(list()->row(0).name, QStringLiteral("C"));
    EXPECT_EQ(list()->row(3).name, QStringLiteral("Background"));
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{0}));
    EXPECT_FALSE(list()->nameFont(1).bold());
    EXPECT_FALSE(list()->nameFont(1).italic());
    EXPECT_EQ(page->blendModes()->count(), 19);
    EXPECT_EQ(page->blendModes()->itemText(18), QStringLiteral("Luminosity"));
    EXPECT_TRUE(page->blendModes()->isEnabled());
    EXPECT_TRUE(page->deleteLayerAction()->isEnabled());
}

TEST_F(LayersPalette, TheEyeTogglesVisibilityAndNothingElse) {
    TestDocument& doc = open();
    click(2, 8);
    ASSERT_EQ(doc.requests.size(), 1u);
    EXPECT_EQ(doc.requests[0], (LayerRequest{Kind::ToggleVisibility, 1, -1, 0, {}}));
    EXPECT_FALSE(doc.doc->layers().layerAt(1)->isVisible());
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{0})) << "the selection stays";
}

TEST_F(LayersPalette, ChoosingARowMakesItsLayerActiveAndShowsItsSettings) {
    TestDocument& doc = open();
    LayerStack& s = doc.doc->layers();
    s.setBlendMode(s.layerAt(2), 1);
    s.setMasterOpacity(s.layerAt(2), 128);
    click(1);
    EXPECT_EQ(s.activeIndex(), 2);
    EXPECT_EQ(doc.of(Kind::Activate).size(), 1u);
    EXPECT_EQ(page->blendModes()->currentIndex(), 1);
    EXPECT_EQ(page->opacityField()->text(), QStringLiteral("50%")) << "byte 128 shows as 50";
    // The background shows Normal at 100 % and cannot be changed.
    click(3);
    EXPECT_EQ(page->blendModes()->currentIndex(), 0);
    EXPECT_EQ(page->opacityField()->value(), 100);
    EXPECT_FALSE(page->opacityField()->isEnabled());
    // A hidden layer's settings cannot be changed either.
    s.setVisible(s.layerAt(1), false);
    click(2);
    EXPECT_FALSE(page->blendModes()->isEnabled());
}

TEST_F(LayersPalette, TypingAnOpacityRecordsOneChangeWhenItEnds) {
    TestDocument& doc = open();
    QLineEdit* field = page->opacityField();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("50"));
    // Each character shows at once, nothing is recorded yet.
    EXPECT_TRUE(doc.of(Kind::Opacity).empty());
    EXPECT_EQ(static_cast<EmptyLayer*>(doc.doc->layers().layerAt(3))->masterOpacity(), 128);
    QTest::keyClick(field, Qt::Key_Return);
    const auto steps = doc.of(Kind::Opacity);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].index, 3);
    EXPECT_EQ(steps[0].value, 128) << "50 % is byte 128";
    EXPECT_EQ(steps[0].previous, 255) << "undo goes back to where the preview started";
    // Return again, or leaving the field, records nothing more.
    QTest::keyClick(field, Qt::Key_Return);
    list()->setFocus();
    EXPECT_EQ(doc.of(Kind::Opacity).size(), 1u);
}

TEST_F(LayersPalette, DraggingThePopupSliderRecordsOneChangeWhenThePopupCloses) {
    TestDocument& doc = open();
    PopupSliderField* field = page->opacityField();
    field->setFocus();
    field->openPopup();
    ASSERT_TRUE(field->isPopupOpen());
    VeTrackBarCtrl* slider = field->popup()->slider();
    for (int v = 99; v >= 60; --v) slider->editValue(v);
    EXPECT_TRUE(doc.of(Kind::Opacity).empty());
    EXPECT_GT(doc.of(Kind::PreviewOpacity).size(), 30u);
    QTest::keyClick(slider, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_FALSE(field->isPopupOpen());
    const auto steps = doc.of(Kind::Opacity);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].value, 153);
    EXPECT_EQ(steps[0].previous, 255);

    // Escape puts the opening value back and records nothing.
    field->openPopup();
    field->popup()->slider()->editValue(20);
    QTest::keyClick(field->popup()->slider(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(doc.of(Kind::Opacity).size(), 1u);
    EXPECT_EQ(static_cast<EmptyLayer*>(doc.doc->layers().layerAt(3))->masterOpacity(), 153);
}

TEST_F(LayersPalette, TheBlendModeListSendsTheChosenMode) {
    TestDocument& doc = open();
    page->blendModes()->activated(12);
    ASSERT_EQ(doc.of(Kind::BlendMode).size(), 1u);
    EXPECT_EQ(doc.of(Kind::BlendMode)[0], (LayerRequest{Kind::BlendMode, 3, -1, 12, {}}));
    // A change from elsewhere (an undo) shows in the list.
    doc.doc->layers().setBlendMode(doc.doc->layers().layerAt(3), 4);
    EXPECT_EQ(page->blendModes()->currentIndex(), 4);
}

TEST_F(LayersPalette, CtrlChoosesSeveralRowsAndDisablesWhatWorksOnOne) {
    TestDocument& doc = open();
    click(2, 120, Qt::ControlModifier);
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{0, 2}));
    EXPECT_FALSE(page->blendModes()->isEnabled());
    EXPECT_FALSE(page->opacityField()->isEnabled());
    EXPECT_FALSE(page->deleteLayerAction()->isEnabled());
    const std::vector<LayerItem*> chosen = page->selectedLayers();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0], doc.doc->layers().layerAt(1)) << "bottom first";
    EXPECT_EQ(chosen[1], doc.doc->layers().layerAt(3));
    // A Ctrl click on a chosen row takes it away again; a plain click chooses one row.
    click(0, 120, Qt::ControlModifier);
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{2}));
    EXPECT_TRUE(page->blendModes()->isEnabled());
    // Shift: the range from the anchor (the row of the last plain press, here the first).
    click(1, 120, Qt::ShiftModifier);
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{0, 1}));
    click(3);
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{3}));
    EXPECT_TRUE(doc.changes().empty()) << "choosing rows changes nothing";
}

TEST_F(LayersPalette, DraggingARowMovesItsLayerInOneRequest) {
    TestDocument& doc = open();
    QWidget* vp = list()->viewport();
    // Row 2 ("A", stack index 1) dropped above the first row: to the top (index 3).
    QTest::mousePress(vp, Qt::LeftButton, {}, inRow(2));
    QTest::mouseMove(vp, inRow(2) + QPoint(0, -10));
    QTest::mouseMove(vp, QPoint(120, list()->rowRect(0).top() + 3));
    EXPECT_EQ(list()->dropGap(), 0);
    EXPECT_EQ(vp->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(120, list()->rowRect(0).top() + 3));
    ASSERT_EQ(doc.changes().size(), 1u);
    EXPECT_EQ(doc.changes()[0], (LayerRequest{Kind::Move, 1, 3, 0, {}}));
    EXPECT_EQ(list()->row(0).name, QStringLiteral("A"));

    // Nothing goes under the background, and a drop back in place asks for nothing.
    EXPECT_EQ(list()->stackIndexForDrop(0, 4), -1);
    EXPECT_EQ(list()->stackIndexForDrop(1, 1), -1);
    EXPECT_EQ(list()->stackIndexForDrop(1, 2), -1);
    EXPECT_EQ(list()->stackIndexForDrop(0, 3), 1);
    // From the keyboard: Alt+Down moves the focused layer one place down.
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(doc.changes().back(), (LayerRequest{Kind::Move, 3, 2, 0, {}}));
}

TEST_F(LayersPalette, RenamingInPlace) {
    TestDocument& doc = open();
    const QPoint name(list()->layoutOf(1).name.left + 5, inRow(1).y());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, name);
    ASSERT_TRUE(list()->isRenaming());
    QLineEdit* editor = list()->renameEditor();
    EXPECT_EQ(editor->text(), QStringLiteral("B"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("B"));
    QTest::keyClicks(editor, QStringLiteral("Sky"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(list()->isRenaming());
    ASSERT_EQ(doc.changes().size(), 1u);
    EXPECT_EQ(doc.changes()[0], (LayerRequest{Kind::Rename, 2, -1, 0, "Sky"}));
    EXPECT_EQ(list()->row(1).name, QStringLiteral("Sky"));

    // Escape, a blank name and the unchanged name all leave the layer as it is.
    const struct {
        const char* label;
        QString typed;
        Qt::Key key;
    } kept[] = {{"escape", QStringLiteral("Sea"), Qt::Key_Escape},
                {"blank", QStringLiteral("   "), Qt::Key_Return},
                {"unchanged", QStringLiteral("Sky"), Qt::Key_Return}};
    for (const auto& k : kept) {
        ASSERT_TRUE(list()->startRename(1)) << k.label;
        list()->renameEditor()->setText(k.typed);
        QTest::keyClick(list()->renameEditor(), k.key);
        EXPECT_EQ(doc.changes().size(), 1u) << k.label;
        EXPECT_EQ(list()->row(1).name, QStringLiteral("Sky")) << k.label;
    }
    // Leaving the field commits.
    ASSERT_TRUE(list()->startRename(1));
    list()->renameEditor()->setText(QStringLiteral("Sea"));
    page->blendModes()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(doc.changes().back(), (LayerRequest{Kind::Rename, 2, -1, 0, "Sea"}));
}

TEST_F(LayersPalette, ARenameGoesToTheDocumentOfItsRowEvenWhenAnotherBecameActive) {
    TestDocument& first = open();
    ASSERT_TRUE(list()->startRename(1));
    list()->renameEditor()->setText(QStringLiteral("Sky"));
    TestDocument& second = open({"X"});
    EXPECT_EQ(first.changes(), (std::vector<LayerRequest>{{Kind::Rename, 2, -1, 0, "Sky"}}));
    EXPECT_TRUE(second.changes().empty());
    EXPECT_EQ(list()->row(0).name, QStringLiteral("X"));

    // A document window that goes away while its row is edited takes the edit with it.
    ASSERT_TRUE(list()->startRename(0));
    list()->renameEditor()->setText(QStringLiteral("Lost"));
    docs.pop_back();
    EXPECT_FALSE(list()->isRenaming());
    EXPECT_EQ(list()->rowCount(), 0);
}

TEST_F(LayersPalette, DeleteAsksFirstAndNoKeepsTheLayer) {
    TestDocument& doc = open();
    answer = false;
    page->deleteLayerAction()->trigger();
    ASSERT_EQ(asked, (std::vector<QString>{QStringLiteral("C")}));
    EXPECT_EQ(LayersPage::deleteQuestionText(asked[0]), QStringLiteral("Delete layer \"C\"?"));
    EXPECT_TRUE(doc.changes().empty());
    answer = true;
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Delete);
    ASSERT_EQ(doc.changes().size(), 1u);
    EXPECT_EQ(doc.changes()[0], (LayerRequest{Kind::DeleteLayer, 3, -1, 0, {}}));
    EXPECT_EQ(list()->rowCount(), 3);
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{0})) << "the new active layer";
}

TEST_F(LayersPalette, ANewLayerIsListedAndChosen) {
    TestDocument& doc = open({"A"});
    click(1);  // the background
    page->newLayerAction()->trigger();
    EXPECT_EQ(doc.changes(), (std::vector<LayerRequest>{{Kind::NewLayer, -1, -1, 0, {}}}));
    ASSERT_EQ(list()->rowCount(), 3);
    EXPECT_EQ(list()->row(1).name, QStringLiteral("Layer 1"));
    EXPECT_EQ(list()->selectedRows(), (std::vector<int>{1}));
    // An empty layer's mode and opacity can be set like any other layer's.
    EXPECT_TRUE(page->blendModes()->isEnabled());
}

TEST_F(LayersPalette, AHiddenPageFollowsNothingAndCatchesUpWhenShown) {
    TestDocument& doc = open();
    window->setWanted(false);
    EXPECT_EQ(page->boundDocument(), nullptr);
    doc.doc->layers().newEmptyLayer();
    EXPECT_EQ(list()->rowCount(), 0);
    window->setWanted(true);
    EXPECT_EQ(page->boundDocument(), &doc);
    EXPECT_EQ(list()->rowCount(), 5);
}

TEST_F(LayersPalette, ThumbnailsFollowPixelChangesOfTheirLayer) {
    TestDocument& doc = open({"A"});
    window->grab();  // paints, so the thumbnails exist
    RasterLayer* a = doc.doc->layers().rasterAt(1);
    const LayerRowLayout l = list()->layoutOf(0);
    const int64_t before = list()->row(0).thumbnail.samplesRead();
    const uint32_t oldPixel = list()->row(0).thumbnail.pixel(0, 0);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) a->pixels().pixels(y)[x] = Bgr{0, 0, 255};
    doc.doc->notify({doc.doc.get(), a, {0, 0, 8, 8}, kChangePixels});
    window->grab();
    EXPECT_NE(list()->row(0).thumbnail.pixel(0, 0), oldPixel);
    EXPECT_EQ(list()->row(0).thumbnail.pixel(0, 0), 0xFFFF0000u);
    EXPECT_LT(list()->row(0).thumbnail.samplesRead() - before,
              int64_t(l.pixels.width()) * l.pixels.height())
        << "only the part that changed is rendered again";
}

}  // namespace
}  // namespace varnel
