// The controls the adjustment dialogs draw themselves: the Levels histogram, the strips of
// triangular markers under it and under the output ramp, the Curves editor with its ramps, and the
// tie between a numeric field and the slider under it.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <array>
#include <vector>

#include "dialogs/adjustment_maps.h"

namespace varnel {

class NumericField;
class VeTrackBarCtrl;

// Keeps a slider on a field's value and the field on the slider's: the field's every change moves
// the slider; the user's changes of the slider set the field (whose change the owner hears).
void linkSlider(NumericField* field, VeTrackBarCtrl* slider);
// A slider for the field's range, its track one pixel per value (at least 101 pixels) and a mark
// in the middle when the range is centred on 0.
VeTrackBarCtrl* sliderFor(NumericField* field, QWidget* parent);

// The histogram of one channel: black bars on a light grey ground, 256 pixels wide.
class HistogramView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 128;
    explicit HistogramView(QWidget* parent = nullptr);
    void setBars(const std::array<int, 256>& bars);
    const std::array<int, 256>& bars() const { return bars_; }
    QSize sizeHint() const override { return {256 + 2, kHeight + 2}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<int, 256> bars_{};
};

// A strip of triangular markers over 0 … 255 (the Levels input and output sliders), optionally
// under a grey ramp. A press takes the nearest marker within reach and a drag moves it; the owner
// keeps the markers in order (it hears markerMoved and sets the positions it allows).
class MarkerStrip : public QWidget {
    Q_OBJECT

public:
    // Each marker's fill colour, in order from left to right.
    MarkerStrip(std::vector<QColor> colours, bool withRamp, QWidget* parent = nullptr);

    void setPosition(int marker, int value);
    // What a screen reader calls the markers, left to right; their description lists each with
    // its value ("Black 0, Gamma 128, White 255").
    void setMarkerNames(const QStringList& names);
    int position(int marker) const { return positions_[size_t(marker)]; }
    int markerCount() const { return int(positions_.size()); }
    // The x of a value, and the value at an x (both 0 … 255 over the strip's 256 pixels).
    static int xOf(int value) { return value + kMargin; }
    static int valueAt(int x);
    // The marker a press at x takes (−1 for none).
    int markerAt(int x) const;

    QSize sizeHint() const override;

signals:
    void markerMoved(int marker, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void describe();

    static constexpr int kMargin = 5;
    static constexpr int kRampHeight = 12;
    std::vector<QColor> colours_;
    std::vector<int> positions_;
    QStringList names_;
    bool ramp_;
    int dragging_ = -1;
};

// The Curves editor: a 256 × 256 grid with the curve of one channel through its points, a ramp
// along the left (output) and the bottom (input). A press on a point selects it and a drag moves
// it; a press on the curve away from the points adds one; Ctrl+press on a point removes it (not
// the first or last). Keys: Page Up and Page Down choose the previous or next point, the arrows
// move the chosen point by one, Insert adds one on the curve halfway to the next point, Delete
// removes the chosen one.
class CurvesEditor : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRamp = 12;              // width of the ramps
    static constexpr int kGap = 3;                // between a ramp and the grid
    static constexpr int kOrigin = kRamp + kGap;  // the grid's left edge and distance from bottom

    explicit CurvesEditor(QWidget* parent = nullptr);

    void setCurve(const CurvePoints& curve);
    const CurvePoints& curve() const { return curve_; }
    int selected() const { return selected_; }
    void setSelected(int index);
    // Moves the selected point (the Input/Output fields' edits).
    void moveSelected(Point to);

    // Widget position ↔ curve coordinates (y grows upwards on the curve).
    QPoint widgetPoint(Point curvePoint) const;
    Point curvePoint(QPoint widgetPoint) const;

    QSize sizeHint() const override;

signals:
    // The curve or the selection changed.
    void curveChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void changed();

    CurvePoints curve_;
    int selected_ = 0;
    bool dragging_ = false;
};

}  // namespace varnel
