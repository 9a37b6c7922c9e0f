#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "app/command_table.h"
#include "app/help_manual.h"
#include "app/help_window.h"
#include "app/image_window.h"
#include "app/printing.h"
#include "app/product_info.h"
#include "app/settings_location.h"
#include "core/clipboard_store.h"
#include "document/document.h"
#include "filters/last_filter.h"
#include "formats/format_registry.h"
#include "formats/format_type.h"
#include "history/history.h"
#include "history/history_disk_cache.h"
#include "palettes/history_page.h"
#include "palettes/info_page.h"
#include "palettes/layer_list.h"
#include "palettes/layers_page.h"
#include "palettes/palette_group.h"
#include "palettes/palette_window.h"
#include "palettes/swatches_page.h"
#include "tools/options_bar.h"
#include "tools/tool_cursors.h"
#include "tools/tool_manager.h"
#include "tools/toolbox.h"
#include "view/ve_child_frame.h"

namespace varnel {

namespace {

const QString kMakerSite = QStringLiteral("https://www.orvane.com/");

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The formats a document can be written in, and the save dialog's entry for each.
bool isWritableFormat(int type) {
    return type == FormatBmp || type == FormatJpeg || type == FormatPng || type == FormatOra ||
           type == FormatWebp || type == FormatTiff;
}
int saveFilterIndexOf(int type) {
    return type == FormatBmp    ? 1
           : type == FormatJpeg ? 2
           : type == FormatOra  ? 4
           : type == FormatWebp ? 5
           : type == FormatTiff ? 7
                                : 3;
}
int formatOfSaveFilter(int index) {
    int type = formatTypeOfSaveFilter(index);
    return type == FormatNone ? FormatPng : type;
}

// Commands of the frame that work in this build, and those of them that need a document.
const std::set<int> kFrameCommands = {
    kCmdFileNew,
    kCmdFileNewFromClipboard,
    kCmdEditPasteNewImage,
    kCmdImageDuplicate,
    kCmdFileOpen,
    kCmdFileClose,
    kCmdFileCloseAll,
    kCmdFileSave,
    kCmdFileSaveAs,
    kCmdFilePageSetup,
    kCmdFilePrintPreview,
    kCmdFilePrint,
    kCmdRecentClear,
    kCmdAppExit,
    kCmdToolHand,
    kCmdToolMarquee,
    kCmdToolZoomIn,
    kCmdToolZoomOut,
    kCmdFullScreen,
    kCmdViewToolbar,
    kCmdViewStatusBar,
    kCmdWindowCascade,
    kCmdWindowTile,
    kCmdWindowArrange,
    kCmdNextPane,
    kCmdPreviousPane,
    kCmdHelpContents,
    kCmdHelpSearch,
    kCmdHelpIndex,
    kCmdHelpFeedback,
    kCmdWebHome,
    kCmdWebUpdates,
    kCmdAbout,
    kCmdOptions,
};
const std::set<int> kDocumentFrameCommands = {
    kCmdFileNew,           kCmdFileNewFromClipboard,
    kCmdEditPasteNewImage, kCmdImageDuplicate,
    kCmdFileOpen,          kCmdFileClose,
    kCmdFileCloseAll,      kCmdFileSave,
    kCmdFileSaveAs,        kCmdFilePageSetup,
    kCmdFilePrintPreview,  kCmdFilePrint,
    kCmdWindowCascade,     kCmdWindowTile,
    kCmdWindowArrange,     kCmdNextPane,
    kCmdPreviousPane,      kCmdToolHand,
    kCmdToolMarquee,       kCmdToolZoomIn,
    kCmdToolZoomOut,
};

const QString kNoPrinterText =
    QStringLiteral("Default printer not found. Please check your settings in the control panel.");

// The tool each tool command chooses.
struct ToolCommand {
    int command;
    unsigned tool;
};
constexpr ToolCommand kToolCommands[] = {{kCmdToolHand, kToolHand},
                                         {kCmdToolMarquee, kToolMarquee},
                                         {kCmdToolZoomIn, kToolZoomIn},
                                         {kCmdToolZoomOut, kToolZoomOut}};

}  // namespace

// The sub-window of one document: owns the document window, which goes before its widget, and
// asks the main window before it closes.
class DocumentSubWindow : public QMdiSubWindow {
public:
    DocumentSubWindow(MainWindow* frame, std::unique_ptr<DocumentWindow> document)
        : frame_(frame), document_(std::move(document)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWidget(document_->widget());
    }
    ~DocumentSubWindow() override {
        // A document window that is its own widget is deleted here, which takes the widget out
        // of this sub-window; otherwise the sub-window deletes the widget afterwards.
        document_.reset();
    }
    DocumentWindow* document() const { return document_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!frame_->confirmClose(document_.get())) {
            event->ignore();
            return;
        }
        frame_->documentWindowClosed(this);
        QMdiSubWindow::closeEvent(event);
    }

private:
    MainWindow* frame_;
    std::unique_ptr<DocumentWindow> document_;
};

QString aboutVersionText(const std::string& version) {
    int n[4] = {0, 0, 0, 0};
    QStringList parts = qs(version).split(QRegularExpression(QStringLiteral("[.,]")));
    for (int i = 0; i < 4 && i < parts.size(); ++i) n[i] = parts[i].trimmed().toInt();
    return QStringLiteral("Version %1.%2.%3  (Build %4)").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]);
}

int openFilterEntryCount() {
    // Entries are pairs of "|"-terminated texts.
    return int(
        std::count(openDialogFilter(), openDialogFilter() + std::strlen(openDialogFilter()), '|') /
        2);
}

QUrl makerHomePage() {
    return QUrl(kMakerSite);
}

QUrl updatePage(const std::string& version) {
    QUrl url(kMakerSite + QStringLiteral("action.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("aid"), QStringLiteral("2"));
    query.addQueryItem(QStringLiteral("pid"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("ver"), qs(version));
    url.setQuery(query);
    return url;
}

MainWindow::MainWindow(MainWindowSetup setup, QWidget* parent)
    : QMainWindow(parent),
      settings_(setup.settings ? setup.settings : &AppSettings::instance()),
      settingsPath_(std::move(setup.settingsPath)),
      documents_(std::move(setup.documents)),
      prompts_(setup.prompts ? std::move(setup.prompts) : messageBoxPrompts(this)),
      fileDialogs_(setup.fileDialogs ? std::move(setup.fileDialogs) : systemFileDialogs(this)),
      desktop_(setup.desktop ? std::move(setup.desktop) : systemDesktop()),
      commandDialogs_(setup.commandDialogs ? std::move(setup.commandDialogs)
                                           : systemCommandDialogs(this)),
      printers_(setup.printers ? std::move(setup.printers) : systemPrinters(this)),
      clipboard_(setup.clipboard ? setup.clipboard : &ClipboardStore::store()),
      programDirectory_(setup.programDirectory.isEmpty() ? qs(programDirectory())
                                                         : setup.programDirectory),
      tools_(std::make_unique<ToolManager>()),
      recent_(*settings_, nullptr) {
    setWindowTitle(qs(productName()));
    setAcceptDrops(true);
    if (!settingsPath_.empty()) settings_->load(settingsPath_);

    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        followActiveDocument();
        scheduleUpdate();
    });
    // Other programs see the store's image once the user turns to them; New From Clipboard
    // follows what the clipboard offers.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationInactive && clipboard_->hasUnpublishedImage())
                    clipboard_->publish();
            });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { scheduleUpdate(); });

    // Paths handed over while a modal dialog is open wait for it: the window hears when the
    // dialog stops blocking it, and the timer catches a dialog that never blocked it.
    handoverTimer_ = new QTimer(this);
    handoverTimer_->setInterval(200);
    connect(handoverTimer_, &QTimer::timeout, this, &MainWindow::openPendingHandover);

    createActions();
    createMenus();
    createToolBar();
    createOptionsBar();
    createToolbox();
    if (documents_) createPalettes();
    statusBar()->showMessage(QStringLiteral("Ready"));
    if (documents_) {
        // States dropped for the shared history budget leave a note, and the menus follow.
        struct Notes : HistoryBudget::Listener {
            MainWindow* window;
            explicit Notes(MainWindow* w) : window(w) {}
            void statesDropped(int count, HistoryBudget::DropReason reason) override {
                const HistoryDiskCache* cache = ImageWindow::historyBudget().diskCache();
                std::string failure;
                if (reason == HistoryBudget::DropReason::CacheFailed)
                    failure = cache && !cache->failure().empty() ? cache->failure() : "error";
                window->statusBar()->showMessage(
                    droppedStatesText(count, cache != nullptr, failure));
                window->scheduleUpdate();
            }
        };
        historyNotes_ = std::make_unique<Notes>(this);
        ImageWindow::historyBudget().setListener(historyNotes_.get());
    }
    recent_.rebuildRecentMenu();
    updateCommandStates();
}

MainWindow::~MainWindow() {
    if (historyNotes_) ImageWindow::historyBudget().setListener(nullptr);
    VeChildFrame::setToolboxVisible(false);
    if (!settingsPath_.empty()) {
        captureWindowState(*settings_, *this);
        capturePaletteLayout();
        if (swatchesPage_) settings_->swatches = swatchesPage_->view()->swatches();
        settings_->save(settingsPath_);
    }
    // The palettes go before the documents they may follow.
    if (palettes_) {
        ImageWindow::setChosenLayers(nullptr);
        palettes_->setActiveDocument(nullptr);
        const QList<FloatingWindow*> floating = palettes_->windows();
        delete palettes_;
        palettes_ = nullptr;
        qDeleteAll(floating);
    }
    // The document windows go first, while this object is whole, and report nothing back.
    mdi_->disconnect(this);
    toolBar_->disconnect(this);
    optionsBar_->disconnect(this);
    for (DocumentSubWindow* sub : windows_) {
        sub->document()->setStateListener(nullptr);
        sub->document()->setCommandListener(nullptr);
        sub->document()->setCommandQuery(nullptr);
    }
    windows_.clear();
    delete mdi_;
}

QString droppedStatesText(int count, bool withCache, const std::string& cacheFailure) {
    const QString steps = count == 1 ? QStringLiteral("1 undo step dropped")
                                     : QStringLiteral("%1 undo steps dropped").arg(count);
    if (!cacheFailure.empty())
        return QStringLiteral("History disk cache failed (%1): %2").arg(qs(cacheFailure), steps);
    if (withCache) return QStringLiteral("History memory and disk cache full: %1").arg(steps);
    return QStringLiteral("History memory full: %1").arg(steps);
}

// ---- Commands ---------------------------------------------------------------------------------

bool MainWindow::isCommandShown(int id) const {
    if (id >= kCmdRecentFirst && id <= kCmdRecentLast) return true;
    const CommandInfo* info = findCommand(id);
    if (!info) return false;
    if (info->handler == CommandHandler::Document)
        return documents_ && documents_->providesCommand(id);
    if (!kFrameCommands.count(id)) return false;
    if (id == kCmdFileNew || id == kCmdFileNewFromClipboard || id == kCmdEditPasteNewImage ||
        id == kCmdImageDuplicate)
        return documents_ && documents_->providesCommand(id);
    return !kDocumentFrameCommands.count(id) || documents_ != nullptr;
}

void MainWindow::createActions() {
    for (const CommandInfo& info : commandTable()) {
        auto* a = new QAction(QString::fromUtf8(info.menuText), this);
        if (a->text().isEmpty()) a->setText(QString::fromUtf8(info.tooltip));
        a->setData(info.id);
        a->setStatusTip(QString::fromUtf8(info.prompt));
        a->setToolTip(QString::fromUtf8(info.tooltip));
        a->setCheckable(info.checkable);
        if (*info.shortcuts)
            a->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(info.shortcuts),
                                                         QKeySequence::PortableText));
        int id = info.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[info.id] = a;
        // Accelerators work whether or not the command has a menu item.
        if (isCommandShown(id) && *info.shortcuts) addAction(a);
    }
}

// ---- Palettes ---------------------------------------------------------------------------------

void MainWindow::createPalettes() {
    palettes_ = new PaletteGroup(this);
    palettes_->setDocumentArea(mdi_);
    PaletteWindow* info = palettes_->addPaletteWindow(QStringLiteral("Info"));
    infoPage_ = new InfoPage(palettes_);
    info->addPage(infoPage_);
    PaletteWindow* swatches = palettes_->addPaletteWindow(QStringLiteral("Swatches"));
    swatchesPage_ = new SwatchesPage(palettes_);
    swatches->addPage(swatchesPage_);
    swatchesPage_->setColorChooser(toolbox_->colors());
    static_assert(kMaxSwatches == kMaxStoredSwatches, "every list the palette holds is kept");
    // The user's own list comes back; without one (or with one that cannot be used) the
    // palette keeps its default colours.
    if (settings_->swatches) swatchesPage_->view()->setSwatches(*settings_->swatches);
    PaletteWindow* layers = palettes_->addPaletteWindow(QStringLiteral("Layers"));
    layers->setDefaultSize(QSize(220, 340));
    layersPage_ = new LayersPage(palettes_);
    layers->addPage(layersPage_);
    layersPage_->setDeleteQuestion([this](QWidget*, const QString& name) {
        return prompts_->askYesNo(qs(productName()), LayersPage::deleteQuestionText(name));
    });
    // Merge Layers merges the rows chosen in the Layers palette, and Merge Down is offered only
    // while one is chosen: the image windows ask the page, and the menus follow its choice.
    ImageWindow::setChosenLayers([page = QPointer<LayersPage>(layersPage_)](const Document& doc) {
        std::vector<int> indices;
        PaletteDocument* bound = page ? page->boundDocument() : nullptr;
        if (!bound || bound->document() != &doc) return indices;
        for (const LayerItem* layer : page->selectedLayers()) {
            const int index = doc.layers().indexOf(layer);
            if (index >= 0) indices.push_back(index);
        }
        return indices;
    });
    connect(layersPage_->list(), &LayerList::selectionChanged, this, [this] { scheduleUpdate(); });
    PaletteWindow* history = palettes_->addPaletteWindow(QStringLiteral("History"));
    history->setDefaultSize(QSize(220, 300));
    historyPage_ = new HistoryPage(palettes_);
    history->addPage(historyPage_);

    // Window menu items that show and hide them.
    if (windowMenu_) windowMenu_->addSeparator();
    const struct {
        FloatingWindow* window;
        const char* text;
        Qt::Key key;
    } items[] = {{layers, "&Layers", Qt::Key_F7},
                 {info, "&Info", Qt::Key_F8},
                 {swatches, "&Swatches", Qt::Key_F9},
                 {history, "&History", Qt::Key_F10}};
    for (const auto& item : items) {
        auto* a = new QAction(QString::fromLatin1(item.text), this);
        a->setCheckable(true);
        a->setChecked(item.window->isWanted());
        a->setShortcut(QKeySequence(item.key));
        a->setStatusTip(QStringLiteral("Shows or hides the %1 palette").arg(item.window->key()));
        FloatingWindow* w = item.window;
        connect(a, &QAction::triggered, this, [w](bool on) {
            w->setWanted(on);
            if (on) {
                w->raise();
                w->activateWindow();
            }
        });
        addAction(a);
        if (windowMenu_) windowMenu_->addAction(a);
        paletteActions_[w->key()] = a;
    }
    connect(palettes_, &PaletteGroup::windowVisibilityChanged, this,
            [this](FloatingWindow* w, bool visible) {
                if (QAction* a = paletteAction(w->key())) a->setChecked(visible);
            });
}

QAction* MainWindow::paletteAction(const QString& name) const {
    auto it = paletteActions_.find(name);
    return it == paletteActions_.end() ? nullptr : it->second;
}

void MainWindow::followActiveDocument() {
    if (!palettes_) return;
    DocumentWindow* doc = activeDocumentWindow();
    palettes_->setActiveDocument(doc ? doc->paletteDocument() : nullptr);
}

void MainWindow::applyPaletteLayout() {
    if (!palettes_) return;
    if (!palettesPlaced_) {
        palettesPlaced_ = true;
        if (settings_->loaded() && settings_->save_layout) {
            std::vector<FloatingWindowPlacement> placements;
            for (const FloatingWindowState& s : settings_->floating_windows) {
                FloatingWindowPlacement p;
                p.key = qs(s.name);
                p.rect = QRect(s.rect.left, s.rect.top, s.rect.width(), s.rect.height());
                p.visible = s.visible;
                p.page = qs(s.page);
                for (const std::string& t : s.tabs) p.tabs.append(qs(t));
                placements.push_back(p);
            }
            palettes_->applyPlacements(placements);
        } else {
            palettes_->placeAllByDefault();
        }
    }
    palettes_->showWanted();
}

void MainWindow::capturePaletteLayout() {
    if (!palettes_) return;
    settings_->floating_windows.clear();
    for (const FloatingWindowPlacement& p : palettes_->placements()) {
        FloatingWindowState s;
        s.name = p.key.toStdString();
        s.rect = Rect::fromXYWH(p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height());
        s.visible = p.visible;
        s.page = p.page.toStdString();
        for (const QString& t : p.tabs) s.tabs.push_back(t.toStdString());
        settings_->floating_windows.push_back(std::move(s));
    }
}

void MainWindow::fillMenu(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::Command:
                menu->addAction(actions_.at(item.id));
                break;
            case MenuItem::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuItem::Kind::Submenu:
                fillMenu(menu->addMenu(qs(item.title)), item.items);
                break;
            case MenuItem::Kind::RecentFiles: {
                QMenu* sub = menu->addMenu(qs(item.title));
                recent_.setMenu(sub);
                connect(sub, &QMenu::triggered, this, [this](QAction* a) {
                    int id = a->data().toInt();
                    if (id == kCmdRecentClear)
                        recent_.clearRecent();
                    else
                        openRecent(id);
                });
                break;
            }
        }
    }
}

void MainWindow::createMenus() {
    auto shown = [this](int id) { return isCommandShown(id); };
    for (const MenuItem& top : visibleMenuLayout(mainMenuLayout(), shown)) {
        QMenu* menu = menuBar()->addMenu(qs(top.title));
        fillMenu(menu, top.items);
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateCommandStates);
        if (stripMnemonic(top.title) == "Window") {
            windowMenu_ = menu;
            connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateWindowMenu);
        }
    }
}

void MainWindow::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("MainToolbar"));
    toolBar_->setMovable(false);
    const struct {
        int id;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {kCmdFileNew, QStyle::SP_FileIcon},
        {kCmdFileOpen, QStyle::SP_DialogOpenButton},
        {kCmdFileSave, QStyle::SP_DialogSaveButton},
        {0, QStyle::SP_CustomBase},
        {kCmdEditUndo, QStyle::SP_ArrowBack},
        {kCmdEditRedo, QStyle::SP_ArrowForward},
        {0, QStyle::SP_CustomBase},
        {kCmdZoomIn, QStyle::SP_CustomBase},
        {kCmdZoomOut, QStyle::SP_CustomBase},
        {kCmdActualPixels, QStyle::SP_CustomBase},
        {kCmdFitOnScreen, QStyle::SP_CustomBase},
        {0, QStyle::SP_CustomBase},
        {kCmdToolHand, QStyle::SP_CustomBase},
        {kCmdToolMarquee, QStyle::SP_CustomBase},
        {kCmdToolZoomIn, QStyle::SP_CustomBase},
        {kCmdToolZoomOut, QStyle::SP_CustomBase},
    };
    for (const ToolCommand& t : kToolCommands) actions_.at(t.command)->setIcon(toolIcon(t.tool));
    bool pendingSeparator = false;
    for (const auto& b : buttons) {
        if (b.id == 0) {
            pendingSeparator = !toolBar_->actions().isEmpty();
            continue;
        }
        if (!isCommandShown(b.id)) continue;
        if (pendingSeparator) toolBar_->addSeparator();
        pendingSeparator = false;
        QAction* a = actions_.at(b.id);
        if (b.icon != QStyle::SP_CustomBase) a->setIcon(style()->standardIcon(b.icon));
        toolBar_->addAction(a);
    }
    connect(toolBar_, &QToolBar::visibilityChanged, this, [this] { scheduleUpdate(); });
}

void MainWindow::createOptionsBar() {
    addToolBarBreak();
    optionsBar_ = new VeOptionsBar(this);
    addToolBar(optionsBar_);
    // Its view buttons act as the View menu's items on the active document window, and do
    // nothing while there is none.
    connect(optionsBar_, &VeOptionsBar::viewCommandRequested, this, [this](int id) {
        if (activeDocumentWindow()) runCommand(id);
    });
    connect(optionsBar_, &QToolBar::visibilityChanged, this, [this] { scheduleUpdate(); });
}

void MainWindow::createToolbox() {
    toolboxWindow_ = new QWidget(this, Qt::Tool);
    toolboxWindow_->setWindowTitle(QStringLiteral("Tools"));
    toolboxWindow_->setObjectName(QStringLiteral("ToolboxWindow"));
    auto* layout = new QVBoxLayout(toolboxWindow_);
    layout->setContentsMargins(0, 0, 0, 0);
    toolbox_ = new VeToolbox(toolboxWindow_);
    layout->addWidget(toolbox_);
    toolboxWindow_->setFixedSize(toolbox_->size());
    connect(toolbox_, &VeToolbox::toolChosen, optionsBar_, &VeOptionsBar::showToolOptions);
    // A toolbox choice shows that tool's options; the canvas tool stays the one the Edit menu's
    // Active Tool items and the main toolbar choose. The toolbox starts on the tool in use.
    toolbox_->chooseTool(int(tools_->activeToolId()));
    // Double clicks act on a document window the user can see.
    connect(toolbox_, &VeToolbox::viewCommandRequested, this, [this](int id) {
        QMdiSubWindow* sub = mdi_ ? mdi_->activeSubWindow() : nullptr;
        if (!sub || !sub->isVisible() || sub->isMinimized() || !activeDocumentWindow()) return;
        runCommand(id);
    });
    connect(toolbox_->viewMode(), &VeViewModeChooser::commandRequested, this, [this](int id) {
        if ((id == kCmdFullScreen) != fullScreen_) toggleFullScreen();
        toolbox_->viewMode()->setFullScreen(fullScreen_);
    });
    // The document commands take their colours from the settings; the toolbox's are the ones the
    // user sees, black on white at start.
    auto takeColors = [this](const QColor& fg, const QColor& bg) {
        settings_->default_fg_color = settingsColor(fg.red(), fg.green(), fg.blue());
        settings_->default_bg_color = settingsColor(bg.red(), bg.green(), bg.blue());
    };
    takeColors(toolbox_->colors()->foreground(), toolbox_->colors()->background());
    connect(toolbox_->colors(), &VeToolboxColorChooser::colorsChanged, this, takeColors);
}

QAction* MainWindow::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool MainWindow::commandNeedsDocument(int id) const {
    return id == kCmdImageDuplicate || id == kCmdFileClose || id == kCmdFileCloseAll ||
           id == kCmdFileSave || id == kCmdFileSaveAs || id == kCmdFilePrint ||
           id == kCmdFilePrintPreview || id == kCmdWindowCascade || id == kCmdWindowTile ||
           id == kCmdWindowArrange || id == kCmdNextPane || id == kCmdPreviousPane ||
           id == kCmdToolHand || id == kCmdToolMarquee || id == kCmdToolZoomIn ||
           id == kCmdToolZoomOut;
}

bool MainWindow::isCommandEnabled(int id) const {
    const CommandInfo* info = findCommand(id);
    if (!info) return false;
    DocumentWindow* doc = activeDocumentWindow();
    if (info->handler == CommandHandler::Document) {
        if (!doc || !doc->handlesCommand(id)) return false;
        History* history = doc->history();
        if (id == kCmdEditUndo) return history && history->canUndo();
        if (id == kCmdEditRedo) return history && history->canRedo();
        if (id == kCmdEditPurgeUndo) return history && (history->canUndo() || history->canRedo());
        return doc->isCommandEnabled(id);
    }
    if (commandNeedsDocument(id)) return doc != nullptr;
    if (id == kCmdFileNew) return documents_ != nullptr;
    if (id == kCmdFileNewFromClipboard || id == kCmdEditPasteNewImage)
        return documents_ && clipboard_->hasImage();
    return true;
}

void MainWindow::updateCommandStates() {
    updateScheduled_ = false;
    DocumentWindow* doc = activeDocumentWindow();
    for (auto& [id, a] : actions_) {
        a->setEnabled(isCommandEnabled(id));
        const CommandInfo* info = findCommand(id);
        if (info->handler == CommandHandler::Document && info->checkable)
            a->setChecked(doc && doc->handlesCommand(id) && doc->isCommandChecked(id));
    }
    // The History palette follows the undo list the commands changed.
    if (palettes_) palettes_->notifyHistoryChanged();
    // The Last Filter item is named after the filter it would apply again.
    QString lastFilter = qs(lastFilterMenuText());
    actions_.at(kCmdLastFilter)
        ->setText(lastFilter.replace(QLatin1Char('&'), QStringLiteral("&&")));
    actions_.at(kCmdFullScreen)->setChecked(fullScreen_);
    toolbox_->viewMode()->setEnabled(!windows_.empty());
    toolbox_->viewMode()->setFullScreen(fullScreen_);
    for (const ToolCommand& t : kToolCommands)
        actions_.at(t.command)->setChecked(tools_->activeToolId() == t.tool);
    actions_.at(kCmdViewToolbar)->setChecked(isToolbarShown());
    actions_.at(kCmdViewStatusBar)->setChecked(isStatusBarShown());
}

void MainWindow::scheduleUpdate() {
    if (updateScheduled_) return;
    updateScheduled_ = true;
    QTimer::singleShot(0, this, &MainWindow::updateCommandStates);
}

void MainWindow::updateWindowMenu() {
    for (QAction* a : windowListActions_) {
        windowMenu_->removeAction(a);
        a->deleteLater();
    }
    windowListActions_.clear();
    if (windows_.isEmpty()) return;
    windowListActions_.append(windowMenu_->addSeparator());
    QMdiSubWindow* active = mdi_->activeSubWindow();
    for (int i = 0; i < windows_.size(); ++i) {
        DocumentSubWindow* sub = windows_[i];
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a =
            windowMenu_->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        a->setCheckable(true);
        a->setChecked(sub == active);
        QPointer<DocumentSubWindow> target(sub);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) mdi_->setActiveSubWindow(target);
        });
        windowListActions_.append(a);
    }
}

void MainWindow::runCommand(int id) {
    DocumentWindow* doc = activeDocumentWindow();
    switch (id) {
        case kCmdFileOpen: {
            if (!documents_) break;
            // The last entry, "All Formats", is preselected.
            QStringList files = fileDialogs_->chooseFilesToOpen(
                QString::fromLatin1(openDialogFilter()), openFilterEntryCount());
            openFiles(files);
            break;
        }
        case kCmdFileNew:
            newImage();
            break;
        case kCmdOptions:
            editOptions();
            break;
        case kCmdFileNewFromClipboard:
        case kCmdEditPasteNewImage:
            newFromClipboard();
            break;
        case kCmdImageDuplicate:
            if (doc) duplicateDocument(doc);
            break;
        case kCmdFileClose:
            if (doc) closeDocument(doc);
            break;
        case kCmdFileCloseAll:
            closeAll();
            break;
        case kCmdFileSave:
            if (doc && doc->isModified()) saveDocument(doc);
            break;
        case kCmdFileSaveAs:
            if (doc) saveDocumentAs(doc);
            break;
        case kCmdFilePageSetup:
            pageSetup();
            break;
        case kCmdFilePrint:
            if (doc) printDocument(doc);
            break;
        case kCmdFilePrintPreview:
            if (doc) printWithPreview(doc);
            break;
        case kCmdRecentClear:
            recent_.clearRecent();
            break;
        case kCmdAppExit:
            close();
            break;
        case kCmdFullScreen:
            toggleFullScreen();
            break;
        case kCmdViewToolbar:
            showToolbar(!isToolbarShown());
            break;
        case kCmdViewStatusBar:
            showStatusBar(!isStatusBarShown());
            break;
        case kCmdWindowCascade:
            mdi_->cascadeSubWindows();
            break;
        case kCmdWindowTile:
            tileHorizontally();
            break;
        case kCmdWindowArrange: {
            // Lines the minimised windows up along the bottom of the area.
            int x = 0;
            for (DocumentSubWindow* sub : windows_) {
                if (!sub->isMinimized()) continue;
                QSize s = sub->sizeHint().boundedTo(QSize(160, sub->minimumSizeHint().height()));
                sub->move(x, mdi_->viewport()->height() - s.height());
                x += s.width();
            }
            break;
        }
        case kCmdNextPane:
            mdi_->activateNextSubWindow();
            break;
        case kCmdPreviousPane:
            mdi_->activatePreviousSubWindow();
            break;
        case kCmdHelpContents:
        case kCmdHelpSearch:
        case kCmdHelpIndex:
        case kCmdHelpFeedback:
            openHelp(id);
            break;
        case kCmdWebHome:
            openWebPage(makerHomePage());
            break;
        case kCmdWebUpdates:
            openWebPage(updatePage(productVersion()));
            break;
        case kCmdAbout:
            showAbout();
            break;
        case kCmdToolHand:
        case kCmdToolMarquee:
        case kCmdToolZoomIn:
        case kCmdToolZoomOut:
            if (doc) chooseTool(id);
            break;
        default:
            if (id >= kCmdRecentFirst && id <= kCmdRecentLast) {
                openRecent(id);
            } else if (const CommandInfo* info = findCommand(id);
                       info && info->handler == CommandHandler::Document && doc &&
                       isCommandEnabled(id)) {
                doc->runCommand(id);
            }
            break;
    }
    scheduleUpdate();
}

void MainWindow::chooseTool(int command) {
    for (const ToolCommand& t : kToolCommands) {
        if (t.command != command) continue;
        tools_->setActiveToolId(t.tool);
        if (toolbox_) toolbox_->chooseTool(int(t.tool));
    }
    updateCommandStates();
}

// ---- Opening ----------------------------------------------------------------------------------

namespace {

// The key two paths of the same file share: the path with links resolved while the file exists,
// else the cleaned absolute path.
QString fileKey(const QString& path) {
    QFileInfo info(path);
    QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

DocumentWindow* MainWindow::findOpenDocument(const QString& path) const {
    QString key = fileKey(path);
    for (DocumentSubWindow* sub : windows_) {
        std::string own = sub->document()->documentPath();
        if (!own.empty() && fileKey(qs(own)) == key) return sub->document();
    }
    return nullptr;
}

bool MainWindow::openFile(const QString& path) {
    if (path.isEmpty()) return false;
    QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (DocumentWindow* open = findOpenDocument(absolute)) {
        activateDocumentWindow(open);
        return true;
    }
    std::unique_ptr<DocumentWindow> window;
    std::string reason;
    if (documents_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window = documents_->openFile(absolute.toStdString(), &reason);
        QApplication::restoreOverrideCursor();
    }
    if (!window) {
        prompts_->showError(QStringLiteral("Cannot open file \"%1\"!").arg(absolute),
                            qs(reasonSentence(reason)));
        return false;
    }
    addDocumentWindow(std::move(window));
    recent_.addRecent(absolute.toStdString());
    // What the file could not give (layers of a kind the editor does not read) is said where it
    // does not stop the user.
    if (!reason.empty()) statusBar()->showMessage(qs(reason));
    return true;
}

void MainWindow::openFiles(const QStringList& paths) {
    for (const QString& p : paths) openFile(p);
}

void MainWindow::openDroppedFiles(const QStringList& paths) {
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        if (!isActiveWindow()) {
            raise();
            activateWindow();
        }
        openFile(paths[i]);
    }
}

void MainWindow::openRecent(int commandId) {
    std::string path;
    if (!recent_.pathOfRecent(commandId, path)) return;
    // Opening adds the path to the list, which moves the entries: the entry is found again by
    // its path afterwards rather than by its old position.
    if (openFile(qs(path)))
        recent_.promoteRecentPath(path);
    else
        recent_.removeRecentPath(path);
}

void MainWindow::openHandedOverPaths(const QStringList& paths) {
    if (QApplication::activeModalWidget() || !pendingHandover_.isEmpty()) {
        pendingHandover_.append(paths);
        handoverTimer_->start();
        return;
    }
    openFiles(paths);
}

void MainWindow::openPendingHandover() {
    if (pendingHandover_.isEmpty()) {
        handoverTimer_->stop();
        return;
    }
    if (QApplication::activeModalWidget()) return;
    handoverTimer_->stop();
    const QStringList paths = std::exchange(pendingHandover_, {});
    openFiles(paths);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowUnblocked && !pendingHandover_.isEmpty()) {
        // The dialog is on its way out: open once it has gone.
        QTimer::singleShot(0, this, &MainWindow::openPendingHandover);
    }
    return QMainWindow::event(event);
}

void MainWindow::activateFromOtherInstance() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    // Its floating windows stay in front of it (window managers keep tool windows above their
    // owner; without one, raising the main window alone would bury them).
    if (toolboxWindow_ && toolboxWindow_->isVisible()) toolboxWindow_->raise();
    if (palettes_)
        for (FloatingWindow* w : palettes_->windows())
            if (w->isVisible()) w->raise();
    activateWindow();
}

void MainWindow::addDocumentWindow(std::unique_ptr<DocumentWindow> window) {
    DocumentWindow* doc = window.get();
    auto* sub = new DocumentSubWindow(this, std::move(window));
    mdi_->addSubWindow(sub);
    windows_.append(sub);
    doc->setStateListener([this] { scheduleUpdate(); });
    doc->setCommandListener([this, doc](int id) {
        activateDocumentWindow(doc);
        runCommand(id);
    });
    doc->setCommandQuery([this](int id) { return isCommandShown(id); });
    sub->show();
    mdi_->setActiveSubWindow(sub);
    updateCommandStates();
}

QList<DocumentWindow*> MainWindow::documentWindows() const {
    QList<DocumentWindow*> out;
    for (DocumentSubWindow* sub : windows_) out.append(sub->document());
    return out;
}

DocumentWindow* MainWindow::activeDocumentWindow() const {
    auto* sub = dynamic_cast<DocumentSubWindow*>(mdi_->activeSubWindow());
    if (sub && windows_.contains(sub)) return sub->document();
    return nullptr;
}

void MainWindow::activateDocumentWindow(DocumentWindow* window) {
    for (DocumentSubWindow* sub : windows_) {
        if (sub->document() != window) continue;
        if (sub->isMinimized()) sub->showNormal();
        mdi_->setActiveSubWindow(sub);
        return;
    }
}

// ---- Saving -----------------------------------------------------------------------------------

bool MainWindow::writeDocument(DocumentWindow* window, const QString& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string reason;
    bool ok = window->saveTo(path.toStdString(), &reason);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        prompts_->showError(QStringLiteral("Error saving file \"%1\"!").arg(path),
                            qs(reasonSentence(reason)));
        return false;
    }
    recent_.addRecent(path.toStdString());
    scheduleUpdate();
    return true;
}

bool MainWindow::saveDocument(DocumentWindow* window) {
    QString path = qs(window->documentPath());
    if (path.isEmpty() || !QFileInfo(path).isFile() ||
        !isWritableFormat(formatTypeOf(path.toStdString())))
        return saveDocumentAs(window);
    return writeDocument(window, path);
}

bool MainWindow::saveDocumentAs(DocumentWindow* window) {
    QString path = qs(window->documentPath());
    QString name = qs(window->documentName());
    int type = formatTypeOf((path.isEmpty() ? name : path).toStdString());
    int filterIndex = saveFilterIndexOf(type);
    int proposedType = formatOfSaveFilter(filterIndex);
    // The name with the extension of the proposed type, in the document's own folder.
    QString base = name;
    if (formatTypeOf(name.toStdString()) != FormatNone) base = QFileInfo(name).completeBaseName();
    QString proposed = base + QLatin1Char('.') + qs(extensionOf(proposedType));
    if (!path.isEmpty()) proposed = QFileInfo(path).dir().filePath(proposed);

    auto choice = fileDialogs_->chooseSaveFile(QString::fromLatin1(saveDialogFilter()), filterIndex,
                                               proposed);
    if (!choice || choice->path.isEmpty()) return false;
    QString target =
        qs(setExtensionFor(choice->path.toStdString(), formatOfSaveFilter(choice->filterIndex)));
    window->setLosslessSave(isLosslessSaveFilter(choice->filterIndex));
    // The dialog asked about the name as typed; a file under the completed name is asked
    // about here so that it is never replaced unasked.
    if (target != choice->path && QFileInfo::exists(target) &&
        !prompts_->askYesNo(
            qs(productName()),
            QStringLiteral("\"%1\" already exists.\nDo you want to replace it?").arg(target)))
        return false;
    return writeDocument(window, target);
}

// ---- Closing ----------------------------------------------------------------------------------

bool MainWindow::confirmClose(DocumentWindow* window) {
    if (exitConfirmed_ || !window->isModified()) return true;
    activateDocumentWindow(window);
    auto answer = prompts_->askYesNoCancel(
        qs(productName()),
        QStringLiteral("Save changes to \"%1\" before closing?").arg(qs(window->documentName())));
    switch (answer) {
        case Prompts::Answer::Yes:
            return saveDocument(window);
        case Prompts::Answer::No:
            return true;
        case Prompts::Answer::Cancel:
            return false;
    }
    return false;
}

void MainWindow::documentWindowClosed(DocumentSubWindow* sub) {
    windows_.removeAll(sub);
    scheduleUpdate();
}

bool MainWindow::closeDocument(DocumentWindow* window) {
    for (DocumentSubWindow* sub : windows_)
        if (sub->document() == window) return sub->close();
    return false;
}

bool MainWindow::closeAll() {
    const QList<DocumentSubWindow*> windows = windows_;
    for (DocumentSubWindow* sub : windows)
        if (windows_.contains(sub) && !sub->close()) return false;
    return true;
}

bool MainWindow::confirmExit() {
    const QList<DocumentSubWindow*> windows = windows_;
    for (DocumentSubWindow* sub : windows) {
        if (!windows_.contains(sub)) continue;
        if (!confirmClose(sub->document())) return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Every answer is in before the first window closes, so that a Cancel (or a save that
    // fails) late in the round still finds every document open.
    if (!confirmExit()) {
        event->ignore();
        return;
    }
    exitConfirmed_ = true;
    const bool closed = closeAll();
    exitConfirmed_ = false;
    if (!closed) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// ---- New documents ----------------------------------------------------------------------------

bool MainWindow::newImage() {
    if (!documents_) return false;
    std::optional<Size> clipboard;
    if (Size size; clipboard_->hasImage() && clipboard_->imageSize(size)) clipboard = size;
    bool presetsChanged = false;
    const std::optional<NewImageResult> chosen =
        commandDialogs_->askNewImage(*settings_, clipboard, presetsChanged);
    // Presets saved or deleted in the dialog are kept even when it is cancelled.
    if (presetsChanged) saveSettings();
    if (!chosen) return false;

    ImageSettings image;
    image.width = chosen->width;
    image.height = chosen->height;
    image.resolution = chosen->resolution;
    image.resolutionUnit = chosen->resolutionUnit;
    image.title = chosen->name.toStdString();
    image.transparentBackground = chosen->background == kBackgroundTransparent ? 1 : 0;
    image.backgroundColor = chosen->background == kBackgroundColor
                                ? settings_->default_bg_color.toColorRef()
                                : makeRgb(255, 255, 255);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<DocumentWindow> window = documents_->createNew(image);
    QApplication::restoreOverrideCursor();
    if (!window) {
        prompts_->showError(QStringLiteral("Error creating new image!"));
        return false;
    }
    addDocumentWindow(std::move(window));
    return true;
}

bool MainWindow::newFromClipboard() {
    if (!documents_ || !clipboard_->hasImage()) return false;
    std::unique_ptr<DocumentWindow> window;
    const QString name = QStringLiteral("Clipboard-%1").arg(clipboardCounter_);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The store's own image comes with its mask; another program's with its alpha channel.
    ClipboardImage pasted;
    if (clipboard_->paste(pasted)) {
        window = documents_->createFromImage(
            pasted.image, pasted.mask.isValid() ? &pasted.mask : nullptr, name.toStdString());
    }
    QApplication::restoreOverrideCursor();
    if (!window) {
        prompts_->showError(QStringLiteral("Error creating new image!"));
        return false;
    }
    ++clipboardCounter_;
    addDocumentWindow(std::move(window));
    return true;
}

bool MainWindow::duplicateDocument(DocumentWindow* window) {
    if (!documents_ || !window) return false;
    QStringList openNames;
    for (DocumentSubWindow* sub : windows_) openNames.append(qs(sub->document()->documentName()));
    std::optional<QString> name =
        commandDialogs_->askDuplicateName(qs(window->documentName()), openNames);
    if (!name || name->trimmed().isEmpty()) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<DocumentWindow> copy =
        documents_->duplicate(*window, name->trimmed().toStdString());
    QApplication::restoreOverrideCursor();
    if (!copy) {
        prompts_->showError(QStringLiteral("Error creating new image!"));
        return false;
    }
    addDocumentWindow(std::move(copy));
    return true;
}

// ---- Settings ---------------------------------------------------------------------------------

bool MainWindow::editOptions() {
    const std::optional<AppOptions> edited = commandDialogs_->askOptions(settings_->options());
    if (!edited) return false;
    applyOptions(*edited);
    return true;
}

void MainWindow::applyOptions(const AppOptions& options) {
    AppOptions next = options;
    clampOptions(next);
    const AppOptions before = settings_->options();
    settings_->options() = next;
    if (next.max_recent_files != before.max_recent_files) recent_.rebuildRecentMenu();
    const QList<DocumentWindow*> windows = documentWindows();
    if (next.doc_window_bg_color != before.doc_window_bg_color ||
        next.image_border_color != before.image_border_color) {
        // The views read the colours at each repaint.
        for (DocumentWindow* w : windows) {
            if (QWidget* widget = w->widget()) {
                widget->update();
                for (QWidget* child : widget->findChildren<QWidget*>()) child->update();
            }
        }
    }
    if (next.nb_history_states != before.nb_history_states) {
        // Every open document, minimised or not.
        for (DocumentWindow* w : windows)
            if (History* history = w->history()) history->setLimit(next.nb_history_states);
    }
    if (next.history_memory_mb != before.history_memory_mb) {
        DocumentWindow* active = activeDocumentWindow();
        ImageWindow::historyBudget().setBudget(size_t(next.history_memory_mb) << 20,
                                               active ? active->history() : nullptr);
    }
    saveSettings();
    scheduleUpdate();
}

void MainWindow::saveSettings() {
    if (!settingsPath_.empty()) settings_->save(settingsPath_);
}

// ---- Printing ---------------------------------------------------------------------------------

QPrinter* MainWindow::openPrinter() {
    // Asked for at the first print command rather than at start-up: the printer system may be
    // slow to answer, and most runs print nothing. Until there is an output it is asked again.
    if (!printer_) printer_ = printers_->openDefault();
    if (!printer_) prompts_->showInformation(QStringLiteral("Information"), kNoPrinterText);
    return printer_.get();
}

void MainWindow::preparePrinter(QPrinter& printer, DocumentWindow* window) {
    printer.setDocName(QString::fromLatin1(kPrintJobName));
    if (printer.outputFormat() != QPrinter::PdfFormat) return;
    // A file named after the document, in the folder of the last file printed to, else the
    // document's own folder, else the home folder.
    QString folder = QFileInfo(printer.outputFileName()).absolutePath();
    if (printer.outputFileName().isEmpty()) {
        const QString path = qs(window->documentPath());
        folder = path.isEmpty() ? QDir::homePath() : QFileInfo(path).absolutePath();
    }
    QString base = qs(window->documentName());
    if (formatTypeOf(base.toStdString()) != FormatNone) base = QFileInfo(base).completeBaseName();
    if (base.isEmpty()) base = QString::fromLatin1(kPrintJobName);
    printer.setOutputFileName(QDir(folder).filePath(base + QStringLiteral(".pdf")));
}

QImage MainWindow::flattenedImageOf(DocumentWindow* window) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ColorImage color;
    QImage image;
    if (window->flattenedImage(color)) image = printableImage(color);
    QApplication::restoreOverrideCursor();
    return image;
}

bool MainWindow::pageSetup() {
    QPrinter* printer = openPrinter();
    return printer && printers_->pageSetup(*printer);
}

bool MainWindow::printDocument(DocumentWindow* window) {
    if (!window) return false;
    QPrinter* printer = openPrinter();
    if (!printer) return false;
    preparePrinter(*printer, window);
    if (!printers_->choosePrint(*printer, printDialogPosition_)) return false;

    const QImage image = flattenedImageOf(window);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = !image.isNull() && printJob(*printer, image);
    QApplication::restoreOverrideCursor();
    if (!printed) {
        QString text = QStringLiteral("Error printing \"%1\"!").arg(qs(window->documentName()));
        if (image.isNull())
            text += QStringLiteral("\nThere is not enough memory for the image.");
        else if (!printer->outputFileName().isEmpty())
            text += QStringLiteral("\nThe file \"%1\" could not be written.")
                        .arg(printer->outputFileName());
        prompts_->showError(text);
    }
    return printed;
}

void MainWindow::printWithPreview(DocumentWindow* window) {
    if (!window) return;
    QPrinter* printer = openPrinter();
    if (!printer) return;
    preparePrinter(*printer, window);
    // The document cannot change while the preview is open: one flattening serves every time
    // the page is drawn again.
    const QImage image = flattenedImageOf(window);
    if (image.isNull()) {
        prompts_->showError(
            QStringLiteral("Error printing \"%1\"!\nThere is not enough memory for the image.")
                .arg(qs(window->documentName())));
        return;
    }
    const auto choice = printers_->preview(
        *printer, [&image](QPrinter& target) { printJob(target, image); },
        [this, printer] { return printers_->pageSetup(*printer); });
    if (choice == Printers::PreviewChoice::Print) printDocument(window);
}

// ---- Dropped files ----------------------------------------------------------------------------

QStringList MainWindow::droppedFiles(const QMimeData* data) {
    QStringList out;
    if (!data || !data->hasUrls()) return out;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) out.append(url.toLocalFile());
    return out;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (documents_ && !droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    openDroppedFiles(files);
}

// ---- View, help, about ------------------------------------------------------------------------

void MainWindow::tileHorizontally() {
    QList<DocumentSubWindow*> tiles;
    for (DocumentSubWindow* sub : windows_)
        if (!sub->isMinimized()) tiles.append(sub);
    if (tiles.isEmpty()) return;
    // Wide windows one above the other; from four windows on, in columns of such stacks (the
    // later columns take the extra windows).
    const int n = int(tiles.size());
    int columns = 1;
    while ((columns + 1) * (columns + 1) <= n) ++columns;
    const QRect area = mdi_->viewport()->rect();
    int index = 0;
    for (int c = 0; c < columns; ++c) {
        int rows = n / columns + (c >= columns - n % columns ? 1 : 0);
        int x0 = area.left() + area.width() * c / columns;
        int x1 = area.left() + area.width() * (c + 1) / columns;
        for (int r = 0; r < rows; ++r, ++index) {
            int y0 = area.top() + area.height() * r / rows;
            int y1 = area.top() + area.height() * (r + 1) / rows;
            DocumentSubWindow* sub = tiles[index];
            if (sub->isMaximized()) sub->showNormal();
            sub->setGeometry(x0, y0, x1 - x0, y1 - y0);
        }
    }
}

void MainWindow::toggleFullScreen() {
    if (!fullScreen_) {
        maximizedBeforeFullScreen_ = QMainWindow::isMaximized();
        fullScreen_ = true;
        showFullScreen();
    } else {
        fullScreen_ = false;
        if (maximizedBeforeFullScreen_)
            showMaximized();
        else
            showNormal();
    }
    // A maximized document window shows only its canvas in full screen, without scroll bars or
    // zoom field.
    VeChildFrame::setFullScreenMode(fullScreen_);
    for (DocumentSubWindow* sub : windows_)
        if (auto* frame = qobject_cast<VeChildFrame*>(sub->widget())) frame->relayout();
    actions_.at(kCmdFullScreen)->setChecked(fullScreen_);
    toolbox_->viewMode()->setFullScreen(fullScreen_);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (toolboxPlaced_) return;
    toolboxPlaced_ = true;
    // At the left of the workspace, once the window has its place on the screen.
    QTimer::singleShot(0, this, [this] {
        // Within the margin the document windows leave it (kToolboxMargin).
        toolboxWindow_->move(mdi_->mapToGlobal(QPoint(2, 2)));
        toolboxWindow_->show();
        VeChildFrame::setToolboxVisible(true);
    });
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    event->ignore();
    DocumentWindow* doc = activeDocumentWindow();
    if (!doc) return;
    if (auto* frame = qobject_cast<VeChildFrame*>(doc->widget());
        frame && frame->scrollByWheel(*event))
        event->accept();
}

void MainWindow::openHelp(int command) {
    if (!helpWindow_) {
        const QString directory = findManualDirectory(programDirectory_);
        HelpManual manual;
        QString why;
        if (directory.isEmpty() || !manual.load(directory, &why)) {
            prompts_->showInformation(
                qs(productName()),
                directory.isEmpty()
                    ? QStringLiteral("Help is not installed.\nThe user manual was not found "
                                     "beside the program (%1).")
                          .arg(QDir::toNativeSeparators(
                              QDir(programDirectory_).filePath(QStringLiteral("manual"))))
                    : QStringLiteral("The user manual in \"%1\" cannot be read: %2")
                          .arg(QDir::toNativeSeparators(directory), why));
            return;
        }
        helpWindow_ = new HelpWindow(
            manual, [this](const QUrl& url) { return desktop_->openUrl(url); }, this);
    }
    switch (command) {
        case kCmdHelpIndex:
            helpWindow_->showIndex();
            break;
        case kCmdHelpSearch:
            helpWindow_->showSearch();
            break;
        case kCmdHelpFeedback:
            helpWindow_->showContents();
            helpWindow_->showPage(QString::fromLatin1(kFeedbackPage));
            break;
        default:
            helpWindow_->showContents();
            break;
    }
}

void MainWindow::openWebPage(const QUrl& url) {
    if (!desktop_->openUrl(url))
        prompts_->showInformation(
            qs(productName()),
            QStringLiteral("No web browser could be started for %1").arg(url.toString()));
}

void MainWindow::showAbout() {
    QString name = qs(productName());
    prompts_->showAbout(QStringLiteral("About %1").arg(name),
                        QStringLiteral("%1\n%2").arg(name, aboutVersionText(productVersion())));
}

// ---- Placement --------------------------------------------------------------------------------

namespace {

Rect toRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

Rect MainWindow::normalRect() const {
    QRect client = (fullScreen_ || QMainWindow::isMaximized()) && normalGeometry().isValid()
                       ? normalGeometry()
                       : geometry();
    QRect frame = frameGeometry(), inner = geometry();
    QMargins m(inner.left() - frame.left(), inner.top() - frame.top(),
               frame.right() - inner.right(), frame.bottom() - inner.bottom());
    return toRect(client.marginsAdded(m));
}

Rect MainWindow::workArea() const {
    QScreen* s = screen() ? screen() : QApplication::primaryScreen();
    return s ? toRect(s->availableGeometry()) : Rect{0, 0, 1024, 768};
}

bool MainWindow::isMaximized() const {
    return fullScreen_ ? maximizedBeforeFullScreen_ : QMainWindow::isMaximized();
}

bool MainWindow::isToolbarShown() const {
    return toolBar_->isVisibleTo(this);
}

bool MainWindow::isStatusBarShown() const {
    return statusBar()->isVisibleTo(this);
}

void MainWindow::moveTo(const Rect& r) {
    QRect frame = frameGeometry(), inner = geometry();
    int dw = frame.width() - inner.width(), dh = frame.height() - inner.height();
    move(r.left, r.top);
    resize(std::max(1, r.width() - dw), std::max(1, r.height() - dh));
}

void MainWindow::moveToDefaultPlacement() {
    Rect area = workArea();
    int w = std::min(area.width(), std::max(800, area.width() * 4 / 5));
    int h = std::min(area.height(), std::max(600, area.height() * 4 / 5));
    resize(w, h);
    move(area.left + (area.width() - w) / 2, area.top + (area.height() - h) / 2);
}

void MainWindow::maximize() {
    setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::showToolbar(bool shown) {
    toolBar_->setVisible(shown);
    actions_.at(kCmdViewToolbar)->setChecked(shown);
}

void MainWindow::showStatusBar(bool shown) {
    statusBar()->setVisible(shown);
    actions_.at(kCmdViewStatusBar)->setChecked(shown);
}

void MainWindow::setVisible(bool visible) {
    if (visible && !layoutApplied_) {
        layoutApplied_ = true;
        // With the native window in place its frame is known, so the stored frame rectangle
        // can be given exactly.
        winId();
        applyWindowState(*settings_, *this);
    }
    QMainWindow::setVisible(visible);
    // The palettes float beside the main window: placed once it is, and shown with it.
    if (visible) applyPaletteLayout();
}

}  // namespace varnel
