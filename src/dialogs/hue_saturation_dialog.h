// The Hue/Saturation dialog: hue, saturation and lightness for Master and each of the six colour
// ranges, or, with "Colorize", one hue (0 … 360 degrees), saturation (0 … 100) and lightness for
// the whole layer. The fields show the values of the range chosen in "Edit"; Colorize keeps its
// own values, and unchecking it brings the range values back.
#pragma once

#include "core/color.h"
#include "dialogs/adjustment_dialog.h"
#include "filters/color_adjustments.h"

class QCheckBox;
class QComboBox;

namespace varnel {

class NumericField;
class VeTrackBarCtrl;

class HueSaturationDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    // `foreground` (the settings' default foreground colour) gives Colorize its first hue.
    HueSaturationDialog(const AdjustmentTarget& target, Bgr foreground, QWidget* parent = nullptr);

    // Colorize's opening values for a foreground colour: its hue, saturation 25, lightness 0.
    static ColorizeParams colorizeDefaults(Bgr foreground);

    const HueSaturationParams& params() const { return params_; }
    const ColorizeParams& colorizeParams() const { return colorize_; }
    bool isColorize() const;
    std::unique_ptr<Filter> makeFilter() const override;
    bool isNeutral() const override { return !isColorize() && params_.isNeutral(); }
    // Colorize's record while "Colorize" is checked, Hue/Saturation's otherwise.
    CommandParams commandParams() const override;

    QComboBox* rangeList() const { return range_; }
    NumericField* hueField() const { return hue_; }
    NumericField* saturationField() const { return saturation_; }
    NumericField* lightnessField() const { return lightness_; }
    VeTrackBarCtrl* hueSlider() const { return hueSlider_; }
    VeTrackBarCtrl* saturationSlider() const { return saturationSlider_; }
    QCheckBox* colorizeBox() const { return colorizeBox_; }

protected:
    void resetValues() override;

private:
    void setRanges();
    void showValues();
    void takeValues();
    void colorizeToggled();

    ColorizeParams defaults_;
    HueSaturationParams params_;
    ColorizeParams colorize_;
    bool loading_ = false;
    QComboBox* range_ = nullptr;
    NumericField* hue_ = nullptr;
    NumericField* saturation_ = nullptr;
    NumericField* lightness_ = nullptr;
    VeTrackBarCtrl* hueSlider_ = nullptr;
    VeTrackBarCtrl* saturationSlider_ = nullptr;
    VeTrackBarCtrl* lightnessSlider_ = nullptr;
    QCheckBox* colorizeBox_ = nullptr;
};

}  // namespace varnel
