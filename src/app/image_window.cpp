#include "app/image_window.h"

#include <QApplication>
#include <QMdiSubWindow>

#include "app/command_table.h"
#include "document/document.h"
#include "document/layer_ops.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/filter_commands.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "formats/format_registry.h"
#include "history/geometry_actions.h"
#include "history/pixel_actions.h"
#include "history/selection_actions.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel {

ImageWindow::ImageWindow(VeChildFrame* frame, const AppSettings& settings)
    : frame_(frame),
      settings_(settings),
      history_(settings.nb_history_states),
      selection_(std::make_unique<Selection>(frame->document()->size())) {
    frame->document()->addListener(this);
    selection_->addListener(this);
    frame->view()->setSelection(selection_.get());
    // The canvas tools record their steps (the marquee's selections) in this window's history.
    frame->view()->setActionSink(
        [this](std::unique_ptr<HistoryAction> action) { return perform(std::move(action)); });
    QObject::connect(frame, &VeChildFrame::commandRequested, frame,
                     [this](int id) { requestCommand(id); });
    frame->setCaptionCommandFilter([this](int id) { return canRequestCommand(id); });
}

ImageWindow::~ImageWindow() {
    // The history's actions may point into the document: they go before it.
    history_.clear();
    frame_->document()->removeListener(this);
    frame_->view()->setSelection(nullptr);
    frame_->view()->setActionSink(nullptr);
    selection_->removeListener(this);
    if (!frame_->parent()) delete frame_;
}

std::unique_ptr<ImageWindow> ImageWindow::create(std::unique_ptr<Document> document,
                                                 const AppSettings& settings) {
    if (!document) return nullptr;
    auto* frame = new VeChildFrame(std::move(document));
    return std::unique_ptr<ImageWindow>(new ImageWindow(frame, settings));
}

const std::set<int>& ImageWindow::commands() {
    static const std::set<int> ids = [] {
        std::set<int> s = {kCmdEditUndo,
                           kCmdEditRedo,
                           kCmdEditPurgeUndo,
                           kCmdDesaturate,
                           kCmdInvert,
                           kCmdAutoLevels,
                           kCmdAutoContrast,
                           kCmdLastFilter,
                           kCmdZoomIn,
                           kCmdZoomOut,
                           kCmdFitOnScreen,
                           kCmdFitInWindow,
                           kCmdActualPixels,
                           kCmdPrintSize,
                           kCmdToggleSelection,
                           kCmdBlur,
                           kCmdBlurMore,
                           kCmdSharpen,
                           kCmdSharpenMore,
                           kCmdSelectAll,
                           kCmdSelectNone,
                           kCmdSelectInverse,
                           kCmdSelectGrow,
                           kCmdSelectSimilar,
                           kCmdEditClear,
                           kCmdRotate180,
                           kCmdRotate90CW,
                           kCmdRotate90CCW,
                           kCmdFlipHorizontal,
                           kCmdFlipVertical,
                           kCmdCrop,
                           kCmdTrim};
        return s;
    }();
    return ids;
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
    if (!saveDocument(*doc, {}, reason)) {
        doc->setPath(oldPath);
        doc->setTitle(oldTitle);
        return false;
    }
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

FilterTarget ImageWindow::filterTarget() {
    FilterTarget t;
    t.history = &history_;
    t.document = document();
    t.selection = selection_.get();
    return t;
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
        case kCmdDesaturate:
        case kCmdInvert:
        case kCmdBlur:
        case kCmdBlurMore:
        case kCmdSharpen:
        case kCmdSharpenMore:
        case kCmdAutoLevels:
        case kCmdAutoContrast:
            return canTakeFilter(*frame_->document(), selection_->area());
        case kCmdLastFilter:
            return lastFilter() && canTakeFilter(*frame_->document(), selection_->area());
        case kCmdSelectAll:
        case kCmdRotate180:
        case kCmdRotate90CW:
        case kCmdRotate90CCW:
        case kCmdFlipHorizontal:
        case kCmdFlipVertical:
        case kCmdTrim:
            return true;
        case kCmdSelectNone:
        case kCmdSelectInverse:
        case kCmdSelectGrow:
        case kCmdSelectSimilar:
            return !selection_->isEmpty();
        case kCmdCrop:
            return !selection_->isEmpty() &&
                   selection_->bounds().intersects(frame_->document()->bounds());
        case kCmdEditClear:
            return canClear(*frame_->document(), selection_->area());
        default:
            return VeChildFrame::handlesCommand(id) && frame_->isCommandEnabled(id);
    }
}

bool ImageWindow::isCommandChecked(int id) const {
    return id == kCmdToggleSelection && frame_ && frame_->view()->selectionShown();
}

namespace {

// The filters of the commands that take no parameters.
std::unique_ptr<Filter> filterOf(int id) {
    switch (id) {
        case kCmdDesaturate:
            return std::make_unique<DesaturateFilter>();
        case kCmdInvert:
            return std::make_unique<InvertFilter>();
        case kCmdBlur:
            return std::make_unique<BlurFilter>();
        case kCmdBlurMore:
            return std::make_unique<BlurMoreFilter>();
        case kCmdSharpen:
            return std::make_unique<SharpenFilter>();
        case kCmdSharpenMore:
            return std::make_unique<SharpenMoreFilter>();
        default:
            return nullptr;
    }
}

}  // namespace

int ImageWindow::perform(std::unique_ptr<HistoryAction> action) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result = history_.perform(std::move(action));
    QApplication::restoreOverrideCursor();
    notifyStateChanged();
    return result;
}

void ImageWindow::runCommand(int id) {
    if (!frame_ || !isCommandEnabled(id)) return;
    Document* doc = frame_->document();
    Selection* sel = selection_.get();
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
        case kCmdDesaturate:
        case kCmdInvert:
        case kCmdBlur:
        case kCmdBlurMore:
        case kCmdSharpen:
        case kCmdSharpenMore:
            runFilterCommand(filterTarget(), filterOf(id));
            break;
        case kCmdAutoLevels:
            runAutoLevels(filterTarget());
            break;
        case kCmdAutoContrast:
            runAutoContrast(filterTarget());
            break;
        case kCmdLastFilter:
            runLastFilter(filterTarget());
            break;
        case kCmdSelectAll:
            perform(std::make_unique<SelectAllAction>(doc, sel));
            break;
        case kCmdSelectNone:
            perform(std::make_unique<DeselectAction>(doc, sel));
            break;
        case kCmdSelectInverse:
            perform(std::make_unique<SelectInverseAction>(doc, sel));
            break;
        case kCmdSelectGrow:
        case kCmdSelectSimilar:
            perform(std::make_unique<GrowSimilarAction>(doc, sel, id == kCmdSelectGrow,
                                                        settings_.pixel_similarity_tolerance));
            break;
        case kCmdEditClear:
            perform(std::make_unique<ClearAction>(doc, sel, doc->layers().activeIndex(),
                                                  settings_.default_bg_color.toColorRef()));
            break;
        case kCmdRotate180:
        case kCmdRotate90CW:
        case kCmdRotate90CCW:
            perform(std::make_unique<RotateCanvasAction>(doc, sel,
                                                         id == kCmdRotate180    ? 180.0
                                                         : id == kCmdRotate90CW ? 90.0
                                                                                : 270.0));
            break;
        case kCmdFlipHorizontal:
        case kCmdFlipVertical:
            perform(std::make_unique<FlipCanvasAction>(doc, sel, id == kCmdFlipHorizontal));
            break;
        case kCmdCrop:
            perform(std::make_unique<CropAction>(doc, sel));
            break;
        case kCmdTrim:
            perform(std::make_unique<TrimAction>(doc, sel));
            break;
        default:
            frame_->handleCommand(id);
            break;
    }
    notifyStateChanged();
}

void ImageWindow::documentChanged(const ChangeRecord&) {
    notifyStateChanged();
}

void ImageWindow::selectionChanged(const SelectionChange&) {
    notifyStateChanged();
}

std::unique_ptr<DocumentWindow> ImageDocuments::openFile(const std::string& path,
                                                         std::string* reason) {
    std::unique_ptr<Document> document;
    if (!openDocument(document, path, nullptr, reason)) return nullptr;
    return ImageWindow::create(std::move(document), settings_);
}

std::unique_ptr<DocumentWindow> ImageDocuments::createFromImage(ColorImage& pixels,
                                                                GrayMap* transparency,
                                                                const std::string& name) {
    std::unique_ptr<Document> document = Document::fromImage(pixels, transparency, {});
    if (!document) return nullptr;
    document->setTitle(name);
    return ImageWindow::create(std::move(document), settings_);
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
    return window;
}

bool ImageDocuments::providesCommand(int id) const {
    return ImageWindow::commands().count(id) > 0 || id == kCmdImageDuplicate ||
           id == kCmdFileNewFromClipboard;
}

}  // namespace varnel
