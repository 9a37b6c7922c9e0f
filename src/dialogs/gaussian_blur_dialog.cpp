#include "dialogs/gaussian_blur_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/adjustment_maps.h"
#include "dialogs/dialog_support.h"
#include "document/document.h"
#include "document/selection.h"
#include "filters/gaussian_blur_filter.h"
#include "view/ve_preview_pane.h"
#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

GaussianBlurDialog::GaussianBlurDialog(const AdjustmentTarget& target, QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Gaussian Blur"), target, parent) {
    setWindowTitle(QStringLiteral("Gaussian Blur"));

    auto* column = new QVBoxLayout;
    if (target.document) {
        const LayerItem* active = target.document->layers().activeLayer();
        if (active && active->kind() == kLayerKindRaster) {
            const Rect selection = target.selection ? target.selection->bounds() : Rect{};
            pane_ = new PreviewPane(
                *target.document, *static_cast<const RasterLayer*>(active), target.visibleImage,
                selection, QSize(PreviewPane::kDefaultWidth, PreviewPane::kDefaultHeight), this);
            column->addWidget(pane_, 0, Qt::AlignHCenter);
        }
    }

    radius_ = new FloatField(this);
    radius_->setObjectName(QStringLiteral("radius"));
    radius_->setDecimals(1);
    radius_->setRange(kMinBlurRadius, kMaxBlurRadius);
    radius_->setStep(0.1);
    radius_->setMaxLength(5);
    radius_->setFixedWidth(radius_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) +
                           10);
    radius_->setValue(kMinBlurRadius);
    slider_ = new VeTrackBarCtrl(this);
    slider_->setObjectName(QStringLiteral("radiusSlider"));
    slider_->setAccessibleName(QStringLiteral("Radius slider"));
    slider_->setRange(0, kBlurSliderMax);
    slider_->setTrackLength(kBlurSliderMax + 1);
    slider_->setValue(sliderForRadius(kMinBlurRadius));

    auto* row = new QHBoxLayout;
    row->addWidget(labelFor(QStringLiteral("&Radius:"), radius_));
    row->addWidget(radius_);
    row->addWidget(new QLabel(QStringLiteral("pixels"), this));
    row->addStretch(1);
    column->addLayout(row);
    column->addWidget(slider_, 0, Qt::AlignHCenter);
    setContents(column);

    connect(slider_, &VeTrackBarCtrl::valueEdited, this, &GaussianBlurDialog::sliderEdited);
    connect(radius_, &FloatField::valueChanged, this, &GaussianBlurDialog::fieldChanged);

    radius_->setFocus();
    radius_->selectAll();
    startPreview();
}

double GaussianBlurDialog::radius() const {
    return radius_->value();
}

std::unique_ptr<Filter> GaussianBlurDialog::makeFilter() const {
    return std::make_unique<GaussianBlurFilter>(radius());
}

void GaussianBlurDialog::sliderEdited(int position) {
    // The field shows one decimal; the slider stays where the user put it.
    fromSlider_ = true;
    radius_->setValue(std::floor(radiusAtSlider(position) * 10 + 0.5) / 10);
    fromSlider_ = false;
}

void GaussianBlurDialog::fieldChanged(double radius) {
    if (!fromSlider_) slider_->setValue(sliderForRadius(radius));
    valuesChanged();
}

void GaussianBlurDialog::resetValues() {
    radius_->setValue(kMinBlurRadius);
    valuesChanged();
}

}  // namespace varnel
