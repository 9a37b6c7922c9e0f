// The user manual and its help window: every page reachable and every link resolving, every menu
// command and accelerator described, the manual found where the program is, and the window's
// contents, index and search working from the keyboard.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <cstring>
#include <map>

#include "app/command_table.h"
#include "app/help_manual.h"
#include "app/help_window.h"

namespace varnel {
namespace {

const QString kSourceManual = QStringLiteral(VARNEL_MANUAL_SOURCE_DIR);

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList matches(const QString& text, const QString& pattern) {
    QStringList out;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext()) out << it.next().captured(1);
    return out;
}

// The anchors of every page: its id and name attributes.
std::map<QString, QSet<QString>> anchorsOf(const QString& dir, const QStringList& pages) {
    std::map<QString, QSet<QString>> anchors;
    for (const QString& page : pages) {
        const QString html = readAll(QDir(dir).filePath(page));
        for (const QString& a : matches(html, QStringLiteral("\\s(?:id|name)=\"([^\"]+)\"")))
            anchors[page].insert(a);
    }
    return anchors;
}

// Why `target` (as written on `fromPage`) does not lead anywhere in the manual; empty when it
// does.
QString brokenTarget(const QString& dir, const std::map<QString, QSet<QString>>& anchors,
                     const QString& fromPage, const QString& target) {
    const QUrl url(target);
    if (!url.scheme().isEmpty()) {
        const bool web =
            (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")) &&
            !url.host().isEmpty();
        const bool mail = url.scheme() == QLatin1String("mailto") && url.path().contains('@');
        return web || mail ? QString() : QStringLiteral("not a web or mail address");
    }
    const qsizetype hash = target.indexOf('#');
    const QString page = hash < 0 ? target : target.left(hash);
    const QString anchor = hash < 0 ? QString() : target.mid(hash + 1);
    const QString file = page.isEmpty() ? fromPage : page;
    if (file.contains('/')) return QStringLiteral("leaves the manual's folder");
    if (!QFileInfo(QDir(dir).filePath(file)).isFile()) return QStringLiteral("no such file");
    if (!anchor.isEmpty()) {
        auto it = anchors.find(file);
        if (it == anchors.end() || !it->second.contains(anchor))
            return QStringLiteral("no anchor \"%1\" in %2").arg(anchor, file);
    }
    return {};
}

void collectTargets(const QList<HelpTopic>& topics, QStringList& out) {
    for (const HelpTopic& t : topics) {
        if (!t.page.isEmpty()) out << t.page;
        collectTargets(t.children, out);
    }
}

TEST(HelpManual, EveryPageIsInTheContentsAndEveryLinkResolves) {
    HelpManual manual;
    QString why;
    ASSERT_TRUE(manual.load(kSourceManual, &why)) << why.toStdString();

    // The contents name every page of the folder, and nothing else.
    QStringList files = QDir(kSourceManual).entryList({QStringLiteral("*.html")}, QDir::Files);
    QStringList pages = manual.pages();
    files.sort();
    QStringList sortedPages = pages;
    sortedPages.sort();
    EXPECT_EQ(sortedPages, files);

    const std::map<QString, QSet<QString>> anchors = anchorsOf(kSourceManual, files);
    QStringList broken;
    int links = 0;
    for (const QString& page : files) {
        const QString html = readAll(QDir(kSourceManual).filePath(page));
        EXPECT_TRUE(html.contains(QLatin1String("<title>"))) << page.toStdString();
        for (const QString& target :
             matches(html, QStringLiteral("\\s(?:href|src)=\"([^\"]*)\""))) {
            ++links;
            const QString problem = brokenTarget(kSourceManual, anchors, page, target);
            if (!problem.isEmpty()) broken << page + " -> " + target + ": " + problem;
        }
        // An anchor named twice on one page would make its links ambiguous.
        const QStringList ids = matches(html, QStringLiteral("\\sid=\"([^\"]+)\""));
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << page.toStdString();
    }
    QStringList targets;
    collectTargets(manual.topics(), targets);
    for (const HelpKeyword& k : manual.keywords()) targets << k.target;
    targets << manual.homePage() << QString::fromLatin1(kFeedbackPage);
    for (const QString& target : targets) {
        const QString problem = brokenTarget(kSourceManual, anchors, QString(), target);
        if (!problem.isEmpty()) broken << "contents -> " + target + ": " + problem;
    }
    EXPECT_GT(links, 100);
    EXPECT_TRUE(broken.isEmpty()) << broken.join('\n').toStdString();
}

// What a manual's text must mention: the menu texts of the main menu (without "&" and "...") and
// the submenus' titles.
void menuTexts(const std::vector<MenuItem>& items, QStringList& out) {
    for (const MenuItem& item : items) {
        QString text;
        if (item.kind == MenuItem::Kind::Command) {
            const CommandInfo* info = findCommand(item.id);
            if (info && *info->menuText)
                text = QString::fromStdString(stripMnemonic(info->menuText));
        } else if (item.kind != MenuItem::Kind::Separator) {
            text = QString::fromStdString(stripMnemonic(item.title));
        }
        if (text.endsWith(QLatin1String("..."))) text.chop(3);
        if (!text.isEmpty()) out << text;
        menuTexts(item.items, out);
    }
}

TEST(HelpManual, DescribesEveryMenuCommandAndAccelerator) {
    HelpManual manual;
    ASSERT_TRUE(manual.load(kSourceManual));
    QString all;
    for (const QString& page : manual.pages()) all += manual.pageText(page) + '\n';

    QStringList texts;
    menuTexts(mainMenuLayout(), texts);
    ASSERT_GT(texts.size(), 80);
    QStringList missing;
    for (const QString& text : texts) {
        if (!all.contains(text)) missing << text;
    }
    EXPECT_TRUE(missing.isEmpty()) << "not in the manual: " << missing.join(", ").toStdString();

    // Every accelerator of the command table is in the shortcuts table, written as the
    // menus show it ("Num++" reads "Num +").
    const QString keys = manual.pageText(QStringLiteral("keyboard.html"));
    QStringList missingKeys;
    for (const CommandInfo& info : commandTable()) {
        for (QString key : QString::fromLatin1(info.shortcuts).split("; ", Qt::SkipEmptyParts)) {
            key.replace(QLatin1String("Num+"), QLatin1String("Num "));
            if (!keys.contains(key)) missingKeys << key + " (" + info.tooltip + ")";
        }
    }
    EXPECT_TRUE(missingKeys.isEmpty()) << missingKeys.join(", ").toStdString();
}

TEST(HelpManual, IsFoundBesideTheProgramThenUnderShare) {
    // The build tree ships it beside the editor.
    const QString editorDir = QStringLiteral(VARNEL_EDITOR_DIR);
    EXPECT_EQ(findManualDirectory(editorDir),
              QDir(QDir(editorDir).filePath("manual")).canonicalPath());

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir dir(root.path());
    const QString none = findManualDirectory(QString());  // an installed one, if any
    ASSERT_TRUE(dir.mkpath("usr/bin"));
    EXPECT_EQ(findManualDirectory(dir.filePath("usr/bin")), none);
    auto contentsIn = [&](const QString& folder) {
        EXPECT_TRUE(dir.mkpath(folder));
        QFile f(dir.filePath(folder + "/contents.xml"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return QDir(dir.filePath(folder)).canonicalPath();
    };
    const QString shared = contentsIn("usr/share/varnel/manual");
    EXPECT_EQ(findManualDirectory(dir.filePath("usr/bin")), shared);
    const QString beside = contentsIn("usr/bin/manual");
    EXPECT_EQ(findManualDirectory(dir.filePath("usr/bin")), beside);
}

TEST(HelpManual, RefusesMalformedContents) {
    struct Case {
        const char* contents;
        const char* reason;
    } cases[] = {
        {"", "line"},
        {"<manual home=\"a.html\"><topic title=\"A\" page=\"a.html\">", "line"},
        {"<book home=\"a.html\"/>", "not a manual"},
        {"<manual home=\"a.html\"></manual>", "no topics"},
        {"<manual><topic title=\"A\" page=\"a.html\"/></manual>", "no home page"},
        {"<manual home=\"a.html\"><topic page=\"a.html\"/></manual>", "without a title"},
        {"<manual home=\"a.html\"><topic title=\"A\" page=\"../../etc/passwd\"/></manual>",
         "outside the manual"},
        {"<manual home=\"a.html\"><topic title=\"A\" page=\"a.html\"/>"
         "<keyword text=\"K\" target=\"/tmp/x.html\"/></manual>",
         "keyword"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QFile f(dir.filePath("contents.xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.contents);
        f.close();
        HelpManual manual;
        QString why;
        EXPECT_FALSE(manual.load(dir.path(), &why)) << c.contents;
        EXPECT_TRUE(why.contains(QLatin1String(c.reason)))
            << c.contents << ": " << why.toStdString();
        EXPECT_FALSE(manual.isLoaded());
    }
}

struct HelpWindowTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(manual.load(kSourceManual));
        window = std::make_unique<HelpWindow>(manual, [this](const QUrl& url) {
            external << url.toString();
            return true;
        });
    }
    QString fragment() const { return window->browser()->source().fragment(); }

    HelpManual manual;
    QStringList external;
    std::unique_ptr<HelpWindow> window;
};

TEST_F(HelpWindowTest, IndexFindsKeywordsAsTheyAreTyped) {
    window->showIndex();
    EXPECT_EQ(window->tabs()->currentIndex(), 1);
    EXPECT_EQ(window->focusWidget(), window->indexField());
    struct Case {
        const char* typed;
        const char* keyword;
        const char* page;
        const char* anchor;
    } cases[] = {
        {"lev", "Levels", "adjust_menu.html", "levels"},
        {"FEATH", "Feather", "select_menu.html", "modify"},
        {"openr", "OpenRaster (.ora)", "file_formats.html", "openraster"},
        {"crash", "Crash", "recovery.html", ""},
    };
    for (const Case& c : cases) {
        window->indexField()->clear();
        QTest::keyClicks(window->indexField(), QString::fromLatin1(c.typed));
        ASSERT_TRUE(window->indexList()->currentItem()) << c.typed;
        EXPECT_EQ(window->indexList()->currentItem()->text(), QString::fromLatin1(c.keyword));
        QTest::keyClick(window->indexField(), Qt::Key_Return);
        EXPECT_EQ(window->currentPage(), QString::fromLatin1(c.page)) << c.typed;
        EXPECT_EQ(fragment(), QString::fromLatin1(c.anchor)) << c.typed;
        // The page is scrolled to the keyword's place (all but the first lie below the top).
        if (*c.anchor && std::strcmp(c.anchor, "levels") != 0) {
            const QScrollBar* bar = window->browser()->verticalScrollBar();
            EXPECT_TRUE(bar->maximum() == 0 || bar->value() > 0) << c.typed;
        }
    }
    // Keywords that do not hold the text are hidden; Down in the field moves through the rest.
    window->indexField()->clear();
    QTest::keyClicks(window->indexField(), QStringLiteral("merge"));
    QStringList shown;
    for (int i = 0; i < window->indexList()->count(); ++i)
        if (!window->indexList()->item(i)->isHidden())
            shown << window->indexList()->item(i)->text();
    EXPECT_EQ(shown, QStringList({"Copy Merged", "Merge Down", "Merge Layers", "Merge Visible"}));
    QTest::keyClick(window->indexField(), Qt::Key_Down);
    EXPECT_EQ(window->indexList()->currentItem()->text(), QStringLiteral("Merge Layers"));
}

TEST_F(HelpWindowTest, SearchListsThePagesHoldingEveryWord) {
    window->showSearch();
    EXPECT_EQ(window->tabs()->currentIndex(), 2);
    EXPECT_EQ(window->focusWidget(), window->searchField());
    struct Case {
        const char* query;
        const char* first;  // title of the first hit; empty: none
    } cases[] = {
        {"feather", "Select menu"},
        {"ANCHOR canvas", "Image menu"},
        {"lossless webp", "File formats"},
        {"recover tick", "Recovery after a crash"},
        {"xylophone", ""},
        {"  ", ""},
    };
    for (const Case& c : cases) {
        window->searchField()->setText(QString::fromLatin1(c.query));
        QTest::keyClick(window->searchField(), Qt::Key_Return);
        QListWidget* results = window->searchResults();
        if (!*c.first) {
            // Nothing found says so in an item that cannot be chosen.
            if (results->count() > 0) {
                EXPECT_EQ(results->count(), 1) << c.query;
                EXPECT_FALSE(results->item(0)->flags() & Qt::ItemIsSelectable) << c.query;
            }
            continue;
        }
        ASSERT_GT(results->count(), 0) << c.query;
        EXPECT_EQ(results->item(0)->text(), QString::fromLatin1(c.first)) << c.query;
        for (const HelpSearchHit& hit : manual.search(QString::fromLatin1(c.query))) {
            const QString text = manual.pageText(hit.page).toLower();
            for (const QString& word :
                 QString::fromLatin1(c.query).toLower().split(' ', Qt::SkipEmptyParts))
                EXPECT_TRUE(text.contains(word)) << hit.page.toStdString() << " " << c.query;
        }
        emit results->itemActivated(results->item(0));
        EXPECT_EQ(manual.pageTitle(window->currentPage()), QString::fromLatin1(c.first));
        // The first occurrence is marked on the page.
        EXPECT_TRUE(window->browser()->textCursor().hasSelection()) << c.query;
    }
}

TEST_F(HelpWindowTest, ContentsLinksAndHistoryStayInStep) {
    window->showContents();
    EXPECT_EQ(window->currentPage(), manual.homePage());
    EXPECT_EQ(window->focusWidget(), window->contentsTree());
    QTreeWidget* tree = window->contentsTree();

    // Moving through the tree shows each page.
    QTreeWidgetItem* tools = tree->findItems("Tools", Qt::MatchExactly).value(0);
    ASSERT_TRUE(tools);
    tree->setCurrentItem(tools);
    EXPECT_EQ(window->currentPage(), QStringLiteral("tools.html"));
    EXPECT_TRUE(window->windowTitle().endsWith(QLatin1String("Tools")));

    // A link inside the manual opens in the window and the tree follows; Back returns.
    emit window->browser()->anchorClicked(QUrl("palettes.html#layers"));
    EXPECT_EQ(window->currentPage(), QStringLiteral("palettes.html"));
    EXPECT_EQ(fragment(), QStringLiteral("layers"));
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Palettes"));
    QTest::keyClick(window->browser(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(window->currentPage(), QStringLiteral("tools.html"));
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Tools"));
    EXPECT_TRUE(external.isEmpty());

    // Web and mail links go to the desktop, the page stays.
    window->showPage(QString::fromLatin1(kFeedbackPage));
    emit window->browser()->anchorClicked(QUrl("https://www.orvane.com/"));
    emit window->browser()->anchorClicked(QUrl("mailto:support@orvane.com"));
    EXPECT_EQ(external, QStringList({"https://www.orvane.com/", "mailto:support@orvane.com"}));
    EXPECT_EQ(window->currentPage(), QString::fromLatin1(kFeedbackPage));
}

TEST_F(HelpWindowTest, EveryControlIsNamedForScreenReaders) {
    window->show();
    QList<QWidget*> controls = {
        window->tabs(),        window->contentsTree(),  window->indexField(), window->indexList(),
        window->searchField(), window->searchResults(), window->browser()};
    for (QToolButton* b : window->findChildren<QToolButton*>()) {
        if (b->isVisible()) controls << b;
    }
    for (QWidget* w : controls) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a) << w->metaObject()->className();
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->metaObject()->className();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->indexField())->text(QAccessible::Name),
              QStringLiteral("Type the keyword to find"));
    // Escape closes the window.
    QTest::keyClick(window->contentsTree(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace varnel
