// Command identifiers the document window and its view handle (menu "View" and the zoom field's
// "Canvas Zoom" menu), and the zoom each fixed-zoom command sets.
#pragma once

#include <cstdint>

namespace varnel::view_commands {

inline constexpr int32_t kZoomIn = 32942;
inline constexpr int32_t kZoomOut = 32943;
inline constexpr int32_t kFitOnScreen = 32944;
inline constexpr int32_t kFitInWindow = 32945;
inline constexpr int32_t kActualPixels = 32946;
inline constexpr int32_t kPrintSize = 32947;
inline constexpr int32_t kToggleSelection = 32797;

struct FixedZoom {
    int32_t command;
    float zoom;
    const char* text;
};

// In menu order.
inline constexpr FixedZoom kFixedZooms[] = {
    {32984, 16.0f, "16x"}, {32985, 12.0f, "12x"}, {32986, 8.0f, "8x"},  {32987, 4.0f, "4x"},
    {32988, 3.0f, "3x"},   {32989, 2.0f, "2x"},   {32990, 1.0f, "1x"},  {32997, 0.75f, "75%"},
    {32991, 0.5f, "50%"},  {32992, 0.25f, "25%"}, {32998, 0.1f, "10%"}, {32999, 0.05f, "5%"},
};

// The fixed zoom of a command; 0 when the command is not one.
constexpr float fixedZoomOf(int32_t command) {
    for (const FixedZoom& f : kFixedZooms) {
        if (f.command == command) return f.zoom;
    }
    return 0.0f;
}

}  // namespace varnel::view_commands
