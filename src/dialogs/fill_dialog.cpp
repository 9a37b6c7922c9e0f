#include "dialogs/fill_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "core/blend_modes.h"
#include "dialogs/dialog_support.h"
#include "widgets/color_swatch_button.h"
#include "widgets/popup_slider_field.h"

namespace varnel {

namespace {

QColor toQColor(Bgr c) {
    return QColor(c.r, c.g, c.b);
}

Bgr toBgr(const QColor& c) {
    const QColor rgb = c.toRgb();
    return Bgr{uint8_t(rgb.blue()), uint8_t(rgb.green()), uint8_t(rgb.red())};
}

}  // namespace

FillMemory& FillDialog::remembered() {
    static FillMemory memory;
    return memory;
}

FillDialog::FillDialog(Bgr foreground, Bgr background, bool onBackgroundLayer, QWidget* parent)
    : ParameterDialog(QStringLiteral("Fill"), parent),
      foreground_(foreground),
      background_(background) {
    setWindowTitle(QStringLiteral("Fill"));
    const FillMemory& memory = remembered();

    auto* contents = new QGroupBox(QStringLiteral("Contents"), this);
    colorList_ = new QComboBox(contents);
    colorList_->setObjectName(QStringLiteral("fillColor"));
    colorList_->addItems({QStringLiteral("Foreground"), QStringLiteral("Background"),
                          QStringLiteral("White"), QStringLiteral("Black"),
                          QStringLiteral("Custom")});
    colorList_->setCurrentIndex(std::clamp(memory.colorChoice, 0, int(kCustom)));
    swatch_ = new ColorSwatchButton(contents);
    swatch_->setObjectName(QStringLiteral("fillSwatch"));
    swatch_->setAccessibleName(QStringLiteral("Fill color"));
    auto* contentsRow = new QHBoxLayout(contents);
    contentsRow->addWidget(labelFor(QStringLiteral("&Color:"), colorList_));
    contentsRow->addWidget(colorList_, 1);
    contentsRow->addWidget(swatch_);

    auto* blending = new QGroupBox(QStringLiteral("Blending"), this);
    modeList_ = new QComboBox(blending);
    modeList_->setObjectName(QStringLiteral("fillMode"));
    addBlendModes(modeList_);
    modeList_->setCurrentIndex(std::clamp(memory.mode, 0, kBlendModeCount - 1));
    opacity_ = new PopupSliderField(blending);
    opacity_->setObjectName(QStringLiteral("fillOpacity"));
    opacity_->setRange(kMinOpacity, kMaxOpacity);
    opacity_->setMaxLength(3);
    opacity_->setValue(std::clamp(memory.opacity, kMinOpacity, kMaxOpacity));
    opacity_->setFixedWidth(opacity_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) +
                            opacity_->buttonRect().width() + 12);
    preserve_ = new QCheckBox(QStringLiteral("&Preserve transparency"), blending);
    preserve_->setObjectName(QStringLiteral("fillPreserve"));
    nameAfterText(preserve_, preserve_->text());
    preserve_->setChecked(memory.preserveTransparency);
    preserve_->setEnabled(!onBackgroundLayer);

    auto* blendGrid = new QGridLayout(blending);
    blendGrid->addWidget(labelFor(QStringLiteral("&Mode:"), modeList_), 0, 0);
    blendGrid->addWidget(modeList_, 0, 1, 1, 3);
    blendGrid->addWidget(labelFor(QStringLiteral("&Opacity:"), opacity_), 1, 0);
    blendGrid->addWidget(opacity_, 1, 1);
    blendGrid->addWidget(new QLabel(QStringLiteral("%"), blending), 1, 2);
    blendGrid->setColumnStretch(3, 1);
    blendGrid->addWidget(preserve_, 2, 0, 1, 4);

    auto* grid = new QGridLayout(this);
    grid->addWidget(contents, 0, 0);
    grid->addWidget(blending, 1, 0);
    grid->addWidget(buttonBox(), 0, 1, 2, 1, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(colorList_, &QComboBox::currentIndexChanged, this, &FillDialog::showChoiceColor);
    connect(swatch_, &ColorSwatchButton::colorTaken, this, &FillDialog::takeSwatchColor);
    connect(opacity_, &QLineEdit::textChanged, this, &FillDialog::updateOk);
    showChoiceColor();
    updateOk();
    colorList_->setFocus();
}

Bgr FillDialog::colorOf(int choice) const {
    switch (choice) {
        case kForeground:
            return foreground_;
        case kBackground:
            return background_;
        case kWhite:
            return Bgr{255, 255, 255};
        case kBlack:
            return Bgr{0, 0, 0};
        default:
            return remembered().customColor;
    }
}

void FillDialog::showChoiceColor() {
    swatch_->setColor(toQColor(colorOf(colorList_->currentIndex())));
}

void FillDialog::takeSwatchColor(const QColor& color) {
    // Kept from this moment on, whatever happens to the dialog.
    remembered().customColor = toBgr(color);
    if (colorList_->currentIndex() != kCustom)
        colorList_->setCurrentIndex(kCustom);
    else
        showChoiceColor();
}

void FillDialog::updateOk() {
    okButton()->setEnabled(opacity_->hasAcceptableValue());
}

void FillDialog::accept() {
    if (!opacity_->hasAcceptableValue()) return;
    FillMemory& memory = remembered();
    memory.colorChoice = colorList_->currentIndex();
    memory.mode = modeList_->currentIndex();
    memory.opacity = std::clamp(opacity_->value(), kMinOpacity, kMaxOpacity);
    // A greyed box (the background layer) leaves the remembered flag as it was.
    if (preserve_->isEnabled()) memory.preserveTransparency = preserve_->isChecked();

    result_.color = colorOf(memory.colorChoice);
    result_.mode = memory.mode;
    result_.opacity = memory.opacity;
    result_.preserveTransparency = memory.preserveTransparency ? 1 : 0;
    ParameterDialog::accept();
}

}  // namespace varnel
