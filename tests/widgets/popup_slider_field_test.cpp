#include "widgets/popup_slider_field.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHoverEvent>
#include <QSignalSpy>
#include <QTest>

#include "widget_fixtures.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {
namespace {

// An opacity field showing 40%, in an active window.
struct OpacityField {
    PopupSliderField* field = new PopupSliderField;
    test::FocusWindow window{field};

    OpacityField() {
        field->setRange(0, 100);
        field->setSuffix(QLatin1Char('%'));
        field->setValue(40);
        field->setFixedWidth(60);
        QTest::qWait(0);
    }
    QPoint arrow() const { return field->buttonRect().center(); }
    void clickArrow() const { test::FocusWindow::clickThroughWindow(field, arrow()); }
    VeTrackBarCtrl* slider() const { return field->popup() ? field->popup()->slider() : nullptr; }
    // Clicks the popup's slider where it picks `value`.
    void slideTo(int value) const {
        VeTrackBarCtrl* s = slider();
        for (int x = 0; x < s->width(); ++x) {
            if (s->valueAt(x) == value) {
                QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(x, s->height() / 2));
                return;
            }
        }
        FAIL() << "no x picks " << value;
    }
};

TEST(PopupSliderField, ArrowOpensASliderUnderTheFieldsRightEdge) {
    OpacityField o;
    ASSERT_TRUE(o.window.activated);
    const QRect button = o.field->buttonRect();
    // Inside the frame at the right edge, 9/10 of the inner height wide; text stops before it.
    EXPECT_LT(button.right(), o.field->width() - 1);
    EXPECT_GE(button.right(), o.field->width() - 4);
    EXPECT_EQ(button.width(), button.height() * 9 / 10);
    EXPECT_EQ(o.field->textMargins().right(), button.width());

    o.clickArrow();
    ASSERT_TRUE(o.field->isPopupOpen());
    VePopupForm* popup = o.field->popup();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->size(), QSize(122, 21));
    const QRect fieldOnScreen(o.field->mapToGlobal(QPoint(0, 0)), o.field->size());
    EXPECT_EQ(popup->geometry().right(), fieldOnScreen.right());
    EXPECT_EQ(popup->geometry().top(), fieldOnScreen.bottom() + 1);
    EXPECT_EQ(o.slider()->value(), 40);
    EXPECT_EQ(o.slider()->minimum(), 0);
    EXPECT_EQ(o.slider()->maximum(), 100);
    EXPECT_TRUE(o.slider()->hasFocus());
    popup->close();
}

TEST(PopupSliderField, EscapePutsTheOpeningValueBackEnterKeepsTheNewOne) {
    OpacityField o;
    ASSERT_TRUE(o.window.activated);
    QSignalSpy changed(o.field, &NumericField::valueChanged);
    QSignalSpy committed(o.field, &NumericField::valueCommitted);

    o.clickArrow();
    o.slideTo(70);
    EXPECT_EQ(o.field->text(), QStringLiteral("70%"));  // at once, while the popup is open
    ASSERT_EQ(changed.count(), 1);
    QTest::keyClick(o.slider(), Qt::Key_Escape);
    EXPECT_FALSE(o.field->isPopupOpen());
    EXPECT_EQ(o.field->text(), QStringLiteral("40%"));
    EXPECT_EQ(o.field->selectedText(), QStringLiteral("40%"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(committed.count(), 0);

    o.clickArrow();
    o.slideTo(70);
    QTest::keyClick(o.slider(), Qt::Key_Right);
    QTest::keyClick(o.slider(), Qt::Key_Return);
    EXPECT_FALSE(o.field->isPopupOpen());
    EXPECT_EQ(o.field->text(), QStringLiteral("71%"));
    EXPECT_EQ(o.field->selectedText(), QStringLiteral("71%"));
    ASSERT_EQ(committed.count(), 1);  // once, for the whole visit
    EXPECT_EQ(committed.at(0).at(0).toInt(), 71);
}

TEST(PopupSliderField, AClickElsewhereKeepsTheValueAClickOnTheArrowOnlyCloses) {
    OpacityField o;
    ASSERT_TRUE(o.window.activated);
    QSignalSpy committed(o.field, &NumericField::valueCommitted);
    QSignalSpy opened(o.field, &PopupSliderField::popupOpened);

    o.clickArrow();
    o.slideTo(70);
    // Right of the popup, which hangs over the left of the field and the window below it.
    test::FocusWindow::clickThroughWindow(o.window.other, QPoint(115, 15));
    QTest::qWait(0);
    EXPECT_FALSE(o.field->isPopupOpen());
    EXPECT_EQ(o.field->text(), QStringLiteral("70%"));
    EXPECT_EQ(committed.count(), 1);

    o.clickArrow();
    ASSERT_TRUE(o.field->isPopupOpen());
    o.clickArrow();  // closes, and does not open it again
    QTest::qWait(0);
    EXPECT_FALSE(o.field->isPopupOpen());
    EXPECT_EQ(opened.count(), 2);
    o.clickArrow();  // the next click opens it
    EXPECT_TRUE(o.field->isPopupOpen());
    EXPECT_EQ(opened.count(), 3);
    o.field->popup()->close();

    // From the keyboard.
    o.field->setFocus();
    QTest::keyClick(o.field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(o.field->isPopupOpen());
    QTest::keyClick(o.slider(), Qt::Key_Escape);
}

TEST(PopupSliderField, ArrowFollowsPointerPressAndEnabling) {
    OpacityField o;
    using State = PopupSliderField::ButtonState;
    auto hover = [&](QEvent::Type type, QPoint at) {
        QHoverEvent e(type, at, at, at);
        QApplication::sendEvent(o.field, &e);
    };
    EXPECT_EQ(o.field->buttonState(), State::Normal);
    hover(QEvent::HoverMove, o.arrow());
    EXPECT_EQ(o.field->buttonState(), State::Hot);
    hover(QEvent::HoverMove, QPoint(3, 3));
    EXPECT_EQ(o.field->buttonState(), State::Normal);
    hover(QEvent::HoverMove, o.arrow());
    hover(QEvent::HoverLeave, QPoint(-1, -1));
    EXPECT_EQ(o.field->buttonState(), State::Normal);

    QTest::mousePress(o.field, Qt::LeftButton, {}, o.arrow());
    EXPECT_EQ(o.field->buttonState(), State::Pressed);
    QTest::mouseMove(o.field, QPoint(3, 3));
    EXPECT_EQ(o.field->buttonState(), State::Normal);
    QTest::mouseRelease(o.field, Qt::LeftButton, {}, QPoint(3, 3));  // released off the arrow
    EXPECT_FALSE(o.field->isPopupOpen());

    const QImage enabled = o.field->grab(o.field->buttonRect()).toImage();
    o.field->setEnabled(false);
    EXPECT_EQ(o.field->buttonState(), State::Disabled);
    EXPECT_NE(o.field->grab(o.field->buttonRect()).toImage(), enabled);
    o.clickArrow();
    EXPECT_FALSE(o.field->isPopupOpen());
    o.field->setEnabled(true);
    EXPECT_EQ(o.field->buttonState(), State::Normal);
}

TEST(PopupSliderField, PopupStaysOnTheScreen) {
    const QRect work(0, 0, 800, 600);
    // Room below: under the field, right edges aligned.
    EXPECT_EQ(VePopupForm::placement(QRect(300, 100, 60, 20), work), QRect(238, 120, 122, 21));
    // None below: above the field.
    EXPECT_EQ(VePopupForm::placement(QRect(300, 585, 60, 15), work), QRect(238, 564, 122, 21));
    // A field at the left edge: moved right onto the screen.
    EXPECT_EQ(VePopupForm::placement(QRect(0, 100, 40, 20), work).left(), 0);
}

}  // namespace
}  // namespace varnel
