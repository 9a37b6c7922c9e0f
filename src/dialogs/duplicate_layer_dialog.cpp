#include "dialogs/duplicate_layer_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dialog_support.h"

namespace varnel {

DuplicateLayerDialog::DuplicateLayerDialog(const QString& layerName, const QString& proposedName,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Duplicate Layer"));

    source_ = new QLineEdit(layerName, this);
    source_->setObjectName(QStringLiteral("duplicateLayerSource"));
    source_->setReadOnly(true);
    name_ = new QLineEdit(proposedName, this);
    name_->setObjectName(QStringLiteral("duplicateLayerName"));
    name_->selectAll();
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 32);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(labelFor(QStringLiteral("Duplicate:"), source_), 0, 0);
    grid->addWidget(source_, 0, 1);
    grid->addWidget(labelFor(QStringLiteral("As:"), name_), 1, 0);
    grid->addWidget(name_, 1, 1);
    grid->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    auto updateOk = [this] { ok_->setEnabled(!name_->text().trimmed().isEmpty()); };
    connect(name_, &QLineEdit::textChanged, this, updateOk);
    updateOk();
    name_->setFocus();
}

std::string DuplicateLayerDialog::copyName() const {
    return name_->text().toStdString();
}

void DuplicateLayerDialog::showEvent(QShowEvent* event) {
    centreOverOwner(this);
    QDialog::showEvent(event);
}

}  // namespace varnel
