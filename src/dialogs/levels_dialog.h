// The Levels dialog: per channel (RGB, Red, Green, Blue) the input black point, gamma and white
// point over the layer's histogram, and the output black and white points over a grey ramp. The
// white input point stays at least two above the black one; the gamma marker sits between them
// (its middle is gamma 1, the white end 0.1, the black end 9.99).
#pragma once

#include "dialogs/adjustment_dialog.h"
#include "filters/histogram.h"
#include "filters/tone_adjustments.h"

class QComboBox;

namespace varnel {

class FloatField;
class HistogramView;
class MarkerStrip;
class NumericField;

class LevelsDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    // Input strip markers, left to right.
    enum InputMarker { kBlackMarker = 0, kGammaMarker = 1, kWhiteMarker = 2 };

    explicit LevelsDialog(const AdjustmentTarget& target, QWidget* parent = nullptr);

    const LevelsParams& params() const { return params_; }
    std::unique_ptr<Filter> makeFilter() const override;
    bool isNeutral() const override { return params_.isNeutral(); }
    CommandParams commandParams() const override { return params_; }

    QComboBox* channelList() const { return channel_; }
    NumericField* inputBlackField() const { return inBlack_; }
    FloatField* gammaField() const { return gamma_; }
    NumericField* inputWhiteField() const { return inWhite_; }
    NumericField* outputBlackField() const { return outBlack_; }
    NumericField* outputWhiteField() const { return outWhite_; }
    MarkerStrip* inputStrip() const { return inputStrip_; }
    MarkerStrip* outputStrip() const { return outputStrip_; }
    HistogramView* histogramView() const { return histogramView_; }
    const Histogram& histogram() const { return histogram_; }

protected:
    void resetValues() override;

private:
    int channel() const;
    void showChannel();
    void placeMarkers();
    void takeInputBlack(int value);
    void takeInputWhite(int value);
    void takeGamma(double value);
    void takeOutput();
    void inputMarkerMoved(int marker, int value);
    void outputMarkerMoved(int marker, int value);

    LevelsParams params_;
    Histogram histogram_;
    bool loading_ = false;
    QComboBox* channel_ = nullptr;
    NumericField* inBlack_ = nullptr;
    FloatField* gamma_ = nullptr;
    NumericField* inWhite_ = nullptr;
    NumericField* outBlack_ = nullptr;
    NumericField* outWhite_ = nullptr;
    HistogramView* histogramView_ = nullptr;
    MarkerStrip* inputStrip_ = nullptr;
    MarkerStrip* outputStrip_ = nullptr;
};

}  // namespace varnel
