// The Gaussian Blur dialog: the radius (0.1 … 250 pixels, one decimal) with a slider whose
// positions 0 … 200 spread the radii unevenly (0.1 … 5 over the first quarter, up to 100 at 180,
// 250 at the end), and a preview pane showing the active layer as it was when the dialog opened.
#pragma once

#include "dialogs/adjustment_dialog.h"
#include "filters/gaussian_blur_filter.h"

namespace varnel {

class FloatField;
class PreviewPane;
class VeTrackBarCtrl;

class GaussianBlurDialog : public AdjustmentDialog {
    Q_OBJECT

public:
    // Radii below this change nothing.
    static constexpr double kNeutralBelow = 0.2;

    explicit GaussianBlurDialog(const AdjustmentTarget& target, QWidget* parent = nullptr);

    double radius() const;
    std::unique_ptr<Filter> makeFilter() const override;
    bool isNeutral() const override { return radius() < kNeutralBelow; }
    CommandParams commandParams() const override { return GaussianBlurParams{radius()}; }

    FloatField* radiusField() const { return radius_; }
    VeTrackBarCtrl* radiusSlider() const { return slider_; }
    // Null when the document has no raster layer to show.
    PreviewPane* previewPane() const { return pane_; }

protected:
    void resetValues() override;

private:
    void sliderEdited(int position);
    void fieldChanged(double radius);

    FloatField* radius_ = nullptr;
    VeTrackBarCtrl* slider_ = nullptr;
    PreviewPane* pane_ = nullptr;
    bool fromSlider_ = false;
};

}  // namespace varnel
