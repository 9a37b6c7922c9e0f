// AdjustmentDialog: the base of the dialogs that set up an adjustment or Gaussian Blur with a live
// preview on the real active layer (Levels, Curves, Brightness/Contrast, Color Balance,
// Hue/Saturation, Gaussian Blur).
//
// The preview runs through one FilterAction (filters/filter_preview.h): the dialog's opening makes
// the action (applying nothing while the values are neutral), every change of a value while
// "Preview" is checked applies the filter for the new values to the layer as it was, unchecking
// "Preview" puts the layer back at once and drops the action, and Cancel does the same. OK puts
// the layer back too and the dialog hands over its values as the parameter record of the
// command's catalogue record (commandParams); the window performs the command with it, so the
// layer ends exactly as the engine computes it for those values, as on the command line.
//
// Previews never queue up: a change asks for one, and while the event loop is busy (a preview
// being computed, the pointer still dragging) further changes only replace the values the next
// preview will use. The window repaints and takes input between two previews.
//
// While Alt is held Cancel reads "Reset" and puts every value back to its default (then previews).
#pragma once

#include <QTimer>
#include <memory>

#include "commands/catalogue.h"
#include "core/geometry.h"
#include "dialogs/parameter_dialog.h"
#include "filters/filter.h"
#include "filters/filter_action.h"
#include "filters/filter_preview.h"

class QCheckBox;
class QGridLayout;
class QLayout;
class QWidget;

namespace varnel {

class Document;
class Selection;

// The document window an adjustment dialog previews on.
struct AdjustmentTarget {
    Document* document = nullptr;
    // The window's selection (null: nothing selected); previews apply within it.
    Selection* selection = nullptr;
    // The visible part of the document's view in image coordinates (where a preview pane starts).
    Rect visibleImage;
};

class AdjustmentDialog : public ParameterDialog {
    Q_OBJECT

public:
    ~AdjustmentDialog() override;

    // The filter for the values shown now.
    virtual std::unique_ptr<Filter> makeFilter() const = 0;
    // Whether the values change nothing (the opening preview then applies nothing).
    virtual bool isNeutral() const = 0;
    // The values shown now as the parameter record the command's catalogue record takes (what
    // the dialog hands over on OK).
    virtual CommandParams commandParams() const = 0;

    QCheckBox* previewBox() const { return previewBox_; }
    // Whether a preview has been asked for and not yet applied.
    bool isPreviewPending() const { return pending_; }
    // Applies the preview asked for, now.
    void flushPreview();
    // The preview's action while one is held (the layer then shows its values).
    const FilterAction* previewAction() const { return preview_.action(); }
    // How many previews have been applied to the layer since the dialog opened (the opening
    // one included, even when its neutral values applied nothing).
    int previewCount() const { return previewCount_; }
    const AdjustmentTarget& target() const { return target_; }

public slots:
    void accept() override;
    void reject() override;

protected:
    AdjustmentDialog(const QString& kind, const AdjustmentTarget& target, QWidget* parent);

    // Lays the dialog out: `contents` on the left, OK, Cancel and "Preview" on the right.
    void setContents(QLayout* contents);
    // The opening value update: call at the end of the subclass's constructor.
    void startPreview();
    // A value changed: asks for a preview with the new values.
    void valuesChanged();

private:
    void runPreview();
    void previewToggled(bool on);

    AdjustmentTarget target_;
    FilterPreview preview_;
    QCheckBox* previewBox_ = nullptr;
    QTimer previewTimer_;
    bool pending_ = false;
    int previewCount_ = 0;
};

}  // namespace varnel
