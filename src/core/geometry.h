// Rectangles, sizes and points live with the platform layer, which needs them too; this header
// keeps the engine's usual spelling.
#pragma once

#include "platform/geometry.h"
