#include "app/help_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnel {

namespace {

constexpr int kTargetRole = Qt::UserRole;

QTreeWidgetItem* addTopic(const HelpTopic& topic, QTreeWidgetItem* parent, QTreeWidget* tree) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, topic.title);
    item->setData(0, kTargetRole, topic.page);
    for (const HelpTopic& child : topic.children) addTopic(child, item, tree);
    return item;
}

// The tree item that shows `page`, preferring one without an anchor.
QTreeWidgetItem* itemOfPage(QTreeWidget* tree, const QString& page) {
    QTreeWidgetItem* withAnchor = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QString target = (*it)->data(0, kTargetRole).toString();
        if (target == page) return *it;
        if (!withAnchor && target.startsWith(page + QLatin1Char('#'))) withAnchor = *it;
    }
    return withAnchor;
}

// A field with its label; the label's mnemonic moves the focus to the field and names it for
// screen readers.
QLabel* labelFor(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    QString name = text;
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    field->setAccessibleName(name);
    return label;
}

QToolButton* navigationButton(const QString& text, QStyle::StandardPixmap icon,
                              const QString& shortcutText, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(text, shortcutText));
    button->setAccessibleName(text);
    return button;
}

}  // namespace

HelpWindow::HelpWindow(const HelpManual& manual, std::function<bool(const QUrl&)> openExternal,
                       QWidget* parent)
    : QMainWindow(parent, Qt::Window), manual_(manual), openExternal_(std::move(openExternal)) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(manual_.title());
    setAccessibleName(manual_.title());

    back_ = navigationButton(QStringLiteral("Back"), QStyle::SP_ArrowBack,
                             QStringLiteral("Alt+Left"), this);
    forward_ = navigationButton(QStringLiteral("Forward"), QStyle::SP_ArrowForward,
                                QStringLiteral("Alt+Right"), this);
    QToolButton* home = navigationButton(QStringLiteral("Home"), QStyle::SP_DirHomeIcon,
                                         QStringLiteral("Alt+Home"), this);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(home);
    bar->addStretch(1);

    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(QStringLiteral("Navigation"));

    // Contents.
    contents_ = new QTreeWidget(tabs_);
    contents_->setHeaderHidden(true);
    contents_->setHeaderLabels({QStringLiteral("Contents")});
    contents_->setAccessibleName(QStringLiteral("Contents"));
    buildContents();
    tabs_->addTab(contents_, QStringLiteral("&Contents"));

    // Index: the keywords, narrowed to those holding the text typed.
    auto* indexPage = new QWidget(tabs_);
    indexField_ = new QLineEdit(indexPage);
    indexList_ = new QListWidget(indexPage);
    indexList_->setAccessibleName(QStringLiteral("Keywords"));
    for (const HelpKeyword& keyword : manual_.keywords()) {
        auto* item = new QListWidgetItem(keyword.text, indexList_);
        item->setData(kTargetRole, keyword.target);
    }
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(
        labelFor(QStringLiteral("&Type the keyword to find:"), indexField_, indexPage));
    indexLayout->addWidget(indexField_);
    indexLayout->addWidget(indexList_, 1);
    auto* showKeyword = new QPushButton(QStringLiteral("&Display"), indexPage);
    indexLayout->addWidget(showKeyword, 0, Qt::AlignRight);
    tabs_->addTab(indexPage, QStringLiteral("&Index"));

    // Search.
    auto* searchPage = new QWidget(tabs_);
    searchField_ = new QLineEdit(searchPage);
    auto* find = new QPushButton(QStringLiteral("&List Topics"), searchPage);
    searchResults_ = new QListWidget(searchPage);
    searchResults_->setAccessibleName(QStringLiteral("Topics found"));
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(
        labelFor(QStringLiteral("Type in the &word(s) to search for:"), searchField_, searchPage));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchField_, 1);
    searchRow->addWidget(find);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(searchResults_, 1);
    tabs_->addTab(searchPage, QStringLiteral("&Search"));

    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(false);
    browser_->setAccessibleName(QStringLiteral("Help page"));
    browser_->setFocusPolicy(Qt::StrongFocus);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({260, 640});

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);
    resize(920, 640);

    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { showPage(manual_.homePage()); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::openLink);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::followBrowser);
    auto shortcut = [this](QKeySequence keys, auto slot) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), [this] { browser_->backward(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Right), [this] { browser_->forward(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Home), [this] { showPage(manual_.homePage()); });
    shortcut(QKeySequence::Find, [this] { showSearch(); });

    // The contents follow the keyboard: the page of the item reached is shown.
    connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        const QString target = item->data(0, kTargetRole).toString();
        if (!target.isEmpty()) showPage(target);
    });
    connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString target = item->data(0, kTargetRole).toString();
        if (!target.isEmpty())
            showPage(target);
        else
            item->setExpanded(!item->isExpanded());
    });

    connect(indexField_, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    auto openKeyword = [this] {
        if (QListWidgetItem* item = indexList_->currentItem(); item && !item->isHidden())
            showPage(item->data(kTargetRole).toString());
    };
    connect(indexField_, &QLineEdit::returnPressed, this, openKeyword);
    connect(showKeyword, &QPushButton::clicked, this, openKeyword);
    connect(indexList_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(kTargetRole).toString()); });
    // Up and Down in the field move through the keywords.
    indexField_->installEventFilter(this);

    connect(searchField_, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
    connect(find, &QPushButton::clicked, this, &HelpWindow::runSearch);
    connect(searchResults_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        showPage(item->data(kTargetRole).toString());
        // The first place the words occur on the page, marked.
        const QStringList words = searchField_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty()) {
            browser_->moveCursor(QTextCursor::Start);
            browser_->find(words.first());
        }
    });
}

void HelpWindow::buildContents() {
    for (const HelpTopic& topic : manual_.topics()) addTopic(topic, nullptr, contents_);
    contents_->expandToDepth(0);
}

void HelpWindow::bringForward() {
    // The first time over the middle of the editor's window; later where the user left it.
    if (!placed_ && parentWidget()) {
        QRect frame = geometry();
        frame.moveCenter(parentWidget()->window()->geometry().center());
        move(frame.topLeft());
    }
    placed_ = true;
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContents() {
    if (browser_->source().isEmpty()) showPage(manual_.homePage());
    tabs_->setCurrentIndex(0);
    bringForward();
    contents_->setFocus();
}

void HelpWindow::showIndex() {
    if (browser_->source().isEmpty()) showPage(manual_.homePage());
    tabs_->setCurrentIndex(1);
    bringForward();
    indexField_->setFocus();
    indexField_->selectAll();
}

void HelpWindow::showSearch() {
    if (browser_->source().isEmpty()) showPage(manual_.homePage());
    tabs_->setCurrentIndex(2);
    bringForward();
    searchField_->setFocus();
    searchField_->selectAll();
}

void HelpWindow::showPage(const QString& target) {
    const QUrl url = manual_.urlOf(target);
    if (browser_->source() == url) return;
    browser_->setSource(url, QTextDocument::HtmlResource);
}

QString HelpWindow::currentPage() const {
    return manual_.pageOf(browser_->source());
}

void HelpWindow::runSearch() {
    searchResults_->clear();
    const QList<HelpSearchHit> hits = manual_.search(searchField_->text());
    for (const HelpSearchHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, searchResults_);
        item->setData(kTargetRole, hit.page);
    }
    if (hits.isEmpty()) {
        auto* none = new QListWidgetItem(QStringLiteral("No topics found"), searchResults_);
        none->setFlags(Qt::ItemIsEnabled);
        return;
    }
    searchResults_->setCurrentRow(0);
}

void HelpWindow::filterIndex(const QString& text) {
    QListWidgetItem* first = nullptr;
    QListWidgetItem* starting = nullptr;
    for (int i = 0; i < indexList_->count(); ++i) {
        QListWidgetItem* item = indexList_->item(i);
        const bool shown = item->text().contains(text, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown) continue;
        if (!first) first = item;
        if (!starting && item->text().startsWith(text, Qt::CaseInsensitive)) starting = item;
    }
    QListWidgetItem* chosen = starting ? starting : first;
    indexList_->setCurrentItem(chosen);
    if (chosen) indexList_->scrollToItem(chosen);
}

void HelpWindow::openLink(const QUrl& url) {
    const QUrl resolved = browser_->source().resolved(url);
    if (resolved.isLocalFile()) {
        const QString page = manual_.pageOf(resolved);
        if (!page.isEmpty()) {
            browser_->setSource(resolved, QTextDocument::HtmlResource);
            return;
        }
    }
    if (openExternal_) openExternal_(resolved);
}

void HelpWindow::followBrowser(const QUrl& url) {
    const QString page = manual_.pageOf(url);
    setWindowTitle(page.isEmpty()
                       ? manual_.title()
                       : QStringLiteral("%1 - %2").arg(manual_.title(), manual_.pageTitle(page)));
    QString target = page;
    if (url.hasFragment()) target += QLatin1Char('#') + url.fragment();
    QTreeWidgetItem* item = itemOfPage(contents_, target);
    if (!item) item = itemOfPage(contents_, page);
    if (item && item != contents_->currentItem()) {
        const QSignalBlocker block(contents_);
        contents_->setCurrentItem(item);
        contents_->scrollToItem(item);
    }
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == indexField_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QApplication::sendEvent(indexList_, event);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace varnel
