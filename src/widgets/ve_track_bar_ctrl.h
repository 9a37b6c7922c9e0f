// VeTrackBarCtrl: the editor's horizontal slider. A groove with a small thumb picks a whole
// number in a range; the adjustment dialogs put one under their numeric fields and the popup
// slider field opens one in a popup.
//
// Geometry: the track is L pixels of travel (trackLength, default 101) and the control L + 6
// pixels wide; the thumb (7 × 13) has its left edge at (value − minimum) × L / (maximum − minimum
// + 1); a pointer at x picks minimum + (x − 3) × (maximum − minimum) / L (track_bar_geometry.h).
//
// Input: a press or a drag sets the value under the pointer; the wheel and the arrow keys step it
// by 1 (Left and Down down, Right and Up up), Page Up and Page Down by a tenth of the range, Home
// and End to the ends. Enter and Escape are left to the parent (a dialog's default button, the
// popup's close).
//
// Signals: valueChanged for every change of the value (setValue included); valueEdited for each
// change the user makes; valueCommitted once when the user has finished a change (the release
// after a drag, each key or wheel step).
#pragma once

#include <QImage>
#include <QWidget>

#include "widgets/track_bar_geometry.h"

namespace varnel {

class VeTrackBarCtrl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(int minimum READ minimum)
    Q_PROPERTY(int maximum READ maximum)

public:
    // How the groove left of the thumb is filled.
    enum class TrackStyle {
        Solid = 0,       // a light grey up to the thumb
        Gradient = 1,    // face colour to white up to the thumb, eased
        FullShaded = 2,  // the whole groove shaded from top to bottom, whatever the value
    };

    explicit VeTrackBarCtrl(QWidget* parent = nullptr);

    // The ends are put in order; the value is held inside.
    void setRange(int minimum, int maximum);
    int minimum() const { return range_.minimum; }
    int maximum() const { return range_.maximum; }

    int value() const { return value_; }
    // Held to the range; emits valueChanged when the value changes (not valueEdited).
    void setValue(int value);

    // Pixels of travel, 1 … 16000; the control becomes L + 6 pixels wide.
    void setTrackLength(int length);
    int trackLength() const { return trackLength_; }

    void setTrackStyle(TrackStyle style);
    TrackStyle trackStyle() const { return style_; }

    // A mark at the middle of the track (for ranges centred on a neutral value).
    void setCentreMark(bool on);
    bool centreMark() const { return centreMark_; }

    // Whether the pointer is over the thumb.
    bool isHot() const { return hot_; }
    // The thumb's rectangle in the control's coordinates.
    QRect thumbRect() const;
    // The value a pointer at client x would pick.
    int valueAt(int x) const { return valueAtX(range_, x, trackLength_); }

    // Changes the value as the user would: held to the range, then valueEdited and
    // valueCommitted when it changed. Used by the keys, the wheel and assistive technology.
    void stepBy(int steps);
    void editValue(int value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueChanged(int value);
    void valueEdited(int value);
    void valueCommitted(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Sets the value; returns whether it changed. `user` also emits valueEdited.
    bool applyValue(int value, bool user);
    void setHot(bool hot);
    void paintGroove(class QPainter& p, const QRect& groove, const QColor& face) const;
    const QImage& thumbImage(bool hot) const;

    TrackRange range_;
    int value_ = 0;
    int trackLength_ = kDefaultTrackLength;
    TrackStyle style_ = TrackStyle::Gradient;
    bool centreMark_ = false;
    bool hot_ = false;
    bool dragging_ = false;
    int valueAtPress_ = 0;
    int wheelRemainder_ = 0;
    mutable QImage thumbs_[2];  // normal and hot, drawn for the current palette
};

}  // namespace varnel
