// The Color Balance dialog: for each of the shadows, midtones and highlights, three balances
// (Cyan–Red, Magenta–Green, Yellow–Blue, each −100 … 100); the fields show the chosen tone's
// values. "Preserve luminosity" keeps each pixel's lightness.
#pragma once

#include "dialogs/adjustment_dialog.h"
#include "filters/color_adjustments.h"

class QCheckBox;
class QRadioButton;

namespace varnel {

class NumericField;
class VeTrackBarCtrl;

class ColorBalanceDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    explicit ColorBalanceDialog(const AdjustmentTarget& target, QWidget* parent = nullptr);

    const ColorBalanceParams& params() const { return params_; }
    std::unique_ptr<Filter> makeFilter() const override;
    bool isNeutral() const override { return params_.isNeutral(); }
    CommandParams commandParams() const override { return params_; }

    // The tone shown (kShadows, kMidtones, kHighlights).
    int tone() const;
    // The fields and sliders in order Cyan–Red, Magenta–Green, Yellow–Blue.
    NumericField* field(int axis) const { return fields_[axis]; }
    VeTrackBarCtrl* slider(int axis) const { return sliders_[axis]; }
    QRadioButton* toneButton(int tone) const { return tones_[tone]; }
    QCheckBox* preserveBox() const { return preserve_; }

protected:
    void resetValues() override;

private:
    double* axisValues(int axis);
    void showTone();
    void takeField(int axis, int value);

    ColorBalanceParams params_;
    bool loading_ = false;
    NumericField* fields_[3] = {};
    VeTrackBarCtrl* sliders_[3] = {};
    QRadioButton* tones_[3] = {};
    QCheckBox* preserve_ = nullptr;
};

}  // namespace varnel
