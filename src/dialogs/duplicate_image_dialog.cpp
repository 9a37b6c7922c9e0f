#include "dialogs/duplicate_image_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "dialogs/dialog_support.h"

namespace varnel {

QString proposedDuplicateName(const QString& name, const QStringList& openNames, int maxLength) {
    const QString suffix = QStringLiteral(" copy");
    QString stem;
    if (name.endsWith(suffix)) {
        stem = name.chopped(suffix.size());
    } else {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        stem = dot < 0 ? name : name.left(dot);
    }
    // A document's own name may hold characters the field refuses (file names here may): the
    // proposal leaves them out so that it can be taken as it stands.
    stem.removeIf([](QChar c) { return FileNameTextValidator::isRefused(c); });
    // The stem gives way to the ending, so that " copy" and its number always fit.
    const auto withEnding = [&](const QString& ending) {
        QString s = stem;
        if (maxLength > 0 && s.size() + ending.size() > maxLength) {
            s.truncate(std::max<qsizetype>(0, maxLength - ending.size()));
            if (!s.isEmpty() && s.back().isHighSurrogate()) s.chop(1);
        }
        return s + ending;
    };
    QString candidate = withEnding(suffix);
    // Each open name can block at most one number, so this ends after openNames.size() steps.
    for (int n = 2; openNames.contains(candidate); ++n)
        candidate = withEnding(QStringLiteral("%1 %2").arg(suffix).arg(n));
    return candidate;
}

bool FileNameTextValidator::isRefused(QChar c) {
    return QStringLiteral("\\/:*?\"<>|").contains(c);
}

QValidator::State FileNameTextValidator::validate(QString& input, int&) const {
    for (QChar c : input)
        if (isRefused(c)) return Invalid;
    return Acceptable;
}

DuplicateImageDialog::DuplicateImageDialog(const QString& name, const QStringList& openNames,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Duplicate Image"));
    setSizeGripEnabled(true);

    source_ = new QLineEdit(name, this);
    source_->setReadOnly(true);
    source_->setObjectName(QStringLiteral("duplicateSource"));

    const QString proposal = proposedDuplicateName(name, openNames, kMaxNameLength);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("duplicateName"));
    name_->setMaxLength(kMaxNameLength);
    name_->setValidator(new FileNameTextValidator(name_));
    name_->setText(proposal);
    name_->selectAll();

    QLabel* sourceLabel = labelFor(QStringLiteral("Duplicate:"), source_);
    QLabel* nameLabel = labelFor(QStringLiteral("As:"), name_);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The fields take the extra width when the dialog is widened; the buttons stay at the right.
    auto* grid = new QGridLayout(this);
    grid->addWidget(sourceLabel, 0, 0);
    grid->addWidget(source_, 0, 1);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(name_, 1, 1);
    grid->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    source_->setMinimumWidth(fontMetrics().averageCharWidth() * 32);

    connect(name_, &QLineEdit::textChanged, this, &DuplicateImageDialog::updateOk);
    updateOk();
    name_->setFocus();
}

QString DuplicateImageDialog::enteredName() const {
    return name_->text().trimmed();
}

void DuplicateImageDialog::updateOk() {
    ok_->setEnabled(!enteredName().isEmpty());
}

void DuplicateImageDialog::showEvent(QShowEvent* event) {
    if (!sized_) {
        sized_ = true;
        adjustSize();
        // Wider only: never smaller or taller than it opens, at most the work area's width.
        const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
        const int widest = screen ? screen->availableGeometry().width() : QWIDGETSIZE_MAX;
        setMinimumSize(size());
        setMaximumSize(std::max(widest, width()), height());
    }
    // Centred over the owner (or the screen) every time it opens.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect over =
        owner ? owner->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect());
    if (over.isValid()) {
        const QRect frame = frameGeometry();
        move(over.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace varnel
