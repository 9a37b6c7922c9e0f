// Small helpers the dialogs share: labelled controls that a screen reader names after their
// label, the blend mode list, and placing a dialog over its owner.
#pragma once

#include <QString>

class QComboBox;
class QDialog;
class QLabel;
class QWidget;

namespace varnel {

// A label for `control` (its buddy, so that the label's mnemonic focuses it); the control is
// named after the label's text without the "&".
QLabel* labelFor(const QString& text, QWidget* control);

// Names a control that carries its own text (check box, radio button) after that text.
void nameAfterText(QWidget* control, const QString& text);

// The nineteen blend modes in id order ("Normal" … "Luminosity"): the list index is the mode id.
void addBlendModes(QComboBox* list);

// Moves `dialog` so that its frame is centred over its owner's window, or over the screen's
// work area when it has no owner.
void centreOverOwner(QDialog* dialog);

}  // namespace varnel
