// The Curves dialog: per channel (RGB, Red, Green, Blue) a curve through up to ten points, edited
// in a 256 × 256 editor, with "Input:" and "Output:" fields for the chosen point. Each channel's
// curve goes through the composite (RGB) curve afterwards.
#pragma once

#include <array>

#include "dialogs/adjustment_dialog.h"
#include "dialogs/adjustment_maps.h"
#include "filters/tone_adjustments.h"

class QComboBox;

namespace varnel {

class CurvesEditor;
class NumericField;

class CurvesDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    explicit CurvesDialog(const AdjustmentTarget& target, QWidget* parent = nullptr);

    // The four point lists (composite, red, green, blue).
    CurvesParams params() const;
    std::unique_ptr<Filter> makeFilter() const override;
    // Never neutral: the opening preview always applies (an identity curve changes nothing).
    bool isNeutral() const override { return false; }
    CommandParams commandParams() const override { return params(); }

    QComboBox* channelList() const { return channel_; }
    CurvesEditor* editor() const { return editor_; }
    NumericField* inputField() const { return input_; }
    NumericField* outputField() const { return output_; }

protected:
    void resetValues() override;

private:
    void showChannel();
    void editorChanged();
    void fieldEdited();
    void showPoint();

    std::array<CurvePoints, 4> curves_;
    int shown_ = 0;
    bool loading_ = false;
    bool typing_ = false;
    QComboBox* channel_ = nullptr;
    CurvesEditor* editor_ = nullptr;
    NumericField* input_ = nullptr;
    NumericField* output_ = nullptr;
};

}  // namespace varnel
