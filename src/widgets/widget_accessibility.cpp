#include "widgets/widget_accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QWidget>
#include <cmath>

#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"
#include "widgets/number_text.h"
#include "widgets/popup_slider_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

QString accessibleNameOf(const QWidget* widget) {
    if (!widget) return {};
    if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
    const QWidget* top = widget->window();
    for (const QLabel* label : top->findChildren<const QLabel*>()) {
        if (label->buddy() == widget) return withoutMnemonic(label->text()).trimmed();
    }
    return {};
}

namespace {

// The name, and the value as text, shared by every control below.
class ControlAccessible : public QAccessibleWidget {
public:
    ControlAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return accessibleNameOf(widget());
            case QAccessible::Value:
                return valueText();
            default:
                return QAccessibleWidget::text(t);
        }
    }

protected:
    virtual QString valueText() const = 0;

    // The widget's own actions first, then the base's (set focus).
    QStringList withBaseActions(QStringList own) const {
        for (const QString& a : QAccessibleWidget::actionNames())
            if (!own.contains(a)) own << a;
        return own;
    }
};

// --- slider
// ----------------------------------------------------------------------------------------

class TrackBarAccessible : public ControlAccessible, public QAccessibleValueInterface {
public:
    explicit TrackBarAccessible(QWidget* w) : ControlAccessible(w, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return ControlAccessible::interface_cast(t);
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok && std::isfinite(v))
            slider()->editValue(
                int(std::clamp<double>(std::round(v), slider()->minimum(), slider()->maximum())));
    }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override {
        return withBaseActions({increaseAction(), decreaseAction()});
    }
    void doAction(const QString& name) override {
        if (!slider()->isEnabled()) return;
        if (name == increaseAction())
            slider()->stepBy(1);
        else if (name == decreaseAction())
            slider()->stepBy(-1);
        else
            ControlAccessible::doAction(name);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == increaseAction()) return {QStringLiteral("Right")};
        if (name == decreaseAction()) return {QStringLiteral("Left")};
        return ControlAccessible::keyBindingsForAction(name);
    }

protected:
    QString valueText() const override { return QString::number(slider()->value()); }

private:
    VeTrackBarCtrl* slider() const { return static_cast<VeTrackBarCtrl*>(widget()); }
};

// --- numeric fields
// ------------------------------------------------------------------------------------

// A numeric field reads as a spin box: its number through the value interface, its text through
// the text interfaces (so that it can be read by character and edited), and actions that step it.
class NumberFieldAccessible : public ControlAccessible,
                              public QAccessibleValueInterface,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface {
public:
    explicit NumberFieldAccessible(QWidget* w) : ControlAccessible(w, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        switch (t) {
            case QAccessible::ValueInterface:
                return static_cast<QAccessibleValueInterface*>(this);
            case QAccessible::TextInterface:
                return static_cast<QAccessibleTextInterface*>(this);
            case QAccessible::EditableTextInterface:
                return static_cast<QAccessibleEditableTextInterface*>(this);
            default:
                return ControlAccessible::interface_cast(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = ControlAccessible::state();
        s.editable = !edit()->isReadOnly();
        s.readOnly = edit()->isReadOnly();
        s.selectableText = true;
        if (auto* popup = popupField()) {
            s.hasPopup = true;
            s.expandable = true;
            s.expanded = popup->isPopupOpen();
            s.collapsed = !popup->isPopupOpen();
        }
        return s;
    }

    // A value set from outside counts as the user's: shown, then committed.
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value || edit()->isReadOnly()) {
            ControlAccessible::setText(t, text);
            return;
        }
        if (!isNumberTextAllowed(text, field()->textFormat())) return;
        edit()->setText(text);
        field()->finishEditing();
    }

    // --- value
    QVariant currentValue() const override {
        if (auto* f = floatField()) return f->value();
        return intField()->value();
    }
    void setCurrentValue(const QVariant& value) override {
        if (edit()->isReadOnly() || !edit()->isEnabled()) return;
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok || !std::isfinite(v)) return;
        if (auto* f = floatField()) {
            f->editValue(v);
        } else {
            auto* i = intField();
            i->editValue(int(std::clamp<double>(std::round(v), i->minimum(), i->maximum())));
        }
    }
    QVariant minimumValue() const override {
        if (auto* f = floatField()) return f->minimum();
        return intField()->minimum();
    }
    QVariant maximumValue() const override {
        if (auto* f = floatField()) return f->maximum();
        return intField()->maximum();
    }
    QVariant minimumStepSize() const override {
        if (auto* f = floatField()) return f->step();
        return intField()->step();
    }

    // --- actions
    QStringList actionNames() const override {
        QStringList own{increaseAction(), decreaseAction()};
        if (popupField()) own << showMenuAction();
        return withBaseActions(own);
    }
    void doAction(const QString& name) override {
        const bool editable = edit()->isEnabled() && !edit()->isReadOnly();
        if (name == increaseAction()) {
            if (editable) field()->stepBy(1);
        } else if (name == decreaseAction()) {
            if (editable) field()->stepBy(-1);
        } else if (name == showMenuAction() && popupField()) {
            popupField()->openPopup();
        } else {
            ControlAccessible::doAction(name);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == increaseAction()) return {QStringLiteral("Up")};
        if (name == decreaseAction()) return {QStringLiteral("Down")};
        if (name == showMenuAction()) return {QStringLiteral("Alt+Down")};
        return ControlAccessible::keyBindingsForAction(name);
    }

    // --- text
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !edit()->hasSelectedText()) return;
        *start = edit()->selectionStart();
        *end = *start + int(edit()->selectedText().size());
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) edit()->deselect();
    }
    void setSelection(int index, int start, int end) override {
        if (index != 0) return;
        const int n = characterCount();
        start = std::clamp(start, 0, n);
        end = std::clamp(end, 0, n);
        edit()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int start, int end) const override {
        const QString t = edit()->text();
        start = std::clamp(start, 0, int(t.size()));
        end = std::clamp(end, start, int(t.size()));
        return t.mid(start, end - start);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    QRect characterRect(int offset) const override {
        // The text starts at the left of the frame's contents and is short enough never to
        // scroll in these fields.
        const QString t = edit()->text();
        offset = std::clamp(offset, 0, int(t.size()));
        const QFontMetrics fm = edit()->fontMetrics();
        QStyleOptionFrame option;
        option.initFrom(edit());
        const QRect contents =
            edit()->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit());
        const int x = contents.left() + 2 + fm.horizontalAdvance(t.left(offset));
        const int w = offset < t.size() ? fm.horizontalAdvance(t.at(offset)) : 1;
        const QRect local(x, contents.top() + (contents.height() - fm.height()) / 2, w,
                          fm.height());
        return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override {
        edit()->setCursorPosition(end);
        edit()->setCursorPosition(start);
    }
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

    // --- editing, through the field's own filter
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        if (edit()->isReadOnly()) return;
        setSelection(0, start, end);
        if (start == end) edit()->setCursorPosition(std::clamp(start, 0, characterCount()));
        edit()->insert(text);  // refused whole when the result is not a number
    }

protected:
    QString valueText() const override { return edit()->text(); }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
    NumberFieldBase* field() const { return static_cast<NumberFieldBase*>(widget()); }
    NumericField* intField() const { return qobject_cast<NumericField*>(widget()); }
    FloatField* floatField() const { return qobject_cast<FloatField*>(widget()); }
    PopupSliderField* popupField() const { return qobject_cast<PopupSliderField*>(widget()); }
};

// --- colour swatch
// -----------------------------------------------------------------------------------

// A button whose value is its colour, "#RRGGBB"; pressing it opens the colour dialog, and setting
// the value takes the colour as a pick does.
class SwatchAccessible : public ControlAccessible {
public:
    explicit SwatchAccessible(QWidget* w) : ControlAccessible(w, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description) {
            const QColor c = swatch()->color();
            return QStringLiteral("Red %1, green %2, blue %3")
                .arg(c.red())
                .arg(c.green())
                .arg(c.blue());
        }
        return ControlAccessible::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value && swatch()->isEnabled()) {
            const QColor c = QColor::fromString(text.trimmed());
            if (c.isValid()) swatch()->takeColor(c);
            return;
        }
        ControlAccessible::setText(t, text);
    }

    QStringList actionNames() const override { return withBaseActions({pressAction()}); }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            if (swatch()->isEnabled()) swatch()->chooseColor();
            return;
        }
        ControlAccessible::doAction(name);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return {QStringLiteral("Space")};
        return ControlAccessible::keyBindingsForAction(name);
    }

protected:
    QString valueText() const override { return swatch()->color().name().toUpper(); }

private:
    ColorSwatchButton* swatch() const { return static_cast<ColorSwatchButton*>(widget()); }
};

// --- choice lists and tool bar extensions
// --------------------------------------------------------------

// A drop-down list reads by its name (accessible name or buddy label) with the chosen entry as its
// value. Qt's own interface on this platform gives the chosen entry as the name too, which leaves
// a list without a visible label (the Layers palette's blend mode) nameless for a screen reader.
// A list with neither name nor label is read by its entry, as before. (The interface is made when
// the list is built, before it has a name, so it must look the name up each time.)
class ComboAccessible : public ControlAccessible {
public:
    explicit ComboAccessible(QWidget* w) : ControlAccessible(w, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = accessibleNameOf(widget());
            return name.isEmpty() ? valueText() : name;
        }
        return ControlAccessible::text(t);
    }

    int childCount() const override { return combo()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        if (index != 0 || !combo()->view()) return nullptr;
        return QAccessible::queryAccessibleInterface(combo()->view());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && combo()->view() && child->object() == combo()->view() ? 0 : -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = ControlAccessible::state();
        s.expandable = true;
        s.expanded = combo()->view() && combo()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }

    QStringList actionNames() const override {
        return withBaseActions({showMenuAction(), pressAction()});
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction()) {
            if (combo()->isEnabled()) combo()->showPopup();
            return;
        }
        ControlAccessible::doAction(name);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == showMenuAction() || name == pressAction()) return {QStringLiteral("Alt+Down")};
        return ControlAccessible::keyBindingsForAction(name);
    }

protected:
    QString valueText() const override {
        return combo()->isEditable() && combo()->lineEdit() ? combo()->lineEdit()->text()
                                                            : combo()->currentText();
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

// The button a tool bar shows when its buttons do not fit: Qt leaves it without a name.
class ToolBarExtensionAccessible : public ControlAccessible {
public:
    explicit ToolBarExtensionAccessible(QWidget* w)
        : ControlAccessible(w, QAccessible::ButtonMenu) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("More buttons");
        if (t == QAccessible::Description)
            return QStringLiteral("Shows the buttons that do not fit in the tool bar");
        return ControlAccessible::text(t);
    }
    QStringList actionNames() const override { return withBaseActions({pressAction()}); }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            if (button()->isEnabled()) button()->click();
            return;
        }
        ControlAccessible::doAction(name);
    }

protected:
    QString valueText() const override { return {}; }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
};

QAccessibleInterface* widgetsFactory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    auto is = [&key](const QMetaObject& m) { return key == QLatin1String(m.className()); };
    if (is(VeTrackBarCtrl::staticMetaObject)) return new TrackBarAccessible(w);
    if (is(PopupSliderField::staticMetaObject) || is(NumericField::staticMetaObject) ||
        is(FloatField::staticMetaObject))
        return new NumberFieldAccessible(w);
    if (is(ColorSwatchButton::staticMetaObject)) return new SwatchAccessible(w);
    if (key == QLatin1String("QComboBox")) return new ComboAccessible(w);
    if (key == QLatin1String("QToolButton") &&
        w->objectName() == QLatin1String("qt_toolbar_ext_button"))
        return new ToolBarExtensionAccessible(w);
    return nullptr;
}

}  // namespace

void installWidgetAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(widgetsFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace varnel
