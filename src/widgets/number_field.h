// The numeric fields of the dialogs and palettes: single-line edits holding one number in a range.
//
// NumericField holds a whole number, FloatField a real one written with a fixed number of
// decimals. Both take only digits (after an optional prefix character, a sign where the range
// reaches below zero, and an optional suffix character such as "%"), step with the Up and Down
// keys and the wheel (selecting the whole text), and put a number outside the range back inside
// when the user leaves the field or presses Return. Their owners hear of changes through:
//   - textChanged (QLineEdit): every change of the text, for enabling OK;
//   - valueChanged: the number the field stands for changed (typed, stepped, set): owners that
//     follow the field live (a palette's opacity) apply it at once;
//   - valueCommitted: the user finished a change (Return, leaving the field, a step, a popup
//     closed), emitted once per change, for owners that record each change in the history.
#pragma once

#include <QLineEdit>
#include <optional>

#include "widgets/number_text.h"

namespace varnel {

// What the two fields share: the text format and filter, the keys, the wheel and the leaving.
class NumberFieldBase : public QLineEdit {
    Q_OBJECT

public:
    void setPrefix(QChar prefix);
    QChar prefix() const { return format_.prefix; }
    void setSuffix(QChar suffix);
    QChar suffix() const { return format_.suffix; }
    // Positive numbers written with a "+".
    void setPlusSign(bool on);
    bool plusSign() const { return format_.plusSign; }
    const NumberTextFormat& textFormat() const { return format_; }

    // Whether the text holds a number (at least one digit) that lies in the range: what a dialog
    // asks before it enables OK.
    virtual bool hasAcceptableValue() const = 0;
    // `steps` steps up (down when negative), held to the range, the whole text selected, and
    // committed; as the Up and Down keys do.
    virtual void stepBy(int steps) = 0;
    // A number outside the range is put back inside and the text written in the field's format;
    // then the value is committed when it changed since the last commit. Empty text stays empty.
    virtual void finishEditing() = 0;

protected:
    explicit NumberFieldBase(QWidget* parent);
    void setTextFormat(const NumberTextFormat& format);
    // Replaces the text, as the program (not the user) does.
    void writeText(const QString& text);
    // Writes the number shown again in the field's format (after the format changed).
    virtual void rewriteText() = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    NumberTextFormat format_;
    int wheelRemainder_ = 0;
};

class NumericField : public NumberFieldBase {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true)

public:
    // Range 0 … 100, step 1, showing 0.
    explicit NumericField(QWidget* parent = nullptr);

    // The ends are put in order; a number shown outside the new range is brought inside.
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setStep(int step);  // at least 1
    int step() const { return step_; }

    // The leading integer of the text (after the prefix), saturated at the ends of the 32-bit
    // range however many digits were typed; nothing when the text holds no digit.
    std::optional<int> typedValue() const;
    // The number the field stands for: the typed value (0 for no digits) held to the range.
    int value() const;
    bool hasAcceptableValue() const override;

    // Shows `value` held to the range; the program's own change, so it is not committed (it
    // becomes what later changes are compared with).
    void setValue(int value);
    // Changes the value as the user would: shown, whole text selected, committed when changed.
    void editValue(int value);

    void stepBy(int steps) override;
    void finishEditing() override;

signals:
    void valueChanged(int value);
    void valueCommitted(int value);

protected:
    void rewriteText() override;
    // Shows `value` held to the range without touching what was committed.
    void showValue(int value);
    // Emits valueCommitted when the value differs from the last one committed or set.
    void commitIfChanged();

private:
    void onTextChanged();

    int minimum_ = 0;
    int maximum_ = 100;
    int step_ = 1;
    int reported_ = 0;   // the value valueChanged last carried
    int committed_ = 0;  // the value last committed or set
};

class FloatField : public NumberFieldBase {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged USER true)

public:
    // Range 0 … 100, one decimal, step 0.1, showing 0.0.
    explicit FloatField(QWidget* parent = nullptr);

    void setRange(double minimum, double maximum);
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    // Digits after the point, 0 … 6; with none, no point may be typed (whole numbers only).
    void setDecimals(int decimals);
    int decimals() const { return textFormat().decimals; }
    void setStep(double step);  // at least one unit of the last decimal
    double step() const { return step_; }

    std::optional<double> typedValue() const;
    // The typed value (0 for no digits) rounded to the decimals and held to the range.
    double value() const;
    bool hasAcceptableValue() const override;

    void setValue(double value);
    void editValue(double value);
    void stepBy(int steps) override;
    void finishEditing() override;

signals:
    void valueChanged(double value);
    void valueCommitted(double value);

protected:
    void rewriteText() override;

private:
    double rounded(double value) const;
    double held(double value) const;
    void showValue(double value);
    void onTextChanged();
    void commitIfChanged();

    double minimum_ = 0.0;
    double maximum_ = 100.0;
    double step_ = 0.1;
    double reported_ = 0.0;
    double committed_ = 0.0;
};

}  // namespace varnel
