#include "dialogs/hue_saturation_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/adjustment_widgets.h"
#include "dialogs/dialog_support.h"
#include "filters/color_space.h"
#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

namespace {

NumericField* valueField(const QString& name, QWidget* parent) {
    auto* field = new NumericField(parent);
    field->setObjectName(name);
    field->setMaxLength(4);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-00000")) + 10);
    return field;
}

}  // namespace

ColorizeParams HueSaturationDialog::colorizeDefaults(Bgr fg) {
    ColorizeParams p;
    const bool blackOrWhite =
        (fg.r == 0 && fg.g == 0 && fg.b == 0) || (fg.r == 255 && fg.g == 255 && fg.b == 255);
    p.hueDegrees = blackOrWhite ? 0 : rgbToHsvHue(fg.r, fg.g, fg.b);
    p.saturation = 25;
    p.lightness = 0;
    return p;
}

HueSaturationDialog::HueSaturationDialog(const AdjustmentTarget& target, Bgr foreground,
                                         QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Hue/Saturation"), target, parent),
      defaults_(colorizeDefaults(foreground)),
      colorize_(defaults_) {
    setWindowTitle(QStringLiteral("Hue/Saturation"));

    auto* editGroup = new QGroupBox(QStringLiteral("&Edit:"), this);
    range_ = new QComboBox(editGroup);
    range_->setObjectName(QStringLiteral("rangeList"));
    range_->addItems({QStringLiteral("Master"), QStringLiteral("Reds"), QStringLiteral("Yellows"),
                      QStringLiteral("Greens"), QStringLiteral("Cyans"), QStringLiteral("Blues"),
                      QStringLiteral("Magentas")});
    nameAfterText(range_, QStringLiteral("Edit"));

    hue_ = valueField(QStringLiteral("hue"), editGroup);
    saturation_ = valueField(QStringLiteral("saturation"), editGroup);
    lightness_ = valueField(QStringLiteral("lightness"), editGroup);
    lightness_->setRange(-100, 100);
    auto* grid = new QGridLayout(editGroup);
    grid->addWidget(range_, 0, 0, 1, 2, Qt::AlignLeft);
    int row = 1;
    auto addRow = [&](const QString& label, NumericField* field) {
        grid->addWidget(labelFor(label, field), row, 0);
        grid->addWidget(field, row, 1, Qt::AlignRight);
        ++row;
    };
    addRow(QStringLiteral("&Hue:"), hue_);
    hueSlider_ = new VeTrackBarCtrl(editGroup);
    grid->addWidget(hueSlider_, row++, 0, 1, 2);
    addRow(QStringLiteral("S&aturation:"), saturation_);
    saturationSlider_ = new VeTrackBarCtrl(editGroup);
    grid->addWidget(saturationSlider_, row++, 0, 1, 2);
    addRow(QStringLiteral("L&ightness:"), lightness_);
    lightnessSlider_ = sliderFor(lightness_, editGroup);
    grid->addWidget(lightnessSlider_, row++, 0, 1, 2);
    hueSlider_->setAccessibleName(QStringLiteral("Hue slider"));
    saturationSlider_->setAccessibleName(QStringLiteral("Saturation slider"));

    colorizeBox_ = new QCheckBox(QStringLiteral("C&olorize"), this);
    colorizeBox_->setObjectName(QStringLiteral("colorize"));
    nameAfterText(colorizeBox_, colorizeBox_->text());

    auto* column = new QVBoxLayout;
    column->addWidget(editGroup);
    column->addWidget(colorizeBox_);
    setContents(column);

    setRanges();
    linkSlider(hue_, hueSlider_);
    linkSlider(saturation_, saturationSlider_);
    connect(range_, &QComboBox::currentIndexChanged, this, &HueSaturationDialog::showValues);
    for (NumericField* f : {hue_, saturation_, lightness_})
        connect(f, &NumericField::valueChanged, this, &HueSaturationDialog::takeValues);
    connect(colorizeBox_, &QCheckBox::toggled, this, &HueSaturationDialog::colorizeToggled);

    showValues();
    range_->setFocus();
    startPreview();
}

bool HueSaturationDialog::isColorize() const {
    return colorizeBox_->isChecked();
}

CommandParams HueSaturationDialog::commandParams() const {
    if (isColorize()) return colorize_;
    return params_;
}

std::unique_ptr<Filter> HueSaturationDialog::makeFilter() const {
    if (isColorize()) return std::make_unique<ColorizeFilter>(colorize_);
    return std::make_unique<HueSaturationFilter>(params_);
}

// The hue and saturation ranges of the mode: −180 … 180 and −100 … 100 per colour range, 0 … 360
// and 0 … 100 for Colorize; the sliders follow.
void HueSaturationDialog::setRanges() {
    const bool colorize = isColorize();
    loading_ = true;
    hue_->setRange(colorize ? 0 : -180, colorize ? 360 : 180);
    saturation_->setRange(colorize ? 0 : -100, 100);
    hueSlider_->setRange(hue_->minimum(), hue_->maximum());
    hueSlider_->setTrackLength(hue_->maximum() - hue_->minimum() + 1);
    hueSlider_->setCentreMark(!colorize);
    saturationSlider_->setRange(saturation_->minimum(), saturation_->maximum());
    saturationSlider_->setTrackLength(
        colorize ? 201 : saturation_->maximum() - saturation_->minimum() + 1);
    saturationSlider_->setCentreMark(!colorize);
    loading_ = false;
}

void HueSaturationDialog::showValues() {
    loading_ = true;
    if (isColorize()) {
        hue_->setValue(colorize_.hueDegrees);
        saturation_->setValue(colorize_.saturation);
        lightness_->setValue(colorize_.lightness);
    } else {
        const int k = std::clamp(range_->currentIndex(), 0, 6);
        hue_->setValue(params_.hue[k]);
        saturation_->setValue(params_.saturation[k]);
        lightness_->setValue(params_.lightness[k]);
    }
    loading_ = false;
}

void HueSaturationDialog::takeValues() {
    if (loading_) return;
    if (isColorize()) {
        colorize_.hueDegrees = hue_->value();
        colorize_.saturation = saturation_->value();
        colorize_.lightness = lightness_->value();
    } else {
        const int k = std::clamp(range_->currentIndex(), 0, 6);
        params_.hue[k] = hue_->value();
        params_.saturation[k] = saturation_->value();
        params_.lightness[k] = lightness_->value();
    }
    valuesChanged();
}

void HueSaturationDialog::colorizeToggled() {
    if (isColorize()) {
        loading_ = true;
        range_->setCurrentIndex(kMaster);
        loading_ = false;
    }
    range_->setEnabled(!isColorize());
    setRanges();
    showValues();
    valuesChanged();
}

void HueSaturationDialog::resetValues() {
    params_ = HueSaturationParams{};
    colorize_ = defaults_;
    loading_ = true;
    colorizeBox_->setChecked(false);
    range_->setCurrentIndex(kMaster);
    loading_ = false;
    range_->setEnabled(true);
    setRanges();
    showValues();
    valuesChanged();
}

}  // namespace varnel
