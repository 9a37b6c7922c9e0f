// The Image Size dialog: the new pixel size, document size and resolution of an image, and the
// resampling method. The pixel size is given in pixels or as a percentage of the current one;
// the document size as a percentage or a length at the resolution. With "Resample image"
// unchecked the pixels stay as they are and a new document size changes the resolution instead.
//
//   ImageSizeDialog dialog(document, window);
//   if (dialog.exec() == QDialog::Accepted) resize the image with dialog.params();
//
// A size the engine cannot make (a side below 1 or above 30000, a resolution outside 1 …
// 9999.999, a conversion through a resolution or percentage of 0) is refused here: OK stays
// disabled and the reason is shown. Alt turns Cancel into Reset, which puts the image's own
// values back.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "dialogs/parameter_dialog.h"
#include "imageops/image_size.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;

namespace varnel {

class FloatField;

class ImageSizeDialog : public ParameterDialog {
    Q_OBJECT

public:
    // Units of the pixel fields and of the document fields, in list order.
    enum PixelUnit { kPixelPercent = 0, kPixelPixels = 1 };
    enum DocumentUnit { kDocPercent = 0, kDocInches = 1, kDocCentimeters = 2, kDocMillimeters = 3 };

    explicit ImageSizeDialog(const Document& image, QWidget* parent = nullptr);

    // The parameters to apply; meaningful once the dialog was accepted.
    const ImageSizeParams& params() const { return result_; }
    // Why OK is disabled ("" while it is enabled).
    QString problem() const;

    QGroupBox* pixelGroup() const { return pixelGroup_; }
    FloatField* pixelWidthField() const { return pixelWidth_; }
    FloatField* pixelHeightField() const { return pixelHeight_; }
    QComboBox* pixelWidthUnitList() const { return pixelWidthUnit_; }
    QComboBox* pixelHeightUnitList() const { return pixelHeightUnit_; }
    FloatField* documentWidthField() const { return docWidth_; }
    FloatField* documentHeightField() const { return docHeight_; }
    QComboBox* documentWidthUnitList() const { return docWidthUnit_; }
    QComboBox* documentHeightUnitList() const { return docHeightUnit_; }
    FloatField* resolutionField() const { return resolution_; }
    QComboBox* resolutionUnitList() const { return resolutionUnit_; }
    QCheckBox* constrainBox() const { return constrain_; }
    QCheckBox* resampleBox() const { return resample_; }
    QComboBox* methodList() const { return method_; }
    QLabel* problemLabel() const { return problemLabel_; }
    // Whether the link marks beside the width and height pairs are shown.
    bool pixelLinkShown() const;
    bool documentLinkShown() const;

public slots:
    void accept() override;

protected:
    void resetValues() override;

private:
    enum class Source { None, PixelWidth, PixelHeight, DocWidth, DocHeight, Resolution };

    void putBackCurrentValues();
    void showAll(Source except);
    void takePixelField(bool height, std::optional<double> value);
    void takeDocumentField(bool height, std::optional<double> value);
    void takeResolution(std::optional<double> value);
    void changePixelUnit(int unit);
    void changeDocumentUnit(int unit);
    void changeResolutionUnit(int unit);
    void resampleToggled(bool on);
    void constrainToggled(bool on);
    void sideChanged(bool height, std::optional<int64_t> pixels, Source source);
    void updateState();
    void configureFields();

    // Conversions of this image (W0 × H0 at the edited resolution).
    std::optional<int64_t> pixelFieldToPixels(std::optional<double> value, bool height) const;
    std::optional<int64_t> documentFieldToPixels(std::optional<double> value, bool height) const;
    std::optional<double> pixelsToDocument(std::optional<int64_t> pixels, bool height) const;
    std::optional<double> pixelsToPixelField(std::optional<int64_t> pixels, bool height) const;

    ImageSizeParams current_;
    // The values being edited. A side is nothing while its field is empty or its conversion
    // cannot be made; the document fields keep what was typed there.
    std::optional<int64_t> width_;
    std::optional<int64_t> height_;
    std::optional<double> docWidthValue_;
    std::optional<double> docHeightValue_;
    std::optional<double> resolutionValue_;
    int32_t resolutionUnitValue_ = 0;
    int pixelUnit_ = kPixelPixels;
    int docUnit_ = kDocPercent;
    // A reason found while converting (a percentage of 0), shown until the next edit.
    QString notice_;
    ImageSizeParams result_;
    bool updating_ = false;

    QGroupBox* pixelGroup_ = nullptr;
    FloatField* pixelWidth_ = nullptr;
    FloatField* pixelHeight_ = nullptr;
    QComboBox* pixelWidthUnit_ = nullptr;
    QComboBox* pixelHeightUnit_ = nullptr;
    QWidget* pixelLink_ = nullptr;
    FloatField* docWidth_ = nullptr;
    FloatField* docHeight_ = nullptr;
    QComboBox* docWidthUnit_ = nullptr;
    QComboBox* docHeightUnit_ = nullptr;
    QWidget* docLink_ = nullptr;
    FloatField* resolution_ = nullptr;
    QComboBox* resolutionUnit_ = nullptr;
    QCheckBox* constrain_ = nullptr;
    QCheckBox* resample_ = nullptr;
    QComboBox* method_ = nullptr;
    QLabel* problemLabel_ = nullptr;
};

}  // namespace varnel
