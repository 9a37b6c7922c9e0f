// Change records: every change to a document ends in one, sent to the document's listeners after
// the composite has been brought up to date for its rectangle.
#pragma once

#include <cstdint>

#include "core/geometry.h"

namespace varnel {

class Document;
class LayerItem;

enum ChangeCode : int32_t {
    kChangeStructure = 0,  // layer added, removed or replaced; geometry of the whole stack
    kChangeName = 1,
    kChangeBlendMode = 2,
    kChangeOpacity = 3,
    kChangeVisibility = 4,
    kChangePixels = 5,
};

struct ChangeRecord {
    Document* document = nullptr;
    LayerItem* layer = nullptr;  // null when the change concerns the whole stack
    Rect rect;                   // canvas coordinates, already clipped to the canvas
    int32_t code = kChangeStructure;
};

class DocumentListener {
public:
    virtual ~DocumentListener() = default;
    virtual void documentChanged(const ChangeRecord& change) = 0;
};

}  // namespace varnel
