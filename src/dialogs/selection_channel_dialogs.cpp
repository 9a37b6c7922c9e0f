#include "dialogs/selection_channel_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/dialog_support.h"

namespace varnel {

namespace {

const QString kNewChannelEntry = QStringLiteral("- New -");
const QString kNewChannel = QStringLiteral("N&ew channel");
const QString kReplaceChannel = QStringLiteral("R&eplace channel");

// Four radio buttons 0 … 3 in a group box, the first checked.
QButtonGroup* addOperations(QGroupBox* box, const QStringList& texts) {
    auto* group = new QButtonGroup(box);
    auto* column = new QVBoxLayout(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto* button = new QRadioButton(texts[i], box);
        button->setObjectName(QStringLiteral("operation%1").arg(i));
        nameAfterText(button, texts[i]);
        group->addButton(button, i);
        column->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return group;
}

// Settings and buttons side by side, the buttons at the top right.
void layOut(QDialog* dialog, QGroupBox* top, QGroupBox* bottom, QDialogButtonBox* buttons) {
    auto* grid = new QGridLayout(dialog);
    grid->addWidget(top, 0, 0);
    grid->addWidget(bottom, 1, 0);
    grid->addWidget(buttons, 0, 1, 2, 1, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace

// --- Save Selection
// -------------------------------------------------------------------------------

SaveSelectionDialog::SaveSelectionDialog(const QStringList& channels, QWidget* parent)
    : ParameterDialog(QStringLiteral("Save Selection"), parent),
      channelCount_(int(channels.size())) {
    setWindowTitle(QStringLiteral("Save Selection"));

    auto* destination = new QGroupBox(QStringLiteral("Destination"), this);
    channel_ = new QComboBox(destination);
    channel_->setObjectName(QStringLiteral("saveChannel"));
    channel_->addItems(channels);
    channel_->addItem(kNewChannelEntry);
    channel_->setCurrentIndex(channelCount_);
    name_ = new QLineEdit(destination);
    name_->setObjectName(QStringLiteral("saveChannelName"));
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 24);
    auto* form = new QGridLayout(destination);
    form->addWidget(labelFor(QStringLiteral("&Channel:"), channel_), 0, 0);
    form->addWidget(channel_, 0, 1);
    form->addWidget(labelFor(QStringLiteral("&Name:"), name_), 1, 0);
    form->addWidget(name_, 1, 1);

    auto* operation = new QGroupBox(QStringLiteral("Operation"), this);
    operation_ = addOperations(operation, {kNewChannel, QStringLiteral("&Add to channel"),
                                           QStringLiteral("&Subtract from channel"),
                                           QStringLiteral("&Intersect with channel")});

    layOut(this, destination, operation, buttonBox());
    connect(channel_, &QComboBox::currentIndexChanged, this, &SaveSelectionDialog::followChannel);
    followChannel();
    channel_->setFocus();
}

QRadioButton* SaveSelectionDialog::operationButton(int operation) const {
    return qobject_cast<QRadioButton*>(operation_->button(operation));
}

void SaveSelectionDialog::followChannel() {
    const bool isNew = channel_->currentIndex() >= channelCount_;
    QRadioButton* first = operationButton(0);
    const QString firstText = isNew ? kNewChannel : kReplaceChannel;
    first->setText(firstText);
    nameAfterText(first, firstText);
    if (isNew) {
        name_->setEnabled(true);
        first->setChecked(true);
    } else {
        // An existing channel keeps its name.
        name_->clear();
        name_->setEnabled(false);
    }
    for (int i = 1; i < 4; ++i) operationButton(i)->setEnabled(!isNew);
}

SaveSelectionParams SaveSelectionDialog::params() const {
    SaveSelectionParams p;
    p.index = std::clamp(channel_->currentIndex(), 0, channelCount_);
    p.name = name_->text().toStdString();
    p.operation = operation_->checkedId();
    return p;
}

// --- Load Selection
// -------------------------------------------------------------------------------

LoadSelectionDialog::LoadSelectionDialog(const QStringList& channels, bool hasSelection,
                                         QWidget* parent)
    : ParameterDialog(QStringLiteral("Load Selection"), parent) {
    setWindowTitle(QStringLiteral("Load Selection"));

    auto* source = new QGroupBox(QStringLiteral("Source"), this);
    channel_ = new QComboBox(source);
    channel_->setObjectName(QStringLiteral("loadChannel"));
    channel_->addItems(channels);
    channel_->setMinimumWidth(channel_->fontMetrics().averageCharWidth() * 24);
    invert_ = new QCheckBox(QStringLiteral("In&vert"), source);
    invert_->setObjectName(QStringLiteral("loadInvert"));
    nameAfterText(invert_, invert_->text());
    auto* form = new QGridLayout(source);
    form->addWidget(labelFor(QStringLiteral("&Channel:"), channel_), 0, 0);
    form->addWidget(channel_, 0, 1);
    form->addWidget(invert_, 1, 1);

    auto* operation = new QGroupBox(QStringLiteral("Operation"), this);
    operation_ = addOperations(
        operation,
        {QStringLiteral("N&ew selection"), QStringLiteral("&Add to selection"),
         QStringLiteral("&Subtract from selection"), QStringLiteral("&Intersect with selection")});
    // Combining needs a selection to combine with.
    for (int i = 1; i < 4; ++i) operationButton(i)->setEnabled(hasSelection);

    layOut(this, source, operation, buttonBox());
    // Nothing to load from: the command does not offer the dialog then, and OK stays off.
    okButton()->setEnabled(!channels.isEmpty());
    channel_->setFocus();
}

QRadioButton* LoadSelectionDialog::operationButton(int operation) const {
    return qobject_cast<QRadioButton*>(operation_->button(operation));
}

LoadSelectionParams LoadSelectionDialog::params() const {
    LoadSelectionParams p;
    p.index = std::max(channel_->currentIndex(), 0);
    p.invert = invert_->isChecked();
    p.operation = operation_->checkedId();
    return p;
}

}  // namespace varnel
