#include "dialogs/color_balance_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/adjustment_widgets.h"
#include "dialogs/dialog_support.h"
#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

namespace {

struct Axis {
    const char* left;
    const char* right;
};
constexpr Axis kAxes[3] = {{"Cyan", "Red"}, {"Magenta", "Green"}, {"Yellow", "Blue"}};

}  // namespace

ColorBalanceDialog::ColorBalanceDialog(const AdjustmentTarget& target, QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Color Balance"), target, parent) {
    setWindowTitle(QStringLiteral("Color Balance"));

    auto* balance = new QGroupBox(QStringLiteral("Color Balance"), this);
    auto* fieldsRow = new QHBoxLayout;
    fieldsRow->addStretch(1);
    auto* sliders = new QGridLayout;
    for (int a = 0; a < 3; ++a) {
        const QString left = QString::fromLatin1(kAxes[a].left);
        const QString right = QString::fromLatin1(kAxes[a].right);
        auto* f = new NumericField(balance);
        f->setObjectName(left.toLower() + right);
        f->setRange(-100, 100);
        f->setMaxLength(4);
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("-00000")) + 10);
        f->setAccessibleName(left + QStringLiteral("–") + right);
        fields_[a] = f;
        fieldsRow->addWidget(f);
        sliders_[a] = sliderFor(f, balance);
        sliders->addWidget(new QLabel(left, balance), a, 0, Qt::AlignRight);
        sliders->addWidget(sliders_[a], a, 1);
        sliders->addWidget(new QLabel(right, balance), a, 2);
        connect(f, &NumericField::valueChanged, this, [this, a](int v) { takeField(a, v); });
    }
    fieldsRow->addStretch(1);
    auto* balanceColumn = new QVBoxLayout(balance);
    balanceColumn->addLayout(fieldsRow);
    balanceColumn->addLayout(sliders);

    auto* toneGroup = new QGroupBox(QStringLiteral("Tone Balance"), this);
    auto* toneRow = new QHBoxLayout;
    auto* buttons = new QButtonGroup(this);
    const QString toneNames[3] = {QStringLiteral("Shadows"), QStringLiteral("Midtones"),
                                  QStringLiteral("Highlights")};
    for (int t = 0; t < 3; ++t) {
        tones_[t] = new QRadioButton(toneNames[t], toneGroup);
        tones_[t]->setObjectName(toneNames[t].toLower());
        nameAfterText(tones_[t], toneNames[t]);
        buttons->addButton(tones_[t], t);
        toneRow->addWidget(tones_[t]);
    }
    toneRow->addStretch(1);
    tones_[kMidtones]->setChecked(true);
    preserve_ = new QCheckBox(QStringLiteral("Preserve luminosity"), toneGroup);
    preserve_->setObjectName(QStringLiteral("preserveLuminosity"));
    nameAfterText(preserve_, preserve_->text());
    preserve_->setChecked(params_.preserveLuminosity != 0);
    auto* toneColumn = new QVBoxLayout(toneGroup);
    toneColumn->addLayout(toneRow);
    toneColumn->addWidget(preserve_);

    auto* column = new QVBoxLayout;
    column->addWidget(balance);
    column->addWidget(toneGroup);
    setContents(column);

    connect(buttons, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) showTone();
    });
    connect(preserve_, &QCheckBox::toggled, this, [this](bool on) {
        params_.preserveLuminosity = on ? 1 : 0;
        valuesChanged();
    });

    showTone();
    fields_[0]->setFocus();
    fields_[0]->selectAll();
    startPreview();
}

int ColorBalanceDialog::tone() const {
    for (int t = 0; t < 3; ++t)
        if (tones_[t]->isChecked()) return t;
    return kMidtones;
}

double* ColorBalanceDialog::axisValues(int axis) {
    return axis == 0 ? params_.cyanRed : axis == 1 ? params_.magentaGreen : params_.yellowBlue;
}

std::unique_ptr<Filter> ColorBalanceDialog::makeFilter() const {
    return std::make_unique<ColorBalanceFilter>(params_);
}

void ColorBalanceDialog::showTone() {
    const int t = tone();
    loading_ = true;
    for (int a = 0; a < 3; ++a) fields_[a]->setValue(int(axisValues(a)[t]));
    loading_ = false;
}

void ColorBalanceDialog::takeField(int axis, int value) {
    if (loading_) return;
    axisValues(axis)[tone()] = std::clamp(value, -100, 100);
    valuesChanged();
}

void ColorBalanceDialog::resetValues() {
    params_ = ColorBalanceParams{};
    loading_ = true;
    tones_[kMidtones]->setChecked(true);
    preserve_->setChecked(params_.preserveLuminosity != 0);
    loading_ = false;
    showTone();
    valuesChanged();
}

}  // namespace varnel
