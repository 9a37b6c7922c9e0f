#include "app/recovery_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/image_window.h"
#include "app/main_window.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/openraster.h"

namespace varnel {

RecoveryDialog::RecoveryDialog(const std::vector<RecoveredCopy>& copies, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Recover Documents"));
    auto* text = new QLabel(
        QStringLiteral("The editor did not close properly. These documents had changes that "
                       "were not saved. Tick the ones to open again."),
        this);
    text->setWordWrap(true);
    text->setBuddy(list_);
    list_->setIconSize(QSize(96, 96));
    list_->setAccessibleName(QStringLiteral("Documents to recover"));
    for (const RecoveredCopy& copy : copies) {
        const QString when = QDateTime::fromSecsSinceEpoch(copy.savedAt)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QString where =
            copy.path.empty() ? QStringLiteral("never saved") : QString::fromStdString(copy.path);
        auto* item = new QListWidgetItem(QStringLiteral("%1\n%2\nKept at %3")
                                             .arg(QString::fromStdString(copy.name), where, when),
                                         list_);
        std::vector<uint8_t> png;
        if (readOpenRasterThumbnail(copy.archivePath, png)) {
            QImage thumbnail;
            if (thumbnail.loadFromData(png.data(), int(png.size()), "PNG")) {
                item->setIcon(QIcon(QPixmap::fromImage(thumbnail)));
            }
        }
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    list_->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* recover =
        buttons->addButton(QStringLiteral("&Recover"), QDialogButtonBox::AcceptRole);
    QPushButton* discard =
        buttons->addButton(QStringLiteral("&Discard"), QDialogButtonBox::DestructiveRole);
    buttons->addButton(QStringLiteral("&Later"), QDialogButtonBox::RejectRole);
    recover->setDefault(true);
    connect(recover, &QPushButton::clicked, this, [this] {
        action_ = Action::Recover;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, [this] {
        action_ = Action::Discard;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        action_ = Action::Later;
        reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(520, 360);
}

std::vector<size_t> RecoveryDialog::chosen() const {
    std::vector<size_t> out;
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->checkState() == Qt::Checked) out.push_back(size_t(i));
    }
    return out;
}

int offerRecovery(MainWindow& window, ImageDocuments& documents, const std::string& folder,
                  const std::function<void(RecoveryDialog&)>& ask) {
    const std::vector<RecoveredCopy> copies = orphanedCopies(folder);
    if (copies.empty()) return 0;
    RecoveryDialog dialog(copies, &window);
    if (ask) {
        ask(dialog);
    } else {
        dialog.exec();
    }
    int opened = 0;
    switch (dialog.action()) {
        case RecoveryDialog::Action::Later:
            break;
        case RecoveryDialog::Action::Discard:
            for (const RecoveredCopy& copy : copies) removeCopy(copy);
            break;
        case RecoveryDialog::Action::Recover:
            for (size_t i : dialog.chosen()) {
                const RecoveredCopy& copy = copies[i];
                std::unique_ptr<Document> document;
                std::string reason;
                std::unique_ptr<DocumentWindow> made;
                if (restoreCopy(copy, document, &reason))
                    made = documents.adopt(std::move(document));
                if (!made) {
                    // The copy stays for another try.
                    QMessageBox::warning(&window, QStringLiteral("Error"),
                                         QStringLiteral("Cannot recover \"%1\"! %2")
                                             .arg(QString::fromStdString(copy.name),
                                                  QString::fromStdString(reasonSentence(reason))));
                    continue;
                }
                window.addDocumentWindow(std::move(made));
                removeCopy(copy);
                ++opened;
            }
            break;
    }
    return opened;
}

}  // namespace varnel
