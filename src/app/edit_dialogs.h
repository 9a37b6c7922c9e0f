// The dialogs of the Edit, Layer and Select commands that ask for their parameters, registered
// with the image windows: Fill, New Layer, Duplicate Layer, Layer Properties (the layer's name in
// the one-value dialog), Save Selection, Load Selection, Feather, Border, Expand and Contract.
// Each returns its command's parameter record; the window performs it as one named step.
#pragma once

#include <functional>

class QDialog;

namespace varnel {

// Registers the dialogs (ImageWindow::setParameterDialog); from then on the image windows offer
// those commands.
void registerEditDialogs();

// How a dialog is run: true for OK. The editor runs it modally; tests replace it to drive the
// dialog (null puts the modal run back).
using EditDialogRunner = std::function<bool(QDialog&)>;
void setEditDialogRunner(EditDialogRunner runner);

}  // namespace varnel
