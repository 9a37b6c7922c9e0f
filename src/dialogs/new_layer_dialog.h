// The New Layer dialog: the name, blend mode and opacity of a new empty layer. It opens centred
// over its owner each time, with the properties it is given (the proposed name, Normal, 100%).
//
//   LayerProperties initial;
//   initial.name = proposedLayerName(...);
//   NewLayerDialog dialog(initial, window);
//   if (dialog.exec() == QDialog::Accepted) record "New Layer" with dialog.properties();
#pragma once

#include <QDialog>

#include "document/layer_stack.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace varnel {

class PopupSliderField;

class NewLayerDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 255;

    explicit NewLayerDialog(const LayerProperties& initial, QWidget* parent = nullptr);

    // The name as typed, the mode and the opacity byte trunc(p × 2.55 + 0.5) of the percentage
    // shown (held to 0 … 100).
    LayerProperties properties() const;

    QLineEdit* nameField() const { return name_; }
    QComboBox* modeList() const { return mode_; }
    PopupSliderField* opacityField() const { return opacity_; }
    QPushButton* okButton() const { return ok_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateOk();

    QLineEdit* name_ = nullptr;
    QComboBox* mode_ = nullptr;
    PopupSliderField* opacity_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace varnel
