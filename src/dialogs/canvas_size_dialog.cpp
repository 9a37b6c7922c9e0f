#include "dialogs/canvas_size_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "dialogs/dialog_support.h"
#include "dialogs/size_math.h"
#include "imageops/units.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"

namespace varnel {

namespace {

constexpr int kLengthDecimals = 2;
constexpr double kMaxFieldValue = 999999.99;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QColor toQColor(ColorRef c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

ColorRef toColorRef(const QColor& c) {
    const QColor rgb = c.toRgb();
    return makeRgb(uint8_t(rgb.red()), uint8_t(rgb.green()), uint8_t(rgb.blue()));
}

int32_t lengthUnitOf(int unit) {
    switch (unit) {
        case CanvasSizeDialog::kInches:
            return kUnitInches;
        case CanvasSizeDialog::kCentimeters:
            return kUnitCentimeters;
        case CanvasSizeDialog::kMillimeters:
            return kUnitMillimeters;
        default:
            return kUnitPixels;
    }
}

const char* const kAnchorNames[9] = {"Top left",    "Top",    "Top right",
                                     "Left",        "Center", "Right",
                                     "Bottom left", "Bottom", "Bottom right"};

// The old canvas (filled) inside the new one (framed), both scaled to the picture.
class CanvasPicture : public QWidget {
public:
    explicit CanvasPicture(QWidget* parent) : QWidget(parent) {
        setFixedSize(72, 72);
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(QStringLiteral("Old canvas in the new one"));
    }
    void setCanvas(Size oldSize, std::optional<Size> newSize, Point offset) {
        old_ = oldSize;
        new_ = newSize;
        offset_ = offset;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Base));
        if (!new_ || new_->isEmpty() || old_.isEmpty()) return;
        // Both canvases fit: the larger extent of either fills the picture.
        const double left = std::min(0, offset_.x), top = std::min(0, offset_.y);
        const double right = std::max<double>(new_->width, offset_.x + old_.width);
        const double bottom = std::max<double>(new_->height, offset_.y + old_.height);
        const double scale =
            std::min((width() - 4) / (right - left), (height() - 4) / (bottom - top));
        auto place = [&](double x, double y, double w, double h) {
            return QRectF(2 + (x - left) * scale, 2 + (y - top) * scale, std::max(1.0, w * scale),
                          std::max(1.0, h * scale));
        };
        p.fillRect(place(offset_.x, offset_.y, old_.width, old_.height),
                   palette().color(QPalette::Mid));
        p.setPen(palette().color(QPalette::Text));
        p.drawRect(place(0, 0, new_->width, new_->height).adjusted(0, 0, -1, -1));
    }

private:
    Size old_;
    std::optional<Size> new_;
    Point offset_;
};

}  // namespace

CanvasSizeMemory& CanvasSizeDialog::remembered() {
    static CanvasSizeMemory memory;
    return memory;
}

CanvasSizeDialog::CanvasSizeDialog(const Document& image, ColorRef foreground, ColorRef background,
                                   QWidget* parent)
    : ParameterDialog(QStringLiteral("Canvas Size"), parent),
      image_(image),
      oldWidth_(image.size().width),
      oldHeight_(image.size().height),
      foreground_(foreground),
      background_(background) {
    setWindowTitle(QStringLiteral("Canvas Size"));

    auto* currentGroup = new QGroupBox(this);
    currentCaption_ = new QLabel(currentGroup);
    currentCaption_->setObjectName(QStringLiteral("canvasCurrentCaption"));
    currentWidth_ = new QLineEdit(currentGroup);
    currentWidth_->setObjectName(QStringLiteral("canvasCurrentWidth"));
    currentWidth_->setReadOnly(true);
    currentHeight_ = new QLineEdit(currentGroup);
    currentHeight_->setObjectName(QStringLiteral("canvasCurrentHeight"));
    currentHeight_->setReadOnly(true);
    currentWidthUnit_ = new QLabel(currentGroup);
    currentHeightUnit_ = new QLabel(currentGroup);
    auto* currentGrid = new QGridLayout(currentGroup);
    currentGrid->addWidget(currentCaption_, 0, 0, 1, 3);
    currentGrid->addWidget(labelFor(QStringLiteral("Current width:"), currentWidth_), 1, 0);
    currentGrid->addWidget(currentWidth_, 1, 1);
    currentGrid->addWidget(currentWidthUnit_, 1, 2);
    currentGrid->addWidget(labelFor(QStringLiteral("Current height:"), currentHeight_), 2, 0);
    currentGrid->addWidget(currentHeight_, 2, 1);
    currentGrid->addWidget(currentHeightUnit_, 2, 2);

    auto* newGroup = new QGroupBox(this);
    newCaption_ = new QLabel(newGroup);
    newCaption_->setObjectName(QStringLiteral("canvasNewCaption"));
    width_ = new FloatField(newGroup);
    width_->setObjectName(QStringLiteral("canvasWidth"));
    height_ = new FloatField(newGroup);
    height_->setObjectName(QStringLiteral("canvasHeight"));
    const QStringList units{QStringLiteral("percent"), QStringLiteral("pixels"),
                            QStringLiteral("inches"), QStringLiteral("cm"), QStringLiteral("mm")};
    widthUnit_ = new QComboBox(newGroup);
    widthUnit_->setObjectName(QStringLiteral("canvasWidthUnit"));
    widthUnit_->addItems(units);
    widthUnit_->setAccessibleName(QStringLiteral("Width unit"));
    heightUnit_ = new QComboBox(newGroup);
    heightUnit_->setObjectName(QStringLiteral("canvasHeightUnit"));
    heightUnit_->addItems(units);
    heightUnit_->setAccessibleName(QStringLiteral("Height unit"));
    relative_ = new QCheckBox(QStringLiteral("&Relative"), newGroup);
    relative_->setObjectName(QStringLiteral("canvasRelative"));
    nameAfterText(relative_, relative_->text());

    auto* anchorBox = new QWidget(newGroup);
    auto* anchorGrid = new QGridLayout(anchorBox);
    anchorGrid->setSpacing(1);
    anchorGrid->setContentsMargins(0, 0, 0, 0);
    for (int a = 0; a < 9; ++a) {
        auto* button = new QToolButton(anchorBox);
        button->setObjectName(QStringLiteral("canvasAnchor%1").arg(a));
        button->setCheckable(true);
        button->setFixedSize(24, 24);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(QStringLiteral("Anchor ") +
                                  QString::fromLatin1(kAnchorNames[a]).toLower());
        button->setToolTip(QString::fromLatin1(kAnchorNames[a]));
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, a] { chooseAnchor(a); });
        anchorGrid->addWidget(button, a / 3, a % 3);
        anchors_[size_t(a)] = button;
    }
    picture_ = new CanvasPicture(newGroup);
    auto* anchorLabel = new QLabel(QStringLiteral("Anchor:"), newGroup);

    auto* newGrid = new QGridLayout(newGroup);
    newGrid->addWidget(newCaption_, 0, 0, 1, 3);
    newGrid->addWidget(labelFor(QStringLiteral("&Width:"), width_), 1, 0);
    newGrid->addWidget(width_, 1, 1);
    newGrid->addWidget(widthUnit_, 1, 2);
    newGrid->addWidget(labelFor(QStringLiteral("&Height:"), height_), 2, 0);
    newGrid->addWidget(height_, 2, 1);
    newGrid->addWidget(heightUnit_, 2, 2);
    newGrid->addWidget(relative_, 3, 1, 1, 2);
    newGrid->addWidget(anchorLabel, 4, 0, Qt::AlignTop);
    auto* anchorRow = new QHBoxLayout;
    anchorRow->addWidget(anchorBox);
    anchorRow->addWidget(picture_);
    anchorRow->addStretch(1);
    newGrid->addLayout(anchorRow, 4, 1, 1, 2);

    colorList_ = new QComboBox(this);
    colorList_->setObjectName(QStringLiteral("canvasColor"));
    colorList_->addItems({QStringLiteral("Foreground"), QStringLiteral("Background"),
                          QStringLiteral("White"), QStringLiteral("Black"),
                          QStringLiteral("Custom")});
    colorList_->setCurrentIndex(std::clamp(remembered().colorChoice, 0, int(kCustom)));
    swatch_ = new ColorSwatchButton(this);
    swatch_->setObjectName(QStringLiteral("canvasSwatch"));
    swatch_->setAccessibleName(QStringLiteral("Canvas extension color"));
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(labelFor(QStringLiteral("&Canvas extension color:"), colorList_));
    colorRow->addWidget(colorList_, 1);
    colorRow->addWidget(swatch_);

    problemLabel_ = new QLabel(this);
    problemLabel_->setObjectName(QStringLiteral("canvasProblem"));
    problemLabel_->setWordWrap(true);

    auto* column = new QVBoxLayout;
    column->addWidget(currentGroup);
    column->addWidget(newGroup);
    column->addLayout(colorRow);
    column->addWidget(problemLabel_);
    auto* top = new QHBoxLayout(this);
    top->addLayout(column, 1);
    top->addWidget(buttonBox(), 0, Qt::AlignTop);
    top->setSizeConstraint(QLayout::SetFixedSize);
    problemLabel_->setMinimumWidth(width_->sizeHint().width() * 3);

    currentCaption_->setText(QStringLiteral("Current Size:  ") +
                             qs(memorySizeText(oldWidth_, oldHeight_)));
    for (bool height : {false, true}) {
        FloatField* field = height ? height_ : width_;
        auto take = [this, height](std::optional<double> value) {
            if (updating_) return;
            (height ? heightValue_ : widthValue_) = value;
            updateState();
        };
        connect(field, &QLineEdit::textEdited, this, [field, take] { take(field->typedValue()); });
        connect(field, &FloatField::valueCommitted, this, [take](double value) { take(value); });
    }
    connect(widthUnit_, &QComboBox::activated, this, &CanvasSizeDialog::changeUnit);
    connect(heightUnit_, &QComboBox::activated, this, &CanvasSizeDialog::changeUnit);
    connect(relative_, &QCheckBox::toggled, this, &CanvasSizeDialog::relativeToggled);
    connect(colorList_, &QComboBox::currentIndexChanged, this, [this](int choice) {
        // Kept from this moment on, whatever happens to the dialog.
        remembered().colorChoice = choice;
        showChoiceColor();
    });
    connect(swatch_, &ColorSwatchButton::colorTaken, this, &CanvasSizeDialog::takeSwatchColor);

    resetValues();
    showChoiceColor();
    width_->setFocus();
    width_->selectAll();
}

// ---- Conversions ------------------------------------------------------------------------------

std::optional<int64_t> CanvasSizeDialog::toPixels(std::optional<double> value, bool height) const {
    if (!value) return std::nullopt;
    const int64_t old = height ? oldHeight_ : oldWidth_;
    std::optional<int64_t> pixels;
    switch (unit_) {
        case kPercent:
            pixels = roundedAwayFromZero(double(old) * *value * 0.01);
            break;
        case kPixels:
            pixels = roundedAwayFromZero(*value);
            break;
        default:
            pixels = roundedAwayFromZero(
                double(convertUnits(float(*value), lengthUnitOf(unit_), kUnitPixels,
                                    image_.resolution(), image_.resolutionUnit())));
            break;
    }
    if (pixels && relative_->isChecked()) *pixels += old;
    return pixels;
}

std::optional<double> CanvasSizeDialog::fromPixels(int64_t pixels, bool height) const {
    const int64_t old = height ? oldHeight_ : oldWidth_;
    switch (unit_) {
        case kPercent:
            return double(pixels) * 100.0 / double(old);
        case kPixels:
            return double(pixels);
        default:
            return double(convertUnits(float(pixels), kUnitPixels, lengthUnitOf(unit_),
                                       image_.resolution(), image_.resolutionUnit()));
    }
}

std::optional<int64_t> CanvasSizeDialog::newWidth() const {
    return toPixels(widthValue_, false);
}

std::optional<int64_t> CanvasSizeDialog::newHeight() const {
    return toPixels(heightValue_, true);
}

// ---- Edits ------------------------------------------------------------------------------------

void CanvasSizeDialog::showSizes(std::optional<int64_t> width, std::optional<int64_t> height) {
    const bool relative = relative_->isChecked();
    const bool pixels = unit_ == kPixels;
    for (FloatField* f : {width_, height_}) {
        f->setDecimals(pixels ? 0 : kLengthDecimals);
        f->setRange(relative ? -kMaxFieldValue : 0.0, kMaxFieldValue);
    }
    // Typed values stand for the difference from the current size while Relative is checked.
    widthValue_ = width ? fromPixels(*width - (relative ? oldWidth_ : 0), false) : std::nullopt;
    heightValue_ = height ? fromPixels(*height - (relative ? oldHeight_ : 0), true) : std::nullopt;
    updating_ = true;
    widthUnit_->setCurrentIndex(unit_);
    heightUnit_->setCurrentIndex(unit_);
    showNumber(width_, widthValue_);
    showNumber(height_, heightValue_);
    updating_ = false;

    const QString unitName = unit_ == kPercent ? QString() : widthUnit_->currentText();
    currentWidthUnit_->setText(unitName);
    currentHeightUnit_->setText(unitName);
    NumberTextFormat format = width_->textFormat();
    format.plusSign = false;
    auto current = [&](bool h) {
        if (unit_ == kPercent) return QStringLiteral("100");
        return formatReal(*fromPixels(h ? oldHeight_ : oldWidth_, h), format);
    };
    currentWidth_->setText(current(false));
    currentHeight_->setText(current(true));
    updateState();
}

void CanvasSizeDialog::changeUnit(int unit) {
    const std::optional<int64_t> w = newWidth(), h = newHeight();
    unit_ = std::clamp(unit, int(kPercent), int(kMillimeters));
    showSizes(w, h);
}

void CanvasSizeDialog::relativeToggled(bool on) {
    // The sizes as they were before the box changed.
    const QSignalBlocker block(relative_);
    relative_->setChecked(!on);
    const std::optional<int64_t> w = newWidth(), h = newHeight();
    relative_->setChecked(on);
    showSizes(w, h);
}

void CanvasSizeDialog::chooseAnchor(int anchor) {
    anchor_ = std::clamp(anchor, 0, 8);
    updateState();
}

void CanvasSizeDialog::resetValues() {
    {
        const QSignalBlocker block(relative_);
        relative_->setChecked(false);
    }
    unit_ = kPixels;
    anchor_ = kAnchorCenter;
    showSizes(oldWidth_, oldHeight_);
}

bool CanvasSizeDialog::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys move the anchor within the grid.
    if (event->type() == QEvent::KeyPress) {
        const auto* it = std::find(anchors_.begin(), anchors_.end(), watched);
        if (it != anchors_.end()) {
            const int a = int(it - anchors_.begin());
            int row = a / 3, col = a % 3;
            switch (static_cast<QKeyEvent*>(event)->key()) {
                case Qt::Key_Left:
                    col = std::max(0, col - 1);
                    break;
                case Qt::Key_Right:
                    col = std::min(2, col + 1);
                    break;
                case Qt::Key_Up:
                    row = std::max(0, row - 1);
                    break;
                case Qt::Key_Down:
                    row = std::min(2, row + 1);
                    break;
                default:
                    return ParameterDialog::eventFilter(watched, event);
            }
            chooseAnchor(row * 3 + col);
            anchors_[size_t(anchor_)]->setFocus();
            return true;
        }
    }
    return ParameterDialog::eventFilter(watched, event);
}

// ---- Colour -----------------------------------------------------------------------------------

ColorRef CanvasSizeDialog::colorOf(int choice) const {
    switch (choice) {
        case kForeground:
            return foreground_;
        case kBackground:
            return background_;
        case kWhite:
            return makeRgb(255, 255, 255);
        case kBlack:
            return makeRgb(0, 0, 0);
        default:
            return remembered().customColor;
    }
}

void CanvasSizeDialog::showChoiceColor() {
    swatch_->setColor(toQColor(colorOf(colorList_->currentIndex())));
}

void CanvasSizeDialog::takeSwatchColor(const QColor& color) {
    // Kept from this moment on, whatever happens to the dialog.
    remembered().customColor = toColorRef(color);
    if (colorList_->currentIndex() != kCustom)
        colorList_->setCurrentIndex(kCustom);
    else
        showChoiceColor();
}

// ---- State ------------------------------------------------------------------------------------

void CanvasSizeDialog::updateState() {
    const std::optional<int64_t> w = newWidth(), h = newHeight();
    newCaption_->setText(QStringLiteral("New Size:  ") +
                         qs(memorySizeText(w.value_or(-1), h.value_or(-1))));
    std::string problem = sideProblem("width", w);
    if (problem.empty()) problem = sideProblem("height", h);
    problemLabel_->setText(qs(problem));
    okButton()->setEnabled(problem.empty());

    const bool grows = (w && *w > oldWidth_) || (h && *h > oldHeight_);
    colorList_->setEnabled(grows);
    swatch_->setEnabled(grows);

    // Arrows point where the canvas grows from the anchor.
    static const QString kArrows[3][3] = {
        {QStringLiteral("\u2196"), QStringLiteral("\u2191"), QStringLiteral("\u2197")},
        {QStringLiteral("\u2190"), QStringLiteral("\u25CF"), QStringLiteral("\u2192")},
        {QStringLiteral("\u2199"), QStringLiteral("\u2193"), QStringLiteral("\u2198")}};
    for (int a = 0; a < 9; ++a) {
        const int dr = a / 3 - anchor_ / 3, dc = a % 3 - anchor_ % 3;
        anchors_[size_t(a)]->setChecked(a == anchor_);
        anchors_[size_t(a)]->setText(
            std::abs(dr) <= 1 && std::abs(dc) <= 1 ? kArrows[dr + 1][dc + 1] : QString());
    }
    const bool valid = problem.empty();
    const Size oldSize{oldWidth_, oldHeight_};
    std::optional<Size> newSize;
    Point offset{};
    if (valid) {
        newSize = Size{int32_t(*w), int32_t(*h)};
        offset = anchorOffset(anchor_, oldSize, *newSize);
    }
    static_cast<CanvasPicture*>(picture_)->setCanvas(oldSize, newSize, offset);
}

QString CanvasSizeDialog::problem() const {
    return problemLabel_->text();
}

void CanvasSizeDialog::accept() {
    updateState();
    if (!okButton()->isEnabled()) return;
    const Size size{int32_t(*newWidth()), int32_t(*newHeight())};
    result_ =
        CanvasSizeParams::forAnchor(image_, size, anchor_, colorOf(colorList_->currentIndex()));
    ParameterDialog::accept();
}

}  // namespace varnel
