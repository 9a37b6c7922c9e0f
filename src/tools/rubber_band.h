// RubberBand: the animated drag rectangle of the marquee and zoom tools on one view. It marks its
// stripes in the view's InvertMask (the view inverts those pixels over its frame when painting)
// and moves them one pixel every 100 ms on a timer of the view, which the view passes to the tool
// that owns the band (onTimer → show(false)).
#pragma once

#include <QBasicTimer>
#include <QPointer>

#include "core/geometry.h"
#include "tools/rubber_band_drawing.h"
#include "view/ve_view.h"

namespace varnel {

class RubberBand {
public:
    static constexpr int kInterval = 100;

    RubberBand() = default;
    RubberBand(const RubberBand&) = delete;
    RubberBand& operator=(const RubberBand&) = delete;
    ~RubberBand();

    // Starts the timer on `view` with nothing shown. False (and the band stays stopped) when the
    // timer cannot be started.
    bool start(VeView& view);
    // The rectangle to show next (client coordinates, normalised).
    void setRect(const Rect& rect) { drawing_.setRect(rect); }
    Rect rect() const { return drawing_.rect(); }
    Rect shownRect() const { return drawing_.shownRect(); }
    // Draws the rectangle, moves its stripes on, or with `erase` takes it off the view. Nothing
    // happens unless the band runs.
    void show(bool erase);
    // Ends the timer and forgets both rectangles and the phase. Does not erase.
    void stop();
    // Takes the rectangle off the view and stops.
    void cancel();

    bool isRunning() const { return running_; }
    VeView* owner() const { return owner_; }
    bool ownsTimer(int timerId) const { return running_ && timer_.timerId() == timerId; }
    int timerId() const { return running_ ? timer_.timerId() : 0; }

private:
    QPointer<VeView> owner_;
    QBasicTimer timer_;
    bool running_ = false;
    RubberBandDrawing drawing_;
};

}  // namespace varnel
