#include "widgets/number_field.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "widget_fixtures.h"

namespace varnel {
namespace {

void sendWheel(QWidget& w, int delta) {
    QWheelEvent e(QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

void retype(QLineEdit& field, const QString& text) {
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
}

TEST(NumericField, TypingKeepsOnlyNumberText) {
    NumericField field;
    field.setSuffix(QLatin1Char('%'));
    field.setValue(40);
    EXPECT_EQ(field.text(), QStringLiteral("40%"));

    retype(field, QStringLiteral("5a-0.x%%"));
    EXPECT_EQ(field.text(), QStringLiteral("50%"));
    EXPECT_EQ(field.value(), 50);

    // Pasted text is taken whole or not at all.
    field.selectAll();
    QApplication::clipboard()->setText(QStringLiteral("7 5"));
    field.paste();
    EXPECT_EQ(field.text(), QStringLiteral("50%"));
    QApplication::clipboard()->setText(QStringLiteral("75"));
    field.selectAll();
    field.paste();
    EXPECT_EQ(field.text(), QStringLiteral("75"));

    // A minus only where the range goes below zero.
    retype(field, QStringLiteral("-3"));
    EXPECT_EQ(field.text(), QStringLiteral("3"));
    field.setRange(-10, 10);
    retype(field, QStringLiteral("-3"));
    EXPECT_EQ(field.text(), QStringLiteral("-3"));
    EXPECT_EQ(field.value(), -3);
}

TEST(NumericField, ReadsEmptyAndOutOfRangeTextWithoutGuessing) {
    NumericField field;
    field.setRange(1, 100);
    QSignalSpy changed(&field, &NumericField::valueChanged);
    field.clear();
    EXPECT_FALSE(field.typedValue().has_value());
    EXPECT_FALSE(field.hasAcceptableValue());
    EXPECT_EQ(field.value(), 1);    // 0 held to the range
    EXPECT_EQ(changed.count(), 0);  // no digits, no news for the owner

    QTest::keyClicks(&field, QStringLiteral("0"));
    EXPECT_FALSE(field.hasAcceptableValue());
    retype(field, QStringLiteral("100"));
    EXPECT_TRUE(field.hasAcceptableValue());
    QTest::keyClicks(&field, QStringLiteral("0"));
    EXPECT_FALSE(field.hasAcceptableValue());
    EXPECT_EQ(field.value(), 100);

    // Ten digits that would wrap to 1 in 32 bits read as the largest number, out of range.
    retype(field, QStringLiteral("4294967297"));
    EXPECT_EQ(field.typedValue(), 2147483647);
    EXPECT_FALSE(field.hasAcceptableValue());
    EXPECT_EQ(field.value(), 100);
}

TEST(NumericField, ArrowsAndWheelStepClampAndSelect) {
    NumericField field;
    field.setRange(0, 100);
    field.setStep(5);
    field.setValue(90);
    QSignalSpy committed(&field, &NumericField::valueCommitted);

    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.text(), QStringLiteral("95"));
    EXPECT_EQ(field.selectedText(), field.text());
    QTest::keyClick(&field, Qt::Key_Up);
    QTest::keyClick(&field, Qt::Key_Up);  // held at 100: no commit
    EXPECT_EQ(field.value(), 100);
    sendWheel(field, -120);  // toward the user
    EXPECT_EQ(field.value(), 95);
    sendWheel(field, 60);
    EXPECT_EQ(field.value(), 95);
    sendWheel(field, 60);
    EXPECT_EQ(field.value(), 100);
    EXPECT_EQ(committed.count(), 4);

    // An emptied field steps from 0.
    field.clear();
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.text(), QStringLiteral("5"));

    // A read-only field shows its number and nothing moves it.
    field.setReadOnly(true);
    QTest::keyClick(&field, Qt::Key_Up);
    sendWheel(field, 120);
    EXPECT_EQ(field.value(), 5);
}

TEST(NumericField, LeavingOrReturnPutsTheNumberInsideTheRangeOnce) {
    auto* field = new NumericField;
    field->setRange(1, 200);
    field->setMaxLength(10);
    field->setSuffix(QLatin1Char('%'));
    field->setValue(10);
    test::FocusWindow window(field);
    ASSERT_TRUE(window.activated);
    QSignalSpy committed(field, &NumericField::valueCommitted);

    struct Case {
        const char* typed;
        const char* settled;
    } cases[] = {
        {"9999999999", "200%"},  // saturated, never wrapped
        {"0", "1%"},
        {"050", "50%"},
        {"77%", "77%"},
    };
    for (const Case& c : cases) {
        retype(*field, QString::fromLatin1(c.typed));
        window.leave();
        EXPECT_EQ(field->text(), QString::fromLatin1(c.settled)) << c.typed;
        field->setFocus();
    }
    EXPECT_EQ(committed.count(), 4);

    retype(*field, QStringLiteral("300"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), QStringLiteral("200%"));
    EXPECT_EQ(committed.count(), 5);
    window.leave();  // nothing changed since the Return
    EXPECT_EQ(committed.count(), 5);

    // An emptied field stays empty: no number is made up for it.
    field->setFocus();
    field->clear();
    window.leave();
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(committed.count(), 5);
}

TEST(FloatField, OneDecimalStepsAndLimits) {
    auto* field = new FloatField;
    field->setRange(0.1, 250.0);
    field->setMaxLength(6);
    field->setValue(1.0);
    EXPECT_EQ(field->text(), QStringLiteral("1.0"));
    test::FocusWindow window(field);
    ASSERT_TRUE(window.activated);

    retype(*field, QStringLiteral("1.2.5x"));
    EXPECT_EQ(field->text(), QStringLiteral("1.25"));
    retype(*field, QStringLiteral("0.05"));
    EXPECT_FALSE(field->hasAcceptableValue());
    window.leave();
    EXPECT_EQ(field->text(), QStringLiteral("0.1"));

    // Steps are counted in tenths, so three of them give exactly 0.4.
    field->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), QStringLiteral("0.4"));
    EXPECT_EQ(field->value(), 0.4);

    retype(*field, QStringLiteral("250"));
    EXPECT_TRUE(field->hasAcceptableValue());
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), QStringLiteral("250.0"));
    retype(*field, QStringLiteral("999999"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), QStringLiteral("250.0"));
    retype(*field, QStringLiteral(".5"));
    EXPECT_TRUE(field->hasAcceptableValue());
    EXPECT_EQ(field->value(), 0.5);
}

}  // namespace
}  // namespace varnel
