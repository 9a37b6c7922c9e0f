#include "document/channels.h"

#include <new>
#include <vector>

#include "core/surface_ops.h"
#include "document/layer_names.h"

namespace varnel {

namespace {

Channel* channelAt(const ChannelList& channels, int index) {
    return index >= 0 && size_t(index) < channels.size() ? channels[size_t(index)].get() : nullptr;
}

bool fitsCanvas(const Channel& c, Size canvas) {
    return c.isValid() && c.bitsPerPixel() == 8 && c.size() == canvas;
}

}  // namespace

std::string nextChannelName(const ChannelList& channels) {
    std::vector<std::string> names;
    names.reserve(channels.size());
    for (const auto& c : channels) names.push_back(c->name());
    return std::string(kChannelNamePrefix) +
           std::to_string(largestNumberAfter(names, kChannelNamePrefix) + 1);
}

int saveSelectionAsChannel(Document& document, const Selection& selection,
                           const std::string& name) {
    if (selection.isEmpty() || selection.canvasSize() != document.size()) return 0;
    try {
        auto channel = std::make_unique<Channel>();
        if (!selection.toCanvasMask(*channel)) return 0;
        channel->setName(name.empty() ? nextChannelName(document.channels()) : name);
        document.channels().push_back(std::move(channel));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int saveSelectionToChannel(Document& document, const Selection& selection, int index,
                           int32_t operation, std::unique_ptr<Channel>* previous) {
    if (selection.isEmpty() || selection.canvasSize() != document.size()) return 0;
    Channel* target = channelAt(document.channels(), index);
    if (!target || !fitsCanvas(*target, document.size())) return 0;
    Channel mask;
    if (!selection.toCanvasMask(mask)) return 0;
    std::unique_ptr<Channel> kept;
    if (previous && !(kept = cloneOf(*target))) return 0;
    if (!combineMasks(*target, mask, operation)) return 0;
    if (previous) *previous = std::move(kept);
    return 1;
}

std::unique_ptr<Channel> takeChannel(Document& document, int index) {
    ChannelList& list = document.channels();
    if (!channelAt(list, index)) return nullptr;
    std::unique_ptr<Channel> out = std::move(list[size_t(index)]);
    list.erase(list.begin() + index);
    return out;
}

int restoreChannel(Document& document, int index, const Channel& saved) {
    Channel* target = channelAt(document.channels(), index);
    if (!target || !saved.isValid() || saved.bitsPerPixel() != 8) return 0;
    Channel copy;
    if (!copy.copyFrom(saved)) return 0;
    target->adoptStore(copy.takeStore());
    target->setName(saved.name());
    return 1;
}

int loadSelectionFromChannel(Selection& selection, const Document& document, int index, bool invert,
                             int32_t operation) {
    const Channel* source = channelAt(document.channels(), index);
    if (!source || !fitsCanvas(*source, selection.canvasSize())) return 0;
    Channel work;
    if (!work.copyFrom(*source)) return 0;
    if (invert) {
        for (int32_t y = 0; y < work.height(); ++y) {
            uint8_t* row = work.row(y);
            for (int32_t x = 0; x < work.width(); ++x) row[x] = uint8_t(255 - row[x]);
        }
    }
    if (operation > kCombineReplace) {
        Channel current;
        if (!selection.toCanvasMask(current) || !combineMasks(current, work, operation)) return 0;
        return selection.loadMask(current);
    }
    return selection.loadMask(work);
}

}  // namespace varnel
