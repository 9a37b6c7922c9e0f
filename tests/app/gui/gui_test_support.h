// Headless stand-ins for what the main window talks to: documents, message boxes, file dialogs
// and the desktop. Each records what it was asked so that tests can check the flows.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../../support/fake_system_clipboard.h"
#include "app/app_services.h"
#include "app/command_table.h"
#include "app/document_window.h"
#include "core/surface.h"
#include "document/document.h"
#include "history/history.h"

namespace varnel::test {

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// What the fake documents did, in order, kept by the test so that it outlives them: "save NAME
// to FILE" (FILE without its folder), "failed save NAME to FILE" and "close NAME" (the window went
// away, as a document closed for good).
using Journal = std::vector<std::string>;

// One document window. Saving succeeds unless `saveFails`; a successful save takes the path.
class FakeDocument : public QWidget, public DocumentWindow {
public:
    FakeDocument(std::string path, std::string name, Journal* journal = nullptr)
        : journal(journal), path_(std::move(path)), name_(std::move(name)) {
        setWindowTitle(QString::fromStdString(name_));
    }
    ~FakeDocument() override { note("close " + name_); }

    QWidget* widget() override { return this; }
    std::string documentName() const override { return name_; }
    void setDocumentName(const std::string& name) override {
        name_ = name;
        setWindowTitle(QString::fromStdString(name));
    }
    std::string documentPath() const override { return path_; }
    bool isModified() const override { return modified; }
    History* history() override { return &undo; }
    bool flattenedImage(ColorImage& color) override {
        return flattened.isValid() && color.copyFrom(flattened);
    }

    bool saveTo(const std::string& path, std::string* reason = nullptr) override {
        saves.push_back(path);
        const std::string file = path.substr(path.find_last_of('/') + 1);
        if (saveFails) {
            if (reason) *reason = saveFailure;
            note("failed save " + name_ + " to " + file);
            return false;
        }
        note("save " + name_ + " to " + file);
        path_ = path;
        name_ = file;
        modified = false;
        return true;
    }

    bool handlesCommand(int id) const override { return commands.count(id) > 0; }
    bool isCommandEnabled(int id) const override { return !disabled.count(id); }
    void runCommand(int id) override {
        ran.push_back(id);
        if (id == kUndo) undo.undo();
        if (id == kRedo) undo.redo();
    }
    void changed() { notifyStateChanged(); }
    void ask(int id) { requestCommand(id); }
    bool mayAsk(int id) const { return canRequestCommand(id); }

    static constexpr int kUndo = 57643;
    static constexpr int kRedo = 57644;
    bool modified = false;
    bool saveFails = false;
    std::string saveFailure;  // the reason a failing save gives
    // What a document made from an image was made of, and the document a copy was made from.
    Size imageSize;
    bool hasTransparency = false;
    const FakeDocument* copyOf = nullptr;
    // What a new blank document was made from.
    std::optional<ImageSettings> madeFrom;
    // What flattenedImage gives; without pixels, nothing.
    ColorImage flattened;
    std::set<int> commands;
    std::set<int> disabled;
    std::vector<int> ran;
    std::vector<std::string> saves;
    History undo{20};
    Journal* journal = nullptr;

private:
    void note(const std::string& line) {
        if (journal) journal->push_back(line);
    }

    std::string path_, name_;
};

// Opens the paths listed in `openable`; records every attempt.
class FakeProvider : public DocumentProvider {
public:
    std::unique_ptr<DocumentWindow> openFile(const std::string& path,
                                             std::string* reason = nullptr) override {
        attempts.push_back(path);
        if (!openable.count(path)) {
            if (reason) *reason = openFailure;
            return nullptr;
        }
        auto doc =
            std::make_unique<FakeDocument>(path, path.substr(path.find_last_of('/') + 1), journal);
        doc->commands = commands;
        opened.push_back(doc.get());
        if (reason) *reason = openNote;
        return doc;
    }
    std::unique_ptr<DocumentWindow> createFromImage(ColorImage& pixels, GrayMap* transparency,
                                                    const std::string& name) override {
        if (refuseNew) return nullptr;
        auto doc = std::make_unique<FakeDocument>("", name, journal);
        doc->imageSize = pixels.size();
        doc->hasTransparency = transparency != nullptr;
        doc->modified = true;
        made.push_back(doc.get());
        return doc;
    }
    std::unique_ptr<DocumentWindow> createNew(const ImageSettings& settings) override {
        if (refuseNew) return nullptr;
        auto doc = std::make_unique<FakeDocument>("", settings.title);
        doc->madeFrom = settings;
        doc->imageSize = Size{settings.width, settings.height};
        doc->commands = commands;
        made.push_back(doc.get());
        return doc;
    }
    std::unique_ptr<DocumentWindow> duplicate(DocumentWindow& source,
                                              const std::string& name) override {
        if (refuseNew) return nullptr;
        auto doc = std::make_unique<FakeDocument>("", name, journal);
        doc->copyOf = dynamic_cast<FakeDocument*>(&source);
        doc->commands = commands;
        doc->modified = true;
        made.push_back(doc.get());
        return doc;
    }
    bool providesCommand(int id) const override {
        return commands.count(id) > 0 || id == kCmdFileNew || id == kCmdImageDuplicate ||
               id == kCmdFileNewFromClipboard || id == kCmdEditPasteNewImage;
    }

    bool refuseNew = false;
    // Given to every document it makes.
    Journal* journal = nullptr;
    std::vector<FakeDocument*> made;
    std::set<std::string> openable;
    std::string openFailure;  // the reason a path not openable gives
    std::string openNote;     // what an openable path says about itself
    std::set<int> commands;
    std::vector<std::string> attempts;
    std::vector<FakeDocument*> opened;
};

// Answers questions from a queue (Cancel when it runs dry) and records every box.
class FakePrompts : public Prompts {
public:
    Answer askYesNoCancel(const QString& title, const QString& text) override {
        log.push_back("ask " + title.toStdString() + ": " + text.toStdString());
        if (answers.empty()) return Answer::Cancel;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool askYesNo(const QString& title, const QString& text) override {
        log.push_back("confirm " + title.toStdString() + ": " + text.toStdString());
        return confirm;
    }
    void showError(const QString& text, const QString& detail = QString()) override {
        log.push_back("error: " + text.toStdString());
        details.push_back(detail.toStdString());
    }
    void showInformation(const QString& title, const QString& text) override {
        log.push_back("info " + title.toStdString() + ": " + text.toStdString());
    }
    void showAbout(const QString& title, const QString& text) override {
        log.push_back("about " + title.toStdString() + ": " + text.toStdString());
    }

    std::deque<Answer> answers;
    bool confirm = false;
    std::vector<std::string> log;
    // The detail shown with each error box, in order (empty when there was none).
    std::vector<std::string> details;
};

// Gives scripted dialog results and records what the dialogs were opened with.
class FakeDialogs : public FileDialogs {
public:
    QStringList chooseFilesToOpen(const QString& filter, int filterIndex) override {
        openFilter = filter;
        openFilterIndex = filterIndex;
        return toOpen;
    }
    std::optional<SaveChoice> chooseSaveFile(const QString& filter, int filterIndex,
                                             const QString& proposedName) override {
        saveFilter = filter;
        saveFilterIndex = filterIndex;
        proposed = proposedName;
        ++saveDialogs;
        return saveChoice;
    }

    QStringList toOpen;
    std::optional<SaveChoice> saveChoice;
    QString openFilter, saveFilter, proposed;
    int openFilterIndex = 0, saveFilterIndex = 0, saveDialogs = 0;
};

// The frame's own dialogs: each answers with what the test put in (nothing: cancelled) and
// records what it was opened with.
class FakeCommandDialogs : public CommandDialogs {
public:
    std::optional<QString> askDuplicateName(const QString& name,
                                            const QStringList& openNames) override {
        asked.push_back(name.toStdString());
        lastOpenNames = openNames;
        return answer;
    }
    std::optional<NewImageResult> askNewImage(AppSettings& settings, std::optional<Size> clipboard,
                                              bool& presetsChanged) override {
        ++newDialogs;
        newClipboard = clipboard;
        if (presetToSave) presetsChanged = settings.addPreset(*presetToSave);
        return newImage;
    }
    std::optional<QString> answer;
    std::vector<std::string> asked;
    QStringList lastOpenNames;
    std::optional<AppOptions> askOptions(const AppOptions&) override {
        ++optionsDialogs;
        return options;
    }
    std::optional<AppOptions> options;
    int optionsDialogs = 0;
    std::optional<NewImageResult> newImage;
    std::optional<ImagePreset> presetToSave;  // saved by the New dialog
    std::optional<Size> newClipboard;
    int newDialogs = 0;
};

class FakeDesktop : public Desktop {
public:
    bool openUrl(const QUrl& url) override {
        urls.push_back(url.toString().toStdString());
        return true;
    }
    std::vector<std::string> urls;
};

}  // namespace varnel::test
