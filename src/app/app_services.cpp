#include "app/app_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "dialogs/duplicate_image_dialog.h"
#include "dialogs/new_image_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/print_preview_dialog.h"

namespace varnel {

namespace {

class MessageBoxPrompts : public Prompts {
public:
    explicit MessageBoxPrompts(QWidget* parent) : parent_(parent) {}

    Answer askYesNoCancel(const QString& title, const QString& text) override {
        auto b = QMessageBox::question(parent_, title, text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                       QMessageBox::Yes);
        return b == QMessageBox::Yes  ? Answer::Yes
               : b == QMessageBox::No ? Answer::No
                                      : Answer::Cancel;
    }
    bool askYesNo(const QString& title, const QString& text) override {
        return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    void showError(const QString& text, const QString& detail) override {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                        parent_);
        box.setInformativeText(detail);
        box.exec();
    }
    void showInformation(const QString& title, const QString& text) override {
        QMessageBox::information(parent_, title, text);
    }
    void showAbout(const QString& title, const QString& text) override {
        QMessageBox::about(parent_, title, text);
    }

private:
    QPointer<QWidget> parent_;
};

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

    QStringList chooseFilesToOpen(const QString& filter, int filterIndex) override {
        QFileDialog dialog(parent_, QStringLiteral("Open"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setOption(QFileDialog::ReadOnly, false);
        QStringList filters = qtFileFilters(filter);
        dialog.setNameFilters(filters);
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dialog.selectNameFilter(filters[filterIndex - 1]);
        if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
        if (dialog.exec() != QDialog::Accepted) return {};
        lastFolder_ = dialog.directory().absolutePath();
        return dialog.selectedFiles();
    }

    std::optional<SaveChoice> chooseSaveFile(const QString& filter, int filterIndex,
                                             const QString& proposedName) override {
        QFileDialog dialog(parent_, QStringLiteral("Save As"));
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QStringList filters = qtFileFilters(filter);
        dialog.setNameFilters(filters);
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dialog.selectNameFilter(filters[filterIndex - 1]);
        if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
        dialog.selectFile(proposedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        lastFolder_ = dialog.directory().absolutePath();
        SaveChoice choice;
        choice.path = dialog.selectedFiles().first();
        choice.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (choice.filterIndex < 1) choice.filterIndex = filterIndex;
        return choice;
    }

private:
    QPointer<QWidget> parent_;
    // The dialogs keep the process's current folder unchanged and remember their own.
    QString lastFolder_;
};

class SystemDesktop : public Desktop {
public:
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

class QtCommandDialogs : public CommandDialogs {
public:
    explicit QtCommandDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<QString> askDuplicateName(const QString& name,
                                            const QStringList& openNames) override {
        DuplicateImageDialog dialog(name, openNames, parent_);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.enteredName();
    }

    std::optional<NewImageResult> askNewImage(AppSettings& settings, std::optional<Size> clipboard,
                                              bool& presetsChanged) override {
        NewImageDialog dialog(settings, clipboard, parent_);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        presetsChanged = dialog.presetsChanged();
        if (!accepted) return std::nullopt;
        return dialog.result();
    }

    std::optional<AppOptions> askOptions(const AppOptions& current) override {
        OptionsDialog dialog(current, parent_);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.options();
    }

private:
    QPointer<QWidget> parent_;
};

class SystemPrinters : public Printers {
public:
    explicit SystemPrinters(QWidget* parent) : parent_(parent) {}

    std::unique_ptr<QPrinter> openDefault() override {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (!info.isNull()) {
            auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            if (printer->isValid()) return printer;
        }
        // Qt writes PDF files itself, so a system without printers still prints to a file.
        auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdf->setOutputFormat(QPrinter::PdfFormat);
        if (pdf->isValid()) return pdf;
        return nullptr;
    }

    bool pageSetup(QPrinter& printer) override {
        QPageSetupDialog dialog(&printer, owner());
        return dialog.exec() == QDialog::Accepted;
    }

    bool choosePrint(QPrinter& printer, std::optional<QPoint>& position) override {
        QPrintDialog dialog(&printer, owner());
        // One page: no page range, no selection, no current page.
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        dialog.setMinMax(1, 1);
        dialog.setFromTo(1, 1);
        if (position) dialog.move(*position);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        position = dialog.pos();
        return accepted;
    }

    PreviewChoice preview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage,
                          const std::function<bool()>& pageSetup) override {
        PrintPreviewDialog dialog(
            &printer, [&paintPage](QPrinter* target) { paintPage(*target); }, pageSetup, owner());
        dialog.exec();
        switch (dialog.choice()) {
            case PrintPreviewDialog::Choice::Print:
                return PreviewChoice::Print;
            case PrintPreviewDialog::Choice::Done:
                return PreviewChoice::Done;
            case PrintPreviewDialog::Choice::Cancel:
                break;
        }
        return PreviewChoice::Cancel;
    }

private:
    // A dialog opened from another one (Page Setup from the preview) belongs to that one.
    QWidget* owner() const {
        QWidget* modal = QApplication::activeModalWidget();
        return modal ? modal : parent_.data();
    }

    QPointer<QWidget> parent_;
};

}  // namespace

std::unique_ptr<Prompts> messageBoxPrompts(QWidget* parent) {
    return std::make_unique<MessageBoxPrompts>(parent);
}

std::unique_ptr<FileDialogs> systemFileDialogs(QWidget* parent) {
    return std::make_unique<QtFileDialogs>(parent);
}

std::unique_ptr<Desktop> systemDesktop() {
    return std::make_unique<SystemDesktop>();
}

std::unique_ptr<CommandDialogs> systemCommandDialogs(QWidget* parent) {
    return std::make_unique<QtCommandDialogs>(parent);
}

std::unique_ptr<Printers> systemPrinters(QWidget* parent) {
    return std::make_unique<SystemPrinters>(parent);
}

QStringList qtFileFilters(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        // "BMP (*.bmp;*.dib)" shows its patterns already; the dialog takes them from the
        // parenthesis, so the name keeps only the text before it.
        qsizetype paren = name.indexOf(QLatin1String(" ("));
        if (paren >= 0) name = name.left(paren);
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns.append(p.trimmed());
        QStringList upper;
        for (const QString& p : patterns)
            if (p.toUpper() != p) upper.append(p.toUpper());
        out.append(QStringLiteral("%1 (%2)").arg(name, (patterns + upper).join(QLatin1Char(' '))));
    }
    return out;
}

}  // namespace varnel
