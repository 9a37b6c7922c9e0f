#include "widgets/widget_accessibility.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"
#include "widgets/popup_slider_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {
namespace {

QAccessibleInterface* accessibleOf(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

QAccessibleValueInterface* valueOf(QWidget* w) {
    return accessibleOf(w)->valueInterface();
}

QAccessibleActionInterface* actionsOf(QWidget* w) {
    return accessibleOf(w)->actionInterface();
}

TEST(WidgetAccessibility, NamesComeFromTheAccessibleNameOrTheBuddyLabel) {
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("&Opacity:"));
    auto* field = new PopupSliderField;
    label->setBuddy(field);
    auto* slider = new VeTrackBarCtrl;
    slider->setAccessibleName(QStringLiteral("Radius"));
    auto* swatch = new ColorSwatchButton;
    for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(field),
                       static_cast<QWidget*>(slider), static_cast<QWidget*>(swatch)})
        layout->addWidget(w);

    struct Case {
        QWidget* widget;
        QAccessible::Role role;
        const char* name;
    } cases[] = {
        {field, QAccessible::SpinBox, "Opacity:"},
        {slider, QAccessible::Slider, "Radius"},
        {swatch, QAccessible::Button, ""},
    };
    for (const Case& c : cases) {
        QAccessibleInterface* a = accessibleOf(c.widget);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), c.role) << c.name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(a->object(), c.widget);
    }
}

TEST(WidgetAccessibility, SliderValueAndActions) {
    VeTrackBarCtrl slider;
    slider.setRange(-10, 10);
    slider.setValue(3);
    QSignalSpy committed(&slider, &VeTrackBarCtrl::valueCommitted);
    QAccessibleValueInterface* value = valueOf(&slider);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 3);
    EXPECT_EQ(value->minimumValue().toInt(), -10);
    EXPECT_EQ(value->maximumValue().toInt(), 10);
    EXPECT_EQ(value->minimumStepSize().toInt(), 1);
    value->setCurrentValue(7.6);
    EXPECT_EQ(slider.value(), 8);
    value->setCurrentValue(500);
    EXPECT_EQ(slider.value(), 10);
    EXPECT_EQ(accessibleOf(&slider)->text(QAccessible::Value), QStringLiteral("10"));

    QAccessibleActionInterface* actions = actionsOf(&slider);
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::decreaseAction()));
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(slider.value(), 8);
    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(slider.value(), 9);
    // Changes made through assistive technology are the user's: each is committed.
    EXPECT_EQ(committed.count(), 5);

    slider.setEnabled(false);
    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(slider.value(), 9);
}

TEST(WidgetAccessibility, FieldsReadAndSetTheirNumberAndText) {
    NumericField field;
    field.setRange(0, 100);
    field.setSuffix(QLatin1Char('%'));
    field.setValue(25);
    QSignalSpy committed(&field, &NumericField::valueCommitted);
    QAccessibleInterface* a = accessibleOf(&field);
    QAccessibleValueInterface* value = valueOf(&field);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 25);
    EXPECT_EQ(value->maximumValue().toInt(), 100);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("25%"));
    value->setCurrentValue(140);
    EXPECT_EQ(field.text(), QStringLiteral("100%"));
    EXPECT_EQ(committed.count(), 1);
    EXPECT_TRUE(a->state().editable);

    // The text interfaces see the characters and edit through the field's filter.
    QAccessibleTextInterface* text = a->textInterface();
    QAccessibleEditableTextInterface* editable = a->editableTextInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_NE(editable, nullptr);
    EXPECT_EQ(text->characterCount(), 4);
    EXPECT_EQ(text->text(0, 3), QStringLiteral("100"));
    editable->replaceText(0, 3, QStringLiteral("6"));
    EXPECT_EQ(field.text(), QStringLiteral("6%"));
    editable->insertText(0, QStringLiteral("x"));  // refused whole
    EXPECT_EQ(field.text(), QStringLiteral("6%"));
    text->setSelection(0, 0, 1);
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 1);
    a->setText(QAccessible::Value, QStringLiteral("300"));
    EXPECT_EQ(field.text(), QStringLiteral("100%"));

    QAccessibleActionInterface* actions = actionsOf(&field);
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(field.value(), 99);

    field.setReadOnly(true);
    value->setCurrentValue(10);
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(field.value(), 99);
    EXPECT_TRUE(accessibleOf(&field)->state().readOnly);

    FloatField real;
    real.setRange(0.1, 250.0);
    real.setValue(1.0);
    QAccessibleValueInterface* realValue = valueOf(&real);
    ASSERT_NE(realValue, nullptr);
    EXPECT_DOUBLE_EQ(realValue->currentValue().toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(realValue->minimumStepSize().toDouble(), 0.1);
    realValue->setCurrentValue(2.25);
    EXPECT_EQ(real.text(), QStringLiteral("2.3"));
    actionsOf(&real)->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(real.text(), QStringLiteral("2.4"));
}

TEST(WidgetAccessibility, PopupFieldOpensItsSliderAsAMenu) {
    PopupSliderField field;
    field.setValue(40);
    QAccessibleInterface* a = accessibleOf(&field);
    EXPECT_TRUE(a->state().hasPopup);
    EXPECT_FALSE(a->state().expanded);
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    field.show();
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(field.isPopupOpen());
    EXPECT_TRUE(a->state().expanded);
    QAccessibleInterface* slider = accessibleOf(field.popup()->slider());
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 40);
    slider->valueInterface()->setCurrentValue(65);
    EXPECT_EQ(field.value(), 65);
    field.popup()->close();
}

TEST(WidgetAccessibility, SwatchReadsAndTakesItsColour) {
    ColorSwatchButton swatch;
    swatch.setAccessibleName(QStringLiteral("Color"));
    swatch.setColor(QColor(255, 128, 0));
    QSignalSpy taken(&swatch, &ColorSwatchButton::colorTaken);
    QAccessibleInterface* a = accessibleOf(&swatch);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Color"));
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("#FF8000"));
    EXPECT_EQ(a->text(QAccessible::Description), QStringLiteral("Red 255, green 128, blue 0"));
    a->setText(QAccessible::Value, QStringLiteral("#102030"));
    EXPECT_EQ(swatch.color(), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(taken.count(), 1);
    a->setText(QAccessible::Value, QStringLiteral("not a colour"));
    EXPECT_EQ(taken.count(), 1);

    int opened = 0;
    ColorSwatchButton::setColorChooser([&](const QColor&, QWidget*) {
        ++opened;
        return std::optional<QColor>();
    });
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(opened, 1);
    ColorSwatchButton::setColorChooser({});
}

// A drop-down list is read by its name with the chosen entry as its value, whether the name is
// its own or its label's; a list with neither keeps what Qt gives it (the entry as its name).
// The button a tool bar shows for what does not fit is named too.
TEST(WidgetAccessibility, ListsAreReadByTheirNameAndToolBarOverflowIsNamed) {
    installWidgetAccessibility();
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto makeCombo = [layout] {
        auto* c = new QComboBox;
        c->addItems({QStringLiteral("Normal"), QStringLiteral("Multiply")});
        c->setCurrentIndex(1);
        layout->addWidget(c);
        return c;
    };
    QComboBox* named = makeCombo();
    named->setAccessibleName(QStringLiteral("Blend mode"));
    auto* label = new QLabel(QStringLiteral("&Style:"));
    layout->addWidget(label);
    QComboBox* labelled = makeCombo();
    label->setBuddy(labelled);
    QComboBox* bare = makeCombo();
    auto* bar = new QToolBar;
    layout->addWidget(bar);

    struct Case {
        QComboBox* combo;
        const char* name;
    } cases[] = {{named, "Blend mode"}, {labelled, "Style:"}, {bare, "Multiply"}};
    for (const Case& c : cases) {
        QAccessibleInterface* a = accessibleOf(c.combo);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::ComboBox) << c.name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("Multiply")) << c.name;
    }
    // The entries stay reachable below the named list.
    QAccessibleInterface* list = accessibleOf(named)->child(0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(accessibleOf(named)->indexOfChild(list), 0);

    auto* extension = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    ASSERT_NE(extension, nullptr);
    EXPECT_EQ(accessibleOf(extension)->text(QAccessible::Name), QStringLiteral("More buttons"));
}

}  // namespace
}  // namespace varnel
