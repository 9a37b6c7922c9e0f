// The Duplicate Layer dialog: the name of a copy of the active layer. It opens centred over its
// owner each time, showing the layer's name and proposing the copy's.
//
//   DuplicateLayerDialog dialog(layerName, proposedCopyName, window);
//   if (dialog.exec() == QDialog::Accepted) record "Duplicate Layer" with dialog.copyName();
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace varnel {

class DuplicateLayerDialog : public QDialog {
    Q_OBJECT

public:
    DuplicateLayerDialog(const QString& layerName, const QString& proposedName,
                         QWidget* parent = nullptr);

    // The "As:" text as typed (OK needs it not to be blank).
    std::string copyName() const;

    QLineEdit* sourceField() const { return source_; }
    QLineEdit* nameField() const { return name_; }
    QPushButton* okButton() const { return ok_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* source_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace varnel
