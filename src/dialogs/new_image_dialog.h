// The New dialog: the name, size, resolution and background of a new image, set directly or from
// a preset. The presets are the eight built-in ones and then the user's own from the settings,
// which the dialog saves and deletes there. It proposes "Untitled-%d" with a counter kept for the
// program's run (Cancel gives the number back) and remembers the last confirmed values.
//
//   NewImageDialog dialog(settings, clipboardImageSize, window);
//   if (dialog.exec() == QDialog::Accepted) create an image from dialog.result();
//
// A size or resolution the engine cannot make is refused here: OK stays disabled and the reason
// is shown under the fields.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "app/app_settings.h"
#include "core/geometry.h"
#include "dialogs/new_image_values.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnel {

class FloatField;

// What OK returns: the size in pixels (1 … 30000), the resolution (1 … 9999.999) with its unit,
// the background (NewImageBackground) and the image's name.
struct NewImageResult {
    int32_t width = 0;
    int32_t height = 0;
    float resolution = 72.0f;
    int32_t resolutionUnit = 0;
    int32_t background = kBackgroundWhite;
    QString name;
};

class NewImageDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 20;

    // The questions the dialog asks while presets are saved and deleted; tests answer them.
    struct Questions {
        // The preset name ("New Image Preset"); nothing when cancelled.
        std::function<std::optional<QString>(QWidget* parent, const QString& proposal)> presetName;
        // An error box with the error icon.
        std::function<void(QWidget* parent, const QString& title, const QString& text)> error;
        // A question with Yes and No, No the default; true for Yes.
        std::function<bool(QWidget* parent, const QString& title, const QString& text)> yesNo;
    };
    // The real ones: the one-value dialog and message boxes.
    static Questions standardQuestions();

    // `settings` holds the user's presets (added and removed here); `clipboard` is the size of
    // the image on the clipboard, when there is one.
    NewImageDialog(AppSettings& settings, std::optional<Size> clipboard, QWidget* parent = nullptr,
                   Questions questions = standardQuestions());

    // Meaningful once the dialog was accepted.
    const NewImageResult& result() const { return result_; }
    // Whether a preset was saved or deleted while the dialog was open.
    bool presetsChanged() const { return presetsChanged_; }

    // The run's memory; the "Untitled-%d" counter and the last confirmed values.
    static NewImageMemory& remembered();

    // The id of the preset the list shows.
    int32_t selectedPresetId() const;
    // Why OK is disabled ("" while it is enabled).
    QString problem() const;

    QLineEdit* nameField() const { return name_; }
    QComboBox* presetList() const { return presets_; }
    FloatField* widthField() const { return width_; }
    FloatField* heightField() const { return height_; }
    FloatField* resolutionField() const { return resolution_; }
    QComboBox* widthUnitList() const { return widthUnit_; }
    QComboBox* heightUnitList() const { return heightUnit_; }
    QComboBox* resolutionUnitList() const { return resolutionUnit_; }
    QComboBox* backgroundList() const { return background_; }
    QRadioButton* landscapeButton() const { return landscape_; }
    QRadioButton* portraitButton() const { return portrait_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    QLabel* problemLabel() const { return problemLabel_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* deleteButton() const { return delete_; }

    // Saves the current values as a preset under a name asked for (Save...).
    void savePreset();
    // Deletes the selected user preset once confirmed (Delete).
    void deletePreset();

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPreset(int index);
    void showValues();
    void selectCustom();
    void takeSize(bool height, std::optional<double> value);
    void takeResolution(std::optional<double> value);
    void changeSizeUnit(int unit);
    void changeResolutionUnit(int unit);
    void swapOrientation();
    void validate();
    int indexOfPreset(int32_t id) const;
    ImagePreset currentValues() const;

    AppSettings& settings_;
    Questions questions_;
    std::vector<ImagePreset> presetValues_;  // parallel to the preset list
    // The values being edited: sizes in the size unit, the resolution in its unit.
    std::optional<double> widthValue_;
    std::optional<double> heightValue_;
    std::optional<double> resolutionValue_;
    int32_t sizeUnit_ = 0;
    int32_t resolutionUnitValue_ = 0;
    // A refused unit change, shown until the next edit.
    QString notice_;
    NewImageResult result_;
    bool presetsChanged_ = false;
    bool valuesValid_ = false;

    QLineEdit* name_ = nullptr;
    QComboBox* presets_ = nullptr;
    FloatField* width_ = nullptr;
    FloatField* height_ = nullptr;
    FloatField* resolution_ = nullptr;
    QComboBox* widthUnit_ = nullptr;
    QComboBox* heightUnit_ = nullptr;
    QComboBox* resolutionUnit_ = nullptr;
    QComboBox* background_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLabel* problemLabel_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* delete_ = nullptr;
};

}  // namespace varnel
