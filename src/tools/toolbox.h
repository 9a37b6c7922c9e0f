// The toolbox: a narrow window holding a banner, the grid of tool buttons, the colour chooser and
// the view mode chooser. Choosing a button tells the options bar which tool's options to show; it
// does not change the active canvas tool, which the Edit menu and the main toolbar choose.
// Buttons with several variants open their flyout when held for 300 ms. Double clicks on the
// hand and zoom buttons ask for view commands; the view mode chooser asks for the standard view
// or full screen.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "tools/tool_buttons.h"

class QMenu;
class QToolButton;

namespace varnel {

// Where everything of the toolbox lies, in its client coordinates.
struct ToolboxLayout {
    QRect banner;
    std::vector<QRect> buttons;  // one per button record, in display order
    QRect grid;
    QRect colorChooser;
    QRect viewModeChooser;
    QSize client;
};
ToolboxLayout toolboxLayout(const std::vector<ToolButtonRecord>& records);

// One tool button: shows its current variant's picture; the flyout changes the variant.
class VeToolButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kFlyoutDelayMs = 300;

    VeToolButton(const ToolButtonRecord& record, QWidget* parent);
    const ToolButtonRecord& record() const { return record_; }
    int variant() const { return variant_; }
    void setVariant(int variant);
    QMenu* flyout() const { return flyout_; }
    // Opens the flyout at the button's top-right corner (what holding the button does; the menu
    // key and Alt+Down do it from the keyboard).
    void openFlyout();

signals:
    // The user chose the button, or another variant from its flyout.
    void chosen(VeToolButton* button);
    void doubleClicked(VeToolButton* button, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override { return {25, 21}; }

private:
    void updateName();

    const ToolButtonRecord& record_;
    int variant_ = 0;
    QPixmap bitmap_;
    QMenu* flyout_ = nullptr;
    QTimer hold_;
    bool flyoutOpened_ = false;
};

// The foreground and background colours with the swap and reset areas. Dragging from a swatch
// picks the colour under the pointer; a click on a swatch opens the colour dialog.
class VeToolboxColorChooser : public QWidget {
    Q_OBJECT

public:
    using ColorChooser =
        std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
    using ColorSampler = std::function<std::optional<QColor>(const QPoint& global)>;

    // Areas, right and bottom exclusive as QRect's are not: QRect(x, y, w, h).
    static QRect foregroundArea() { return {5, 4, 28, 28}; }
    static QRect backgroundArea() { return {19, 18, 28, 28}; }
    static QRect swapArea() { return {34, 1, 16, 16}; }
    static QRect resetArea() { return {2, 33, 16, 16}; }

    explicit VeToolboxColorChooser(QWidget* parent = nullptr);
    QColor foreground() const { return fg_; }
    QColor background() const { return bg_; }
    void setForeground(const QColor& color);
    void setBackground(const QColor& color);
    void swapColors();
    void resetColors();

    // Tests put their own colour dialog and pixel reader in place.
    void setColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }
    void setColorSampler(ColorSampler sampler) { sampler_ = std::move(sampler); }
    // The colour shown at a global position: a document view's own rendered frame when the
    // pointer is over one, else the screen where the platform lets us read it.
    static std::optional<QColor> colorAt(const QPoint& global);

    QSize sizeHint() const override { return {52, 54}; }

signals:
    void colorsChanged(const QColor& foreground, const QColor& background);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Press { None, Foreground, Background, Elsewhere };
    Press partAt(const QPoint& p) const;
    void chooseColor(bool foreground);
    void updateParts();

    QColor fg_ = Qt::black;
    QColor bg_ = Qt::white;
    Press press_ = Press::None;
    bool dragging_ = false;
    ColorChooser chooser_;
    ColorSampler sampler_;
    QAbstractButton* fgPart_;
    QAbstractButton* bgPart_;
    QAbstractButton* swapPart_;
    QAbstractButton* resetPart_;
};

// Two buttons: the standard view and full screen.
class VeViewModeChooser : public QWidget {
    Q_OBJECT

public:
    explicit VeViewModeChooser(QWidget* parent = nullptr);
    bool fullScreen() const;
    // What the main window reports (its full-screen flag).
    void setFullScreen(bool on);
    QToolButton* standardButton() const { return standard_; }
    QToolButton* fullScreenButton() const { return full_; }
    QSize sizeHint() const override { return {52, 75}; }

signals:
    // kCmdViewModeButton (standard view) or kCmdFullScreen.
    void commandRequested(int id);

protected:
    void changeEvent(QEvent* event) override;

private:
    QToolButton* standard_;
    QToolButton* full_;
};

class VeToolbox : public QWidget {
    Q_OBJECT

public:
    explicit VeToolbox(QWidget* parent = nullptr);

    const std::vector<VeToolButton*>& buttons() const { return buttons_; }
    VeToolButton* buttonOf(int toolNumber) const;
    // Chooses the tool `toolNumber` (its button, showing that variant) as a click on the button
    // does; false when no button has it.
    bool chooseTool(int toolNumber);
    // The tool number last chosen, -1 before the first choice.
    int chosenTool() const { return chosen_; }
    VeToolboxColorChooser* colors() const { return colors_; }
    VeViewModeChooser* viewMode() const { return viewMode_; }

signals:
    // The options bar's cue: show the options of `variant` of `record`.
    void toolChosen(const ToolButtonRecord& record, int variant);
    // A double click's view command for the active document window.
    void viewCommandRequested(int id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buttonChosen(VeToolButton* button);

    std::vector<VeToolButton*> buttons_;
    int chosen_ = -1;
    VeToolboxColorChooser* colors_;
    VeViewModeChooser* viewMode_;
};

}  // namespace varnel
