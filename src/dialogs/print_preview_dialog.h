// The Print with Preview dialog: the page as the current printer would print it, with buttons to
// print it, to change the page settings, and to close.
#pragma once

#include <QDialog>
#include <functional>

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace varnel {

class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // How the dialog was closed. Print asks the caller to go on to the Print dialog.
    enum class Choice { Print, Done, Cancel };

    // Shows the page `paintPage` paints on the printer it is given (the preview's stand-in for
    // `printer`). `pageSetup` runs the Page Setup dialog for the button of that name and tells
    // whether the settings were confirmed; the page is then painted again with them.
    PrintPreviewDialog(QPrinter* printer, std::function<void(QPrinter*)> paintPage,
                       std::function<bool()> pageSetup, QWidget* parent = nullptr);

    Choice choice() const { return choice_; }

    QPrintPreviewWidget* previewArea() const { return preview_; }
    QPushButton* printButton() const { return print_; }
    QPushButton* pageSetupButton() const { return pageSetup_; }
    QPushButton* doneButton() const { return done_; }
    QPushButton* cancelButton() const { return cancel_; }

    void done(int result) override;

private:
    void runPageSetup();

    std::function<void(QPrinter*)> paintPage_;
    std::function<bool()> runPageSetup_;
    QPrintPreviewWidget* preview_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* pageSetup_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* cancel_ = nullptr;
    Choice choice_ = Choice::Cancel;
    bool printChosen_ = false;
};

}  // namespace varnel
