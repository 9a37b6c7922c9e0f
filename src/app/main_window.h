// The editor's main window: menus and toolbar built from the command table, the
// multiple-document area holding one window per open document, the recent files, and the flows
// that open, save and close documents.
#pragma once

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "app/app_services.h"
#include "app/app_settings.h"
#include "app/document_window.h"
#include "app/recent_files.h"
#include "app/window_state.h"
#include "history/history_budget.h"

class QMdiArea;
class QMimeData;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;

namespace varnel {

class ClipboardStore;
class DocumentSubWindow;
class HelpWindow;
class ToolManager;
class HistoryPage;
class InfoPage;
class LayersPage;
class PaletteGroup;
class SwatchesPage;
class VeOptionsBar;
class VeToolbox;

// What the main window is built with. Anything left empty gets the real thing, except the
// documents (without a provider no document can be opened, and the document commands are not
// shown) and the settings file (without a path the settings are neither read nor written).
struct MainWindowSetup {
    AppSettings* settings = nullptr;  // defaults to AppSettings::instance()
    std::string settingsPath;
    std::unique_ptr<DocumentProvider> documents;
    std::unique_ptr<Prompts> prompts;
    std::unique_ptr<FileDialogs> fileDialogs;
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<CommandDialogs> commandDialogs;
    std::unique_ptr<Printers> printers;
    ClipboardStore* clipboard = nullptr;  // defaults to the process-wide store
    QString programDirectory;  // where the manual is looked for; defaults to the program's
};

// The number of entries of the open dialog's filter; the last, "All Formats", is preselected.
int openFilterEntryCount();

// "Version 1.0.0  (Build 1)" from a four-part version "1.0.0.1" (missing numbers count as 0).
QString aboutVersionText(const std::string& version);
// The web pages of the Help menu.
QUrl makerHomePage();
QUrl updatePage(const std::string& version);

// The status bar's note when undo states were dropped to keep the history within its budgets:
// `cacheFailure` is why the disk cache failed (empty when it did not), `withCache` whether one was
// there to fill first.
QString droppedStatesText(int count, bool withCache, const std::string& cacheFailure);

class MainWindow : public QMainWindow, public MainWindowPlacement {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowSetup setup = {}, QWidget* parent = nullptr);
    // Copies the window's layout into the settings and saves them.
    ~MainWindow() override;

    // Carries out a command as its menu item, accelerator or toolbar button would. Document
    // commands go to the active document window; with none, nothing happens.
    void runCommand(int id);
    // The action of a command; null for ids outside the command table.
    QAction* action(int id) const;
    // Whether the command has a visible menu item or accelerator in this build.
    bool isCommandShown(int id) const;
    // Brings every action's enabled and checked state up to date (also done after each command
    // and whenever a document window reports a change).
    void updateCommandStates();

    // Open file: activates the window of an already open document with this path, otherwise
    // opens it (with the error message on failure) and adds it to the recent files. True when
    // the document is open afterwards.
    bool openFile(const QString& path);
    // Opens each path in turn.
    void openFiles(const QStringList& paths);
    // Dropped files: opened from the last to the first, the window brought forward before each.
    void openDroppedFiles(const QStringList& paths);
    // The local files among dropped data, in drop order.
    static QStringList droppedFiles(const QMimeData* data);
    // A file of the recent files submenu: opened like Open file; on success the entry moves to
    // the top, on failure it is removed.
    void openRecent(int commandId);
    // Paths handed over by a second start. While a modal dialog is open they wait, in the order
    // they came, and open once it has closed.
    void openHandedOverPaths(const QStringList& paths);
    // The handed-over paths still waiting for a modal dialog to close.
    const QStringList& pendingHandedOverPaths() const { return pendingHandover_; }
    // A second start asks for this window: the modal dialog when one is open, else the window.
    void activateFromOtherInstance();

    // Save: a modified document goes to its own file, or through Save As when it has none, its
    // file is gone or its format cannot be written. True when it was saved.
    bool saveDocument(DocumentWindow* window);
    // Save As: asks for a name and format, then saves. The document keeps its old name and path
    // when the save fails.
    bool saveDocumentAs(DocumentWindow* window);
    // Closes the window, asking first whether to save a modified document. False when the user
    // cancelled or the save failed (the window stays open).
    bool closeDocument(DocumentWindow* window);
    // Closes every document window in creation order; stops at the first one that stays open.
    bool closeAll();
    // Exit's question round: every modified document, in window order, is asked whether to save
    // it (Yes saves it at once, through Save As when it needs a name). Nothing is closed here.
    // False at the first Cancel, cancelled Save As or failed save: then everything stays open.
    bool confirmExit();

    // New: the New dialog, then a blank document of the size, resolution and background chosen
    // there, under the name given. True when it was made; "Error creating new image!" when it
    // could not be (not enough memory).
    bool newImage();

    // Options: the Options dialog, then applyOptions with what it returns. True when applied.
    bool editOptions();
    // Makes `options` (brought into their ranges) the settings' and tells what depends on them:
    // a new number of recent files rebuilds the recent files menu, new window or border colours
    // repaint every document window, a new number of history states becomes the limit of every
    // open document's history (trimming it at once). The settings file is written.
    void applyOptions(const AppOptions& options);

    // New From Clipboard: a one-layer document "Clipboard-<n>" of the clipboard's image with its
    // transparency (the store's mask for the store's own image, the alpha channel of another
    // program's). True when it was made.
    bool newFromClipboard();
    // Duplicate: asks for a name, then opens a full copy of the document under it.
    bool duplicateDocument(DocumentWindow* window);

    // Page Setup: the page settings of the current printer. True when confirmed.
    bool pageSetup();
    // Print: the Print dialog, then the document's flattened image on one page of the printer
    // or file chosen there. True when it was printed.
    bool printDocument(DocumentWindow* window);
    // Print with Preview: the page as the current printer would print it; its Print... button
    // goes on to Print.
    void printWithPreview(DocumentWindow* window);
    // The printer the print commands use, kept for the run (the system's default, or a PDF
    // file when there is no printer, until the user chooses another); null before the first
    // print command or when there is no output at all.
    QPrinter* currentPrinter() const { return printer_.get(); }

    QList<DocumentWindow*> documentWindows() const;  // creation order
    DocumentWindow* activeDocumentWindow() const;
    void activateDocumentWindow(DocumentWindow* window);
    QMdiArea* mdiArea() const { return mdi_; }
    // The floating palettes (null in a window without documents) and their pages.
    PaletteGroup* palettes() const { return palettes_; }
    LayersPage* layersPage() const { return layersPage_; }
    InfoPage* infoPage() const { return infoPage_; }
    SwatchesPage* swatchesPage() const { return swatchesPage_; }
    HistoryPage* historyPage() const { return historyPage_; }
    // The Window menu's items that show and hide the palette windows, by window name.
    QAction* paletteAction(const QString& name) const;
    QToolBar* toolBar() const { return toolBar_; }
    // The options bar below the toolbar: the options of the tool chosen in the toolbox.
    VeOptionsBar* optionsBar() const { return optionsBar_; }
    // The toolbox: tool buttons for the options bar, the foreground and background colours the
    // document commands use, the view mode. Shown in a tool window of its own with the main window.
    VeToolbox* toolbox() const { return toolbox_; }
    QWidget* toolboxWindow() const { return toolboxWindow_; }
    // The help window, once a help command has opened it (null before).
    HelpWindow* helpWindow() const { return helpWindow_; }
    // The active tool of the document windows' canvases, chosen by the tool commands.
    ToolManager& tools() const { return *tools_; }
    RecentFiles& recentFiles() { return recent_; }
    AppSettings& settings() { return *settings_; }
    bool isFullScreenMode() const { return fullScreen_; }
    // Adds a window for a document made elsewhere (a new image, a duplicate).
    void addDocumentWindow(std::unique_ptr<DocumentWindow> window);

    // MainWindowPlacement.
    Rect normalRect() const override;
    Rect workArea() const override;
    bool isMaximized() const override;
    bool isToolbarShown() const override;
    bool isStatusBarShown() const override;
    void moveTo(const Rect& rect) override;
    void moveToDefaultPlacement() override;
    void maximize() override;
    void showToolbar(bool shown) override;
    void showStatusBar(bool shown) override;

    void setVisible(bool visible) override;

    // Called by a document's sub-window when it is asked to close.
    bool confirmClose(DocumentWindow* window);
    void documentWindowClosed(DocumentSubWindow* sub);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Wheel turns that no part of the window used scroll the active document window.
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createPalettes();
    // Places the palettes as the settings keep them (or by default) and shows those wanted.
    void applyPaletteLayout();
    void capturePaletteLayout();
    void followActiveDocument();
    void createOptionsBar();
    void createToolbox();
    void fillMenu(QMenu* menu, const std::vector<struct MenuItem>& items);
    void updateWindowMenu();
    void scheduleUpdate();
    // Writes the settings file now (when the window has one).
    void saveSettings();
    bool writeDocument(DocumentWindow* window, const QString& path);
    DocumentWindow* findOpenDocument(const QString& path) const;
    void toggleFullScreen();
    // Opens the handed-over paths that waited, once no modal dialog is open.
    void openPendingHandover();
    void tileHorizontally();
    // Contents, Index, Search and Feedback and Support: the manual in the help window.
    void openHelp(int command);
    void openWebPage(const QUrl& url);
    void showAbout();
    QPrinter* openPrinter();
    void preparePrinter(QPrinter& printer, DocumentWindow* window);
    QImage flattenedImageOf(DocumentWindow* window);
    bool commandNeedsDocument(int id) const;
    bool isCommandEnabled(int id) const;
    void chooseTool(int command);

    AppSettings* settings_;
    std::string settingsPath_;
    std::unique_ptr<DocumentProvider> documents_;
    std::unique_ptr<Prompts> prompts_;
    std::unique_ptr<FileDialogs> fileDialogs_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<CommandDialogs> commandDialogs_;
    std::unique_ptr<Printers> printers_;
    ClipboardStore* clipboard_;
    QString programDirectory_;
    HelpWindow* helpWindow_ = nullptr;
    std::unique_ptr<ToolManager> tools_;
    // The number of the next "Clipboard-%d" document.
    int clipboardCounter_ = 1;
    // The printer state, for this run only: the current printer with its settings, and where
    // the Print dialog was when it last closed.
    std::unique_ptr<QPrinter> printer_;
    std::optional<QPoint> printDialogPosition_;
    // Set while Exit closes the windows after every question was answered.
    bool exitConfirmed_ = false;

    QMdiArea* mdi_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    VeOptionsBar* optionsBar_ = nullptr;
    VeToolbox* toolbox_ = nullptr;
    QWidget* toolboxWindow_ = nullptr;
    bool toolboxPlaced_ = false;
    QMenu* windowMenu_ = nullptr;
    QList<QAction*> windowListActions_;
    std::map<int, QAction*> actions_;
    QList<DocumentSubWindow*> windows_;
    PaletteGroup* palettes_ = nullptr;
    LayersPage* layersPage_ = nullptr;
    InfoPage* infoPage_ = nullptr;
    SwatchesPage* swatchesPage_ = nullptr;
    HistoryPage* historyPage_ = nullptr;
    std::map<QString, QAction*> paletteActions_;
    bool palettesPlaced_ = false;
    RecentFiles recent_;
    bool layoutApplied_ = false;
    bool fullScreen_ = false;
    bool maximizedBeforeFullScreen_ = false;
    bool updateScheduled_ = false;
    QStringList pendingHandover_;
    QTimer* handoverTimer_ = nullptr;
    // Hears of the undo states the shared history budget drops, for the status bar.
    std::unique_ptr<HistoryBudget::Listener> historyNotes_;
};

}  // namespace varnel
