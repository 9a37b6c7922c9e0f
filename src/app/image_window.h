// The window of one open image: the canvas frame (which owns the document), the window's undo
// list and selection, and the document commands that work on them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "app/app_settings.h"
#include "app/document_window.h"
#include "commands/catalogue.h"
#include "document/change.h"
#include "document/selection.h"
#include "history/history.h"
#include "history/history_budget.h"
#include "view/ve_child_frame.h"

namespace varnel {

class ClipboardStore;
class Document;
class RecoveryJournal;
class ImageWindowPalette;

// A dialog that gathers the parameters of a document command: it opens over `parent` with the
// document and selection of the window, and returns the command's parameter record (the type its
// catalogue record names), or nothing when the user cancels. A dialog with a live preview shows
// it on the document and puts the document back before it returns. (Named apart from the
// dialogs' ParameterDialog base class, so that one file can use both.)
using CommandDialog = std::function<std::optional<CommandParams>(
    QWidget* parent, const DocumentCommand& command, Document& document, Selection& selection,
    const CommandContext& context)>;

class ImageWindow : public DocumentWindow, private DocumentListener, private SelectionListener {
public:
    // A window for `document` with an undo list of the settings' number of history states; the
    // commands read the settings' colours and tolerance when they run. Destroying the window
    // destroys the frame too unless the frame has been put into a sub-window, which then deletes
    // it.
    static std::unique_ptr<ImageWindow> create(std::unique_ptr<Document> document,
                                               const AppSettings& settings);
    ~ImageWindow() override;

    // The memory budget the undo lists of all windows share (a quarter of physical memory, at
    // least 256 MB, until changed).
    static HistoryBudget& historyBudget();

    // The document commands these windows carry out: Undo, Redo, Purge, the view's commands, and
    // each catalogue command that runs without asking or whose dialog is registered.
    static std::set<int> commands();
    // Registers the dialog of the catalogue entry `id` (a menu item whose command asks for its
    // parameters); from then on the windows offer that command. Replaces an earlier one.
    static void setParameterDialog(int id, CommandDialog dialog);
    // Tells the windows which layers are chosen in the Layers palette for a document (stack
    // indices, bottom first), for Merge Layers and Merge Down; without it, or when it gives
    // nothing, the active layer alone is chosen.
    static void setChosenLayers(std::function<std::vector<int>(const Document&)> chosen);
    // The clipboard store Copy, Cut and Paste use (the process-wide one unless given).
    void setClipboard(ClipboardStore* store);
    // The journal that keeps a recovery copy of the document while it has unsaved changes
    // (none unless given); saving or closing the window removes the copy.
    void setRecovery(RecoveryJournal* journal) { recovery_ = journal; }
    // Runs a catalogue command with a parameter record, as its dialog's OK does; false when the
    // command cannot run now or its action fails.
    bool runCommandWith(int id, const CommandParams& params);
    // What the commands read of the settings now.
    CommandContext commandContext() const;

    QWidget* widget() override;
    std::string documentName() const override;
    void setDocumentName(const std::string& name) override;
    std::string documentPath() const override;
    bool isModified() const override;
    History* history() override { return &history_; }
    PaletteDocument* paletteDocument() override;
    bool flattenedImage(ColorImage& color) override;
    bool saveTo(const std::string& path, std::string* reason = nullptr) override;
    void setLosslessSave(bool lossless) override { losslessSave_ = lossless; }
    bool handlesCommand(int id) const override;
    bool isCommandEnabled(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

    Document* document() const;
    VeChildFrame* frame() const { return frame_; }
    // The window's selection: the frame's (VeChildFrame owns it).
    Selection& selection() { return frame_->selection(); }

private:
    friend class ImageWindowPalette;
    ImageWindow(VeChildFrame* frame, const AppSettings& settings);
    // Records the action (executing it); its result, 0 when it was refused.
    int perform(std::unique_ptr<HistoryAction> action);
    void documentChanged(const ChangeRecord& change) override;
    void selectionChanged(const SelectionChange& change) override;
    void refreshTitle();
    // Copy and Copy Merged: the pixels go to the clipboard; nothing is recorded.
    bool copy(bool merged);
    bool cut();
    bool paste();

    VeChildFrame* frame_;
    const AppSettings& settings_;
    History history_;
    ClipboardStore* clipboard_;
    RecoveryJournal* recovery_ = nullptr;
    // The palettes' link to this window (image_window_palette.cpp).
    std::unique_ptr<ImageWindowPalette> palette_;
    bool losslessSave_ = false;
};

// Opens image files into ImageWindows through the format registry.
class ImageDocuments : public DocumentProvider {
public:
    // The windows' Copy, Cut and Paste use `clipboard` (null: the process-wide store).
    explicit ImageDocuments(const AppSettings& settings, ClipboardStore* clipboard = nullptr)
        : settings_(settings), clipboard_(clipboard) {}

    std::unique_ptr<DocumentWindow> openFile(const std::string& path,
                                             std::string* reason = nullptr) override;
    std::unique_ptr<DocumentWindow> createNew(const ImageSettings& settings) override;
    std::unique_ptr<DocumentWindow> createFromImage(ColorImage& pixels, GrayMap* transparency,
                                                    const std::string& name) override;
    // The source must be an ImageWindow.
    std::unique_ptr<DocumentWindow> duplicate(DocumentWindow& source,
                                              const std::string& name) override;
    bool providesCommand(int id) const override;
    // A window for a document made elsewhere (a recovered copy); a modified document is
    // journaled at once.
    std::unique_ptr<DocumentWindow> adopt(std::unique_ptr<Document> document);
    // The journal every window made from now on keeps its recovery copy in.
    void setRecovery(RecoveryJournal* journal) { recovery_ = journal; }

private:
    std::unique_ptr<DocumentWindow> made(std::unique_ptr<ImageWindow> window) const;

    const AppSettings& settings_;
    ClipboardStore* clipboard_;
    RecoveryJournal* recovery_ = nullptr;
};

}  // namespace varnel
