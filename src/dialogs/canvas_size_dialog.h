// The Canvas Size dialog: the new canvas size (in percent, pixels or a length at the image's
// resolution, absolute or relative to the current size), where the image sits in it (a 3 × 3
// anchor) and the colour of the new area of the background. The colour choice and the custom
// colour stay chosen for the program's run from the moment they change.
//
//   CanvasSizeDialog dialog(document, foreground, background, window);
//   if (dialog.exec() == QDialog::Accepted) resize the canvas with dialog.params();
//
// A new size below 1 or above 30000 pixels is refused here: OK stays disabled and the reason is
// shown.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "dialogs/parameter_dialog.h"
#include "imageops/canvas_geometry.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace varnel {

class ColorSwatchButton;
class FloatField;

// What the Canvas Size dialog keeps for the program's run.
struct CanvasSizeMemory {
    int colorChoice = 1;  // CanvasSizeDialog::ColorChoice: Background at first
    ColorRef customColor = makeRgb(255, 255, 255);
};

class CanvasSizeDialog : public ParameterDialog {
    Q_OBJECT

public:
    enum Unit { kPercent = 0, kPixels, kInches, kCentimeters, kMillimeters };
    enum ColorChoice { kForeground = 0, kBackground, kWhite, kBlack, kCustom };

    // `foreground` and `background` are the settings' default colours.
    CanvasSizeDialog(const Document& image, ColorRef foreground, ColorRef background,
                     QWidget* parent = nullptr);

    // The parameters to apply and the anchor chosen; meaningful once the dialog was accepted.
    const CanvasSizeParams& params() const { return result_; }
    int32_t anchor() const { return anchor_; }
    // The new size the fields stand for (nothing while a field is empty).
    std::optional<int64_t> newWidth() const;
    std::optional<int64_t> newHeight() const;
    // Why OK is disabled ("" while it is enabled).
    QString problem() const;

    static CanvasSizeMemory& remembered();

    QLabel* currentCaption() const { return currentCaption_; }
    QLineEdit* currentWidthField() const { return currentWidth_; }
    QLineEdit* currentHeightField() const { return currentHeight_; }
    QLabel* newCaption() const { return newCaption_; }
    FloatField* widthField() const { return width_; }
    FloatField* heightField() const { return height_; }
    QComboBox* widthUnitList() const { return widthUnit_; }
    QComboBox* heightUnitList() const { return heightUnit_; }
    QCheckBox* relativeBox() const { return relative_; }
    QToolButton* anchorButton(int anchor) const { return anchors_[size_t(anchor)]; }
    QComboBox* colorList() const { return colorList_; }
    ColorSwatchButton* swatch() const { return swatch_; }

public slots:
    void accept() override;

protected:
    void resetValues() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<int64_t> toPixels(std::optional<double> value, bool height) const;
    std::optional<double> fromPixels(int64_t pixels, bool height) const;
    void showSizes(std::optional<int64_t> width, std::optional<int64_t> height);
    void changeUnit(int unit);
    void relativeToggled(bool on);
    void chooseAnchor(int anchor);
    void showChoiceColor();
    void takeSwatchColor(const QColor& color);
    ColorRef colorOf(int choice) const;
    void updateState();

    const Document& image_;
    int32_t oldWidth_;
    int32_t oldHeight_;
    ColorRef foreground_;
    ColorRef background_;
    int unit_ = kPixels;
    int32_t anchor_ = kAnchorCenter;
    std::optional<double> widthValue_;
    std::optional<double> heightValue_;
    CanvasSizeParams result_;
    bool updating_ = false;

    QLabel* currentCaption_ = nullptr;
    QLineEdit* currentWidth_ = nullptr;
    QLineEdit* currentHeight_ = nullptr;
    QLabel* currentWidthUnit_ = nullptr;
    QLabel* currentHeightUnit_ = nullptr;
    QLabel* newCaption_ = nullptr;
    FloatField* width_ = nullptr;
    FloatField* height_ = nullptr;
    QComboBox* widthUnit_ = nullptr;
    QComboBox* heightUnit_ = nullptr;
    QCheckBox* relative_ = nullptr;
    std::array<QToolButton*, 9> anchors_{};
    QWidget* picture_ = nullptr;
    QComboBox* colorList_ = nullptr;
    ColorSwatchButton* swatch_ = nullptr;
    QLabel* problemLabel_ = nullptr;
};

}  // namespace varnel
