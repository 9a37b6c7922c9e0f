#include "app/image_window.h"

#include <QMdiSubWindow>

#include "app/command_table.h"
#include "document/document.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/filter_commands.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "formats/format_registry.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel {

ImageWindow::ImageWindow(VeChildFrame* frame, int historyLimit)
    : frame_(frame),
      history_(historyLimit),
      selection_(std::make_unique<Selection>(frame->document()->size())) {
    frame->document()->addListener(this);
    selection_->addListener(this);
    frame->view()->setSelection(selection_.get());
    QObject::connect(frame, &VeChildFrame::commandRequested, frame,
                     [this](int id) { requestCommand(id); });
}

ImageWindow::~ImageWindow() {
    // The history's actions may point into the document: they go before it.
    history_.clear();
    frame_->document()->removeListener(this);
    frame_->view()->setSelection(nullptr);
    selection_->removeListener(this);
    if (!frame_->parent()) delete frame_;
}

std::unique_ptr<ImageWindow> ImageWindow::create(std::unique_ptr<Document> document,
                                                 int historyLimit) {
    if (!document) return nullptr;
    auto* frame = new VeChildFrame(std::move(document));
    return std::unique_ptr<ImageWindow>(new ImageWindow(frame, historyLimit));
}

const std::set<int>& ImageWindow::commands() {
    static const std::set<int> ids = [] {
        std::set<int> s = {kCmdEditUndo,     kCmdEditRedo,   kCmdEditPurgeUndo,   kCmdDesaturate,
                           kCmdInvert,       kCmdAutoLevels, kCmdAutoContrast,    kCmdLastFilter,
                           kCmdZoomIn,       kCmdZoomOut,    kCmdFitOnScreen,     kCmdFitInWindow,
                           kCmdActualPixels, kCmdPrintSize,  kCmdToggleSelection, kCmdBlur,
                           kCmdBlurMore,     kCmdSharpen,    kCmdSharpenMore};
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

std::string ImageWindow::documentPath() const {
    return frame_ ? frame_->document()->filePath() : std::string();
}

bool ImageWindow::isModified() const {
    return frame_ && frame_->document()->isModified();
}

bool ImageWindow::saveTo(const std::string& path) {
    Document* doc = document();
    if (!doc) return false;
    // The registry writes a document to its own path: the new path is given for the write and
    // taken back when it fails, so that a failed Save As leaves the name and path as they were.
    const std::string oldPath = doc->filePath();
    doc->setPath(path);
    if (!saveDocument(*doc)) {
        doc->setPath(oldPath);
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

ImageDocuments::ImageDocuments(std::function<int()> historyLimit)
    : historyLimit_(std::move(historyLimit)) {}

std::unique_ptr<DocumentWindow> ImageDocuments::openFile(const std::string& path) {
    std::unique_ptr<Document> document;
    if (!openDocument(document, path)) return nullptr;
    return ImageWindow::create(std::move(document), historyLimit_ ? historyLimit_() : 20);
}

bool ImageDocuments::providesCommand(int id) const {
    return ImageWindow::commands().count(id) > 0;
}

}  // namespace varnel
