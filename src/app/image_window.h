// The window of one open image: the canvas frame (which owns the document), the window's undo
// list and selection, and the document commands that work on them.
#pragma once

#include <memory>
#include <set>

#include "app/document_window.h"
#include "document/change.h"
#include "document/selection.h"
#include "history/history.h"
#include "view/ve_child_frame.h"

namespace varnel {

class Document;
struct FilterTarget;

class ImageWindow : public DocumentWindow, private DocumentListener, private SelectionListener {
public:
    // A window for `document` with an undo list of `historyLimit` states. Destroying it destroys
    // the frame too unless the frame has been put into a sub-window, which then deletes it.
    static std::unique_ptr<ImageWindow> create(std::unique_ptr<Document> document,
                                               int historyLimit);
    ~ImageWindow() override;

    // The document commands these windows carry out.
    static const std::set<int>& commands();

    QWidget* widget() override;
    std::string documentName() const override;
    std::string documentPath() const override;
    bool isModified() const override;
    History* history() override { return &history_; }
    bool saveTo(const std::string& path) override;
    bool handlesCommand(int id) const override;
    bool isCommandEnabled(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

    Document* document() const;
    VeChildFrame* frame() const { return frame_; }
    Selection& selection() { return *selection_; }

private:
    ImageWindow(VeChildFrame* frame, int historyLimit);
    void documentChanged(const ChangeRecord& change) override;
    void selectionChanged(const SelectionChange& change) override;
    FilterTarget filterTarget();
    void refreshTitle();

    VeChildFrame* frame_;
    History history_;
    std::unique_ptr<Selection> selection_;
};

// Opens image files into ImageWindows through the format registry.
class ImageDocuments : public DocumentProvider {
public:
    // `historyLimit` is read for every new window (the settings' number of history states).
    explicit ImageDocuments(std::function<int()> historyLimit);

    std::unique_ptr<DocumentWindow> openFile(const std::string& path) override;
    bool providesCommand(int id) const override;

private:
    std::function<int()> historyLimit_;
};

}  // namespace varnel
