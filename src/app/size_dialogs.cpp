#include "app/size_dialogs.h"

#include "app/image_window.h"
#include "commands/geometry_params.h"
#include "dialogs/canvas_size_dialog.h"
#include "dialogs/image_size_dialog.h"

namespace varnel {

void registerSizeDialogs() {
    ImageWindow::setParameterDialog(
        kCmdImageSize,
        [](QWidget* parent, const DocumentCommand&, const Document& document, const Selection&,
           const CommandContext&) -> std::optional<CommandParams> {
            ImageSizeDialog dialog(document, parent);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            const ImageSizeParams& chosen = dialog.params();
            ImageSizeCommandParams params;
            params.width = chosen.width;
            params.height = chosen.height;
            params.method = chosen.method;
            params.resolution = chosen.resolution;
            params.unit = chosen.resolutionUnit;
            return CommandParams(params);
        });
    ImageWindow::setParameterDialog(
        kCmdCanvasSize,
        [](QWidget* parent, const DocumentCommand&, const Document& document, const Selection&,
           const CommandContext& context) -> std::optional<CommandParams> {
            // The extension colours are the settings' Foreground and Background.
            CanvasSizeDialog dialog(document, context.foreground, context.background, parent);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            CanvasSizeCommandParams params;
            params.width = dialog.params().width;
            params.height = dialog.params().height;
            params.anchor = dialog.anchor();
            params.customColor = true;
            params.color = dialog.params().extensionColor;
            return CommandParams(params);
        });
}

}  // namespace varnel
