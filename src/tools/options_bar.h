// The options bar: the strip below the main toolbar that shows the options of the tool chosen in
// the toolbox. At its left the hot-tool control shows the chosen tool's picture; to its right the
// page stack shows one option page at a time, keyed by tool number. The canvas tools do not read
// these controls; the view buttons of the Hand and Zoom pages are the only ones acting outside the
// bar (the bar asks for the view command and the main window runs it on the active document
// window).
#pragma once

#include <QPixmap>
#include <QStackedWidget>
#include <QToolBar>
#include <map>

#include "tools/tool_buttons.h"

class QActionGroup;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QToolButton;

namespace varnel {

class ColorSwatchButton;
class NumericField;
class PopupSliderField;

// Button ids of the pages' small toolbars.
enum OptionsButtonId : int {
    kOptSelectionNew = 32960,
    kOptSelectionAdd = 32961,
    kOptSelectionSubtract = 32957,
    kOptSelectionIntersect = 32958,
    kOptSwapSize = 32959,
    kOptFitOnScreen = 32964,
    kOptFitInWindow = 32965,
    kOptPrintSize = 32963,
    kOptActualPixels = 32962,
    kOptZoomIn = 32966,
    kOptZoomOut = 32967,
};

// The view command a view button stands for (Fit on Screen, Fit in Window, Print Size, Actual
// Pixels), or 0.
int viewCommandOfButton(int buttonId);

// The chosen tool's picture: one variant cut from its button's bitmap.
class VeHotToolCtrl : public QWidget {
    Q_OBJECT

public:
    explicit VeHotToolCtrl(QWidget* parent = nullptr);
    // Shows the picture of `variant` of `record`; repaints only when the button or the variant
    // changed.
    void setTool(const ToolButtonRecord* record, int variant);
    const ToolButtonRecord* record() const { return record_; }
    int variant() const { return variant_; }
    QSize sizeHint() const override { return {44, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ToolButtonRecord* record_ = nullptr;
    int variant_ = -1;
    QPixmap bitmap_;
};

// One option page; `key()` is its tool number.
class VeOptionPage : public QWidget {
    Q_OBJECT

public:
    VeOptionPage(int key, QWidget* parent);
    int key() const { return key_; }

private:
    int key_;
};

// A row of exclusive checkable buttons (selection modes, zoom in/out).
class OptionModeBar : public QToolBar {
    Q_OBJECT

public:
    struct Button {
        int id;
        const char* name;
    };
    OptionModeBar(const QString& name, std::initializer_list<Button> buttons, QWidget* parent);
    // The index of the checked button.
    int checkedIndex() const;
    void setCheckedIndex(int index);
    QAction* button(int id) const;

private:
    QActionGroup* group_;
};

// Pages of the marquee (keys 0 ... 3), the lasso (5 ... 7) and the crop (8) tools share the
// selection controls; each field exists only on the pages that show it.
class SelectionOptionsPage : public VeOptionPage {
    Q_OBJECT

public:
    enum class Kind { Marquee, Lasso, Crop };
    enum Style { StyleNormal = 0, StyleFixedAspectRatio = 1, StyleFixedSize = 2 };
    SelectionOptionsPage(int key, Kind kind, QWidget* parent);

    OptionModeBar* modeBar() const { return modes_; }
    int mode() const;  // 0 new, 1 add, 2 subtract, 3 intersect
    NumericField* feather() const { return feather_; }
    QCheckBox* antiAlias() const { return antiAlias_; }
    QComboBox* style() const { return style_; }
    NumericField* widthField() const { return width_; }
    NumericField* heightField() const { return height_; }
    QToolButton* swapButton() const { return swap_; }
    QCheckBox* deleteCropped() const { return deleteCropped_; }
    QCheckBox* shield() const { return shield_; }
    ColorSwatchButton* shieldColor() const { return color_; }
    PopupSliderField* opacity() const { return opacity_; }

    // Exchanges Width and Height when their texts differ.
    void swapSize();

private:
    void addSizeFields(QHBoxLayout* row);

    OptionModeBar* modes_ = nullptr;
    NumericField* feather_ = nullptr;
    QCheckBox* antiAlias_ = nullptr;
    QComboBox* style_ = nullptr;
    NumericField* width_ = nullptr;
    NumericField* height_ = nullptr;
    QToolButton* swap_ = nullptr;
    QCheckBox* deleteCropped_ = nullptr;
    QCheckBox* shield_ = nullptr;
    ColorSwatchButton* color_ = nullptr;
    PopupSliderField* opacity_ = nullptr;
};

// The pages keyed by tool number; shows at most one.
class VeOptionPageStack : public QStackedWidget {
    Q_OBJECT

public:
    explicit VeOptionPageStack(QWidget* parent = nullptr);
    void addPage(VeOptionPage* page);
    VeOptionPage* page(int key) const;
    // Shows the page of `key` when there is one (true), else leaves the shown page (false).
    bool showPage(int key);
    // The key of the page shown, or -1 while none is.
    int shownKey() const;

private:
    QWidget* empty_;
    std::map<int, VeOptionPage*> pages_;
};

class VeOptionsBar : public QToolBar {
    Q_OBJECT

public:
    explicit VeOptionsBar(QWidget* parent = nullptr);

    // What the toolbox calls when a button is chosen: the hot-tool control shows the variant's
    // picture and the stack the page keyed first + variant, if there is one. Variants outside the
    // button's count change nothing.
    void showToolOptions(const ToolButtonRecord& record, int variant);

    VeHotToolCtrl* hotTool() const { return hot_; }
    VeOptionPageStack* pages() const { return stack_; }
    SelectionOptionsPage* selectionPage(int key) const;
    QCheckBox* autoSelectLayer() const { return autoSelect_; }
    OptionModeBar* zoomModes() const { return zoomModes_; }
    QCheckBox* resizeWindowToFit() const { return resizeToFit_; }
    // The view buttons of the Hand page and of the Zoom page.
    QToolBar* handViewBar() const { return handView_; }
    QToolBar* zoomViewBar() const { return zoomView_; }

signals:
    // A view button asks for a view command on the active document window.
    void viewCommandRequested(int commandId);

private:
    QToolBar* makeViewBar(QWidget* parent);

    VeHotToolCtrl* hot_;
    VeOptionPageStack* stack_;
    QCheckBox* autoSelect_ = nullptr;
    OptionModeBar* zoomModes_ = nullptr;
    QCheckBox* resizeToFit_ = nullptr;
    QToolBar* handView_ = nullptr;
    QToolBar* zoomView_ = nullptr;
};

}  // namespace varnel
