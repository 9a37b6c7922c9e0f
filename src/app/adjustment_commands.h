// The dialogs of the commands that set up an adjustment or Gaussian Blur with a live preview:
// Levels, Curves, Brightness/Contrast, Color Balance, Hue/Saturation and Gaussian Blur. Each
// previews on the document window's active layer; OK puts the layer back and hands over the
// command's parameter record, which the window performs through the catalogue.
#pragma once

#include <functional>
#include <optional>

#include "commands/catalogue.h"

class QWidget;

namespace varnel {

class AdjustmentDialog;

// The ids of these commands (their menu items).
bool isAdjustmentCommand(int id);

// Gives the document windows the dialogs of these commands (ImageWindow::setParameterDialog), so
// that the editor offers them.
void registerAdjustmentDialogs();

// Runs the dialog of `command` over `parent` (a document window's frame: the Gaussian Blur pane
// starts where its view shows the image) on the document and its selection. Returns the
// parameter record on OK, nothing on Cancel; the layer is as it was either way.
std::optional<CommandParams> runAdjustmentDialog(QWidget* parent, const DocumentCommand& command,
                                                 Document& document, Selection& selection,
                                                 const CommandContext& context);

// How a dialog is run: true for OK. The editor runs it modally; tests replace it to drive the
// dialog (null puts the modal run back).
using AdjustmentDialogRunner = std::function<bool(AdjustmentDialog&)>;
void setAdjustmentDialogRunner(AdjustmentDialogRunner runner);

}  // namespace varnel
