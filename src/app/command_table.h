// The editor's commands: identifiers, menu texts, accelerators, status-bar prompts and tooltips,
// and the layout of the main menu. Plain data, so that the menus the window builds and the rules
// that decide which items appear can be checked without a window.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace varnel {

// Command identifiers. They are the ids carried by the menu items, accelerators and toolbar
// buttons, and are kept stable because palettes and document windows send them too.
enum CommandId : int {
    kCmdFillForeground = 101,
    kCmdFillBackground = 102,

    kCmdFileNew = 57600,
    kCmdFileNewFromClipboard = 32802,
    kCmdFileOpen = 57601,
    kCmdFileClose = 57602,
    kCmdFileCloseAll = 32850,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFilePageSetup = 57605,
    kCmdFilePrintPreview = 33002,
    kCmdFilePrint = 57607,
    kCmdRecentFirst = 57616,  // entry i of the recent files has kCmdRecentFirst + i
    kCmdRecentLast = 57631,
    kCmdRecentClear = 33050,
    kCmdAppExit = 57665,

    kCmdEditUndo = 57643,
    kCmdEditRedo = 57644,
    kCmdToolHand = 33037,
    kCmdToolMarquee = 33039,
    kCmdToolZoomIn = 33040,
    kCmdToolZoomOut = 33041,
    kCmdEditClear = 57632,
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,
    kCmdEditReserved1 = 32851,
    kCmdEditReserved2 = 32852,
    kCmdEditFill = 32853,
    kCmdEditPurgeUndo = 32898,

    kCmdImageDuplicate = 32778,
    kCmdImageSize = 32779,
    kCmdCanvasSize = 32780,
    kCmdRotate180 = 32877,
    kCmdRotate90CW = 32878,
    kCmdRotate90CCW = 32879,
    kCmdFlipHorizontal = 32881,
    kCmdFlipVertical = 32882,
    kCmdCrop = 32847,
    kCmdTrim = 32824,

    kCmdLevels = 32904,
    kCmdAutoLevels = 32914,
    kCmdAutoContrast = 32915,
    kCmdCurves = 32865,
    kCmdBrightnessContrast = 32913,
    kCmdColorBalance = 32924,
    kCmdHueSaturation = 32912,
    kCmdDesaturate = 32909,
    kCmdInvert = 32910,

    kCmdSelectAll = 32790,
    kCmdSelectNone = 32791,
    kCmdSelectInverse = 32792,
    kCmdToggleSelection = 32797,
    kCmdSelectFeather = 32866,
    kCmdSelectBorder = 32925,
    kCmdSelectExpand = 32927,
    kCmdSelectContract = 32928,
    kCmdSelectGrow = 33008,
    kCmdSelectSimilar = 32872,
    kCmdSelectLoad = 32929,
    kCmdSelectSave = 32930,

    kCmdLastFilter = 32846,
    kCmdBlur = 32935,
    kCmdBlurMore = 32934,
    kCmdGaussianBlur = 32936,
    kCmdSharpen = 32940,
    kCmdSharpenMore = 32941,

    kCmdOptions = 32785,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdZoomIn = 32942,
    kCmdZoomOut = 32943,
    kCmdFitOnScreen = 32944,
    kCmdFitInWindow = 32945,
    kCmdPrintSize = 32947,
    kCmdActualPixels = 32946,
    kCmdViewModeButton = 32970,
    kCmdFullScreen = 32971,

    kCmdWindowCascade = 57650,
    kCmdWindowTile = 57651,
    kCmdWindowArrange = 57649,
    kCmdNextPane = 57680,
    kCmdPreviousPane = 57681,

    kCmdHelpContents = 33011,
    kCmdHelpSearch = 33010,
    kCmdHelpIndex = 57666,
    kCmdHelpFeedback = 33079,
    kCmdWebHome = 33075,
    kCmdWebUpdates = 33068,
    kCmdAbout = 57664,
};

// Who carries a command out: the main frame itself, or the active document window (the frame
// forwards it; with no document window open it does nothing).
enum class CommandHandler { Frame, Document };

struct CommandInfo {
    int id;
    // Menu text with its "&" mnemonic; empty for commands that have no menu item.
    const char* menuText;
    // Accelerators in Qt's portable key-sequence text, separated by "; "; empty for none.
    const char* shortcuts;
    // Shown in the status bar while the item is highlighted.
    const char* prompt;
    // Tooltip of the toolbar button.
    const char* tooltip;
    CommandHandler handler;
    // Whether the item shows a check mark (toggles).
    bool checkable = false;
};

// Every command, in the order of the menus.
std::span<const CommandInfo> commandTable();
// The entry of `id`, or null.
const CommandInfo* findCommand(int id);

// One item of a menu in the main menu layout.
struct MenuItem {
    enum class Kind {
        Command,      // the command `id`
        Separator,    // kept only between two shown items
        Submenu,      // `title` with `items`; dropped when none of its items is shown
        RecentFiles,  // the "Recent Files" submenu, filled from the recent files list
    };
    Kind kind = Kind::Command;
    int id = 0;
    std::string title;
    std::vector<MenuItem> items;
};

// The menu bar: one Submenu item per menu, left to right.
const std::vector<MenuItem>& mainMenuLayout();

// The layout reduced to what is shown when only the commands for which `shown` is true may
// appear: unshown commands are removed, then empty submenus, then separators at the start or
// end of a menu and every separator that follows another one. The Recent Files submenu is always
// kept.
std::vector<MenuItem> visibleMenuLayout(const std::vector<MenuItem>& layout,
                                        const std::function<bool(int)>& shown);

// The menu text shown to the user: `text` without its mnemonic marks ("&&" stays one "&").
std::string stripMnemonic(const std::string& text);

}  // namespace varnel
