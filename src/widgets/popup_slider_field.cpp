#include "widgets/popup_slider_field.h"

#include <QAccessible>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QStyleOptionFrame>

#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

// --- PopupSliderField ---------------------------------------------------------------------------

PopupSliderField::PopupSliderField(QWidget* parent) : NumericField(parent) {
    setObjectName(QStringLiteral("PopupSliderField"));
    // Hover events instead of polling the pointer: the arrow lights up while the pointer is on it.
    setAttribute(Qt::WA_Hover);
    layoutButton();
}

PopupSliderField::~PopupSliderField() {
    if (popup_) {
        popup_->field_ = nullptr;
        delete popup_.data();
    }
}

QRect PopupSliderField::buttonRect() const {
    int frame = 0;
    if (hasFrame()) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    }
    const int inner = std::max(0, height() - 2 * frame);
    const int width = inner * 9 / 10;
    return QRect(this->width() - frame - width, frame, width, inner);
}

void PopupSliderField::layoutButton() {
    setTextMargins(0, 0, buttonRect().width(), 0);
}

void PopupSliderField::resizeEvent(QResizeEvent* event) {
    NumericField::resizeEvent(event);
    layoutButton();
}

void PopupSliderField::setButtonState(ButtonState state) {
    if (!isEnabled()) state = ButtonState::Disabled;
    if (state_ == state) return;
    state_ = state;
    update(buttonRect());
}

void PopupSliderField::updateButtonFromPointer(const QPoint& at) {
    const bool over = buttonRect().contains(at);
    setCursor(over ? Qt::ArrowCursor : Qt::IBeamCursor);
    setButtonState(over ? (pressed_ ? ButtonState::Pressed : ButtonState::Hot)
                        : ButtonState::Normal);
}

bool PopupSliderField::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
            updateButtonFromPointer(static_cast<QHoverEvent*>(event)->position().toPoint());
            break;
        case QEvent::HoverLeave:
            if (!pressed_) setButtonState(ButtonState::Normal);
            break;
        default:
            break;
    }
    return NumericField::event(event);
}

void PopupSliderField::paintEvent(QPaintEvent* event) {
    NumericField::paintEvent(event);
    QPainter p(this);
    QStyleOption option;
    option.initFrom(this);
    option.rect = buttonRect();
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
    switch (state_) {
        case ButtonState::Pressed:
            option.state |= QStyle::State_Sunken | QStyle::State_MouseOver;
            style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &p, this);
            break;
        case ButtonState::Hot:
            option.state |= QStyle::State_Raised | QStyle::State_MouseOver;
            style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &p, this);
            break;
        case ButtonState::Disabled:
            option.state &= ~QStyle::State_Enabled;
            break;
        case ButtonState::Normal:
            break;
    }
    // The arrow a little inside the button, pushed by a pixel while pressed.
    const int inset = std::max(1, option.rect.width() / 5);
    option.rect.adjust(inset, inset, -inset, -inset);
    if (state_ == ButtonState::Pressed) option.rect.translate(1, 1);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &option, &p, this);
}

void PopupSliderField::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && buttonRect().contains(event->position().toPoint())) {
        if (isEnabled() && !isReadOnly()) {
            // A press on the arrow while the popup is open only closes it.
            if (popup_) reopenAllowed_ = false;
            setFocus(Qt::MouseFocusReason);
            pressed_ = true;
            setButtonState(ButtonState::Pressed);
        }
        event->accept();
        return;
    }
    NumericField::mousePressEvent(event);
}

void PopupSliderField::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click on the arrow is another click, not a word selection.
    if (event->button() == Qt::LeftButton && buttonRect().contains(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    NumericField::mouseDoubleClickEvent(event);
}

void PopupSliderField::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_) {
        updateButtonFromPointer(event->position().toPoint());
        event->accept();
        return;
    }
    NumericField::mouseMoveEvent(event);
}

void PopupSliderField::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) {
        NumericField::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    event->accept();
    if (!buttonRect().contains(event->position().toPoint())) {
        setButtonState(ButtonState::Normal);
        return;
    }
    setButtonState(ButtonState::Hot);
    if (!reopenAllowed_) {
        reopenAllowed_ = true;
        return;
    }
    openPopup();
}

void PopupSliderField::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) ||
        (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        openPopup();
        event->accept();
        return;
    }
    NumericField::keyPressEvent(event);
}

void PopupSliderField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled() && popup_) popup_->close();
        pressed_ = false;
        state_ = isEnabled() ? ButtonState::Normal : ButtonState::Disabled;
        update();
    }
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) layoutButton();
    NumericField::changeEvent(event);
}

void PopupSliderField::openPopup() {
    if (popup_ || !isEnabled() || isReadOnly()) return;
    auto* popup = new VePopupForm(this);
    popup_ = popup;
    const QRect onScreen(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* s = screen();
    popup->setGeometry(VePopupForm::placement(onScreen, s ? s->availableGeometry() : QRect()));
    popup->show();
    announceExpanded();
    emit popupOpened();
}

void PopupSliderField::popupFinished(bool escaped, bool byKey, int openingValue) {
    popup_ = nullptr;
    if (escaped) showValue(openingValue);
    if (escaped || byKey) selectAll();
    // Escape leaves the value the field had before the popup, which needs no commit.
    if (!escaped) commitIfChanged();
    setButtonState(underMouse() && buttonRect().contains(mapFromGlobal(QCursor::pos()))
                       ? ButtonState::Hot
                       : ButtonState::Normal);
    announceExpanded();
    emit popupClosed();
}

void PopupSliderField::announceExpanded() {
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

// --- VePopupForm
// ---------------------------------------------------------------------------------------

VePopupForm::VePopupForm(PopupSliderField* field) : QFrame(field, Qt::Popup), field_(field) {
    setObjectName(QStringLiteral("VePopupForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A thin plain frame in the shadow colour.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setForegroundRole(QPalette::Dark);
    setAccessibleName(field->accessibleName());
    resize(kWidth, kHeight);

    openingValue_ = field->value();
    slider_ = new VeTrackBarCtrl(this);
    slider_->setAccessibleName(field->accessibleName());
    slider_->setRange(field->minimum(), field->maximum());
    slider_->setValue(openingValue_);
    // The client area less 3 pixels left and right and 2 top and bottom; the track spans it.
    const QRect client = contentsRect().adjusted(3, 2, -3, -2);
    slider_->setTrackLength(client.width() - 2 * kTrackMargin);
    slider_->setGeometry(client);
    connect(slider_, &VeTrackBarCtrl::valueEdited, this, [this](int value) {
        if (field_) field_->showValue(value);
    });
    slider_->setFocus();
}

VePopupForm::~VePopupForm() {
    finish();
}

QRect VePopupForm::placement(const QRect& field, const QRect& workArea) {
    QRect r(field.right() + 1 - kWidth, field.bottom() + 1, kWidth, kHeight);
    if (workArea.isValid()) {
        if (r.bottom() > workArea.bottom() && field.top() - kHeight >= workArea.top())
            r.moveBottom(field.top() - 1);
        if (r.right() > workArea.right()) r.moveRight(workArea.right());
        if (r.left() < workArea.left()) r.moveLeft(workArea.left());
    }
    return r;
}

void VePopupForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            closedByEscape_ = true;
            closedByKey_ = true;
            close();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            closedByKey_ = true;
            close();
            break;
        default:
            QFrame::keyPressEvent(event);
            return;
    }
    event->accept();
}

void VePopupForm::mousePressEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        // A click outside closes the popup. On the field's own arrow it does nothing else: the
        // press is not passed on, so it cannot open the popup again.
        if (field_) {
            const QRect arrow(field_->mapToGlobal(field_->buttonRect().topLeft()),
                              field_->buttonRect().size());
            if (arrow.contains(event->globalPosition().toPoint()))
                setAttribute(Qt::WA_NoMouseReplay);
        }
        close();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void VePopupForm::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    finish();
}

void VePopupForm::finish() {
    if (finished_) return;
    finished_ = true;
    if (field_) field_->popupFinished(closedByEscape_, closedByKey_, openingValue_);
}

}  // namespace varnel
