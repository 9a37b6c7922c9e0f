// What screen readers and UI automation see of the editor's own controls: the slider, the numeric
// and float fields, the popup slider field and the colour swatch expose their name, role, value
// and actions through Qt's accessibility interfaces, so that they can be read and set like the
// standard controls. Two standard controls get the same treatment: a drop-down list that has a
// name or a label reads by it with the chosen entry as its value, and the overflow button of a
// tool bar is named.
//
// The editor installs the factory at start; the editor's own controls also install it themselves
// when the first of them is made. A control's name is its accessible name or, when it has none, the
// text of the label whose buddy it is, without the mnemonic "&".
#pragma once

class QString;
class QWidget;

namespace varnel {

// Registers the interfaces with Qt's accessibility (once per process).
void installWidgetAccessibility();

// The name a control is read by (see above); empty when it has neither.
QString accessibleNameOf(const QWidget* widget);

}  // namespace varnel
