#include "widgets/number_field.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "widgets/widget_accessibility.h"

namespace varnel {

namespace {

constexpr int kWheelNotch = 120;

// Refuses typed or pasted text that the field's format does not allow, whole.
class NumberTextValidator : public QValidator {
public:
    explicit NumberTextValidator(NumberFieldBase* field) : QValidator(field), field_(field) {}
    State validate(QString& input, int&) const override {
        return isNumberTextAllowed(input, field_->textFormat()) ? Acceptable : Invalid;
    }

private:
    NumberFieldBase* field_;
};

void announceValue(QObject* field, const QVariant& value) {
    QAccessibleValueChangeEvent event(field, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

// --- NumberFieldBase
// --------------------------------------------------------------------------------

NumberFieldBase::NumberFieldBase(QWidget* parent) : QLineEdit(parent) {
    installWidgetAccessibility();
    setValidator(new NumberTextValidator(this));
}

void NumberFieldBase::setTextFormat(const NumberTextFormat& format) {
    format_ = format;
}

void NumberFieldBase::setPrefix(QChar prefix) {
    format_.prefix = prefix;
    rewriteText();
}

void NumberFieldBase::setSuffix(QChar suffix) {
    format_.suffix = suffix;
    rewriteText();
}

void NumberFieldBase::setPlusSign(bool on) {
    format_.plusSign = on;
    rewriteText();
}

void NumberFieldBase::writeText(const QString& text) {
    if (text != this->text()) setText(text);
}

void NumberFieldBase::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    if (plain && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        if (!isReadOnly()) stepBy(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The number is settled first; the key then goes on to the dialog's default button.
        if (!isReadOnly()) finishEditing();
    }
    QLineEdit::keyPressEvent(event);
}

void NumberFieldBase::wheelEvent(QWheelEvent* event) {
    if (isReadOnly() || !isEnabled()) {
        event->ignore();
        return;
    }
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= notches * kWheelNotch;
    if (notches != 0) stepBy(notches);
    event->accept();
}

void NumberFieldBase::focusOutEvent(QFocusEvent* event) {
    // A popup of the field itself (the slider) takes the focus without the user leaving.
    if (event->reason() != Qt::PopupFocusReason && !isReadOnly()) finishEditing();
    QLineEdit::focusOutEvent(event);
}

// --- NumericField
// -------------------------------------------------------------------------------------

NumericField::NumericField(QWidget* parent) : NumberFieldBase(parent) {
    connect(this, &QLineEdit::textChanged, this, &NumericField::onTextChanged);
    setValue(0);
}

void NumericField::setRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    NumberTextFormat format = textFormat();
    format.sign = minimum_ < 0;
    setTextFormat(format);
    committed_ = std::clamp(committed_, minimum_, maximum_);
    if (typedValue()) showValue(value());
}

void NumericField::setStep(int step) {
    step_ = std::max(step, 1);
}

std::optional<int> NumericField::typedValue() const {
    return readLeadingInteger(text(), prefix());
}

int NumericField::value() const {
    return std::clamp(typedValue().value_or(0), minimum_, maximum_);
}

bool NumericField::hasAcceptableValue() const {
    const std::optional<int> typed = typedValue();
    return typed && *typed >= minimum_ && *typed <= maximum_;
}

void NumericField::showValue(int value) {
    writeText(formatInteger(std::clamp(value, minimum_, maximum_), textFormat()));
}

void NumericField::setValue(int value) {
    showValue(value);
    committed_ = this->value();
}

void NumericField::editValue(int value) {
    showValue(value);
    selectAll();
    commitIfChanged();
}

void NumericField::stepBy(int steps) {
    const int64_t next = int64_t(value()) + int64_t(steps) * step_;
    editValue(int(std::clamp<int64_t>(next, minimum_, maximum_)));
}

void NumericField::rewriteText() {
    if (typedValue()) showValue(value());
}

void NumericField::finishEditing() {
    if (typedValue()) showValue(value());
    commitIfChanged();
}

void NumericField::commitIfChanged() {
    if (!typedValue() || value() == committed_) return;
    committed_ = value();
    emit valueCommitted(committed_);
}

void NumericField::onTextChanged() {
    if (!typedValue() || value() == reported_) return;
    reported_ = value();
    announceValue(this, reported_);
    emit valueChanged(reported_);
}

// --- FloatField
// -----------------------------------------------------------------------------------------

FloatField::FloatField(QWidget* parent) : NumberFieldBase(parent) {
    NumberTextFormat format;
    format.decimalPoint = true;
    format.decimals = 1;
    setTextFormat(format);
    connect(this, &QLineEdit::textChanged, this, &FloatField::onTextChanged);
    setValue(0.0);
}

double FloatField::rounded(double value) const {
    const double scale = std::pow(10.0, decimals());
    const double r = std::round(value * scale) / scale;
    return std::isfinite(r) ? r : value;
}

double FloatField::held(double value) const {
    return std::clamp(rounded(value), minimum_, maximum_);
}

void FloatField::setRange(double minimum, double maximum) {
    if (!std::isfinite(minimum) || !std::isfinite(maximum)) return;
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    NumberTextFormat format = textFormat();
    format.sign = minimum_ < 0;
    setTextFormat(format);
    committed_ = std::clamp(committed_, minimum_, maximum_);
    if (typedValue()) showValue(value());
}

void FloatField::setDecimals(int decimals) {
    NumberTextFormat format = textFormat();
    format.decimals = std::clamp(decimals, 0, 6);
    // Without decimals the field takes whole numbers only.
    format.decimalPoint = format.decimals > 0;
    setTextFormat(format);
    setStep(step_);
    if (typedValue()) showValue(value());
}

void FloatField::setStep(double step) {
    const double unit = std::pow(10.0, -decimals());
    step_ = std::isfinite(step) ? std::max(rounded(step), unit) : unit;
}

std::optional<double> FloatField::typedValue() const {
    return readLeadingReal(text(), prefix());
}

double FloatField::value() const {
    return held(typedValue().value_or(0.0));
}

bool FloatField::hasAcceptableValue() const {
    const std::optional<double> typed = typedValue();
    return typed && *typed >= minimum_ && *typed <= maximum_;
}

void FloatField::showValue(double value) {
    writeText(formatReal(held(value), textFormat()));
}

void FloatField::setValue(double value) {
    if (!std::isfinite(value)) return;
    showValue(value);
    committed_ = this->value();
}

void FloatField::editValue(double value) {
    if (!std::isfinite(value)) return;
    showValue(value);
    selectAll();
    commitIfChanged();
}

void FloatField::stepBy(int steps) {
    // In whole units of the last decimal, so that repeated steps do not drift (0.1 + 0.2).
    const double scale = std::pow(10.0, decimals());
    const double units = std::round(value() * scale) + double(steps) * std::round(step_ * scale);
    editValue(units / scale);
}

void FloatField::rewriteText() {
    if (typedValue()) showValue(value());
}

void FloatField::finishEditing() {
    if (typedValue()) showValue(value());
    commitIfChanged();
}

void FloatField::commitIfChanged() {
    if (!typedValue() || value() == committed_) return;
    committed_ = value();
    emit valueCommitted(committed_);
}

void FloatField::onTextChanged() {
    if (!typedValue() || value() == reported_) return;
    reported_ = value();
    announceValue(this, reported_);
    emit valueChanged(reported_);
}

}  // namespace varnel
