#include "dialogs/parameter_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHash>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "dialogs/dialog_support.h"

namespace varnel {

namespace {

QHash<QString, QPoint>& positions() {
    static QHash<QString, QPoint> kept;
    return kept;
}

const QString kResetText = QStringLiteral("Reset");

}  // namespace

ParameterDialog::ParameterDialog(const QString& kind, QWidget* parent)
    : QDialog(parent), kind_(kind) {
    buttons_ = new QDialogButtonBox(Qt::Vertical, this);
    ok_ = buttons_->addButton(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    cancel_ = buttons_->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancelText_ = cancel_->text();
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    // Not the box's rejected signal: while Cancel reads "Reset" it must not close the dialog.
    connect(cancel_, &QPushButton::clicked, this, &ParameterDialog::cancelOrReset);

    altTimer_ = new QTimer(this);
    altTimer_->setInterval(kAltCheckMs);
    connect(altTimer_, &QTimer::timeout, this, &ParameterDialog::checkAltKey);
}

void ParameterDialog::checkAltKey() {
    const bool alt = QGuiApplication::keyboardModifiers() & Qt::AltModifier;
    setResetShown(alt && isActiveWindow());
}

void ParameterDialog::setResetShown(bool shown) {
    if (resetShown_ == shown) return;
    resetShown_ = shown;
    cancel_->setText(shown ? kResetText : cancelText_);
}

void ParameterDialog::cancelOrReset() {
    if (resetShown_) {
        resetValues();
        return;
    }
    reject();
}

std::optional<QPoint> ParameterDialog::rememberedPosition(const QString& kind) {
    const auto it = positions().constFind(kind);
    if (it == positions().constEnd()) return std::nullopt;
    return *it;
}

void ParameterDialog::forgetPositions() {
    positions().clear();
}

void ParameterDialog::showEvent(QShowEvent* event) {
    const std::optional<QPoint> kept = rememberedPosition(kind_);
    // A position on a screen that has gone since (a monitor unplugged) is not used.
    if (kept && QGuiApplication::screenAt(*kept + QPoint(1, 1)))
        move(*kept);
    else
        centreOverOwner(this);
    setResetShown(false);
    altTimer_->start();
    QDialog::showEvent(event);
}

void ParameterDialog::hideEvent(QHideEvent* event) {
    altTimer_->stop();
    setResetShown(false);
    QDialog::hideEvent(event);
}

void ParameterDialog::done(int result) {
    if (isVisible()) positions()[kind_] = pos();
    QDialog::done(result);
}

}  // namespace varnel
