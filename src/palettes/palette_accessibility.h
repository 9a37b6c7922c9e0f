// What screen readers and UI automation see of the palettes' own controls, which draw their items
// themselves: the tab strip is a page tab list whose tabs can be pressed; the layer list is a list
// whose items are the layers, each named by its layer's name, with its visibility as a checkable
// state, its blend mode and opacity as its description, and actions to select it, toggle its
// visibility, rename it and move it up or down; the swatch grid is a list whose items are the
// swatches, each with its colour as its value, pressed to take it as the foreground colour (or
// the background colour through their own action).
//
// The controls install the interfaces themselves when the first of them is made.
#pragma once

class QWidget;

namespace varnel {

// Registers the interfaces with Qt's accessibility (once per process).
void installPaletteAccessibility();

// Releases the accessible items of a tab strip or layer list whose tab or layer is gone.
void forgetMissingItems(QWidget* control);

// The names of the layer items' own actions (besides press and toggle).
inline constexpr char kRenameAction[] = "Rename";
inline constexpr char kMoveUpAction[] = "Move Up";
inline constexpr char kMoveDownAction[] = "Move Down";
// The swatches' action besides press (which takes the foreground colour).
inline constexpr char kSetBackgroundAction[] = "Set Background";

}  // namespace varnel
