#include "dialogs/dialog_support.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include "core/blend_modes.h"
#include "widgets/number_field.h"
#include "widgets/number_text.h"

namespace varnel {

QLabel* labelFor(const QString& text, QWidget* control) {
    auto* label = new QLabel(text, control->parentWidget());
    label->setBuddy(control);
    control->setAccessibleName(withoutMnemonic(text));
    return label;
}

void nameAfterText(QWidget* control, const QString& text) {
    control->setAccessibleName(withoutMnemonic(text));
}

void addBlendModes(QComboBox* list) {
    for (int id = 0; id < kBlendModeCount; ++id) {
        const std::string_view name = blendModeName(id);
        list->addItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
}

void showNumber(FloatField* field, std::optional<double> value) {
    if (!value) {
        field->clear();
    } else if (*value >= field->minimum() && *value <= field->maximum()) {
        field->setValue(*value);
    } else {
        field->setText(formatReal(*value, field->textFormat()));
    }
}

void centreOverOwner(QDialog* dialog) {
    const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    const QScreen* screen = dialog->screen();
    const QRect over =
        owner ? owner->frameGeometry() : (screen ? screen->availableGeometry() : QRect());
    if (!over.isValid()) return;
    const QRect frame = dialog->frameGeometry();
    dialog->move(over.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

}  // namespace varnel
