#include "dialogs/adjustment_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QVBoxLayout>

#include "dialogs/dialog_support.h"

namespace varnel {

AdjustmentDialog::AdjustmentDialog(const QString& kind, const AdjustmentTarget& target,
                                   QWidget* parent)
    : ParameterDialog(kind, parent), target_(target), preview_(target.document, target.selection) {
    previewBox_ = new QCheckBox(QStringLiteral("&Preview"), this);
    previewBox_->setObjectName(QStringLiteral("previewBox"));
    nameAfterText(previewBox_, previewBox_->text());
    previewBox_->setChecked(true);
    connect(previewBox_, &QCheckBox::toggled, this, &AdjustmentDialog::previewToggled);

    // A zero timer fires once the event loop has handled everything already waiting (input,
    // repaints), so a burst of changes ends in one preview with the latest values.
    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(0);
    connect(&previewTimer_, &QTimer::timeout, this, &AdjustmentDialog::runPreview);
}

AdjustmentDialog::~AdjustmentDialog() {
    previewTimer_.stop();
    preview_.cancel();
}

void AdjustmentDialog::setContents(QLayout* contents) {
    auto* side = new QVBoxLayout;
    side->addWidget(buttonBox());
    side->addSpacing(8);
    side->addWidget(previewBox_);
    side->addStretch(1);
    auto* grid = new QGridLayout(this);
    grid->addLayout(contents, 0, 0);
    grid->addLayout(side, 0, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void AdjustmentDialog::startPreview() {
    if (previewBox_->isChecked()) runPreview();
}

void AdjustmentDialog::valuesChanged() {
    if (!previewBox_->isChecked()) return;
    pending_ = true;
    if (!previewTimer_.isActive()) previewTimer_.start();
}

void AdjustmentDialog::flushPreview() {
    if (pending_) runPreview();
}

void AdjustmentDialog::runPreview() {
    previewTimer_.stop();
    pending_ = false;
    if (!previewBox_->isChecked()) return;
    std::unique_ptr<Filter> filter = makeFilter();
    if (!filter) return;
    ++previewCount_;
    preview_.update(std::move(filter), isNeutral());
}

void AdjustmentDialog::previewToggled(bool on) {
    if (on) {
        runPreview();
        return;
    }
    previewTimer_.stop();
    pending_ = false;
    preview_.cancel();
}

void AdjustmentDialog::accept() {
    // The command applies the values handed over to the layer as it was.
    previewTimer_.stop();
    pending_ = false;
    preview_.cancel();
    ParameterDialog::accept();
}

void AdjustmentDialog::reject() {
    previewTimer_.stop();
    pending_ = false;
    preview_.cancel();
    ParameterDialog::reject();
}

}  // namespace varnel
