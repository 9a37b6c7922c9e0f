// The Brightness/Contrast dialog: brightness and contrast, each −100 … 100 with a slider below.
#pragma once

#include "dialogs/adjustment_dialog.h"
#include "filters/tone_adjustments.h"

namespace varnel {

class NumericField;
class VeTrackBarCtrl;

class BrightnessContrastDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    explicit BrightnessContrastDialog(const AdjustmentTarget& target, QWidget* parent = nullptr);

    BrightnessContrastParams params() const;
    std::unique_ptr<Filter> makeFilter() const override;
    bool isNeutral() const override;
    CommandParams commandParams() const override { return params(); }

    NumericField* brightnessField() const { return brightness_; }
    NumericField* contrastField() const { return contrast_; }
    VeTrackBarCtrl* brightnessSlider() const { return brightnessSlider_; }
    VeTrackBarCtrl* contrastSlider() const { return contrastSlider_; }

protected:
    void resetValues() override;

private:
    NumericField* brightness_ = nullptr;
    NumericField* contrast_ = nullptr;
    VeTrackBarCtrl* brightnessSlider_ = nullptr;
    VeTrackBarCtrl* contrastSlider_ = nullptr;
};

}  // namespace varnel
