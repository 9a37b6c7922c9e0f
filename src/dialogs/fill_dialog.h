// The Fill dialog: the colour, blend mode, opacity and preserve-transparency flag of a fill of the
// active layer through the selection. It opens with the choices of the last fill of the run.
//
//   FillDialog dialog(settings.default_fg_color.bgr(), settings.default_bg_color.bgr(),
//                     layerIsBackground, window);
//   if (dialog.exec() == QDialog::Accepted) record "Fill" with dialog.settings();
#pragma once

#include "core/color.h"
#include "core/surface_ops.h"
#include "dialogs/parameter_dialog.h"

class QCheckBox;
class QComboBox;

namespace varnel {

class ColorSwatchButton;
class PopupSliderField;

// What the Fill dialog remembers for the program's run.
struct FillMemory {
    int colorChoice = 0;  // FillDialog::ColorChoice
    Bgr customColor{255, 255, 255};
    int mode = 0;       // blend mode id
    int opacity = 100;  // percent, 1 … 100
    bool preserveTransparency = false;
};

class FillDialog : public ParameterDialog {
    Q_OBJECT

public:
    enum ColorChoice { kForeground = 0, kBackground, kWhite, kBlack, kCustom };
    static constexpr int kMinOpacity = 1;
    static constexpr int kMaxOpacity = 100;

    // `foreground` and `background` are the settings' default colours; on a background layer
    // "Preserve transparency" is greyed and the remembered flag passes through unchanged.
    FillDialog(Bgr foreground, Bgr background, bool onBackgroundLayer, QWidget* parent = nullptr);

    // The fill to make; meaningful once the dialog was accepted.
    FillSettings settings() const { return result_; }

    // The run's remembered choices. A colour picked with the swatch becomes the custom colour at
    // once, even when the dialog is then cancelled; everything else is stored by OK only.
    static FillMemory& remembered();

    QComboBox* colorList() const { return colorList_; }
    ColorSwatchButton* swatch() const { return swatch_; }
    QComboBox* modeList() const { return modeList_; }
    PopupSliderField* opacityField() const { return opacity_; }
    QCheckBox* preserveBox() const { return preserve_; }

public slots:
    void accept() override;

private:
    Bgr colorOf(int choice) const;
    void showChoiceColor();
    void takeSwatchColor(const QColor& color);
    void updateOk();

    Bgr foreground_;
    Bgr background_;
    QComboBox* colorList_ = nullptr;
    ColorSwatchButton* swatch_ = nullptr;
    QComboBox* modeList_ = nullptr;
    PopupSliderField* opacity_ = nullptr;
    QCheckBox* preserve_ = nullptr;
    FillSettings result_;
};

}  // namespace varnel
