// Small helpers the dialogs share: labelled controls that a screen reader names after their
// label, the blend mode list, and placing a dialog over its owner.
#pragma once

#include <QString>
#include <optional>

class QComboBox;
class QDialog;
class QLabel;
class QWidget;

namespace varnel {

class FloatField;

// A label for `control` (its buddy, so that the label's mnemonic focuses it); the control is
// named after the label's text without the "&".
QLabel* labelFor(const QString& text, QWidget* control);

// Names a control that carries its own text (check box, radio button) after that text.
void nameAfterText(QWidget* control, const QString& text);

// The nineteen blend modes in id order ("Normal" … "Luminosity"): the list index is the mode id.
void addBlendModes(QComboBox* list);

// Shows a number the dialog worked out in a field, as the program's own change (nothing is
// committed): empty for nothing, and a number beyond the field's range written as it is rather
// than brought inside, so that the field never shows another value than the one the dialog
// refuses.
void showNumber(FloatField* field, std::optional<double> value);

// Moves `dialog` so that its frame is centred over its owner's window, or over the screen's
// work area when it has no owner.
void centreOverOwner(QDialog* dialog);

}  // namespace varnel
