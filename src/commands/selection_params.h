// The parameter records of the Select menu's commands that take parameters from a dialog:
// Feather, Border, Expand, Contract, Save Selection and Load Selection. The editor's dialogs
// build them; the command line reads them from its text form.
#pragma once

#include <cstdint>
#include <string>

namespace varnel {

// Feather: the radius in pixels.
struct FeatherParams {
    double radius = 1.0;
};

// Border, Expand and Contract: a whole number of pixels (the Border action holds its width to
// the widest band it makes).
struct MaskWidthParams {
    int32_t pixels = 1;
};

// Save Selection: into saved channel `index` (counting from 0), combined by `operation` (0
// replace, 1 add, 2 subtract, 3 intersect); an index that names no channel (negative, or the
// number of channels) makes a new channel named `name` (empty: the channel-name rule).
struct SaveSelectionParams {
    int index = -1;
    std::string name;
    int32_t operation = 0;
};

// Load Selection: saved channel `index` (counting from 0), inverted when asked, combined with the
// selection by `operation` (0 new selection, 1 add, 2 subtract, 3 intersect).
struct LoadSelectionParams {
    int index = 0;
    bool invert = false;
    int32_t operation = 0;
};

}  // namespace varnel
