#include "dialogs/one_value_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "dialogs/dialog_support.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

constexpr int kDefaultTextChars = 50;
constexpr int kDefaultIntegerChars = 10;
constexpr int kDefaultFloatChars = 12;

OneValueDialog::Use pixelsUse(const char* title, const char* label, int maximum) {
    OneValueDialog::Use u;
    u.title = QString::fromUtf8(title);
    u.label = QString::fromUtf8(label);
    u.unit = QStringLiteral("pixels");
    u.form = OneValueDialog::Form::Integer;
    u.minimum = 1;
    u.maximum = maximum;
    u.maxChars = 3;
    return u;
}

}  // namespace

OneValueDialog::Use OneValueDialog::featherUse() {
    Use u;
    u.title = QStringLiteral("Feather Selection");
    u.label = QStringLiteral("Feather radius:");
    u.unit = QStringLiteral("pixels");
    u.form = Form::Float;
    u.minimum = 0.1;
    u.maximum = 250;
    u.step = 0.1;
    u.decimals = 1;
    u.maxChars = 6;
    return u;
}

OneValueDialog::Use OneValueDialog::borderUse() {
    return pixelsUse("Border Selection", "Border width:", 200);
}

OneValueDialog::Use OneValueDialog::expandUse() {
    return pixelsUse("Expand Selection", "Expand by:", 100);
}

OneValueDialog::Use OneValueDialog::contractUse() {
    return pixelsUse("Contract Selection", "Contract by:", 100);
}

OneValueDialog::Use OneValueDialog::presetNameUse() {
    Use u;
    u.title = QStringLiteral("New Image Preset");
    u.label = QStringLiteral("Preset name:");
    u.form = Form::Text;
    return u;
}

OneValueDialog::Use OneValueDialog::layerNameUse() {
    Use u;
    u.title = QStringLiteral("Layer Properties");
    u.label = QStringLiteral("&Name:");
    u.form = Form::Text;
    u.maxChars = 255;
    u.refuseBlank = true;
    return u;
}

OneValueDialog::OneValueDialog(const Use& use, QWidget* parent)
    : ParameterDialog(QStringLiteral("One Value"), parent), use_(use) {
    setWindowTitle(use.title);

    int maxChars = use.maxChars;
    switch (use.form) {
        case Form::Text:
            field_ = new QLineEdit(this);
            if (maxChars <= 0) maxChars = kDefaultTextChars;
            break;
        case Form::Integer:
            integer_ = new NumericField(this);
            integer_->setRange(int(use.minimum), int(use.maximum));
            integer_->setStep(std::max(1, int(use.step)));
            field_ = integer_;
            if (maxChars <= 0) maxChars = kDefaultIntegerChars;
            break;
        case Form::Float:
            real_ = new FloatField(this);
            real_->setDecimals(use.decimals);
            real_->setRange(use.minimum, use.maximum);
            real_->setStep(use.step);
            field_ = real_;
            if (maxChars <= 0) maxChars = kDefaultFloatChars;
            break;
    }
    field_->setObjectName(QStringLiteral("oneValue"));
    field_->setMaxLength(maxChars);
    const bool hasUnit = !use.unit.isEmpty();
    field_->setFixedWidth(hasUnit ? kFieldWidthWithUnit : kFieldWidthAlone);

    // Label, field, unit and the buttons in one row, with fixed gaps between them.
    label_ = labelFor(use.label, field_);
    label_->setObjectName(QStringLiteral("oneValueLabel"));
    auto* row = new QHBoxLayout(this);
    row->setSpacing(0);
    row->addWidget(label_, 0, Qt::AlignTop | Qt::AlignLeft);
    row->addSpacing(kGap);
    row->addWidget(field_, 0, Qt::AlignTop);
    if (hasUnit) {
        unit_ = new QLabel(use.unit, this);
        unit_->setObjectName(QStringLiteral("oneValueUnit"));
        row->addSpacing(kGap);
        row->addWidget(unit_, 0, Qt::AlignTop);
    }
    row->addSpacing(kButtonGap);
    row->addWidget(buttonBox(), 0, Qt::AlignTop);
    row->setSizeConstraint(QLayout::SetFixedSize);
    // The label, field and unit line up with the OK button's text.
    label_->setMinimumHeight(field_->sizeHint().height());
    if (unit_) unit_->setMinimumHeight(field_->sizeHint().height());

    connect(field_, &QLineEdit::textChanged, this, &OneValueDialog::updateOk);
    updateOk();
    field_->setFocus();
}

void OneValueDialog::setText(const QString& text) {
    field_->setText(text);
    field_->selectAll();
}

void OneValueDialog::setIntValue(int value) {
    if (integer_) integer_->setValue(value);
    field_->selectAll();
}

void OneValueDialog::setFloatValue(double value) {
    if (real_) real_->setValue(value);
    field_->selectAll();
}

QString OneValueDialog::text() const {
    return field_->text();
}

int OneValueDialog::intValue() const {
    return integer_ ? integer_->value() : 0;
}

double OneValueDialog::floatValue() const {
    return real_ ? real_->value() : 0.0;
}

void OneValueDialog::updateOk() {
    bool valid = false;
    switch (use_.form) {
        case Form::Text:
            valid =
                use_.refuseBlank ? !field_->text().trimmed().isEmpty() : !field_->text().isEmpty();
            break;
        case Form::Integer:
            valid = integer_->hasAcceptableValue();
            break;
        case Form::Float:
            valid = real_->hasAcceptableValue();
            break;
    }
    okButton()->setEnabled(valid);
}

// --- the selection commands
// -----------------------------------------------------------------------

namespace {

OneValueDialog::Use useFor(SelectionModify which) {
    switch (which) {
        case SelectionModify::Feather:
            return OneValueDialog::featherUse();
        case SelectionModify::Border:
            return OneValueDialog::borderUse();
        case SelectionModify::Expand:
            return OneValueDialog::expandUse();
        case SelectionModify::Contract:
            break;
    }
    return OneValueDialog::contractUse();
}

}  // namespace

SelectionModifyMemory& SelectionModifyDialog::remembered() {
    static SelectionModifyMemory memory;
    return memory;
}

SelectionModifyDialog::SelectionModifyDialog(SelectionModify which, QWidget* parent)
    : OneValueDialog(useFor(which), parent), which_(which) {
    SelectionModifyMemory& memory = remembered();
    bool* firstOpen = nullptr;
    switch (which) {
        case SelectionModify::Feather:
            setFloatValue(memory.featherRadius);
            return;
        case SelectionModify::Border:
            firstOpen = &memory.borderOpened;
            break;
        case SelectionModify::Expand:
            firstOpen = &memory.expandOpened;
            break;
        case SelectionModify::Contract:
            firstOpen = &memory.contractOpened;
            break;
    }
    if (!*firstOpen) {
        *firstOpen = true;
        memory.amount = 1;
    }
    setIntValue(memory.amount);
}

void SelectionModifyDialog::accept() {
    if (!okButton()->isEnabled()) return;
    if (which_ == SelectionModify::Feather)
        remembered().featherRadius = radius();
    else
        remembered().amount = amount();
    OneValueDialog::accept();
}

}  // namespace varnel
