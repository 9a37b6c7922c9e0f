#include "dialogs/curves_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/adjustment_widgets.h"
#include "dialogs/dialog_support.h"
#include "widgets/number_field.h"

namespace varnel {

CurvesDialog::CurvesDialog(const AdjustmentTarget& target, QWidget* parent)
    : AdjustmentDialog(QStringLiteral("Curves"), target, parent) {
    setWindowTitle(QStringLiteral("Curves"));

    auto* channelGroup = new QGroupBox(QStringLiteral("&Channel:"), this);
    channel_ = new QComboBox(channelGroup);
    channel_->setObjectName(QStringLiteral("channelList"));
    channel_->addItems({QStringLiteral("RGB"), QStringLiteral("Red"), QStringLiteral("Green"),
                        QStringLiteral("Blue")});
    nameAfterText(channel_, QStringLiteral("Channel"));
    auto* channelRow = new QHBoxLayout(channelGroup);
    channelRow->addWidget(channel_);
    channelRow->addStretch(1);

    editor_ = new CurvesEditor(this);

    input_ = new NumericField(this);
    input_->setObjectName(QStringLiteral("curveInput"));
    input_->setRange(0, 255);
    input_->setMaxLength(3);
    output_ = new NumericField(this);
    output_->setObjectName(QStringLiteral("curveOutput"));
    output_->setRange(0, 255);
    output_->setMaxLength(3);
    for (NumericField* f : {input_, output_})
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 10);
    auto* fields = new QHBoxLayout;
    fields->addWidget(labelFor(QStringLiteral("Input:"), input_));
    fields->addWidget(input_);
    fields->addSpacing(12);
    fields->addWidget(labelFor(QStringLiteral("Output:"), output_));
    fields->addWidget(output_);
    fields->addStretch(1);

    auto* column = new QVBoxLayout;
    column->addWidget(channelGroup);
    column->addWidget(editor_, 0, Qt::AlignHCenter);
    column->addLayout(fields);
    setContents(column);

    connect(channel_, &QComboBox::currentIndexChanged, this, &CurvesDialog::showChannel);
    connect(editor_, &CurvesEditor::curveChanged, this, &CurvesDialog::editorChanged);
    connect(input_, &NumericField::valueChanged, this, &CurvesDialog::fieldEdited);
    connect(output_, &NumericField::valueChanged, this, &CurvesDialog::fieldEdited);
    // A field left holding an input the neighbours do not allow shows where the point went.
    connect(input_, &NumericField::valueCommitted, this, &CurvesDialog::showPoint);

    showChannel();
    channel_->setFocus();
    startPreview();
}

CurvesParams CurvesDialog::params() const {
    CurvesParams p;
    for (int c = 0; c < 4; ++c) p.points[c] = curves_[size_t(c)].points();
    return p;
}

std::unique_ptr<Filter> CurvesDialog::makeFilter() const {
    return std::make_unique<CurvesFilter>(params());
}

void CurvesDialog::showChannel() {
    shown_ = std::clamp(channel_->currentIndex(), 0, 3);
    loading_ = true;
    editor_->setCurve(curves_[size_t(shown_)]);
    loading_ = false;
    editorChanged();
}

void CurvesDialog::editorChanged() {
    if (loading_) return;
    const bool curveMoved = curves_[size_t(shown_)].points() != editor_->curve().points();
    curves_[size_t(shown_)] = editor_->curve();
    // While the user types in a field, the field keeps the text being typed.
    if (!typing_) showPoint();
    if (curveMoved) valuesChanged();
}

void CurvesDialog::showPoint() {
    const Point p = editor_->curve().at(editor_->selected());
    loading_ = true;
    input_->setValue(p.x);
    output_->setValue(p.y);
    loading_ = false;
}

void CurvesDialog::fieldEdited() {
    if (loading_) return;
    // The editor tells editorChanged, which stores the curve and asks for the preview.
    typing_ = true;
    editor_->moveSelected({input_->value(), output_->value()});
    typing_ = false;
}

void CurvesDialog::resetValues() {
    for (CurvePoints& c : curves_) c = CurvePoints();
    loading_ = true;
    channel_->setCurrentIndex(0);
    loading_ = false;
    showChannel();
    valuesChanged();
}

}  // namespace varnel
