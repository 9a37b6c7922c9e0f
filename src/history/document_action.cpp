#include "history/document_action.h"

namespace varnel {

ActiveLayerGuard::ActiveLayerGuard(Document& document, int index)
    : document_(document), previous_(document.layers().activeLayer()) {
    if (LayerItem* layer = document.layers().layerAt(index))
        document.layers().setActiveLayer(layer);
}

ActiveLayerGuard::~ActiveLayerGuard() {
    if (previous_ && document_.layers().contains(previous_))
        document_.layers().setActiveLayer(previous_);
}

}  // namespace varnel
