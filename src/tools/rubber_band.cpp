#include "tools/rubber_band.h"

#include "view/ve_view.h"

namespace varnel {

RubberBand::~RubberBand() {
    stop();
}

bool RubberBand::start(VeView& view) {
    // A band still shown elsewhere goes first.
    cancel();
    timer_.start(kInterval, &view);
    if (!timer_.isActive()) return false;
    owner_ = &view;
    running_ = true;
    return true;
}

void RubberBand::show(bool erase) {
    if (!running_ || !owner_) return;
    for (const Rect& r : drawing_.show(owner_->invertMask(), erase)) owner_->repaintClientRect(r);
}

void RubberBand::stop() {
    // The view's own timers die with it; stopping one of a view that is gone is not needed.
    if (owner_) timer_.stop();
    running_ = false;
    owner_ = nullptr;
    drawing_.reset();
}

void RubberBand::cancel() {
    show(true);
    stop();
}

}  // namespace varnel
