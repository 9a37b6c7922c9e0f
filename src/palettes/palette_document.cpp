#include "palettes/palette_document.h"

#include <algorithm>

namespace varnel {

PaletteDocument::~PaletteDocument() {
    announceGone();
}

void PaletteDocument::addWatcher(Watcher* watcher) {
    if (watcher && std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end())
        watchers_.push_back(watcher);
}

void PaletteDocument::removeWatcher(Watcher* watcher) {
    watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), watcher), watchers_.end());
}

void PaletteDocument::announceGone() {
    if (gone_) return;
    gone_ = true;
    // A watcher may remove itself (or another) while being told.
    const std::vector<Watcher*> watchers = watchers_;
    for (Watcher* w : watchers)
        if (std::find(watchers_.begin(), watchers_.end(), w) != watchers_.end())
            w->paletteDocumentGone(this);
    watchers_.clear();
}

}  // namespace varnel
