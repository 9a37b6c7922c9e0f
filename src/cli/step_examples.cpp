#include "cli/step_examples.h"

#include <utility>

namespace varnel {

namespace {

// A step that needs something first (a selection, a second layer, a saved channel) sets it up
// in its example, so that each example runs as printed on any picture of at least 100 x 80.
constexpr std::pair<std::string_view, std::string_view> kExamples[] = {
    {"--add-layer", "--add-layer logo.png:multiply:60"},
    {"--layer-mode", "--new-layer --layer-mode screen"},
    {"--layer-opacity", "--new-layer --layer-opacity 40"},
    {"--layer-name", "--new-layer --layer-name Shadows"},
    {"--new-layer", "--new-layer --layer-name Glow --layer-mode screen"},
    {"--duplicate-layer", "--duplicate-layer --layer-mode overlay"},
    {"--delete-layer", "--new-layer --delete-layer"},
    {"--layer-order", "--new-layer --new-layer --layer-order 3,2"},
    {"--merge-down", "--duplicate-layer --gaussian-blur 4 --merge-down"},
    {"--merge-layers", "--duplicate-layer --duplicate-layer --merge-layers 2,3"},
    {"--merge-visible", "--duplicate-layer --layer-mode multiply --merge-visible"},
    {"--flatten", "--add-layer logo.png --flatten"},
    {"--fill", "--select 10,10,60,40 --fill ff8000:multiply:75"},
    {"--clear", "--select 0,0,50,50 --clear"},
    {"--select", "--select 10,10,90,60 --select 20,20,40,40:subtract --invert"},
    {"--select-ellipse", "--select-ellipse 10,10,90,70 --desaturate"},
    {"--select-all", "--select-all --clear"},
    {"--deselect", "--select 10,10,60,40 --deselect --invert"},
    {"--inverse", "--select 10,10,90,60 --inverse --desaturate"},
    {"--feather", "--select 10,10,90,60 --feather 4 --invert"},
    {"--border", "--select 10,10,90,60 --border 6 --fill 000000"},
    {"--expand", "--select 20,20,60,50 --expand 5 --invert"},
    {"--contract", "--select 10,10,90,70 --contract 5 --invert"},
    {"--grow", "--tolerance 24 --grow 5,5 --desaturate"},
    {"--similar", "--tolerance 24 --similar 5,5 --fill ffffff"},
    {"--save-selection", "--select 10,10,60,40 --save-selection"},
    {"--load-selection",
     "--select 10,10,60,40 --save-selection --deselect --load-selection 1:replace:invert --invert"},
    {"--levels", "--levels 1.2,10,245,0,255"},
    {"--auto-levels", "--auto-levels"},
    {"--auto-contrast", "--auto-contrast"},
    {"--curves", "--curves 0:0,64:80,192:210,255:255"},
    {"--brightness-contrast", "--brightness-contrast 10,25"},
    {"--color-balance", "--color-balance 1,0,0,10,10,0,0,-10,0,0"},
    {"--hue-saturation", "--hue-saturation 15,0,20"},
    {"--colorize", "--colorize 200,40,0"},
    {"--desaturate", "--desaturate"},
    {"--invert", "--invert"},
    {"--blur", "--blur"},
    {"--blur-more", "--blur-more"},
    {"--sharpen", "--sharpen"},
    {"--sharpen-more", "--sharpen-more"},
    {"--gaussian-blur", "--gaussian-blur 2.5"},
    {"--last-filter", "--blur --last-filter"},
    {"--image-size", "--image-size 640,480,5,300,ppi"},
    {"--canvas-size", "--canvas-size 120,100,top-left,ffffff"},
    {"--rotate", "--rotate 90cw"},
    {"--flip", "--flip h"},
    {"--crop", "--select 10,10,90,60 --crop"},
    {"--trim", "--trim"},
    {"--undo", "--invert --blur --undo"},
    {"--redo", "--invert --undo --redo"},
    {"--history-limit", "--history-limit 5 --invert --blur"},
    {"--tolerance", "--tolerance 32 --similar 0,0 --clear"},
    {"--hide-layer", "--add-layer logo.png --hide-layer 1"},
    {"--composite", "--composite --invert --blur"},
};

}  // namespace

std::string stepExample(std::string_view name) {
    if (name.empty()) return {};
    for (const auto& [step, example] : kExamples) {
        if (step == name) return std::string(example);
    }
    return {};
}

std::string stepExampleCommand(std::string_view name) {
    const std::string steps = stepExample(name);
    if (steps.empty()) return {};
    return std::string("varnel-cli edit ") + kExampleInput + " " + steps + " -o " + kExampleOutput;
}

}  // namespace varnel
