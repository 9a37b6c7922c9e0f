// Row-at-a-time compositing: the inner loops that every repaint, save and fill runs. Each function
// gives, pixel for pixel, exactly what blendPixel gives, but picks per run of pixels the cheapest
// exact form (opaque base, constant alpha, ...), so callers never loop over blendPixel themselves.
#pragma once

#include <cstdint>

#include "core/color.h"

namespace varnel {

// The alpha a source pixel brings: plane × opacity / 255, or the opacity where there is no plane.
inline uint8_t effectiveAlpha(uint8_t plane, uint8_t opacity) {
    return uint8_t((uint32_t(plane) * opacity * 0x8081u) >> 23);
}

// Composites `count` source pixels over the base row in place with blendPixel. The source alpha
// of pixel x is effectiveAlpha(sourceAlpha[x], opacity), or `opacity` when `sourceAlpha` is null.
// When `baseAlpha` is null the base counts as opaque and no alpha is written.
void blendRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int mode, int count);

// Starts a composite row from its lowest layer: the alpha becomes the source's effective alpha and
// the colour is copied wherever that alpha is not 0 (elsewhere the colour is left as it was;
// nothing above can bring it back, because over a zero alpha every mode yields the source colour).
void startRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int count);

// Multiplies `plane` into `accumulated` (each step a × b / 255), for layers with several planes.
void multiplyAlphaRow(uint8_t* accumulated, const uint8_t* plane, int count);

}  // namespace varnel
