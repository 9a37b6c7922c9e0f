// Geometry of the whole image: the layers through the stack, the saved channels here. Channels
// change with the layers so that Load Selection still fits the image afterwards. Their new
// pixels are built before the stack is asked to change, and installed only when it succeeded.
#include <cmath>
#include <new>
#include <vector>

#include "document/document.h"
#include "document/replaced_parts.h"
#include "document/surface_geometry.h"

namespace varnel {

namespace {

bool validCanvasSize(Size s) {
    return s.width >= 1 && s.height >= 1 && s.width <= kMaxSurfaceSide &&
           s.height <= kMaxSurfaceSide;
}

// New pixels for every saved channel, built in full before anything changes.
class ChannelPlan {
public:
    // make(source, target) → int fills `target`; a channel for which `skip` holds keeps its
    // pixels. False when memory is short.
    template <typename Make, typename Skip>
    bool build(const ChannelList& channels, Make&& make, Skip&& skip) {
        next_.clear();
        next_.reserve(channels.size());
        for (const auto& c : channels) {
            if (skip(*c)) {
                next_.push_back(nullptr);
                continue;
            }
            auto out = std::make_unique<Channel>();
            if (!make(*c, *out)) return false;
            next_.push_back(std::move(out));
        }
        return true;
    }
    template <typename Make>
    bool build(const ChannelList& channels, Make&& make) {
        return build(channels, std::forward<Make>(make), [](const Channel&) { return false; });
    }
    // Makes room for the stores install() hands over, so that it cannot fail.
    void reserve(ReplacedParts* replaced) const {
        if (replaced) replaced->channels.reserve(replaced->channels.size() + next_.size());
    }
    // Nothing here can fail: the channels keep their names and take the new stores; the old
    // stores go to `replaced` (room reserved) or are freed.
    void install(ChannelList& channels, ReplacedParts* replaced) {
        for (size_t i = 0; i < next_.size() && i < channels.size(); ++i) {
            if (!next_[i]) continue;
            channels[i]->swapStores(*next_[i]);
            if (replaced) replaced->channels.push_back({int(i), next_[i]->takeStore()});
        }
        next_.clear();
    }

private:
    std::vector<std::unique_ptr<Channel>> next_;
};

// The angle as a number of clockwise quarter turns (1, 2 or 3); 0 for any other angle.
int quarterTurns(double angle) {
    if (std::fabs(angle - 90.0) <= 0.0001) return 1;
    if (std::fabs(angle - 180.0) <= 0.0001) return 2;
    if (std::fabs(angle - 270.0) <= 0.0001) return 3;
    return 0;
}

}  // namespace

int Document::crop(Rect rect, ReplacedParts* replaced) {
    rect = rect.normalized().intersected(bounds());
    if (rect.isEmpty()) return 0;
    try {
        ChannelPlan plan;
        if (!plan.build(channels_, [&](const Channel& c, Channel& out) {
                return out.adoptStore(croppedStore(c, rect));
            }))
            return 0;
        plan.reserve(replaced);
        if (!layers().cropAll(rect, replaced)) return 0;
        plan.install(channels_, replaced);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    setCanvasSize(rect.size());
    notify({this, nullptr, bounds(), kChangeStructure});
    return 1;
}

int Document::rotate(double angle, ReplacedParts* replaced) {
    const int turns = quarterTurns(angle);
    if (!turns) return 0;
    if (turns == 2) {
        // In place, for the layers as for the channels: nothing to allocate, nothing to fail.
        if (!layers().rotateAll(angle)) return 0;
        for (auto& c : channels_) c->rotate180();
    } else {
        try {
            ChannelPlan plan;
            if (!plan.build(channels_, [&](const Channel& c, Channel& out) {
                    return c.rotate90Into(out, turns == 1);
                }))
                return 0;
            plan.reserve(replaced);
            if (!layers().rotateAll(angle, replaced)) return 0;
            plan.install(channels_, replaced);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        setCanvasSize({height_, width_});
    }
    notify({this, nullptr, bounds(), kChangeStructure});
    return 1;
}

int Document::flip(bool vertical) {
    if (!layers().flipAll(vertical)) return 0;
    for (auto& c : channels_) {
        if (vertical) {
            c->flipVertical();
        } else {
            c->flipHorizontal();
        }
    }
    notify({this, nullptr, bounds(), kChangeStructure});
    return 1;
}

int Document::resizeAll(Size size, bool smooth, ReplacedParts* replaced) {
    if (!validCanvasSize(size)) return 0;
    if (size == this->size()) return 1;
    try {
        ChannelPlan plan;
        if (!plan.build(
                channels_,
                [&](const Channel& c, Channel& out) { return c.stretchInto(out, size, smooth); },
                [&](const Channel& c) { return c.size() == size; }))
            return 0;
        plan.reserve(replaced);
        if (!layers().resizeAll(size, smooth, replaced)) return 0;
        plan.install(channels_, replaced);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    setCanvasSize(size);
    notify({this, nullptr, bounds(), kChangeStructure});
    return 1;
}

int Document::resizeCanvasAll(Size size, Point shift, ColorRef extension, ReplacedParts* replaced) {
    if (!validCanvasSize(size)) return 0;
    if (size == this->size()) return 1;
    try {
        ChannelPlan plan;
        // The area the old canvas does not cover is not selected.
        if (!plan.build(channels_, [&](const Channel& c, Channel& out) {
                return out.createGray(size.width, size.height) &&
                       c.drawTo(out.raster(), shift.x, shift.y);
            }))
            return 0;
        plan.reserve(replaced);
        if (!layers().resizeCanvasAll(size, shift, extension, replaced)) return 0;
        plan.install(channels_, replaced);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    setCanvasSize(size);
    notify({this, nullptr, bounds(), kChangeStructure});
    return 1;
}

int Document::trim(ReplacedParts* replaced) {
    const LayerStack& stack = layers();
    const RasterLayer* background = stack.count() == 1 ? stack.rasterAt(0) : nullptr;
    if (!background || !background->isBackground() || !background->pixels().isValid()) return 0;
    const Rect box = background->pixels().trimBounds();
    if (box.isEmpty()) return 1;  // one colour: nothing to trim
    const Rect onCanvas = box.offset(background->offset().x, background->offset().y);
    if (onCanvas == bounds()) return 1;
    return crop(onCanvas, replaced);
}

}  // namespace varnel
