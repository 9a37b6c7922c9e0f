// What the main window asks of the user and of the desktop, behind interfaces so that the
// window's flows run headless in tests with scripted answers.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "app/app_settings.h"
#include "core/geometry.h"
#include "dialogs/new_image_dialog.h"

class QPrinter;
class QWidget;

namespace varnel {

// Message boxes.
class Prompts {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompts() = default;
    // A question with Yes, No and Cancel and the question icon.
    virtual Answer askYesNoCancel(const QString& title, const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // An error box titled "Error" with the error icon; `detail`, when not empty, is shown below
    // the text (why the operation failed).
    virtual void showError(const QString& text, const QString& detail = QString()) = 0;
    // An information box with the information icon.
    virtual void showInformation(const QString& title, const QString& text) = 0;
    // The About box.
    virtual void showAbout(const QString& title, const QString& text) = 0;
};

// The open and save dialogs. Filters are lists of (description, patterns) pairs in the "|"
// separated form "Name|*.a;*.b|Other|*.c|".
class FileDialogs {
public:
    struct SaveChoice {
        QString path;
        int filterIndex = 1;  // 1-based index of the chosen filter entry
    };

    virtual ~FileDialogs() = default;
    // The chosen existing files (several may be chosen); empty when cancelled.
    virtual QStringList chooseFilesToOpen(const QString& filter, int filterIndex) = 0;
    // The chosen file name and filter; nothing when cancelled. The dialog asks before an
    // existing file is replaced.
    virtual std::optional<SaveChoice> chooseSaveFile(const QString& filter, int filterIndex,
                                                     const QString& proposedName) = 0;
};

// The dialogs of the frame's own commands.
class CommandDialogs {
public:
    virtual ~CommandDialogs() = default;
    // The Duplicate Image dialog for the document named `name`: the name for its copy, proposed
    // so that none of `openNames` (every open document's) has it; nothing when cancelled.
    virtual std::optional<QString> askDuplicateName(const QString& name,
                                                    const QStringList& openNames) = 0;
    // The New dialog over the presets of `settings` (which it may add to and remove from, then
    // setting `presetsChanged`), with the size of the clipboard's image when there is one;
    // nothing when cancelled.
    virtual std::optional<NewImageResult> askNewImage(AppSettings& /*settings*/,
                                                      std::optional<Size> /*clipboard*/,
                                                      bool& /*presetsChanged*/) {
        return std::nullopt;
    }
    // The Options dialog over a copy of `current`: the edited options, every number within its
    // range; nothing when cancelled.
    virtual std::optional<AppOptions> askOptions(const AppOptions& /*current*/) {
        return std::nullopt;
    }
};

// Opening files and web pages with the desktop's programs.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// The printers and the printing dialogs.
class Printers {
public:
    enum class PreviewChoice { Print, Done, Cancel };

    virtual ~Printers() = default;
    // The output printing starts with: the system's default printer, or a PDF file when the
    // system has no printer; null when there is no output at all.
    virtual std::unique_ptr<QPrinter> openDefault() = 0;
    // The Page Setup dialog on `printer`. True when confirmed: the printer then holds the page
    // settings chosen.
    virtual bool pageSetup(QPrinter& printer) = 0;
    // The Print dialog on `printer` for a job of one page. True when confirmed: the printer then
    // holds the printer, file and settings chosen. It opens at `position` when one is given, and
    // `position` receives where it was when it closed.
    virtual bool choosePrint(QPrinter& printer, std::optional<QPoint>& position) = 0;
    // The Print with Preview dialog: the page as `paintPage` paints it on `printer`; its Page
    // Setup button calls `pageSetup`, which tells whether the settings changed.
    virtual PreviewChoice preview(QPrinter& printer,
                                  const std::function<void(QPrinter&)>& paintPage,
                                  const std::function<bool()>& pageSetup) = 0;
};

// The real ones, parented to `parent`'s window.
std::unique_ptr<Prompts> messageBoxPrompts(QWidget* parent);
std::unique_ptr<FileDialogs> systemFileDialogs(QWidget* parent);
std::unique_ptr<Desktop> systemDesktop();
std::unique_ptr<CommandDialogs> systemCommandDialogs(QWidget* parent);
std::unique_ptr<Printers> systemPrinters(QWidget* parent);

// A "|" separated filter as the Qt file dialogs take it: one "Name (patterns)" entry per pair,
// the patterns separated by blanks and each also given in upper case, since file names on this
// system are case-sensitive.
QStringList qtFileFilters(const QString& filter);

}  // namespace varnel
