#include "app/edit_dialogs.h"

#include <QLineEdit>
#include <QStringList>

#include "app/image_window.h"
#include "commands/layer_params.h"
#include "commands/selection_params.h"
#include "dialogs/duplicate_layer_dialog.h"
#include "dialogs/fill_dialog.h"
#include "dialogs/new_layer_dialog.h"
#include "dialogs/one_value_dialog.h"
#include "dialogs/selection_channel_dialogs.h"
#include "document/channels.h"
#include "document/document.h"

namespace varnel {

namespace {

EditDialogRunner& runner() {
    static EditDialogRunner run;
    return run;
}

bool run(QDialog& dialog) {
    return runner() ? runner()(dialog) : dialog.exec() == QDialog::Accepted;
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList channelNames(const Document& document) {
    QStringList names;
    for (const auto& channel : document.channels()) names.append(qs(channel->name()));
    return names;
}

std::optional<CommandParams> fill(QWidget* parent, const DocumentCommand&, Document& document,
                                  Selection&, const CommandContext& context) {
    const LayerItem* active = document.layers().activeLayer();
    FillDialog dialog(Bgr::fromColorRef(context.foreground), Bgr::fromColorRef(context.background),
                      active && active->isBackground(), parent);
    if (!run(dialog)) return std::nullopt;
    return CommandParams(dialog.settings());
}

std::optional<CommandParams> newLayer(QWidget* parent, const DocumentCommand&, Document& document,
                                      Selection&, const CommandContext&) {
    LayerProperties initial;
    initial.name = document.layers().nextLayerName();
    NewLayerDialog dialog(initial, parent);
    if (!run(dialog)) return std::nullopt;
    return CommandParams(dialog.properties());
}

std::optional<CommandParams> duplicateLayer(QWidget* parent, const DocumentCommand&,
                                            Document& document, Selection&, const CommandContext&) {
    const LayerItem* active = document.layers().activeLayer();
    if (!active) return std::nullopt;
    DuplicateLayerDialog dialog(qs(active->name()),
                                qs(document.layers().duplicateName(active->name())), parent);
    if (!run(dialog)) return std::nullopt;
    return CommandParams(LayerNameParams{dialog.copyName()});
}

std::optional<CommandParams> layerProperties(QWidget* parent, const DocumentCommand&,
                                             Document& document, Selection&,
                                             const CommandContext&) {
    const LayerItem* active = document.layers().activeLayer();
    if (!active) return std::nullopt;
    OneValueDialog dialog(OneValueDialog::layerNameUse(), parent);
    dialog.setText(qs(active->name()));
    dialog.valueField()->selectAll();
    if (!run(dialog)) return std::nullopt;
    return CommandParams(LayerNameParams{dialog.text().toStdString()});
}

std::optional<CommandParams> saveSelection(QWidget* parent, const DocumentCommand&,
                                           Document& document, Selection&, const CommandContext&) {
    SaveSelectionDialog dialog(channelNames(document), parent);
    if (!run(dialog)) return std::nullopt;
    return CommandParams(dialog.params());
}

std::optional<CommandParams> loadSelection(QWidget* parent, const DocumentCommand&,
                                           Document& document, Selection& selection,
                                           const CommandContext&) {
    LoadSelectionDialog dialog(channelNames(document), !selection.isEmpty(), parent);
    if (!run(dialog)) return std::nullopt;
    return CommandParams(dialog.params());
}

CommandDialog selectionModify(SelectionModify which) {
    return [which](QWidget* parent, const DocumentCommand&, Document&, Selection&,
                   const CommandContext&) -> std::optional<CommandParams> {
        SelectionModifyDialog dialog(which, parent);
        if (!run(dialog)) return std::nullopt;
        if (which == SelectionModify::Feather) return CommandParams(FeatherParams{dialog.radius()});
        return CommandParams(MaskWidthParams{dialog.amount()});
    };
}

}  // namespace

void registerEditDialogs() {
    ImageWindow::setParameterDialog(kCmdEditFill, fill);
    ImageWindow::setParameterDialog(kCmdMenuNewLayer, newLayer);
    ImageWindow::setParameterDialog(kCmdMenuDuplicateLayer, duplicateLayer);
    ImageWindow::setParameterDialog(kCmdMenuLayerProperties, layerProperties);
    ImageWindow::setParameterDialog(kCmdSelectSave, saveSelection);
    ImageWindow::setParameterDialog(kCmdSelectLoad, loadSelection);
    ImageWindow::setParameterDialog(kCmdSelectFeather, selectionModify(SelectionModify::Feather));
    ImageWindow::setParameterDialog(kCmdSelectBorder, selectionModify(SelectionModify::Border));
    ImageWindow::setParameterDialog(kCmdSelectExpand, selectionModify(SelectionModify::Expand));
    ImageWindow::setParameterDialog(kCmdSelectContract, selectionModify(SelectionModify::Contract));
}

void setEditDialogRunner(EditDialogRunner run) {
    runner() = std::move(run);
}

}  // namespace varnel
