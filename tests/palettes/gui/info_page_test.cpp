// The Info palette over a real canvas view: the colour from the view's own frame and the image
// pixel under the pointer at any zoom, blanked outside the image, on leaving and when the view
// goes; nothing while the page is hidden.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>

#include "document/selection.h"
#include "palette_fixtures.h"
#include "palettes/info_page.h"
#include "palettes/palette_window.h"
#include "view/ve_view.h"

namespace varnel {
namespace {

using test::Owner;
using test::sendMouse;
using test::TestDocument;

class InfoPalette : public ::testing::Test {
protected:
    void SetUp() override {
        window = owner.group->addPaletteWindow(QStringLiteral("Info"));
        page = new InfoPage(owner.group);
        window->addPage(page);
        window->show();

        doc = std::make_unique<TestDocument>(test::makeDocument(100, 80));
        RasterLayer* background = doc->doc->layers().rasterAt(0);
        background->pixels().pixels(2)[3] = Bgr{30, 20, 10};  // red 10, green 20, blue 30
        view = new VeView(doc->doc.get(), &owner.window);
        view->setGeometry(0, 0, 200, 150);
        view->show();
        doc->view_ = view;
        owner.group->setActiveDocument(doc.get());
    }
    void TearDown() override {
        owner.group->setActiveDocument(nullptr);
        delete view;
    }
    void zoomTo(float zoom) {
        view->scroller().setZoom(zoom, false, true);
        view->grab();  // the frame the Info palette reads is the one painted
    }
    void moveTo(QPoint client) {
        sendMouse(view, QEvent::MouseMove, view->mapToGlobal(client), Qt::NoButton, Qt::NoButton);
    }
    QString text(InfoPage::Field f) const { return page->fieldText(f); }
    QStringList all() const {
        QStringList out;
        for (int f = 0; f < InfoPage::FieldCount; ++f) out << text(InfoPage::Field(f));
        return out;
    }

    Owner owner;
    PaletteWindow* window = nullptr;
    InfoPage* page = nullptr;
    std::unique_ptr<TestDocument> doc;
    VeView* view = nullptr;
};

TEST_F(InfoPalette, ColourAndImagePixelAt400Percent) {
    zoomTo(4.0f);
    ASSERT_EQ(view->scroller().offset(), (Point{0, 0}));
    moveTo({13, 9});
    EXPECT_EQ(text(InfoPage::X), QStringLiteral("3"));
    EXPECT_EQ(text(InfoPage::Y), QStringLiteral("2"));
    EXPECT_EQ(text(InfoPage::Red), QStringLiteral("10"));
    EXPECT_EQ(text(InfoPage::Green), QStringLiteral("20"));
    EXPECT_EQ(text(InfoPage::Blue), QStringLiteral("30"));
    moveTo({16, 9});
    EXPECT_EQ(text(InfoPage::X), QStringLiteral("4"));
    EXPECT_EQ(text(InfoPage::Red), QStringLiteral("255")) << "the white background";
    // Nothing reported: W and H are blank.
    EXPECT_EQ(text(InfoPage::Width), QString());
    EXPECT_EQ(text(InfoPage::Height), QString());
}

TEST_F(InfoPalette, OutsideTheImageOnLeavingAndWhenTheViewGoesTheFieldsAreBlank) {
    zoomTo(1.0f);  // the 100 × 80 image centred in 200 × 150: from (50, 35)
    moveTo({53, 37});
    EXPECT_EQ(text(InfoPage::X), QStringLiteral("3"));
    moveTo({10, 10});
    for (InfoPage::Field f :
         {InfoPage::Red, InfoPage::Green, InfoPage::Blue, InfoPage::X, InfoPage::Y})
        EXPECT_EQ(text(f), QString()) << int(f);
    moveTo({53, 37});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_EQ(text(InfoPage::Red), QString());
    EXPECT_EQ(text(InfoPage::Y), QString());
    moveTo({53, 37});
    delete view;
    view = nullptr;
    doc->view_ = nullptr;
    EXPECT_EQ(all(), QStringList(7, QString()));
}

TEST_F(InfoPalette, AHiddenPageShowsNothingNewUntilTheNextEventAfterItIsShown) {
    zoomTo(4.0f);
    moveTo({13, 9});
    window->setWanted(false);
    EXPECT_EQ(page->followedView(), nullptr);
    moveTo({40, 40});
    window->setWanted(true);
    EXPECT_EQ(page->followedView(), view);
    moveTo({40, 40});
    EXPECT_EQ(text(InfoPage::X), QStringLiteral("10"));
}

TEST_F(InfoPalette, WidthAndHeightAreWhatTheViewReports) {
    // A marquee drag reports its rectangle as it goes.
    view->reportSize(30, 20);
    EXPECT_EQ(text(InfoPage::Width), QStringLiteral("30"));
    EXPECT_EQ(text(InfoPage::Height), QStringLiteral("20"));
    view->reportSize(0, 20);
    EXPECT_EQ(text(InfoPage::Width), QString());
    EXPECT_EQ(text(InfoPage::Height), QString());

    // A selection reports its bounds; after Deselect the fields are blank.
    Selection selection(doc->doc->size());
    view->setSelection(&selection);
    ASSERT_EQ(selection.setShape({5, 6, 45, 26}, false), 1);
    EXPECT_EQ(text(InfoPage::Width), QStringLiteral("40"));
    EXPECT_EQ(text(InfoPage::Height), QStringLiteral("20"));
    // A pointer move shows the last size too.
    zoomTo(1.0f);
    moveTo({60, 40});
    EXPECT_EQ(text(InfoPage::Width), QStringLiteral("40"));
    ASSERT_EQ(selection.deselect(), 1);
    EXPECT_EQ(text(InfoPage::Width), QString());
    EXPECT_EQ(text(InfoPage::Height), QString());
    view->setSelection(nullptr);
}

TEST_F(InfoPalette, TheFieldsAreNamedForScreenReaders) {
    page->showColour(1, 2, 3, false);
    const struct {
        InfoPage::Field field;
        const char* name;
    } names[] = {{InfoPage::Red, "Red"},      {InfoPage::Green, "Green"},
                 {InfoPage::Blue, "Blue"},    {InfoPage::X, "X"},
                 {InfoPage::Y, "Y"},          {InfoPage::Width, "Width"},
                 {InfoPage::Height, "Height"}};
    for (const auto& n : names) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(page->field(n.field));
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(n.name));
        EXPECT_TRUE(iface->state().readOnly);
    }
    QAccessibleInterface* red = QAccessible::queryAccessibleInterface(page->field(InfoPage::Red));
    ASSERT_TRUE(red->textInterface());
    EXPECT_EQ(red->textInterface()->text(0, 10), QStringLiteral("1"));
}

}  // namespace
}  // namespace varnel
