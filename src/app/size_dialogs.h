// The dialogs of the Image menu's Image Size and Canvas Size, registered with the image windows:
// each returns its command's parameter record, which the window performs as one named step.
#pragma once

namespace varnel {

// Registers both dialogs (ImageWindow::setParameterDialog); from then on the image windows offer
// Image Size and Canvas Size.
void registerSizeDialogs();

}  // namespace varnel
