// The parameter records of the Image Size and Canvas Size commands, for those that build them
// (the editor's size dialogs, the command line's text form).
#pragma once

#include <cstdint>

#include "core/color.h"
#include "imageops/canvas_geometry.h"
#include "imageops/image_size.h"

namespace varnel {

// Image Size, as W,H[,METHOD[,RES[,UNIT]]] on the command line.
struct ImageSizeCommandParams {
    int32_t width = 0, height = 0;
    int32_t method = kResampleBicubicSmooth;
    float resolution = 0;  // 0: the image's
    int32_t unit = -1;     // -1: the image's
};

// Canvas Size, as W,H[,ANCHOR[,RRGGBB]] on the command line.
struct CanvasSizeCommandParams {
    int32_t width = 0, height = 0;
    int32_t anchor = kAnchorCenter;
    bool customColor = false;  // false: the context's Background colour
    ColorRef color = 0;
};

}  // namespace varnel
