// ColorSwatchButton: a small framed swatch painted with its colour. Pressing the left button on
// it and dragging picks the colour of the screen pixel under the pointer (the pointer becomes a
// cross); releasing over the swatch instead opens the colour dialog, which shares its 16 custom
// colours with every swatch for the program's run. Space or Enter open the dialog from the
// keyboard. Each colour taken, picked or chosen, becomes the swatch's colour and is reported with
// colorTaken; what the colour means is the owner's business.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

namespace varnel {

class ColorSwatchButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged USER true)

public:
    static constexpr int kCustomColorCount = 16;

    // The colour dialog: the chosen colour, nothing when cancelled. Tests put their own in place.
    using ColorChooser =
        std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
    // The colour of the screen pixel at a global position; nothing when it cannot be read.
    using ScreenSampler = std::function<std::optional<QColor>(const QPoint& global)>;

    explicit ColorSwatchButton(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    // Shows `color` (made opaque); the program's own change: colorChanged, not colorTaken.
    void setColor(const QColor& color);

    // Takes `color` as the user does: shown, then colorTaken.
    void takeColor(const QColor& color);
    // Opens the colour dialog at the swatch's colour; true when a colour was chosen (and taken).
    bool chooseColor();

    // Whether the left button is held on the swatch (picking from the screen).
    bool isPicking() const { return picking_; }

    // Replace the colour dialog or the screen reading; an empty function restores the
    // platform's own.
    static void setColorChooser(ColorChooser chooser);
    static void setScreenSampler(ScreenSampler sampler);
    // The custom colours the colour dialog offers, kept for the program's run (white at first).
    static std::array<QColor, kCustomColorCount>& customColors();

    QSize sizeHint() const override;

signals:
    void colorChanged(const QColor& color);
    void colorTaken(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor color_ = Qt::black;
    bool picking_ = false;
};

}  // namespace varnel
