// Colour values live with the platform layer, which needs them too; this header keeps the
// engine's usual spelling.
#pragma once

#include "platform/color.h"
