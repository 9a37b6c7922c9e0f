// The palettes' link to one image window: the Layers palette's requests carried out on the
// window's document, each change that the history records as one named step, and the canvas view
// the Info palette reads. Every request is checked against the document as it is now (a layer
// index may be stale by the time it arrives) and refused when it does not fit.
#pragma once

#include "commands/catalogue.h"
#include "palettes/palette_document.h"

namespace varnel {

class ImageWindow;
class LayerItem;

class ImageWindowPalette : public PaletteDocument {
public:
    explicit ImageWindowPalette(ImageWindow& window) : window_(window) {}
    // Tells the palettes first, while the document still exists.
    ~ImageWindowPalette() override;

    Document* document() override;
    VeView* view() override;
    bool request(const LayerRequest& request) override;
    const History* history() override;
    std::string historyOrigin() override;
    bool stepHistoryTo(int index) override;

private:
    // Runs the catalogue command `id` on `layer`, which it makes the active layer.
    bool runOn(LayerItem* layer, int id, const CommandParams& params);

    ImageWindow& window_;
};

}  // namespace varnel
