#include "dialogs/image_size_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "dialogs/dialog_support.h"
#include "dialogs/new_image_values.h"
#include "dialogs/size_math.h"
#include "imageops/units.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

constexpr int kSizeDecimals = 2;
constexpr int kResolutionDecimals = 3;
// Far beyond any size a field needs; sides beyond 30000 pixels are refused, not clamped.
constexpr double kMaxFieldValue = 999999.99;
// Document sizes below this count as 0.
constexpr double kSmallestLength = 0.001;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The bracket with a chain link drawn beside a width and height pair while their proportions
// are kept.
class LinkMark : public QWidget {
public:
    explicit LinkMark(QWidget* parent) : QWidget(parent) {
        setFixedWidth(16);
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(QStringLiteral("Proportions kept"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        const int top = height() / 4, bottom = height() - height() / 4, mid = height() / 2;
        p.drawLine(1, top, 6, top);
        p.drawLine(6, top, 6, bottom);
        p.drawLine(1, bottom, 6, bottom);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawRoundedRect(QRectF(8.5, mid - 6.5, 5, 7), 2, 2);
        p.drawRoundedRect(QRectF(8.5, mid - 0.5, 5, 7), 2, 2);
    }
};

FloatField* numberField(QWidget* parent, const char* name) {
    auto* field = new FloatField(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(12);
    return field;
}

QComboBox* unitList(QWidget* parent, const char* name, const QString& accessibleName,
                    const QStringList& units) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->addItems(units);
    list->setAccessibleName(accessibleName);
    return list;
}

// Pixels per `unit` (a length unit) given in the resolution unit.
double resolutionFromPixelsPerUnit(double perUnit, int32_t lengthUnit, int32_t resolutionUnit) {
    // Into pixels per inch first.
    double perInch = perUnit;
    if (lengthUnit == kUnitCentimeters) perInch = perUnit * 2.54;
    if (lengthUnit == kUnitMillimeters) perInch = perUnit * 25.4;
    return resolutionUnit == kPixelsPerCentimeter ? perInch / 2.54 : perInch;
}

}  // namespace

ImageSizeDialog::ImageSizeDialog(const Document& image, QWidget* parent)
    : ParameterDialog(QStringLiteral("Image Size"), parent), current_(ImageSizeParams::of(image)) {
    setWindowTitle(QStringLiteral("Image Size"));
    current_.resolutionUnit =
        current_.resolutionUnit == kPixelsPerCentimeter ? kPixelsPerCentimeter : kPixelsPerInch;

    pixelGroup_ = new QGroupBox(this);
    pixelGroup_->setObjectName(QStringLiteral("imageSizePixels"));
    pixelWidth_ = numberField(pixelGroup_, "imageSizePixelWidth");
    pixelHeight_ = numberField(pixelGroup_, "imageSizePixelHeight");
    const QStringList pixelUnits{QStringLiteral("percent"), QStringLiteral("pixels")};
    pixelWidthUnit_ =
        unitList(pixelGroup_, "imageSizePixelWidthUnit", QStringLiteral("Width unit"), pixelUnits);
    pixelHeightUnit_ = unitList(pixelGroup_, "imageSizePixelHeightUnit",
                                QStringLiteral("Height unit"), pixelUnits);
    pixelLink_ = new LinkMark(pixelGroup_);
    auto* pixelGrid = new QGridLayout(pixelGroup_);
    pixelGrid->addWidget(labelFor(QStringLiteral("&Width:"), pixelWidth_), 0, 0);
    pixelGrid->addWidget(pixelWidth_, 0, 1);
    pixelGrid->addWidget(pixelWidthUnit_, 0, 2);
    pixelGrid->addWidget(labelFor(QStringLiteral("&Height:"), pixelHeight_), 1, 0);
    pixelGrid->addWidget(pixelHeight_, 1, 1);
    pixelGrid->addWidget(pixelHeightUnit_, 1, 2);
    pixelGrid->addWidget(pixelLink_, 0, 3, 2, 1);

    auto* docGroup = new QGroupBox(QStringLiteral("Document Size:"), this);
    docGroup->setObjectName(QStringLiteral("imageSizeDocument"));
    docWidth_ = numberField(docGroup, "imageSizeDocumentWidth");
    docHeight_ = numberField(docGroup, "imageSizeDocumentHeight");
    const QStringList docUnits{QStringLiteral("percent"), QStringLiteral("inches"),
                               QStringLiteral("cm"), QStringLiteral("mm")};
    docWidthUnit_ = unitList(docGroup, "imageSizeDocumentWidthUnit",
                             QStringLiteral("Document width unit"), docUnits);
    docHeightUnit_ = unitList(docGroup, "imageSizeDocumentHeightUnit",
                              QStringLiteral("Document height unit"), docUnits);
    docLink_ = new LinkMark(docGroup);
    resolution_ = numberField(docGroup, "imageSizeResolution");
    resolution_->setDecimals(kResolutionDecimals);
    resolution_->setRange(kMinResolution, kMaxResolution);
    resolution_->setStep(0.1);
    resolutionUnit_ =
        unitList(docGroup, "imageSizeResolutionUnit", QStringLiteral("Resolution unit"),
                 {QStringLiteral("pixels/inch"), QStringLiteral("pixels/cm")});
    auto* docGrid = new QGridLayout(docGroup);
    docGrid->addWidget(labelFor(QStringLiteral("Wi&dth:"), docWidth_), 0, 0);
    docGrid->addWidget(docWidth_, 0, 1);
    docGrid->addWidget(docWidthUnit_, 0, 2);
    docGrid->addWidget(labelFor(QStringLiteral("Hei&ght:"), docHeight_), 1, 0);
    // Named apart from the pixel fields for screen readers.
    docWidth_->setAccessibleName(QStringLiteral("Document width"));
    docHeight_->setAccessibleName(QStringLiteral("Document height"));
    docGrid->addWidget(docHeight_, 1, 1);
    docGrid->addWidget(docHeightUnit_, 1, 2);
    docGrid->addWidget(docLink_, 0, 3, 2, 1);
    docGrid->addWidget(labelFor(QStringLiteral("&Resolution:"), resolution_), 2, 0);
    docGrid->addWidget(resolution_, 2, 1);
    docGrid->addWidget(resolutionUnit_, 2, 2);
    // The link mark keeps its column when hidden.
    docGrid->setColumnMinimumWidth(3, 16);
    pixelGrid->setColumnMinimumWidth(3, 16);

    constrain_ = new QCheckBox(QStringLiteral("&Constrain proportions"), this);
    constrain_->setObjectName(QStringLiteral("imageSizeConstrain"));
    nameAfterText(constrain_, constrain_->text());
    constrain_->setChecked(true);
    resample_ = new QCheckBox(QStringLiteral("Resample &image:"), this);
    resample_->setObjectName(QStringLiteral("imageSizeResample"));
    nameAfterText(resample_, resample_->text());
    resample_->setChecked(true);
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("imageSizeMethod"));
    method_->setAccessibleName(QStringLiteral("Resampling method"));
    for (int32_t m = 0; m < kResampleMethodCount; ++m)
        method_->addItem(QString::fromLatin1(resampleMethodName(m)));
    method_->setCurrentIndex(kResampleBicubicSmooth);
    auto* resampleRow = new QHBoxLayout;
    resampleRow->addWidget(resample_);
    resampleRow->addWidget(method_, 1);

    problemLabel_ = new QLabel(this);
    problemLabel_->setObjectName(QStringLiteral("imageSizeProblem"));
    problemLabel_->setWordWrap(true);

    auto* column = new QVBoxLayout;
    column->addWidget(pixelGroup_);
    column->addWidget(docGroup);
    column->addWidget(constrain_);
    column->addLayout(resampleRow);
    column->addWidget(problemLabel_);
    auto* top = new QHBoxLayout(this);
    top->addLayout(column, 1);
    top->addWidget(buttonBox(), 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize);
    problemLabel_->setMinimumWidth(pixelWidth_->sizeHint().width() * 3);

    for (bool height : {false, true}) {
        FloatField* pixel = height ? pixelHeight_ : pixelWidth_;
        connect(pixel, &QLineEdit::textEdited, this,
                [this, pixel, height] { takePixelField(height, pixel->typedValue()); });
        connect(pixel, &FloatField::valueCommitted, this,
                [this, height](double value) { takePixelField(height, value); });
        FloatField* doc = height ? docHeight_ : docWidth_;
        connect(doc, &QLineEdit::textEdited, this,
                [this, doc, height] { takeDocumentField(height, doc->typedValue()); });
        connect(doc, &FloatField::valueCommitted, this,
                [this, height](double value) { takeDocumentField(height, value); });
    }
    connect(resolution_, &QLineEdit::textEdited, this,
            [this] { takeResolution(resolution_->typedValue()); });
    connect(resolution_, &FloatField::valueCommitted, this,
            [this](double value) { takeResolution(value); });
    connect(pixelWidthUnit_, &QComboBox::activated, this, &ImageSizeDialog::changePixelUnit);
    connect(pixelHeightUnit_, &QComboBox::activated, this, &ImageSizeDialog::changePixelUnit);
    connect(docWidthUnit_, &QComboBox::activated, this, &ImageSizeDialog::changeDocumentUnit);
    connect(docHeightUnit_, &QComboBox::activated, this, &ImageSizeDialog::changeDocumentUnit);
    connect(resolutionUnit_, &QComboBox::activated, this, &ImageSizeDialog::changeResolutionUnit);
    connect(resample_, &QCheckBox::toggled, this, &ImageSizeDialog::resampleToggled);
    connect(constrain_, &QCheckBox::toggled, this, &ImageSizeDialog::constrainToggled);

    configureFields();
    putBackCurrentValues();
    pixelWidth_->setFocus();
    pixelWidth_->selectAll();
}

// ---- Conversions ------------------------------------------------------------------------------

std::optional<int64_t> ImageSizeDialog::pixelFieldToPixels(std::optional<double> value,
                                                           bool height) const {
    if (!value) return std::nullopt;
    if (pixelUnit_ == kPixelPixels) return roundedPixels(*value);
    const double old = height ? current_.oldHeight : current_.oldWidth;
    return roundedPixels(*value * old * 0.01);
}

std::optional<int64_t> ImageSizeDialog::documentFieldToPixels(std::optional<double> value,
                                                              bool height) const {
    if (!value) return std::nullopt;
    const double v = *value < kSmallestLength ? 0.0 : *value;
    if (docUnit_ == kDocPercent) {
        const double old = height ? current_.oldHeight : current_.oldWidth;
        return roundedPixels(v * old * 0.01);
    }
    // A length turns into pixels through the resolution: none that can be used, no pixels.
    if (!resolutionValue_ || !isResolutionInRange(*resolutionValue_)) return 0;
    return roundedPixels(double(convertUnits(float(v), docUnit_, kUnitPixels,
                                             float(*resolutionValue_), resolutionUnitValue_)));
}

std::optional<double> ImageSizeDialog::pixelsToDocument(std::optional<int64_t> pixels,
                                                        bool height) const {
    if (!pixels) return std::nullopt;
    if (docUnit_ == kDocPercent) {
        const double old = height ? current_.oldHeight : current_.oldWidth;
        return double(*pixels) * 100.0 / old;
    }
    if (!resolutionValue_ || !isResolutionInRange(*resolutionValue_)) return std::nullopt;
    return double(convertUnits(float(*pixels), kUnitPixels, docUnit_, float(*resolutionValue_),
                               resolutionUnitValue_));
}

std::optional<double> ImageSizeDialog::pixelsToPixelField(std::optional<int64_t> pixels,
                                                          bool height) const {
    if (!pixels) return std::nullopt;
    if (pixelUnit_ == kPixelPixels) return double(*pixels);
    const double old = height ? current_.oldHeight : current_.oldWidth;
    return double(*pixels) * 100.0 / old;
}

// ---- Edits ------------------------------------------------------------------------------------

void ImageSizeDialog::putBackCurrentValues() {
    width_ = current_.oldWidth;
    height_ = current_.oldHeight;
    resolutionValue_ = current_.resolution;
    resolutionUnitValue_ = current_.resolutionUnit;
    docWidthValue_ = pixelsToDocument(width_, false);
    docHeightValue_ = pixelsToDocument(height_, true);
    notice_.clear();
    showAll(Source::None);
}

void ImageSizeDialog::sideChanged(bool height, std::optional<int64_t> pixels, Source source) {
    (height ? height_ : width_) = pixels;
    if (constrain_->isChecked() && pixels) {
        const double from = height ? current_.oldHeight : current_.oldWidth;
        const double to = height ? current_.oldWidth : current_.oldHeight;
        const std::optional<int64_t> other = roundedPixels(to * double(*pixels) / from);
        (height ? width_ : height_) = std::max<int64_t>(1, other.value_or(1));
    }
    docWidthValue_ = pixelsToDocument(width_, false);
    docHeightValue_ = pixelsToDocument(height_, true);
    showAll(source);
}

void ImageSizeDialog::takePixelField(bool height, std::optional<double> value) {
    if (updating_) return;
    notice_.clear();
    sideChanged(height, pixelFieldToPixels(value, height),
                height ? Source::PixelHeight : Source::PixelWidth);
}

void ImageSizeDialog::takeDocumentField(bool height, std::optional<double> value) {
    if (updating_) return;
    notice_.clear();
    const Source source = height ? Source::DocHeight : Source::DocWidth;
    if (resample_->isChecked()) {
        sideChanged(height, documentFieldToPixels(value, height), source);
        (height ? docHeightValue_ : docWidthValue_) = value;
        updateState();
        return;
    }
    // The pixels stay: the other document value follows in proportion and the resolution
    // changes instead.
    (height ? docHeightValue_ : docWidthValue_) = value;
    std::optional<double>& other = height ? docWidthValue_ : docHeightValue_;
    if (!value) {
        other.reset();
        resolutionValue_.reset();
        showAll(source);
        return;
    }
    const double v = *value < kSmallestLength ? 0.0 : *value;
    const double from = height ? current_.oldHeight : current_.oldWidth;
    const double to = height ? current_.oldWidth : current_.oldHeight;
    other = docUnit_ == kDocPercent ? v : v * to / from;
    if (v <= 0.0) {
        // The resolution would be divided by it.
        resolutionValue_.reset();
        notice_ = QStringLiteral("A document size of 0 cannot give a resolution.");
    } else if (docUnit_ == kDocPercent) {
        const double currentResolution = convertResolutionUnit(
            current_.resolution, current_.resolutionUnit, resolutionUnitValue_);
        resolutionValue_ = currentResolution / v * 100.0;
    } else {
        const double perUnit = std::sqrt(double(current_.oldWidth) * current_.oldHeight /
                                         (*docWidthValue_ * *docHeightValue_));
        resolutionValue_ = resolutionFromPixelsPerUnit(perUnit, docUnit_, resolutionUnitValue_);
    }
    showAll(source);
}

void ImageSizeDialog::takeResolution(std::optional<double> value) {
    if (updating_) return;
    notice_.clear();
    resolutionValue_ = value;
    if (resample_->isChecked()) {
        // The document size stays; the pixels follow.
        if (docUnit_ != kDocPercent) {
            width_ = documentFieldToPixels(docWidthValue_, false);
            height_ = documentFieldToPixels(docHeightValue_, true);
        }
    } else {
        docWidthValue_ = pixelsToDocument(width_, false);
        docHeightValue_ = pixelsToDocument(height_, true);
    }
    showAll(Source::Resolution);
}

void ImageSizeDialog::changePixelUnit(int unit) {
    pixelUnit_ = unit == kPixelPercent ? kPixelPercent : kPixelPixels;
    configureFields();
    showAll(Source::None);
}

void ImageSizeDialog::changeDocumentUnit(int unit) {
    docUnit_ = std::clamp(unit, int(kDocPercent), int(kDocMillimeters));
    configureFields();
    docWidthValue_ = pixelsToDocument(width_, false);
    docHeightValue_ = pixelsToDocument(height_, true);
    showAll(Source::None);
}

void ImageSizeDialog::changeResolutionUnit(int unit) {
    if (unit == resolutionUnitValue_) return;
    if (resolutionValue_)
        resolutionValue_ = convertResolutionUnit(*resolutionValue_, resolutionUnitValue_, unit);
    resolutionUnitValue_ = unit;
    showAll(Source::None);
}

void ImageSizeDialog::resampleToggled(bool on) {
    if (!on) {
        // The pixels stay as they are; the proportions then always do.
        const QSignalBlocker block(constrain_);
        constrain_->setChecked(true);
        putBackCurrentValues();
    }
    updateState();
}

void ImageSizeDialog::constrainToggled(bool on) {
    if (on) putBackCurrentValues();
    updateState();
}

void ImageSizeDialog::resetValues() {
    {
        const QSignalBlocker blockResample(resample_);
        const QSignalBlocker blockConstrain(constrain_);
        resample_->setChecked(true);
        constrain_->setChecked(true);
    }
    putBackCurrentValues();
}

// ---- Showing ----------------------------------------------------------------------------------

void ImageSizeDialog::configureFields() {
    const int pixelDecimals = pixelUnit_ == kPixelPixels ? 0 : kSizeDecimals;
    for (FloatField* f : {pixelWidth_, pixelHeight_}) {
        f->setDecimals(pixelDecimals);
        f->setRange(0.0, pixelUnit_ == kPixelPixels ? double(kMaxImageSide) : kMaxFieldValue);
    }
    for (FloatField* f : {docWidth_, docHeight_}) {
        f->setDecimals(kSizeDecimals);
        f->setRange(0.0, kMaxFieldValue);
    }
}

void ImageSizeDialog::showAll(Source except) {
    updating_ = true;
    pixelWidthUnit_->setCurrentIndex(pixelUnit_);
    pixelHeightUnit_->setCurrentIndex(pixelUnit_);
    docWidthUnit_->setCurrentIndex(docUnit_);
    docHeightUnit_->setCurrentIndex(docUnit_);
    resolutionUnit_->setCurrentIndex(resolutionUnitValue_);
    if (except != Source::PixelWidth) showNumber(pixelWidth_, pixelsToPixelField(width_, false));
    if (except != Source::PixelHeight) showNumber(pixelHeight_, pixelsToPixelField(height_, true));
    if (except != Source::DocWidth) showNumber(docWidth_, docWidthValue_);
    if (except != Source::DocHeight) showNumber(docHeight_, docHeightValue_);
    if (except != Source::Resolution) showNumber(resolution_, resolutionValue_);
    updating_ = false;
    updateState();
}

void ImageSizeDialog::updateState() {
    const bool resample = resample_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{pixelWidth_, pixelHeight_, pixelWidthUnit_,
                                                      pixelHeightUnit_, method_})
        w->setEnabled(resample);
    constrain_->setEnabled(resample);
    pixelLink_->setVisible(resample && constrain_->isChecked());
    docLink_->setVisible(constrain_->isChecked());

    const std::string now = memorySizeText(width_.value_or(-1), height_.value_or(-1));
    const std::string was = memorySizeText(current_.oldWidth, current_.oldHeight);
    const bool countDiffers =
        !width_ || !height_ ||
        *width_ * *height_ != int64_t(current_.oldWidth) * int64_t(current_.oldHeight);
    pixelGroup_->setTitle(
        QStringLiteral("Pixel Dimensions:  ") +
        (countDiffers ? QStringLiteral("%1 (was %2)").arg(qs(now), qs(was)) : qs(now)));

    std::string problem = notice_.toStdString();
    if (problem.empty()) problem = resolutionProblem(resolutionValue_);
    if (problem.empty()) problem = sideProblem("width", width_);
    if (problem.empty()) problem = sideProblem("height", height_);
    problemLabel_->setText(qs(problem));
    okButton()->setEnabled(problem.empty());
}

QString ImageSizeDialog::problem() const {
    return problemLabel_->text();
}

bool ImageSizeDialog::pixelLinkShown() const {
    return pixelLink_->isVisibleTo(this);
}

bool ImageSizeDialog::documentLinkShown() const {
    return docLink_->isVisibleTo(this);
}

void ImageSizeDialog::accept() {
    updateState();
    if (!okButton()->isEnabled()) return;
    result_ = current_;
    result_.width = int32_t(*width_);
    result_.height = int32_t(*height_);
    result_.resolution = float(*resolutionValue_);
    result_.resolutionUnit = resolutionUnitValue_;
    result_.method = method_->currentIndex();
    ParameterDialog::accept();
}

}  // namespace varnel
