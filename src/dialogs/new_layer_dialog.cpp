#include "dialogs/new_layer_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "dialogs/dialog_support.h"
#include "widgets/popup_slider_field.h"

namespace varnel {

NewLayerDialog::NewLayerDialog(const LayerProperties& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Layer"));

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("layerName"));
    name_->setMaxLength(kMaxNameLength);
    name_->setText(QString::fromStdString(initial.name));
    name_->selectAll();
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 30);

    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("layerMode"));
    addBlendModes(mode_);
    mode_->setCurrentIndex(isValidBlendMode(initial.blendMode) ? initial.blendMode : kBlendNormal);

    opacity_ = new PopupSliderField(this);
    opacity_->setObjectName(QStringLiteral("layerOpacity"));
    opacity_->setRange(0, 100);
    opacity_->setSuffix(QLatin1Char('%'));
    opacity_->setMaxLength(4);
    opacity_->setValue(opacityByteToPercent(initial.masterOpacity));
    opacity_->setFixedWidth(opacity_->fontMetrics().horizontalAdvance(QStringLiteral("0000%")) +
                            opacity_->buttonRect().width() + 12);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(labelFor(QStringLiteral("&Name:"), name_), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("&Mode:"), mode_), 1, 0);
    grid->addWidget(mode_, 1, 1);
    grid->addWidget(labelFor(QStringLiteral("&Opacity:"), opacity_), 2, 0);
    grid->addWidget(opacity_, 2, 1, Qt::AlignLeft);
    grid->addWidget(buttons, 0, 3, 4, 1, Qt::AlignTop);
    grid->setRowStretch(3, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(name_, &QLineEdit::textChanged, this, &NewLayerDialog::updateOk);
    connect(opacity_, &QLineEdit::textChanged, this, &NewLayerDialog::updateOk);
    updateOk();
    name_->setFocus();
}

LayerProperties NewLayerDialog::properties() const {
    LayerProperties p;
    p.name = name_->text().left(kMaxNameLength).toStdString();
    p.blendMode = mode_->currentIndex();
    p.masterOpacity = opacityPercentToByte(opacity_->value());
    return p;
}

void NewLayerDialog::updateOk() {
    ok_->setEnabled(!name_->text().trimmed().isEmpty() && opacity_->hasAcceptableValue());
}

void NewLayerDialog::showEvent(QShowEvent* event) {
    centreOverOwner(this);
    QDialog::showEvent(event);
}

}  // namespace varnel
