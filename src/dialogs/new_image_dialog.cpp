#include "dialogs/new_image_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "dialogs/dialog_support.h"
#include "dialogs/one_value_dialog.h"
#include "dialogs/size_math.h"
#include "imageops/units.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

// Digits after the point of sizes in a length unit, and of the resolution.
constexpr int kLengthDecimals = 2;
constexpr int kResolutionDecimals = 3;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

FloatField* sizeField(QWidget* parent, const char* name) {
    auto* field = new FloatField(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setRange(0.0, double(kMaxImageSide));
    field->setMaxLength(12);
    return field;
}

QComboBox* sizeUnitList(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->addItems({QStringLiteral("pixels"), QStringLiteral("inches"), QStringLiteral("cm"),
                    QStringLiteral("mm")});
    list->setAccessibleName(accessibleName);
    return list;
}

std::optional<double> typedValue(const FloatField* field) {
    return field->typedValue();
}

// The id a newly saved preset takes: one above the highest in use (never a built-in one); -1
// when none is left.
int32_t nextUserPresetId(const AppSettings& settings) {
    int32_t highest = kBuiltInPresetCount - 1;
    for (const ImagePreset& p : settings.presets()) highest = std::max(highest, p.id);
    return highest == INT32_MAX ? -1 : highest + 1;
}

}  // namespace

NewImageMemory& NewImageDialog::remembered() {
    static NewImageMemory memory;
    return memory;
}

NewImageDialog::Questions NewImageDialog::standardQuestions() {
    Questions q;
    q.presetName = [](QWidget* parent, const QString& proposal) -> std::optional<QString> {
        OneValueDialog dialog(OneValueDialog::presetNameUse(), parent);
        dialog.setText(proposal);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.text();
    };
    q.error = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
        box.exec();
    };
    q.yesNo = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    return q;
}

NewImageDialog::NewImageDialog(AppSettings& settings, std::optional<Size> clipboard,
                               QWidget* parent, Questions questions)
    : QDialog(parent), settings_(settings), questions_(std::move(questions)) {
    setWindowTitle(QStringLiteral("New"));
    NewImageMemory& memory = remembered();

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("newName"));
    name_->setMaxLength(kMaxNameLength);
    name_->setText(QStringLiteral("Untitled-%1").arg(memory.counter));
    if (memory.counter < INT_MAX) ++memory.counter;

    presets_ = new QComboBox(this);
    presets_->setObjectName(QStringLiteral("newPreset"));
    presetValues_ = builtInPresets(memory.values, clipboard);
    for (const ImagePreset& p : settings_.presets())
        if (p.id >= kBuiltInPresetCount) presetValues_.push_back(p);
    for (const ImagePreset& p : presetValues_) presets_->addItem(qs(p.name), p.id);

    auto* sizeGroup = new QGroupBox(QStringLiteral("Image Size"), this);
    width_ = sizeField(sizeGroup, "newWidth");
    height_ = sizeField(sizeGroup, "newHeight");
    widthUnit_ = sizeUnitList(sizeGroup, "newWidthUnit", QStringLiteral("Width unit"));
    heightUnit_ = sizeUnitList(sizeGroup, "newHeightUnit", QStringLiteral("Height unit"));
    resolution_ = new FloatField(sizeGroup);
    resolution_->setObjectName(QStringLiteral("newResolution"));
    resolution_->setDecimals(kResolutionDecimals);
    resolution_->setRange(0.0, double(kMaxResolution));
    resolution_->setMaxLength(12);
    resolutionUnit_ = new QComboBox(sizeGroup);
    resolutionUnit_->setObjectName(QStringLiteral("newResolutionUnit"));
    resolutionUnit_->addItems({QStringLiteral("pixels/inch"), QStringLiteral("pixels/cm")});
    resolutionUnit_->setAccessibleName(QStringLiteral("Resolution unit"));

    auto* sizeCaption = new QLabel(QStringLiteral("Image size:"), sizeGroup);
    sizeLabel_ = new QLabel(sizeGroup);
    sizeLabel_->setObjectName(QStringLiteral("newMemory"));

    auto* orientation = new QGroupBox(QStringLiteral("Orientation"), sizeGroup);
    orientation->setAccessibleName(orientation->title());
    landscape_ = new QRadioButton(QStringLiteral("&Landscape"), orientation);
    landscape_->setObjectName(QStringLiteral("newLandscape"));
    nameAfterText(landscape_, landscape_->text());
    portrait_ = new QRadioButton(QStringLiteral("Por&trait"), orientation);
    portrait_->setObjectName(QStringLiteral("newPortrait"));
    nameAfterText(portrait_, portrait_->text());
    auto* orientationGroup = new QButtonGroup(this);
    orientationGroup->addButton(landscape_);
    orientationGroup->addButton(portrait_);
    auto* orientationRow = new QHBoxLayout(orientation);
    orientationRow->addWidget(landscape_);
    orientationRow->addWidget(portrait_);
    orientationRow->addStretch(1);

    auto* sizeGrid = new QGridLayout(sizeGroup);
    sizeGrid->addWidget(labelFor(QStringLiteral("&Width:"), width_), 0, 0);
    sizeGrid->addWidget(width_, 0, 1);
    sizeGrid->addWidget(widthUnit_, 0, 2);
    sizeGrid->addWidget(labelFor(QStringLiteral("&Height:"), height_), 1, 0);
    sizeGrid->addWidget(height_, 1, 1);
    sizeGrid->addWidget(heightUnit_, 1, 2);
    sizeGrid->addWidget(labelFor(QStringLiteral("&Resolution:"), resolution_), 2, 0);
    sizeGrid->addWidget(resolution_, 2, 1);
    sizeGrid->addWidget(resolutionUnit_, 2, 2);
    sizeGrid->addWidget(orientation, 3, 0, 1, 3);
    sizeGrid->addWidget(sizeCaption, 4, 0);
    sizeGrid->addWidget(sizeLabel_, 4, 1, 1, 2);

    background_ = new QComboBox(this);
    background_->setObjectName(QStringLiteral("newBackground"));
    background_->addItems({QStringLiteral("White"), QStringLiteral("Background Color"),
                           QStringLiteral("Transparent")});

    problemLabel_ = new QLabel(this);
    problemLabel_->setObjectName(QStringLiteral("newProblem"));
    problemLabel_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("okButton"));
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    save_ = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    save_->setObjectName(QStringLiteral("newSavePreset"));
    delete_ = buttons->addButton(QStringLiteral("&Delete"), QDialogButtonBox::ActionRole);
    delete_->setObjectName(QStringLiteral("newDeletePreset"));
    for (QPushButton* b : {ok_, cancel_, save_, delete_}) b->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &NewImageDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &NewImageDialog::reject);
    connect(save_, &QPushButton::clicked, this, &NewImageDialog::savePreset);
    connect(delete_, &QPushButton::clicked, this, &NewImageDialog::deletePreset);

    auto* form = new QGridLayout;
    form->addWidget(labelFor(QStringLiteral("&Name:"), name_), 0, 0);
    form->addWidget(name_, 0, 1);
    form->addWidget(labelFor(QStringLiteral("&Preset:"), presets_), 1, 0);
    form->addWidget(presets_, 1, 1);
    form->addWidget(sizeGroup, 2, 0, 1, 2);
    form->addWidget(labelFor(QStringLiteral("&Background:"), background_), 3, 0);
    form->addWidget(background_, 3, 1);
    form->addWidget(problemLabel_, 4, 0, 1, 2);
    auto* top = new QHBoxLayout(this);
    top->addLayout(form, 1);
    top->addWidget(buttons, 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize);
    // The reasons take up to two lines without the dialog changing its width.
    problemLabel_->setMinimumWidth(width_->sizeHint().width() * 3);

    connect(name_, &QLineEdit::textChanged, this, &NewImageDialog::validate);
    connect(presets_, &QComboBox::activated, this, &NewImageDialog::showPreset);
    for (bool height : {false, true}) {
        FloatField* field = height ? height_ : width_;
        connect(field, &QLineEdit::textEdited, this,
                [this, field, height] { takeSize(height, typedValue(field)); });
        connect(field, &FloatField::valueCommitted, this,
                [this, height](double value) { takeSize(height, value); });
    }
    connect(resolution_, &QLineEdit::textEdited, this,
            [this] { takeResolution(typedValue(resolution_)); });
    connect(resolution_, &FloatField::valueCommitted, this,
            [this](double value) { takeResolution(value); });
    connect(widthUnit_, &QComboBox::activated, this, &NewImageDialog::changeSizeUnit);
    connect(heightUnit_, &QComboBox::activated, this, &NewImageDialog::changeSizeUnit);
    connect(resolutionUnit_, &QComboBox::activated, this, &NewImageDialog::changeResolutionUnit);
    connect(landscape_, &QRadioButton::clicked, this, [this] {
        if (widthValue_ && heightValue_ && *widthValue_ < *heightValue_) swapOrientation();
    });
    connect(portrait_, &QRadioButton::clicked, this, [this] {
        if (widthValue_ && heightValue_ && *widthValue_ > *heightValue_) swapOrientation();
    });

    // The clipboard's size when it holds an image, else the last values under "Custom".
    showPreset(clipboard && !clipboard->isEmpty() ? indexOfPreset(kPresetClipboard)
                                                  : indexOfPreset(kPresetCustom));
    name_->selectAll();
    name_->setFocus();
}

int NewImageDialog::indexOfPreset(int32_t id) const {
    for (size_t i = 0; i < presetValues_.size(); ++i)
        if (presetValues_[i].id == id) return int(i);
    return 0;
}

int32_t NewImageDialog::selectedPresetId() const {
    const int index = presets_->currentIndex();
    return index >= 0 && size_t(index) < presetValues_.size() ? presetValues_[size_t(index)].id
                                                              : kPresetCustom;
}

void NewImageDialog::showPreset(int index) {
    if (index < 0 || size_t(index) >= presetValues_.size()) return;
    const ImagePreset& p = presetValues_[size_t(index)];
    widthValue_ = p.width;
    heightValue_ = p.height;
    sizeUnit_ = std::clamp(p.du, int32_t(kUnitPixels), int32_t(kUnitMillimeters));
    resolutionValue_ = p.resolution;
    resolutionUnitValue_ = p.ru == kPixelsPerCentimeter ? kPixelsPerCentimeter : kPixelsPerInch;
    background_->setCurrentIndex(
        std::clamp(p.bg, int32_t(kBackgroundWhite), int32_t(kBackgroundTransparent)));
    presets_->setCurrentIndex(index);
    notice_.clear();
    showValues();
    validate();
}

void NewImageDialog::showValues() {
    widthUnit_->setCurrentIndex(sizeUnit_);
    heightUnit_->setCurrentIndex(sizeUnit_);
    // Whole pixels; lengths with decimals.
    const int decimals = sizeUnit_ == kUnitPixels ? 0 : kLengthDecimals;
    width_->setDecimals(decimals);
    height_->setDecimals(decimals);
    showNumber(width_, widthValue_);
    showNumber(height_, heightValue_);
    resolutionUnit_->setCurrentIndex(resolutionUnitValue_);
    showNumber(resolution_, resolutionValue_);
}

void NewImageDialog::selectCustom() {
    presets_->setCurrentIndex(indexOfPreset(kPresetCustom));
}

void NewImageDialog::takeSize(bool height, std::optional<double> value) {
    (height ? heightValue_ : widthValue_) = value;
    notice_.clear();
    selectCustom();
    validate();
}

void NewImageDialog::takeResolution(std::optional<double> value) {
    resolutionValue_ = value;
    notice_.clear();
    selectCustom();
    validate();
}

void NewImageDialog::changeSizeUnit(int unit) {
    if (unit == sizeUnit_) {
        showValues();
        return;
    }
    if (!canConvertSizeUnit(sizeUnit_, unit, resolutionValue_)) {
        // Lengths and pixels convert through the resolution, which cannot be used now.
        notice_ = QStringLiteral(
            "Enter a resolution of 1 to 9999.999 before changing between pixels and lengths.");
        widthUnit_->setCurrentIndex(sizeUnit_);
        heightUnit_->setCurrentIndex(sizeUnit_);
        validate();
        return;
    }
    widthValue_ =
        convertSizeUnit(widthValue_, sizeUnit_, unit, resolutionValue_, resolutionUnitValue_);
    heightValue_ =
        convertSizeUnit(heightValue_, sizeUnit_, unit, resolutionValue_, resolutionUnitValue_);
    sizeUnit_ = unit;
    notice_.clear();
    showValues();
    selectCustom();
    validate();
}

void NewImageDialog::changeResolutionUnit(int unit) {
    if (unit == resolutionUnitValue_) return;
    if (resolutionValue_)
        resolutionValue_ = convertResolutionUnit(*resolutionValue_, resolutionUnitValue_, unit);
    resolutionUnitValue_ = unit;
    notice_.clear();
    showNumber(resolution_, resolutionValue_);
    selectCustom();
    validate();
}

void NewImageDialog::swapOrientation() {
    std::swap(widthValue_, heightValue_);
    const QString widthText = width_->text();
    width_->setText(height_->text());
    height_->setText(widthText);
    notice_.clear();
    selectCustom();
    validate();
}

void NewImageDialog::validate() {
    const std::optional<int64_t> w =
        newImagePixels(widthValue_, sizeUnit_, resolutionValue_, resolutionUnitValue_);
    const std::optional<int64_t> h =
        newImagePixels(heightValue_, sizeUnit_, resolutionValue_, resolutionUnitValue_);
    sizeLabel_->setText(qs(memorySizeText(w.value_or(-1), h.value_or(-1))));

    std::string problem = resolutionProblem(resolutionValue_);
    if (problem.empty()) problem = sideProblem("width", w);
    if (problem.empty()) problem = sideProblem("height", h);
    valuesValid_ = problem.empty();
    if (valuesValid_ && name_->text().isEmpty()) problem = "Enter a name for the image.";
    problemLabel_->setText(notice_.isEmpty() ? qs(problem) : notice_);

    const bool sidesValid = w && h && isSideInRange(*w) && isSideInRange(*h);
    landscape_->setEnabled(sidesValid && *w != *h);
    portrait_->setEnabled(sidesValid && *w != *h);
    (sidesValid && *w < *h ? portrait_ : landscape_)->setChecked(true);

    const int32_t id = selectedPresetId();
    save_->setEnabled(valuesValid_ && (id == kPresetCustom || id == kPresetClipboard));
    delete_->setEnabled(id >= kBuiltInPresetCount);
    const bool ok = valuesValid_ && !name_->text().isEmpty();
    ok_->setEnabled(ok);
    ok_->setDefault(ok);
    cancel_->setDefault(!ok);
}

QString NewImageDialog::problem() const {
    return problemLabel_->text();
}

ImagePreset NewImageDialog::currentValues() const {
    ImagePreset p;
    p.width = float(widthValue_.value_or(0.0));
    p.height = float(heightValue_.value_or(0.0));
    p.du = sizeUnit_;
    p.resolution = float(resolutionValue_.value_or(0.0));
    p.ru = resolutionUnitValue_;
    p.bg = background_->currentIndex();
    const int index = presets_->currentIndex();
    p.name = index >= 0 ? presets_->itemText(index).toStdString() : std::string("Custom");
    p.id = selectedPresetId();
    p.text = name_->text().toStdString();
    return p;
}

void NewImageDialog::savePreset() {
    if (!save_->isEnabled()) return;
    const QString proposal = qs(
        proposedPresetName(width_->text().toStdString(), height_->text().toStdString(), sizeUnit_));
    const std::optional<QString> name = questions_.presetName(this, proposal);
    if (!name || name->isEmpty()) return;
    const std::string chosen = name->toStdString();
    for (const ImagePreset& p : settings_.presets()) {
        if (p.id >= kBuiltInPresetCount && p.name == chosen) {
            questions_.error(this, QStringLiteral("Duplicate Name Exists"),
                             QStringLiteral("Preset \"%1\" already exists!   \n"
                                            "Please try a different name.   ")
                                 .arg(*name));
            return;
        }
    }
    ImagePreset preset = currentValues();
    preset.name = chosen;
    preset.text.clear();
    preset.id = nextUserPresetId(settings_);
    if (preset.id < kBuiltInPresetCount) {
        questions_.error(this, QStringLiteral("Error"),
                         QStringLiteral("No more presets can be saved."));
        return;
    }
    if (!settings_.addPreset(preset)) {
        questions_.error(this, QStringLiteral("Error"),
                         QStringLiteral("The preset \"%1\" cannot be saved: its sizes and "
                                        "resolution must be positive numbers.")
                             .arg(*name));
        return;
    }
    presetsChanged_ = true;
    presetValues_.push_back(preset);
    presets_->addItem(*name, preset.id);
    showPreset(int(presetValues_.size()) - 1);
}

void NewImageDialog::deletePreset() {
    const int index = presets_->currentIndex();
    const int32_t id = selectedPresetId();
    if (id < kBuiltInPresetCount) return;
    const QString name = presets_->itemText(index);
    if (!questions_.yesNo(this, QStringLiteral("Delete Preset"),
                          QStringLiteral("Delete preset \"%1\" ?  ").arg(name)))
        return;
    settings_.removePreset(id);
    presetsChanged_ = true;
    presetValues_.erase(presetValues_.begin() + index);
    presets_->removeItem(index);
    showPreset(indexOfPreset(kPresetCustom));
}

void NewImageDialog::accept() {
    validate();
    if (!ok_->isEnabled()) return;
    const std::optional<int64_t> w =
        newImagePixels(widthValue_, sizeUnit_, resolutionValue_, resolutionUnitValue_);
    const std::optional<int64_t> h =
        newImagePixels(heightValue_, sizeUnit_, resolutionValue_, resolutionUnitValue_);
    result_.width = int32_t(*w);
    result_.height = int32_t(*h);
    result_.resolution = float(*resolutionValue_);
    result_.resolutionUnit = resolutionUnitValue_;
    result_.background = background_->currentIndex();
    result_.name = name_->text();
    remembered().values = currentValues();
    QDialog::accept();
}

void NewImageDialog::reject() {
    // The name proposed this time is proposed again next time.
    NewImageMemory& memory = remembered();
    if (memory.counter > 1) --memory.counter;
    QDialog::reject();
}

void NewImageDialog::showEvent(QShowEvent* event) {
    centreOverOwner(this);
    QDialog::showEvent(event);
}

}  // namespace varnel
