// The zoom each of the view's fixed-zoom commands sets (the zoom field's "Canvas Zoom" menu). The
// command ids themselves are the shared ones of commands/command_ids.h.
#pragma once

#include <cstdint>

#include "commands/command_ids.h"

namespace varnel::view_commands {

struct FixedZoom {
    int32_t command;
    float zoom;
    const char* text;
};

// In menu order.
inline constexpr FixedZoom kFixedZooms[] = {
    {kCmdZoom16x, 16.0f, "16x"}, {kCmdZoom12x, 12.0f, "12x"}, {kCmdZoom8x, 8.0f, "8x"},
    {kCmdZoom4x, 4.0f, "4x"},    {kCmdZoom3x, 3.0f, "3x"},    {kCmdZoom2x, 2.0f, "2x"},
    {kCmdZoom1x, 1.0f, "1x"},    {kCmdZoom75, 0.75f, "75%"},  {kCmdZoom50, 0.5f, "50%"},
    {kCmdZoom25, 0.25f, "25%"},  {kCmdZoom10, 0.1f, "10%"},   {kCmdZoom5, 0.05f, "5%"},
};

// The fixed zoom of a command; 0 when the command is not one.
constexpr float fixedZoomOf(int32_t command) {
    for (const FixedZoom& f : kFixedZooms) {
        if (f.command == command) return f.zoom;
    }
    return 0.0f;
}

}  // namespace varnel::view_commands
