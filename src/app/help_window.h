// The help window: the user manual in a browser pane beside three tabs, the contents tree, the
// index of keywords with a filter field, and a search over the pages' text. Links inside the
// manual open in the window; links to the web go to the desktop's browser.
#pragma once

#include <QMainWindow>
#include <functional>

#include "app/help_manual.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace varnel {

class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    // `openExternal` opens web and mail links; it returns false when nothing could open them.
    HelpWindow(const HelpManual& manual, std::function<bool(const QUrl&)> openExternal,
               QWidget* parent = nullptr);

    // The window brought forward with the tab of the help command: the contents (at the home
    // page when nothing is shown yet), the index with its filter field focused, the search
    // with its field focused.
    void showContents();
    void showIndex();
    void showSearch();
    // A page of the manual, "page" or "page#anchor", in the browser.
    void showPage(const QString& target);

    const HelpManual& manual() const { return manual_; }
    // The page file shown now (without anchor).
    QString currentPage() const;

    QTabWidget* tabs() const { return tabs_; }
    QTreeWidget* contentsTree() const { return contents_; }
    QLineEdit* indexField() const { return indexField_; }
    QListWidget* indexList() const { return indexList_; }
    QLineEdit* searchField() const { return searchField_; }
    QListWidget* searchResults() const { return searchResults_; }
    QTextBrowser* browser() const { return browser_; }

    // Runs the search for the search field's text and lists the pages found.
    void runSearch();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildContents();
    void filterIndex(const QString& text);
    void openLink(const QUrl& url);
    void followBrowser(const QUrl& url);
    void bringForward();

    HelpManual manual_;
    std::function<bool(const QUrl&)> openExternal_;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QLineEdit* indexField_ = nullptr;
    QListWidget* indexList_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QListWidget* searchResults_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    bool placed_ = false;
};

}  // namespace varnel
