#include "dialogs/print_preview_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace varnel {

PrintPreviewDialog::PrintPreviewDialog(QPrinter* printer, std::function<void(QPrinter*)> paintPage,
                                       std::function<bool()> pageSetup, QWidget* parent)
    : QDialog(parent), paintPage_(std::move(paintPage)), runPageSetup_(std::move(pageSetup)) {
    setWindowTitle(QStringLiteral("Print with Preview"));
    setSizeGripEnabled(true);

    preview_ = new QPrintPreviewWidget(printer, this);
    preview_->setObjectName(QStringLiteral("previewArea"));
    preview_->setAccessibleName(QStringLiteral("Page preview"));
    preview_->setAccessibleDescription(
        QStringLiteral("The page as the current printer will print it"));
    preview_->setZoomMode(QPrintPreviewWidget::FitInView);
    preview_->setFocusPolicy(Qt::StrongFocus);
    connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* target) {
        if (paintPage_) paintPage_(target);
    });

    auto makeButton = [this](const char* text, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    print_ = makeButton("Print...", "previewPrint");
    pageSetup_ = makeButton("Page Setup...", "previewPageSetup");
    done_ = makeButton("Done", "previewDone");
    cancel_ = makeButton("Cancel", "previewCancel");
    // Enter presses the button that has the focus, else Done.
    done_->setDefault(true);

    connect(print_, &QPushButton::clicked, this, [this] {
        printChosen_ = true;
        accept();
    });
    connect(pageSetup_, &QPushButton::clicked, this, &PrintPreviewDialog::runPageSetup);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The page takes the room; the buttons stand in a column at the right.
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(print_);
    buttons->addWidget(pageSetup_);
    buttons->addSpacing(fontMetrics().height());
    buttons->addWidget(done_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview_, 1);
    layout->addLayout(buttons);

    // Tab order follows the column, starting with Print...; the page comes last.
    setTabOrder(print_, pageSetup_);
    setTabOrder(pageSetup_, done_);
    setTabOrder(done_, cancel_);
    setTabOrder(cancel_, preview_);
    print_->setFocus();

    // A page of paper is taller than wide: room for one at a readable size on most screens.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int height = std::clamp(area.height() * 3 / 4, 360, 900);
    resize(std::min(area.width(), height * 5 / 6 + 160), height);
}

void PrintPreviewDialog::runPageSetup() {
    if (runPageSetup_ && runPageSetup_()) preview_->updatePreview();
}

void PrintPreviewDialog::done(int result) {
    choice_ = printChosen_                  ? Choice::Print
              : result == QDialog::Accepted ? Choice::Done
                                            : Choice::Cancel;
    printChosen_ = false;
    QDialog::done(result);
}

}  // namespace varnel
