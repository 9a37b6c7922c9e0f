#include "app/adjustment_commands.h"

#include <QApplication>
#include <QDialog>

#include "app/image_window.h"
#include "dialogs/brightness_contrast_dialog.h"
#include "dialogs/color_balance_dialog.h"
#include "dialogs/curves_dialog.h"
#include "dialogs/gaussian_blur_dialog.h"
#include "dialogs/hue_saturation_dialog.h"
#include "dialogs/levels_dialog.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel {

namespace {

constexpr int kAdjustmentIds[] = {kCmdLevels,       kCmdCurves,        kCmdBrightnessContrast,
                                  kCmdColorBalance, kCmdHueSaturation, kCmdGaussianBlur};

AdjustmentDialogRunner& runner() {
    static AdjustmentDialogRunner run;
    return run;
}

std::unique_ptr<AdjustmentDialog> makeDialog(int id, const AdjustmentTarget& target,
                                             const CommandContext& context, QWidget* parent) {
    switch (id) {
        case kCmdLevels:
            return std::make_unique<LevelsDialog>(target, parent);
        case kCmdCurves:
            return std::make_unique<CurvesDialog>(target, parent);
        case kCmdBrightnessContrast:
            return std::make_unique<BrightnessContrastDialog>(target, parent);
        case kCmdColorBalance:
            return std::make_unique<ColorBalanceDialog>(target, parent);
        case kCmdHueSaturation:
            // Colorize starts from the hue of the Foreground colour.
            return std::make_unique<HueSaturationDialog>(
                target, Bgr::fromColorRef(context.foreground), parent);
        case kCmdGaussianBlur:
            return std::make_unique<GaussianBlurDialog>(target, parent);
        default:
            return nullptr;
    }
}

}  // namespace

bool isAdjustmentCommand(int id) {
    return std::find(std::begin(kAdjustmentIds), std::end(kAdjustmentIds), id) !=
           std::end(kAdjustmentIds);
}

void registerAdjustmentDialogs() {
    for (int id : kAdjustmentIds) ImageWindow::setParameterDialog(id, runAdjustmentDialog);
}

std::optional<CommandParams> runAdjustmentDialog(QWidget* parent, const DocumentCommand& command,
                                                 Document& document, Selection& selection,
                                                 const CommandContext& context) {
    AdjustmentTarget target{&document, &selection, document.bounds()};
    if (auto* frame = qobject_cast<VeChildFrame*>(parent))
        target.visibleImage = frame->view()->scroller().visibleImageRect();
    // Making the dialog counts the histogram or copies the layer for the preview pane.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<AdjustmentDialog> dialog = makeDialog(command.id, target, context, parent);
    QApplication::restoreOverrideCursor();
    if (!dialog) return std::nullopt;
    const bool ok = runner() ? runner()(*dialog) : dialog->exec() == QDialog::Accepted;
    if (!ok) return std::nullopt;
    return dialog->commandParams();
}

void setAdjustmentDialogRunner(AdjustmentDialogRunner run) {
    runner() = std::move(run);
}

}  // namespace varnel
