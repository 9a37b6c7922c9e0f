// PopupSliderField: a numeric field with a small arrow button inside its right edge. A click on
// the arrow opens a popup slider under the field (VePopupForm, 122 × 21); moving it changes the
// field's value at once. Escape in the popup puts back the value the field had when it opened;
// Enter or a click elsewhere keeps the value; a click on the arrow while the popup is open only
// closes it. Alt+Down and F4 open the popup from the keyboard.
//
// Every opacity percentage of the editor is one of these (range 0 … 100, suffix "%").
// Commits: a popup closed on a value other than the one it opened with commits that value once.
#pragma once

#include <QFrame>
#include <QPointer>

#include "widgets/number_field.h"

namespace varnel {

class VeTrackBarCtrl;
class VePopupForm;

class PopupSliderField : public NumericField {
    Q_OBJECT

public:
    enum class ButtonState { Normal = 0, Pressed = 1, Hot = 2, Disabled = 3 };

    explicit PopupSliderField(QWidget* parent = nullptr);
    ~PopupSliderField() override;

    ButtonState buttonState() const { return state_; }
    // The arrow button in the field's coordinates: a strip at the right edge inside the frame,
    // 9/10 of the inner height wide.
    QRect buttonRect() const;

    bool isPopupOpen() const { return popup_ != nullptr; }
    VePopupForm* popup() const { return popup_; }
    // Opens the popup as a click on the arrow does (nothing when it is open or the field is
    // disabled or read-only).
    void openPopup();

signals:
    void popupOpened();
    void popupClosed();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class VePopupForm;
    // The popup went away; `escaped` puts the opening value back, `byKey` selects the text.
    void popupFinished(bool escaped, bool byKey, int openingValue);
    void setButtonState(ButtonState state);
    void updateButtonFromPointer(const QPoint& at);
    void layoutButton();
    void announceExpanded();

    ButtonState state_ = ButtonState::Normal;
    bool pressed_ = false;
    bool reopenAllowed_ = true;
    QPointer<VePopupForm> popup_;
};

// The popup of a PopupSliderField: a framed window holding a slider over the field's range.
class VePopupForm : public QFrame {
    Q_OBJECT

public:
    static constexpr int kWidth = 122;
    static constexpr int kHeight = 21;

    explicit VePopupForm(PopupSliderField* field);
    ~VePopupForm() override;

    VeTrackBarCtrl* slider() const { return slider_; }
    int openingValue() const { return openingValue_; }
    // Where the popup goes for a field: right edges aligned, its top at the field's bottom (above
    // the field when there is no room below on the screen), inside the screen's work area.
    static QRect placement(const QRect& fieldOnScreen, const QRect& workArea);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class PopupSliderField;
    void finish();

    QPointer<PopupSliderField> field_;
    VeTrackBarCtrl* slider_ = nullptr;
    int openingValue_ = 0;
    bool closedByKey_ = false;
    bool closedByEscape_ = false;
    bool finished_ = false;
};

}  // namespace varnel
