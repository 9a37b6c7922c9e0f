#include "app/command_table.h"

#include <algorithm>
#include <array>

namespace varnel {

namespace {

using H = CommandHandler;

// clang-format off
const CommandInfo kCommands[] = {
    // File
    {kCmdFileNew, "&New...", "Ctrl+N", "Create a new image", "New", H::Frame},
    {kCmdFileNewFromClipboard, "New From &Clipboard", "Ctrl+Shift+N",
     "Create a new image from the clipboard contents", "New From Clipboard", H::Frame},
    {kCmdFileOpen, "&Open...", "Ctrl+O", "Open an existing image", "Open", H::Frame},
    {kCmdFileClose, "&Close", "Ctrl+W", "Close the active image", "Close", H::Frame},
    {kCmdFileCloseAll, "Close A&ll", "", "Close all open images", "Close All", H::Frame},
    {kCmdFileSave, "&Save", "Ctrl+S", "Save the active image", "Save", H::Frame},
    {kCmdFileSaveAs, "Save &As...", "", "Save the active image with a new name", "Save As",
     H::Frame},
    {kCmdFilePageSetup, "Page Set&up...", "", "Change the printing options", "Page Setup",
     H::Frame},
    {kCmdFilePrintPreview, "Print with Pre&view...", "",
     "Show how the active image will be printed", "Print with Preview", H::Frame},
    {kCmdFilePrint, "&Print...", "Ctrl+P", "Print the active image", "Print", H::Frame},
    {kCmdRecentClear, "Clear Recent", "", "Clear the list of recent files", "Clear Recent",
     H::Frame},
    {kCmdAppExit, "E&xit", "", "Quit the application; prompts to save images", "Exit",
     H::Frame},

    // Edit
    {kCmdEditUndo, "&Undo", "Ctrl+Z; Alt+Backspace", "Undo the last action", "Undo",
     H::Document},
    {kCmdEditRedo, "&Redo", "Ctrl+Y", "Redo the previously undone action", "Redo",
     H::Document},
    {kCmdToolHand, "&Hand Tool", "", "Scroll the image by dragging it", "Hand Tool", H::Frame,
     true},
    {kCmdToolMarquee, "&Marquee Tool", "", "Select a rectangular area", "Marquee Tool",
     H::Frame, true},
    {kCmdToolZoomIn, "Zoom &In Tool", "", "Zoom in where you click", "Zoom In Tool", H::Frame,
     true},
    {kCmdToolZoomOut, "Zoom &Out Tool", "", "Zoom out where you click", "Zoom Out Tool",
     H::Frame, true},
    {kCmdEditClear, "C&lear", "Del", "Erase the selection", "Clear", H::Document},
    {kCmdEditCut, "&Cut", "Ctrl+X; Shift+Del", "Cut the selection to the clipboard", "Cut",
     H::Document},
    {kCmdEditCopy, "C&opy", "Ctrl+C; Ctrl+Ins", "Copy the selection to the clipboard", "Copy",
     H::Document},
    {kCmdEditCopyMerged, "Copy &Merged", "Ctrl+Shift+C",
     "Copy the selection of all visible layers to the clipboard", "Copy Merged", H::Document},
    {kCmdEditPaste, "P&aste", "Ctrl+V; Shift+Ins",
     "Paste the clipboard contents as a new layer", "Paste", H::Document},
    {kCmdEditPasteNewImage, "Paste into &New Image", "Ctrl+Alt+V",
     "Create a new image from the clipboard contents", "Paste into New Image", H::Frame},
    {kCmdFillForeground, "", "Alt+Del", "Fill the selection with the foreground colour",
     "Fill with Foreground", H::Document},
    {kCmdFillBackground, "", "Ctrl+Del", "Fill the selection with the background colour",
     "Fill with Background", H::Document},
    {kCmdEditFill, "&Fill...", "", "Fill the selection with a colour", "Fill", H::Document},
    {kCmdEditPurgeUndo, "&Undo", "", "Free memory used by history states", "Purge Undo",
     H::Document},
    {kCmdOptions, "O&ptions...", "", "Change the application options", "Options", H::Frame},

    // Image
    {kCmdImageDuplicate, "&Duplicate...", "", "Make a copy of the active image", "Duplicate",
     H::Frame},
    {kCmdImageSize, "&Image Size...", "", "Change the size of the image", "Image Size",
     H::Document},
    {kCmdCanvasSize, "&Canvas Size...", "", "Change the size of the canvas", "Canvas Size",
     H::Document},
    {kCmdRotate180, "&180\u00B0", "", "Rotate the canvas by 180 degrees", "Rotate 180\u00B0",
     H::Document},
    {kCmdRotate90CW, "&90\u00B0 CW", "", "Rotate the canvas by 90 degrees clockwise",
     "Rotate 90\u00B0 CW", H::Document},
    {kCmdRotate90CCW, "90\u00B0 CC&W", "", "Rotate the canvas by 90 degrees counter-clockwise",
     "Rotate 90\u00B0 CCW", H::Document},
    {kCmdFlipHorizontal, "Flip Canvas &Horizontal", "", "Mirror the canvas left to right",
     "Flip Canvas Horizontal", H::Document},
    {kCmdFlipVertical, "Flip Canvas &Vertical", "", "Mirror the canvas top to bottom",
     "Flip Canvas Vertical", H::Document},
    {kCmdCrop, "C&rop", "", "Crop the image to the selection", "Crop", H::Document},
    {kCmdTrim, "&Trim", "", "Remove transparent borders around the image", "Trim",
     H::Document},

    // Layer
    {kCmdMenuNewLayer, "&New Layer...", "", "Add a new layer above the active one", "New Layer",
     H::Document},
    {kCmdMenuDuplicateLayer, "&Duplicate Layer...", "", "Make a copy of the active layer",
     "Duplicate Layer", H::Document},
    {kCmdMenuDeleteLayer, "De&lete Layer", "", "Delete the active layer", "Delete Layer",
     H::Document},
    {kCmdMenuLayerProperties, "Layer &Properties...", "", "Rename the active layer",
     "Layer Properties", H::Document},
    {kCmdMergeLayers, "&Merge Layers", "", "Merge the layers chosen in the Layers palette",
     "Merge Layers", H::Document},
    {kCmdMergeDown, "Merge Do&wn", "Ctrl+E", "Merge the active layer into the layer below",
     "Merge Down", H::Document},
    {kCmdMergeVisible, "Merge &Visible", "Ctrl+Shift+E", "Merge all visible layers",
     "Merge Visible", H::Document},
    {kCmdFlattenImage, "&Flatten Image", "", "Flatten the image into one background layer",
     "Flatten Image", H::Document},

    // Adjust
    {kCmdLevels, "&Levels...", "Ctrl+L", "Adjust the tonal range", "Levels", H::Document},
    {kCmdAutoLevels, "Auto L&evels", "", "Stretch each colour channel to the full range",
     "Auto Levels", H::Document},
    {kCmdAutoContrast, "Auto C&ontrast", "", "Stretch the contrast to the full range",
     "Auto Contrast", H::Document},
    {kCmdCurves, "&Curves...", "Ctrl+M", "Adjust the tonal curve", "Curves", H::Document},
    {kCmdBrightnessContrast, "&Brightness/Contrast...", "", "Adjust brightness and contrast",
     "Brightness/Contrast", H::Document},
    {kCmdColorBalance, "Color B&alance...", "Ctrl+B", "Adjust the colour balance",
     "Color Balance", H::Document},
    {kCmdHueSaturation, "&Hue/Saturation...", "Ctrl+U", "Adjust hue, saturation and lightness",
     "Hue/Saturation", H::Document},
    {kCmdDesaturate, "&Desaturate", "", "Remove the colour, keeping the lightness",
     "Desaturate", H::Document},
    {kCmdInvert, "&Invert", "", "Invert the colours", "Invert", H::Document},

    // Select
    {kCmdSelectAll, "&All", "Ctrl+A", "Select the whole image", "Select All", H::Document},
    {kCmdSelectNone, "&Deselect", "Ctrl+D", "Remove the selection", "Deselect", H::Document},
    {kCmdSelectInverse, "&Inverse", "Ctrl+Shift+I", "Select everything that is not selected",
     "Inverse", H::Document},
    {kCmdToggleSelection, "&Toggle Selection", "Ctrl+H", "Show or hide the selection outline",
     "Toggle Selection", H::Document, true},
    {kCmdSelectFeather, "&Feather...", "", "Soften the edge of the selection", "Feather",
     H::Document},
    {kCmdSelectBorder, "&Border...", "", "Select a band along the edge of the selection",
     "Border", H::Document},
    {kCmdSelectExpand, "&Expand...", "", "Enlarge the selection", "Expand", H::Document},
    {kCmdSelectContract, "&Contract...", "", "Shrink the selection", "Contract", H::Document},
    {kCmdSelectGrow, "&Grow", "", "Add adjacent pixels of similar colour to the selection",
     "Grow", H::Document},
    {kCmdSelectSimilar, "&Similar", "", "Add all pixels of similar colour to the selection",
     "Similar", H::Document},
    {kCmdSelectLoad, "&Load Selection...", "", "Load a saved selection", "Load Selection",
     H::Document},
    {kCmdSelectSave, "Sa&ve Selection...", "", "Save the selection as a channel",
     "Save Selection", H::Document},

    // Filter
    {kCmdLastFilter, "&Last Filter", "Ctrl+F", "Apply the last filter again", "Last Filter",
     H::Document},
    {kCmdBlur, "&Blur", "", "Soften the image slightly", "Blur", H::Document},
    {kCmdBlurMore, "Blur &More", "", "Soften the image", "Blur More", H::Document},
    {kCmdGaussianBlur, "&Gaussian Blur...", "", "Blur the image by a chosen radius",
     "Gaussian Blur", H::Document},
    {kCmdSharpen, "&Sharpen", "", "Sharpen the image slightly", "Sharpen", H::Document},
    {kCmdSharpenMore, "Sharpen Mo&re", "", "Sharpen the image", "Sharpen More", H::Document},

    // View
    {kCmdZoomIn, "Zoom &In", "Num++; Ctrl+=", "Zoom in", "Zoom In", H::Document},
    {kCmdZoomOut, "Zoom &Out", "Num+-; Ctrl+-", "Zoom out", "Zoom Out", H::Document},
    {kCmdFitOnScreen, "&Fit on Screen", "Num+*; Ctrl+0",
     "Fit the image and its window on the screen", "Fit on Screen", H::Document},
    {kCmdFitInWindow, "Fit in &Window", "", "Fit the image in its window", "Fit in Window",
     H::Document},
    {kCmdActualPixels, "&Actual Pixels", "Num+/; Ctrl+Alt+0", "Show the image at 100%",
     "Actual Pixels", H::Document},
    {kCmdPrintSize, "&Print Size", "", "Show the image at its printed size", "Print Size",
     H::Document},
    {kCmdViewModeButton, "", "", "Switch the view mode", "View Mode", H::Frame, true},
    {kCmdFullScreen, "F&ull Screen", "F11", "Show the workspace on the whole screen",
     "Full Screen", H::Frame, true},
    {kCmdViewToolbar, "&Toolbar", "", "Show or hide the toolbar", "Toolbar", H::Frame, true},
    {kCmdViewStatusBar, "&Status Bar", "", "Show or hide the status bar", "Status Bar",
     H::Frame, true},

    // Window
    {kCmdWindowCascade, "&Cascade", "", "Arrange the image windows so they overlap", "Cascade",
     H::Frame},
    {kCmdWindowTile, "&Tile", "", "Arrange the image windows side by side", "Tile", H::Frame},
    {kCmdWindowArrange, "&Arrange Icons", "", "Arrange the minimised image windows",
     "Arrange Icons", H::Frame},
    {kCmdNextPane, "", "F6", "Switch to the next image window", "Next Pane", H::Frame},
    {kCmdPreviousPane, "", "Shift+F6", "Switch to the previous image window", "Previous Pane",
     H::Frame},

    // Help
    {kCmdHelpContents, "&Contents...", "F1", "Show the help contents", "Help Contents",
     H::Frame},
    {kCmdHelpSearch, "&Search...", "", "Search the help", "Search Help", H::Frame},
    {kCmdHelpIndex, "&Index", "", "Show the help index", "Help Index", H::Frame},
    {kCmdHelpFeedback, "&Feedback and Support", "", "How to get help and send feedback",
     "Feedback and Support", H::Frame},
    {kCmdWebHome, "Orvane &Online", "", "Visit the maker's web site", "Orvane Online",
     H::Frame},
    {kCmdWebUpdates, "Check for &Updates", "", "Look for a newer version on the web",
     "Check for Updates", H::Frame},
    {kCmdAbout, "&About Varnel", "", "Show the program's version", "About", H::Frame},
};
// clang-format on

MenuItem cmd(int id) {
    return MenuItem{MenuItem::Kind::Command, id, {}, {}};
}
MenuItem sep() {
    return MenuItem{MenuItem::Kind::Separator, 0, {}, {}};
}
MenuItem sub(std::string title, std::vector<MenuItem> items) {
    return MenuItem{MenuItem::Kind::Submenu, 0, std::move(title), std::move(items)};
}

std::vector<MenuItem> buildLayout() {
    return {
        sub("&File",
            {cmd(kCmdFileNew), cmd(kCmdFileNewFromClipboard), cmd(kCmdFileOpen), cmd(kCmdFileClose),
             cmd(kCmdFileCloseAll), sep(), cmd(kCmdFileSave), cmd(kCmdFileSaveAs), sep(),
             cmd(kCmdFilePageSetup), cmd(kCmdFilePrintPreview), cmd(kCmdFilePrint), sep(),
             MenuItem{MenuItem::Kind::RecentFiles, 0, "Recent Files", {}}, sep(),
             cmd(kCmdAppExit)}),
        sub("&Edit", {cmd(kCmdEditUndo), cmd(kCmdEditRedo), sep(), cmd(kCmdEditCut),
                      cmd(kCmdEditCopy), cmd(kCmdEditCopyMerged), cmd(kCmdEditPaste),
                      cmd(kCmdEditPasteNewImage), sep(), cmd(kCmdEditClear), cmd(kCmdEditFill),
                      sep(), sub("&Purge", {cmd(kCmdEditPurgeUndo)}), sep(),
                      sub("Active &Tool", {cmd(kCmdToolHand), cmd(kCmdToolMarquee),
                                           cmd(kCmdToolZoomIn), cmd(kCmdToolZoomOut)}),
                      sep(), cmd(kCmdOptions)}),
        sub("&Image",
            {cmd(kCmdImageDuplicate), sep(), cmd(kCmdImageSize), cmd(kCmdCanvasSize),
             sub("&Rotate Canvas", {cmd(kCmdRotate180), cmd(kCmdRotate90CW), cmd(kCmdRotate90CCW),
                                    sep(), cmd(kCmdFlipHorizontal), cmd(kCmdFlipVertical)}),
             sep(), cmd(kCmdCrop), cmd(kCmdTrim)}),
        sub("&Layer", {cmd(kCmdMenuNewLayer), cmd(kCmdMenuDuplicateLayer), cmd(kCmdMenuDeleteLayer),
                       sep(), cmd(kCmdMenuLayerProperties), sep(), cmd(kCmdMergeLayers),
                       cmd(kCmdMergeDown), cmd(kCmdMergeVisible), sep(), cmd(kCmdFlattenImage)}),
        sub("&Adjust", {cmd(kCmdLevels), cmd(kCmdAutoLevels), cmd(kCmdAutoContrast),
                        cmd(kCmdCurves), sep(), cmd(kCmdBrightnessContrast), cmd(kCmdColorBalance),
                        cmd(kCmdHueSaturation), sep(), cmd(kCmdDesaturate), cmd(kCmdInvert)}),
        sub("&Select",
            {cmd(kCmdSelectAll), cmd(kCmdSelectNone), cmd(kCmdSelectInverse), sep(),
             cmd(kCmdToggleSelection), sep(), cmd(kCmdSelectFeather), cmd(kCmdSelectBorder),
             cmd(kCmdSelectExpand), cmd(kCmdSelectContract), sep(), cmd(kCmdSelectGrow),
             cmd(kCmdSelectSimilar), sep(), cmd(kCmdSelectLoad), cmd(kCmdSelectSave)}),
        sub("F&ilter", {cmd(kCmdLastFilter), sep(), cmd(kCmdBlur), cmd(kCmdBlurMore),
                        cmd(kCmdGaussianBlur), sep(), cmd(kCmdSharpen), cmd(kCmdSharpenMore)}),
        sub("&View", {cmd(kCmdZoomIn), cmd(kCmdZoomOut), cmd(kCmdFitOnScreen), cmd(kCmdFitInWindow),
                      cmd(kCmdActualPixels), cmd(kCmdPrintSize), sep(), cmd(kCmdFullScreen), sep(),
                      cmd(kCmdViewToolbar), cmd(kCmdViewStatusBar)}),
        sub("&Window", {cmd(kCmdWindowCascade), cmd(kCmdWindowTile), cmd(kCmdWindowArrange)}),
        sub("&Help", {cmd(kCmdHelpContents), cmd(kCmdHelpSearch), cmd(kCmdHelpIndex), sep(),
                      cmd(kCmdHelpFeedback), sep(), cmd(kCmdWebHome), cmd(kCmdWebUpdates), sep(),
                      cmd(kCmdAbout)}),
    };
}

std::vector<MenuItem> visibleItems(const std::vector<MenuItem>& items,
                                   const std::function<bool(int)>& shown) {
    std::vector<MenuItem> out;
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::Command:
                if (shown(item.id)) out.push_back(item);
                break;
            case MenuItem::Kind::RecentFiles:
                out.push_back(item);
                break;
            case MenuItem::Kind::Submenu: {
                MenuItem copy{item.kind, item.id, item.title, visibleItems(item.items, shown)};
                if (!copy.items.empty()) out.push_back(std::move(copy));
                break;
            }
            case MenuItem::Kind::Separator:
                if (!out.empty() && out.back().kind != MenuItem::Kind::Separator)
                    out.push_back(item);
                break;
        }
    }
    if (!out.empty() && out.back().kind == MenuItem::Kind::Separator) out.pop_back();
    return out;
}

}  // namespace

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

const CommandInfo* findCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

const std::vector<MenuItem>& mainMenuLayout() {
    static const std::vector<MenuItem> layout = buildLayout();
    return layout;
}

std::vector<MenuItem> visibleMenuLayout(const std::vector<MenuItem>& layout,
                                        const std::function<bool(int)>& shown) {
    return visibleItems(layout, shown);
}

std::string stripMnemonic(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        // "&x" marks x as the mnemonic and shows "x"; "&&" shows one "&".
        if (text[i] == '&' && ++i == text.size()) break;
        out += text[i];
    }
    return out;
}

}  // namespace varnel
