#include "dialogs/brightness_contrast_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/adjustment_widgets.h"
#include "dialogs/dialog_support.h"
#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

namespace {

NumericField* percentField(QWidget* parent) {
    auto* field = new NumericField(parent);
    field->setRange(-100, 100);
    field->setMaxLength(4);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-00000")) + 10);
    return field;
}

}  // namespace

BrightnessContrastDialog::BrightnessContrastDialog(const AdjustmentTarget& target, QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Brightness/Contrast"), target, parent) {
    setWindowTitle(QStringLiteral("Brightness/Contrast"));
    auto* group = new QGroupBox(QStringLiteral("Adjust"), this);
    brightness_ = percentField(group);
    brightness_->setObjectName(QStringLiteral("brightness"));
    contrast_ = percentField(group);
    contrast_->setObjectName(QStringLiteral("contrast"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(labelFor(QStringLiteral("&Brightness:"), brightness_), 0, 0);
    grid->addWidget(brightness_, 0, 1, Qt::AlignRight);
    brightnessSlider_ = sliderFor(brightness_, group);
    grid->addWidget(brightnessSlider_, 1, 0, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("&Contrast:"), contrast_), 2, 0);
    grid->addWidget(contrast_, 2, 1, Qt::AlignRight);
    contrastSlider_ = sliderFor(contrast_, group);
    grid->addWidget(contrastSlider_, 3, 0, 1, 2);

    auto* column = new QVBoxLayout;
    column->addWidget(group);
    column->addStretch(1);
    setContents(column);

    for (NumericField* f : {brightness_, contrast_})
        connect(f, &NumericField::valueChanged, this, &BrightnessContrastDialog::valuesChanged);
    brightness_->setFocus();
    brightness_->selectAll();
    startPreview();
}

BrightnessContrastParams BrightnessContrastDialog::params() const {
    return {brightness_->value(), contrast_->value()};
}

std::unique_ptr<Filter> BrightnessContrastDialog::makeFilter() const {
    return std::make_unique<BrightnessContrastFilter>(params());
}

bool BrightnessContrastDialog::isNeutral() const {
    const BrightnessContrastParams p = params();
    return p.brightness == 0 && p.contrast == 0;
}

void BrightnessContrastDialog::resetValues() {
    brightness_->setValue(0);
    contrast_->setValue(0);
    valuesChanged();
}

}  // namespace varnel
