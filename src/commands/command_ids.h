// The identifiers of every command of the editor: the document commands of the catalogue, the
// application's and the view's. They are the ids carried by the menu items, accelerators, toolbar
// buttons and the document windows' own menus, and stay stable because palettes and document
// windows send them too. Shared by the catalogue (commands/), the view and the application.
#pragma once

namespace varnel {

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
    // The view's zoom commands; the fixed zooms are the view's "Canvas Zoom" menu.
    kCmdZoomIn = 32942,
    kCmdZoomOut = 32943,
    kCmdFitOnScreen = 32944,
    kCmdFitInWindow = 32945,
    kCmdPrintSize = 32947,
    kCmdActualPixels = 32946,
    kCmdViewModeButton = 32970,
    kCmdFullScreen = 32971,
    kCmdZoom16x = 32984,
    kCmdZoom12x = 32985,
    kCmdZoom8x = 32986,
    kCmdZoom4x = 32987,
    kCmdZoom3x = 32988,
    kCmdZoom2x = 32989,
    kCmdZoom1x = 32990,
    kCmdZoom50 = 32991,
    kCmdZoom25 = 32992,
    kCmdZoom75 = 32997,
    kCmdZoom10 = 32998,
    kCmdZoom5 = 32999,

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

    // Document commands of the Layers palette and the command catalogue. The layer commands carry
    // the numbers of the Layers palette's requests; the others are the command catalogue's own,
    // for the command line, the palettes and the Layer menu (Merge Down, Merge Visible, Flatten
    // Image).
    kCmdLayerProperties = 34769,
    kCmdLayerBlending = 34771,
    kCmdLayerOpacity = 34772,
    kCmdNewLayer = 34773,
    kCmdDuplicateLayer = 34774,
    kCmdDeleteLayer = 34775,
    kCmdColorize = 35001,
    kCmdAddLayer = 35002,
    kCmdMergeDown = 35003,
    kCmdMergeVisible = 35004,
    kCmdFlattenImage = 35005,
    kCmdSelectRectangle = 35006,
    kCmdSelectEllipse = 35007,
    kCmdLayerOrder = 35008,

    // The Layer menu's items (the dialog forms of the Layers palette's requests) and the
    // clipboard commands added to the Edit menu.
    kCmdMenuNewLayer = 35020,
    kCmdMenuDuplicateLayer = 35021,
    kCmdMenuDeleteLayer = 35022,
    kCmdMenuLayerProperties = 35023,
    kCmdMergeLayers = 35024,
    kCmdEditCopyMerged = 35025,
    kCmdEditPasteNewImage = 35026,
};

}  // namespace varnel
