// The Save Selection and Load Selection dialogs: which saved channel the selection goes into or
// comes from, and how it combines (0 new or replace, 1 add, 2 subtract, 3 intersect).
//
//   SaveSelectionDialog dialog(channelNames, window);
//   if (dialog.exec() == QDialog::Accepted) {
//       const SaveSelectionParams p = dialog.params();
//       record "Save Selection" with p;  // index == channel count: a new channel
//   }
//   LoadSelectionDialog dialog(channelNames, !selection.isEmpty(), window);
//   if (dialog.exec() == QDialog::Accepted) record "Load Selection" with dialog.params();
#pragma once

#include <QStringList>
#include <cstdint>
#include <string>

#include "commands/selection_params.h"
#include "dialogs/parameter_dialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace varnel {

class SaveSelectionDialog : public ParameterDialog {
    Q_OBJECT

public:
    // `channels`: the names of the document's saved channels in order.
    explicit SaveSelectionDialog(const QStringList& channels, QWidget* parent = nullptr);

    SaveSelectionParams params() const;

    QComboBox* channelList() const { return channel_; }
    QLineEdit* nameField() const { return name_; }
    QRadioButton* operationButton(int operation) const;

private:
    void followChannel();

    int channelCount_ = 0;
    QComboBox* channel_ = nullptr;
    QLineEdit* name_ = nullptr;
    QButtonGroup* operation_ = nullptr;
};

class LoadSelectionDialog : public ParameterDialog {
    Q_OBJECT

public:
    // `channels`: the names of the saved channels (the command needs at least one); without a
    // selection only a new selection can be made.
    LoadSelectionDialog(const QStringList& channels, bool hasSelection, QWidget* parent = nullptr);

    LoadSelectionParams params() const;

    QComboBox* channelList() const { return channel_; }
    QCheckBox* invertBox() const { return invert_; }
    QRadioButton* operationButton(int operation) const;

private:
    QComboBox* channel_ = nullptr;
    QCheckBox* invert_ = nullptr;
    QButtonGroup* operation_ = nullptr;
};

}  // namespace varnel
