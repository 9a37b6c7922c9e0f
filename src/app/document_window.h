// What the main window needs from the window of one open document, and from whatever opens and
// creates documents. The main window owns the document windows (each sub-window of its
// multiple-document area owns one, and deletes it before the widget it shows) and forwards the
// document commands to the active one.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace varnel {

class ColorImage;
class GrayMap;
class History;
struct ImageSettings;
class PaletteDocument;

class DocumentWindow {
public:
    virtual ~DocumentWindow() = default;

    // The widget put into the multiple-document area; its window title is the sub-window's.
    virtual QWidget* widget() = 0;

    // The document's name ("Untitled-1", "photo.jpg").
    virtual std::string documentName() const = 0;
    // Gives a document the name it is shown under (a duplicate, an image from the clipboard).
    virtual void setDocumentName(const std::string& name) = 0;
    // The file the document was opened from or last saved to; empty when it has none.
    virtual std::string documentPath() const = 0;
    virtual bool isModified() const = 0;
    // The document's undo list; null when the window keeps none.
    virtual History* history() = 0;
    // What the palettes follow and send their requests to while this window is the active one;
    // null when the window has nothing for them.
    virtual PaletteDocument* paletteDocument() { return nullptr; }
    // The document's visible layers composited over white at the canvas size: the image that
    // is printed. False when the window has no image or memory is short.
    virtual bool flattenedImage(ColorImage& /*color*/) { return false; }

    // Writes the document to `path` in the format its extension names. On success the document
    // takes that path and the name that goes with it and is no longer modified; on failure
    // nothing about the document changes, the file that was at `path` is left as it was, and
    // `reason` (when given) says why ("disk full"), or is empty when nothing more is known.
    virtual bool saveTo(const std::string& path, std::string* reason = nullptr) = 0;
    // Chooses lossless or lossy for the window's WebP saves from now on (the save dialog's
    // "WebP lossless" entry).
    virtual void setLosslessSave(bool /*lossless*/) {}

    // The document commands this window carries out (forwarded by the main window).
    virtual bool handlesCommand(int id) const = 0;
    virtual bool isCommandEnabled(int id) const = 0;
    virtual bool isCommandChecked(int /*id*/) const { return false; }
    virtual void runCommand(int id) = 0;

    // Called whenever something the main window shows may have changed: the modified flag, the
    // undo list, the selection. Set by the main window.
    void setStateListener(std::function<void()> listener) { listener_ = std::move(listener); }
    // Called with a command the window's own controls ask for (its caption menu), to be carried
    // out by the main window as if chosen from its menus. Set by the main window.
    void setCommandListener(std::function<void(int)> listener) {
        commandListener_ = std::move(listener);
    }
    // Answers whether the main window carries out a command the window's own controls may ask
    // for, so that they offer only those. Set by the main window.
    void setCommandQuery(std::function<bool(int)> query) { commandQuery_ = std::move(query); }

protected:
    void notifyStateChanged() const {
        if (listener_) listener_();
    }
    void requestCommand(int id) const {
        if (commandListener_) commandListener_(id);
    }
    bool canRequestCommand(int id) const { return commandQuery_ && commandQuery_(id); }

private:
    std::function<void()> listener_;
    std::function<void(int)> commandListener_;
    std::function<bool(int)> commandQuery_;
};

// Opens and creates documents with their windows.
class DocumentProvider {
public:
    virtual ~DocumentProvider() = default;

    // A window for the document loaded from `path`, or null when the file cannot be opened;
    // then `reason` (when given) says why, or is empty when nothing more is known. On success
    // `reason` holds what the user should know about a file that opened all the same (layers
    // left out), or is empty.
    virtual std::unique_ptr<DocumentWindow> openFile(const std::string& path,
                                                     std::string* reason = nullptr) = 0;
    // A window for a new document made of `pixels` (taken over on success) with `transparency`
    // (when given, of the same size) as its layer's transparency, shown under `name`; it has no
    // file yet and counts as modified. Null when it cannot be made.
    virtual std::unique_ptr<DocumentWindow> createFromImage(ColorImage& /*pixels*/,
                                                            GrayMap* /*transparency*/,
                                                            const std::string& /*name*/) {
        return nullptr;
    }
    // A window for a new blank image made from `settings` (size, resolution, background colour or
    // transparency, and the name it is shown under); it has no file yet. Null when it cannot be
    // made (invalid settings, or not enough memory).
    virtual std::unique_ptr<DocumentWindow> createNew(const ImageSettings& /*settings*/) {
        return nullptr;
    }
    // A window for a full copy of the document of `source` (layers, channels, resolution, and the
    // window's selection), shown under `name`; it has no file yet and counts as modified. Null
    // when it cannot be made.
    virtual std::unique_ptr<DocumentWindow> duplicate(DocumentWindow& /*source*/,
                                                      const std::string& /*name*/) {
        return nullptr;
    }
    // Whether the windows this provider makes carry out document command `id`, or for the frame's
    // commands that make documents (New, Duplicate, New From Clipboard), whether it makes them.
    // Decides which menu items are shown.
    virtual bool providesCommand(int id) const = 0;
};

}  // namespace varnel
