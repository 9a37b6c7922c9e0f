#include "app/image_window.h"

#include <QApplication>
#include <QMdiSubWindow>

#include "app/command_table.h"
#include "app/image_window_palette.h"
#include "app/recovery.h"
#include "core/clipboard_store.h"
#include "document/clipboard_ops.h"
#include "document/document.h"
#include "document/layer_ops.h"
#include "filters/last_filter.h"
#include "formats/format_registry.h"
#include "history/clipboard_actions.h"
#include "history/history_budget.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel {

ImageWindow::ImageWindow(VeChildFrame* frame, const AppSettings& settings)
    : frame_(frame),
      settings_(settings),
      history_(settings.nb_history_states),
      clipboard_(&ClipboardStore::store()) {
    // Every window's undo list shares one memory budget, the settings' history memory.
    const size_t budget = size_t(settings.history_memory_mb) << 20;
    if (historyBudget().budget() != budget) historyBudget().setBudget(budget);
    history_.setBudget(&historyBudget());
    frame->document()->addListener(this);
    frame->selection().addListener(this);
    // The canvas tools record their steps (the marquee's selections) in this window's history.
    frame->view()->setActionSink(
        [this](std::unique_ptr<HistoryAction> action) { return perform(std::move(action)); });
    // The view draws around the image in the settings' colours as they are at each repaint.
    frame->view()->setColorSource([&settings] {
        return ViewColors{settings.doc_window_bg_color, settings.image_border_color};
    });
    QObject::connect(frame, &VeChildFrame::commandRequested, frame,
                     [this](int id) { requestCommand(id); });
    frame->setCaptionCommandFilter([this](int id) { return canRequestCommand(id); });
    palette_ = std::make_unique<ImageWindowPalette>(*this);
}

HistoryBudget& ImageWindow::historyBudget() {
    static HistoryBudget budget(HistoryBudget::defaultBytes());
    return budget;
}

ImageWindow::~ImageWindow() {
    // The palettes leave the document first, while everything is still there.
    palette_.reset();
    // Closed without saving (or saved before): nothing is left to recover.
    if (recovery_) recovery_->discard(frame_->document());
    // The history's actions may point into the document: they go before it.
    history_.clear();
    frame_->document()->removeListener(this);
    frame_->view()->setActionSink(nullptr);
    frame_->selection().removeListener(this);
    if (!frame_->parent()) delete frame_;
}

std::unique_ptr<ImageWindow> ImageWindow::create(std::unique_ptr<Document> document,
                                                 const AppSettings& settings) {
    if (!document) return nullptr;
    auto* frame = new VeChildFrame(std::move(document));
    return std::unique_ptr<ImageWindow>(new ImageWindow(frame, settings));
}

namespace {

std::map<int, CommandDialog>& parameterDialogs() {
    static std::map<int, CommandDialog> dialogs;
    return dialogs;
}

std::function<std::vector<int>(const Document&)>& chosenLayers() {
    static std::function<std::vector<int>(const Document&)> chosen;
    return chosen;
}

// The commands of the window itself and of its view.
const std::set<int> kWindowCommands = {
    kCmdEditUndo,    kCmdEditRedo,    kCmdEditPurgeUndo,  kCmdZoomIn,    kCmdZoomOut,
    kCmdFitOnScreen, kCmdFitInWindow, kCmdActualPixels,   kCmdPrintSize, kCmdToggleSelection,
    kCmdEditCopy,    kCmdEditCut,     kCmdEditCopyMerged, kCmdEditPaste};

}  // namespace

std::set<int> ImageWindow::commands() {
    std::set<int> ids = kWindowCommands;
    for (const DocumentCommand& command : documentCommands()) {
        for (const EditorEntry& entry : command.entries) {
            if (entry.preset || parameterDialogs().count(entry.id)) ids.insert(entry.id);
        }
    }
    return ids;
}

void ImageWindow::setParameterDialog(int id, CommandDialog dialog) {
    parameterDialogs()[id] = std::move(dialog);
}

void ImageWindow::setChosenLayers(std::function<std::vector<int>(const Document&)> chosen) {
    chosenLayers() = std::move(chosen);
}

void ImageWindow::setClipboard(ClipboardStore* store) {
    clipboard_ = store ? store : &ClipboardStore::store();
}

CommandContext ImageWindow::commandContext() const {
    CommandContext context;
    if (chosenLayers() && frame_) context.selectedLayers = chosenLayers()(*frame_->document());
    context.foreground = settings_.default_fg_color.toColorRef();
    context.background = settings_.default_bg_color.toColorRef();
    context.tolerance = settings_.pixel_similarity_tolerance;
    context.lastFilter = lastFilter();
    return context;
}

PaletteDocument* ImageWindow::paletteDocument() {
    return palette_.get();
}

QWidget* ImageWindow::widget() {
    return frame_;
}

Document* ImageWindow::document() const {
    return frame_ ? frame_->document() : nullptr;
}

std::string ImageWindow::documentName() const {
    return frame_ ? frame_->documentName().toStdString() : std::string();
}

void ImageWindow::setDocumentName(const std::string& name) {
    if (!frame_) return;
    frame_->document()->setTitle(name);
    refreshTitle();
    notifyStateChanged();
}

std::string ImageWindow::documentPath() const {
    return frame_ ? frame_->document()->filePath() : std::string();
}

bool ImageWindow::isModified() const {
    return frame_ && frame_->document()->isModified();
}

bool ImageWindow::flattenedImage(ColorImage& color) {
    Document* doc = document();
    GrayMap alpha;
    return doc && doc->flattenForSave(color, alpha, false);
}

bool ImageWindow::saveTo(const std::string& path, std::string* reason) {
    Document* doc = document();
    if (!doc) return false;
    // The registry writes a document to its own path: the new path is given for the write and
    // taken back when it fails, so that a failed Save As leaves the name and path as they were
    // (the name too, which for a document without a file is not derived from its path).
    const std::string oldPath = doc->filePath();
    const std::string oldTitle = doc->title();
    doc->setPath(path);
    SaveOptions options;
    options.webpLossless = losslessSave_;
    if (!saveDocument(*doc, options, reason)) {
        doc->setPath(oldPath);
        doc->setTitle(oldTitle);
        return false;
    }
    if (recovery_) recovery_->discard(doc);
    refreshTitle();
    notifyStateChanged();
    return true;
}

void ImageWindow::refreshTitle() {
    if (!frame_) return;
    const QString title = frame_->titleText();
    frame_->setWindowTitle(title);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame_->parent())) sub->setWindowTitle(title);
}

bool ImageWindow::handlesCommand(int id) const {
    return commands().count(id) > 0;
}

bool ImageWindow::isCommandEnabled(int id) const {
    if (!frame_) return false;
    switch (id) {
        case kCmdEditUndo:
            return history_.canUndo();
        case kCmdEditRedo:
            return history_.canRedo();
        case kCmdEditPurgeUndo:
            return history_.canUndo() || history_.canRedo();
        case kCmdEditCopy:
        case kCmdEditCopyMerged:
            return canCopy(*frame_->document(), frame_->selection().area(),
                           id == kCmdEditCopyMerged);
        case kCmdEditCut:
            return canClear(*frame_->document(), frame_->selection().area()) &&
                   canCopy(*frame_->document(), frame_->selection().area(), false);
        case kCmdEditPaste:
            return clipboard_->hasImage();
        default:
            break;
    }
    if (const DocumentCommand* command = findDocumentCommand(id)) {
        return handlesCommand(id) &&
               command->isEnabled(*frame_->document(), frame_->selection(), commandContext());
    }
    return VeChildFrame::handlesCommand(id) && frame_->isCommandEnabled(id);
}

bool ImageWindow::isCommandChecked(int id) const {
    return id == kCmdToggleSelection && frame_ && frame_->view()->selectionShown();
}

int ImageWindow::perform(std::unique_ptr<HistoryAction> action) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result = history_.perform(std::move(action));
    QApplication::restoreOverrideCursor();
    notifyStateChanged();
    return result;
}

bool ImageWindow::runCommandWith(int id, const CommandParams& params) {
    const DocumentCommand* command = findDocumentCommand(id);
    if (!frame_ || !command) return false;
    const CommandContext context = commandContext();
    Document& document = *frame_->document();
    Selection& selection = frame_->selection();
    if (!command->isEnabled(document, selection, context)) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MadeAction made = command->makeAction(document, selection, params, context);
    const bool done = made.action && history_.perform(std::move(made.action));
    QApplication::restoreOverrideCursor();
    notifyStateChanged();
    return done;
}

void ImageWindow::runCommand(int id) {
    if (!frame_ || !isCommandEnabled(id)) return;
    switch (id) {
        case kCmdEditUndo:
            history_.undo();
            break;
        case kCmdEditRedo:
            history_.redo();
            break;
        case kCmdEditPurgeUndo:
            history_.clear();
            break;
        case kCmdEditCopy:
        case kCmdEditCopyMerged:
        case kCmdEditCut:
        case kCmdEditPaste: {
            const bool done = id == kCmdEditCut     ? cut()
                              : id == kCmdEditPaste ? paste()
                                                    : copy(id == kCmdEditCopyMerged);
            // The item was offered, so a failure (short of memory, a clipboard image that
            // cannot be read) is not passed over in silence.
            if (!done) QApplication::beep();
            break;
        }
        default:
            if (const DocumentCommand* command = findDocumentCommand(id)) {
                // A menu item runs with its preset parameters, or with those its dialog returns.
                const EditorEntry* entry = command->entry(id);
                std::optional<CommandParams> params;
                if (entry && entry->preset) {
                    params = command->parsed(*entry->preset);
                } else if (auto dialog = parameterDialogs().find(id);
                           dialog != parameterDialogs().end()) {
                    params = dialog->second(frame_, *command, *frame_->document(),
                                            frame_->selection(), commandContext());
                }
                if (params) runCommandWith(id, *params);
                return;
            }
            frame_->handleCommand(id);
            break;
    }
    notifyStateChanged();
}

bool ImageWindow::copy(bool merged) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done =
        copyToClipboard(*frame_->document(), frame_->selection().area(), merged, *clipboard_) != 0;
    QApplication::restoreOverrideCursor();
    return done;
}

bool ImageWindow::cut() {
    Document& document = *frame_->document();
    const int index = document.layers().activeIndex();
    std::unique_ptr<HistoryAction> action;
    try {
        action = std::make_unique<CutAction>(&document, &frame_->selection(), index,
                                             commandContext().background, clipboard_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return perform(std::move(action)) != 0;
}

bool ImageWindow::paste() {
    // With the view's part of the canvas, for an image that cannot go back where it came from.
    const Rect visible = frame_->view()->scroller().visibleImageRect();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<HistoryAction> action =
        makePasteAction(frame_->document(), &frame_->selection(), *clipboard_, visible);
    QApplication::restoreOverrideCursor();
    return action && perform(std::move(action)) != 0;
}

void ImageWindow::documentChanged(const ChangeRecord&) {
    if (recovery_) recovery_->changed(frame_->document());
    notifyStateChanged();
}

void ImageWindow::selectionChanged(const SelectionChange&) {
    notifyStateChanged();
}

std::unique_ptr<DocumentWindow> ImageDocuments::openFile(const std::string& path,
                                                         std::string* reason) {
    std::unique_ptr<Document> document;
    OpenedFileInfo info;
    if (!openDocument(document, path, &info, reason)) return nullptr;
    if (reason) {
        reason->clear();
        for (const std::string& note : info.notes) *reason += (reason->empty() ? "" : " ") + note;
    }
    return made(ImageWindow::create(std::move(document), settings_));
}

std::unique_ptr<DocumentWindow> ImageDocuments::createNew(const ImageSettings& settings) {
    std::unique_ptr<Document> document = Document::createBlank(settings);
    if (!document) return nullptr;
    return made(ImageWindow::create(std::move(document), settings_));
}

std::unique_ptr<DocumentWindow> ImageDocuments::createFromImage(ColorImage& pixels,
                                                                GrayMap* transparency,
                                                                const std::string& name) {
    std::unique_ptr<Document> document = Document::fromImage(pixels, transparency, {});
    if (!document) return nullptr;
    document->setTitle(name);
    return made(ImageWindow::create(std::move(document), settings_));
}

std::unique_ptr<DocumentWindow> ImageDocuments::duplicate(DocumentWindow& source,
                                                          const std::string& name) {
    auto* original = dynamic_cast<ImageWindow*>(&source);
    if (!original || !original->document()) return nullptr;
    std::unique_ptr<Document> document = original->document()->duplicate();
    if (!document) return nullptr;
    // The copy has no file of its own: saving it asks for one.
    document->setPath({});
    document->setTitle(name);
    document->setModified(true);
    std::unique_ptr<Selection> selection = original->selection().clone();
    if (!selection) return nullptr;
    std::unique_ptr<ImageWindow> window = ImageWindow::create(std::move(document), settings_);
    if (!window || !window->selection().restore(*selection)) return nullptr;
    return made(std::move(window));
}

std::unique_ptr<DocumentWindow> ImageDocuments::made(std::unique_ptr<ImageWindow> window) const {
    if (window) {
        window->setClipboard(clipboard_);
        window->setRecovery(recovery_);
    }
    return window;
}

std::unique_ptr<DocumentWindow> ImageDocuments::adopt(std::unique_ptr<Document> document) {
    if (!document) return nullptr;
    Document* adopted = document.get();
    auto window = made(ImageWindow::create(std::move(document), settings_));
    if (window && recovery_ && adopted->isModified()) recovery_->changed(adopted);
    return window;
}

bool ImageDocuments::providesCommand(int id) const {
    return ImageWindow::commands().count(id) > 0 || id == kCmdFileNew || id == kCmdImageDuplicate ||
           id == kCmdFileNewFromClipboard || id == kCmdEditPasteNewImage;
}

}  // namespace varnel
