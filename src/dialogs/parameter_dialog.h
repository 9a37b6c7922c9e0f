// ParameterDialog: the base of the dialogs that collect the parameters of an editing command and
// keep their place for the program's run (Fill, Save Selection, Load Selection, the one-value
// dialog, and the adjustment dialogs).
//
// - The first time in the run a kind of dialog opens, it is centred over its owner; afterwards it
//   opens where that kind was last closed (kept per kind, never written to disk).
// - While Alt is held with the dialog active, Cancel reads "Reset" (checked every 100 ms);
//   pressing it then calls resetValues() and leaves the dialog open. The dialogs of this folder
//   have nothing to reset, so there it does nothing.
//
// Subclasses put buttonBox() into their layout and read their values in accept().
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <optional>

class QDialogButtonBox;
class QPushButton;
class QTimer;

namespace varnel {

class ParameterDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kAltCheckMs = 100;

    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool isResetShown() const { return resetShown_; }
    const QString& kind() const { return kind_; }

    // The Alt check the timer runs while the dialog is shown.
    void checkAltKey();

    // Where a kind of dialog was last closed in this run.
    static std::optional<QPoint> rememberedPosition(const QString& kind);
    // Forgets every kind's position (for tests).
    static void forgetPositions();

protected:
    // `kind` keys the remembered position; the buttons are OK and Cancel in a column.
    ParameterDialog(const QString& kind, QWidget* parent);

    QDialogButtonBox* buttonBox() const { return buttons_; }
    // What Reset does; nothing here.
    virtual void resetValues() {}

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void done(int result) override;

private:
    void cancelOrReset();
    void setResetShown(bool shown);

    QString kind_;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QString cancelText_;  // the platform's "Cancel"
    QTimer* altTimer_ = nullptr;
    bool resetShown_ = false;
};

}  // namespace varnel
