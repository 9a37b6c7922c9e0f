#include "dialogs/levels_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/adjustment_widgets.h"
#include "dialogs/dialog_support.h"
#include "document/document.h"
#include "document/selection.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

NumericField* levelField(const QString& name, QWidget* parent) {
    auto* field = new NumericField(parent);
    field->setRange(0, 255);
    field->setMaxLength(3);
    field->setAccessibleName(name);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 10);
    return field;
}

}  // namespace

LevelsDialog::LevelsDialog(const AdjustmentTarget& target, QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Levels"), target, parent) {
    setWindowTitle(QStringLiteral("Levels"));

    if (target.document) {
        const LayerItem* active = target.document->layers().activeLayer();
        if (active && active->kind() == kLayerKindRaster) {
            histogram_.count(*static_cast<const RasterLayer*>(active),
                             target.selection ? target.selection->area() : SelectionArea{});
        }
    }

    auto* channelGroup = new QGroupBox(QStringLiteral("&Channel:"), this);
    channel_ = new QComboBox(channelGroup);
    channel_->setObjectName(QStringLiteral("channelList"));
    channel_->addItems({QStringLiteral("RGB"), QStringLiteral("Red"), QStringLiteral("Green"),
                        QStringLiteral("Blue")});
    nameAfterText(channel_, QStringLiteral("Channel"));
    auto* channelRow = new QHBoxLayout(channelGroup);
    channelRow->addWidget(channel_);
    channelRow->addStretch(1);

    inBlack_ = levelField(QStringLiteral("Input black"), this);
    inBlack_->setObjectName(QStringLiteral("inputBlack"));
    gamma_ = new FloatField(this);
    gamma_->setObjectName(QStringLiteral("gamma"));
    gamma_->setAccessibleName(QStringLiteral("Gamma"));
    gamma_->setDecimals(2);
    gamma_->setRange(kMinGamma, kMaxGamma);
    gamma_->setStep(0.01);
    gamma_->setMaxLength(4);
    gamma_->setFixedWidth(inBlack_->width());
    inWhite_ = levelField(QStringLiteral("Input white"), this);
    inWhite_->setObjectName(QStringLiteral("inputWhite"));
    outBlack_ = levelField(QStringLiteral("Output black"), this);
    outBlack_->setObjectName(QStringLiteral("outputBlack"));
    outWhite_ = levelField(QStringLiteral("Output white"), this);
    outWhite_->setObjectName(QStringLiteral("outputWhite"));

    auto* inputLabel = new QLabel(QStringLiteral("&Input Levels:"), this);
    inputLabel->setBuddy(inBlack_);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(inputLabel);
    inputRow->addWidget(inBlack_);
    inputRow->addWidget(gamma_);
    inputRow->addWidget(inWhite_);
    inputRow->addStretch(1);

    histogramView_ = new HistogramView(this);
    inputStrip_ = new MarkerStrip({Qt::black, QColor(128, 128, 128), Qt::white}, false, this);
    inputStrip_->setObjectName(QStringLiteral("inputLevelsStrip"));
    inputStrip_->setAccessibleName(QStringLiteral("Input levels"));
    inputStrip_->setMarkerNames(
        {QStringLiteral("Black"), QStringLiteral("Gamma"), QStringLiteral("White")});

    auto* outputLabel = new QLabel(QStringLiteral("&Output Levels:"), this);
    outputLabel->setBuddy(outBlack_);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(outputLabel);
    outputRow->addWidget(outBlack_);
    outputRow->addWidget(outWhite_);
    outputRow->addStretch(1);
    outputStrip_ = new MarkerStrip({Qt::black, Qt::white}, true, this);
    outputStrip_->setObjectName(QStringLiteral("outputLevelsStrip"));
    outputStrip_->setAccessibleName(QStringLiteral("Output levels"));
    outputStrip_->setMarkerNames({QStringLiteral("Black"), QStringLiteral("White")});

    auto* column = new QVBoxLayout;
    column->addWidget(channelGroup);
    column->addLayout(inputRow);
    column->addWidget(histogramView_, 0, Qt::AlignHCenter);
    column->addWidget(inputStrip_, 0, Qt::AlignHCenter);
    column->addSpacing(6);
    column->addLayout(outputRow);
    column->addWidget(outputStrip_, 0, Qt::AlignHCenter);
    setContents(column);

    connect(channel_, &QComboBox::currentIndexChanged, this, &LevelsDialog::showChannel);
    connect(inBlack_, &NumericField::valueChanged, this, &LevelsDialog::takeInputBlack);
    connect(inWhite_, &NumericField::valueChanged, this, &LevelsDialog::takeInputWhite);
    connect(gamma_, &FloatField::valueChanged, this, &LevelsDialog::takeGamma);
    connect(outBlack_, &NumericField::valueChanged, this, &LevelsDialog::takeOutput);
    connect(outWhite_, &NumericField::valueChanged, this, &LevelsDialog::takeOutput);
    // A field left holding a number the others do not allow shows what was taken.
    for (NumericField* f : {inBlack_, inWhite_})
        connect(f, &NumericField::valueCommitted, this, &LevelsDialog::showChannel);
    connect(inputStrip_, &MarkerStrip::markerMoved, this, &LevelsDialog::inputMarkerMoved);
    connect(outputStrip_, &MarkerStrip::markerMoved, this, &LevelsDialog::outputMarkerMoved);

    showChannel();
    channel_->setFocus();
    startPreview();
}

int LevelsDialog::channel() const {
    return std::clamp(channel_->currentIndex(), 0, 3);
}

std::unique_ptr<Filter> LevelsDialog::makeFilter() const {
    return std::make_unique<LevelsFilter>(params_);
}

void LevelsDialog::showChannel() {
    const int c = channel();
    loading_ = true;
    inBlack_->setValue(params_.inBlack[c]);
    gamma_->setValue(params_.gamma[c]);
    inWhite_->setValue(params_.inWhite[c]);
    outBlack_->setValue(params_.outBlack[c]);
    outWhite_->setValue(params_.outWhite[c]);
    loading_ = false;
    // "RGB" shows the three channels' counts together.
    histogramView_->setBars(histogramBars(
        histogram_, c == kComposite ? Histogram::kAllChannels : c - 1, HistogramView::kHeight));
    placeMarkers();
}

void LevelsDialog::placeMarkers() {
    const int c = channel();
    inputStrip_->setPosition(kBlackMarker, params_.inBlack[c]);
    inputStrip_->setPosition(kWhiteMarker, params_.inWhite[c]);
    inputStrip_->setPosition(
        kGammaMarker, sliderForGamma(params_.gamma[c], params_.inBlack[c], params_.inWhite[c]));
    outputStrip_->setPosition(0, params_.outBlack[c]);
    outputStrip_->setPosition(1, params_.outWhite[c]);
}

void LevelsDialog::takeInputBlack(int value) {
    if (loading_) return;
    const int c = channel();
    params_.inBlack[c] = std::clamp(value, 0, params_.inWhite[c] - kMinInputSpan);
    placeMarkers();
    valuesChanged();
}

void LevelsDialog::takeInputWhite(int value) {
    if (loading_) return;
    const int c = channel();
    params_.inWhite[c] = std::clamp(value, params_.inBlack[c] + kMinInputSpan, 255);
    placeMarkers();
    valuesChanged();
}

void LevelsDialog::takeGamma(double value) {
    if (loading_) return;
    params_.gamma[channel()] = std::clamp(value, kMinGamma, kMaxGamma);
    placeMarkers();
    valuesChanged();
}

void LevelsDialog::takeOutput() {
    if (loading_) return;
    const int c = channel();
    params_.outBlack[c] = outBlack_->value();
    params_.outWhite[c] = outWhite_->value();
    placeMarkers();
    valuesChanged();
}

void LevelsDialog::inputMarkerMoved(int marker, int value) {
    const int c = channel();
    const int lo = params_.inBlack[c], hi = params_.inWhite[c];
    switch (marker) {
        case kBlackMarker:
            inBlack_->setValue(std::clamp(value, 0, hi - kMinInputSpan));
            break;
        case kWhiteMarker:
            inWhite_->setValue(std::clamp(value, lo + kMinInputSpan, 255));
            break;
        case kGammaMarker:
            gamma_->setValue(gammaAtSlider(std::clamp(value, lo, hi), lo, hi));
            break;
        default:
            break;
    }
    // The field may not have changed (a marker held at a neighbour): put it back in place.
    placeMarkers();
}

void LevelsDialog::outputMarkerMoved(int marker, int value) {
    (marker == 0 ? outBlack_ : outWhite_)->setValue(value);
}

void LevelsDialog::resetValues() {
    params_ = LevelsParams{};
    loading_ = true;
    channel_->setCurrentIndex(kComposite);
    loading_ = false;
    showChannel();
    valuesChanged();
}

}  // namespace varnel
