#include "app/recent_files.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/command_table.h"

namespace varnel {
namespace {

using List = std::vector<std::string>;

// The submenu as text: one entry per item, "|" for a separator, "(off)" after a greyed item,
// and the item's command id.
std::vector<std::string> menuItems(const QMenu& menu) {
    std::vector<std::string> out;
    for (QAction* a : menu.actions()) {
        if (a->isSeparator()) {
            out.push_back("|");
            continue;
        }
        std::string text = a->text().toStdString() + " #" + std::to_string(a->data().toInt());
        if (!a->isEnabled()) text += " (off)";
        out.push_back(text);
    }
    return out;
}

struct RecentFixture : ::testing::Test {
    AppSettings settings;
    QMenu menu;
    RecentFiles recent{settings, &menu};
};

TEST_F(RecentFixture, AddingKeepsNewestFirstWithoutDuplicatesWithinTheLimit) {
    struct Case {
        const char* name;
        List before;
        int limit;
        std::string added;
        List after;
    } cases[] = {
        {"new path on top", {"/a", "/b"}, 8, "/c", {"/c", "/a", "/b"}},
        {"listed path moves up", {"/a", "/b", "/c"}, 8, "/c", {"/c", "/a", "/b"}},
        {"full list drops the oldest",
         {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"},
         8,
         "/9",
         {"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}},
        {"full list, listed path: nothing dropped",
         {"/1", "/2", "/3"},
         3,
         "/3",
         {"/3", "/1", "/2"}},
        {"letter case makes another path",
         {"/a/Photo.jpg"},
         8,
         "/a/photo.jpg",
         {"/a/photo.jpg", "/a/Photo.jpg"}},
        {"an over-long loaded list is cut to the limit",
         {"/1", "/2", "/3", "/4"},
         2,
         "/5",
         {"/5", "/1"}},
    };
    for (const Case& c : cases) {
        settings.recent_files = c.before;
        settings.max_recent_files = c.limit;
        EXPECT_TRUE(recent.addRecent(c.added)) << c.name;
        EXPECT_EQ(settings.recent_files, c.after) << c.name;
        EXPECT_EQ(int(menu.actions().size()), int(c.after.size()) + 2) << c.name;
    }
    settings.recent_files = {"/a"};
    EXPECT_FALSE(recent.addRecent(""));
    EXPECT_EQ(settings.recent_files, List{"/a"});
}

TEST_F(RecentFixture, RemoveAndPromoteByCommandIgnoreIdsOutsideTheList) {
    settings.recent_files = {"/a", "/b", "/c"};
    EXPECT_FALSE(recent.removeRecent(kCmdRecentFirst + 3));
    EXPECT_FALSE(recent.removeRecent(kCmdRecentFirst - 1));
    EXPECT_FALSE(recent.promoteRecent(kCmdRecentClear));
    EXPECT_EQ(settings.recent_files, (List{"/a", "/b", "/c"}));

    EXPECT_TRUE(recent.promoteRecent(kCmdRecentFirst + 2));
    EXPECT_EQ(settings.recent_files, (List{"/c", "/a", "/b"}));
    EXPECT_TRUE(recent.removeRecent(kCmdRecentFirst + 1));
    EXPECT_EQ(settings.recent_files, (List{"/c", "/b"}));

    std::string path;
    EXPECT_TRUE(recent.pathOfRecent(kCmdRecentFirst + 1, path));
    EXPECT_EQ(path, "/b");
    EXPECT_FALSE(recent.pathOfRecent(kCmdRecentFirst + 2, path));
    EXPECT_EQ(path, "/b");
}

TEST_F(RecentFixture, MenuShowsNumberedEntriesThenClearRecent) {
    settings.recent_files = {"/pics/a.png", "/R&D/b & c.jpg"};
    ASSERT_TRUE(recent.rebuildRecentMenu());
    EXPECT_EQ(menuItems(menu), (std::vector<std::string>{
                                   "&1  /pics/a.png #57616",
                                   "&2  /R&&D/b && c.jpg #57617",
                                   "|",
                                   "Clear Recent #33050",
                               }));
    // The "&" of the path is shown, the number is the mnemonic.
    EXPECT_EQ(menu.actions()[1]->iconText(), QStringLiteral("2  /R&D/b & c.jpg"));

    recent.clearRecent();
    EXPECT_TRUE(settings.recent_files.empty());
    EXPECT_EQ(menuItems(menu), std::vector<std::string>{"(Empty) #57616 (off)"});
}

TEST_F(RecentFixture, LoweringTheLimitDropsEntriesFromTheListNotOnlyFromTheMenu) {
    settings.recent_files = {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
    settings.max_recent_files = 3;
    ASSERT_TRUE(recent.rebuildRecentMenu());
    EXPECT_EQ(settings.recent_files, (List{"/1", "/2", "/3"}));
    EXPECT_EQ(menu.actions().size(), 5);
}

TEST(RecentFilesWithoutMenu, ListIsKeptButNothingIsBuilt) {
    AppSettings settings;
    RecentFiles recent(settings, nullptr);
    EXPECT_TRUE(recent.addRecent("/x"));
    EXPECT_FALSE(recent.rebuildRecentMenu());
    EXPECT_EQ(settings.recent_files, List{"/x"});
}

TEST(RecentFilesDisplay, LongPathsKeepTheirStartAndFileName) {
    const QString dir199 = QStringLiteral("/") + QString(198, QLatin1Char('d'));  // 199 characters
    const QString folder = QStringLiteral("/home/user/") + QString(240, QLatin1Char('x'));
    struct Case {
        const char* name;
        QString path;
        QString expectedEnd;  // empty: the path is shown unchanged
    } cases[] = {
        {"short", QStringLiteral("/a/b.png"), {}},
        {"199 characters stay", dir199, {}},
        {"260 characters", folder + QStringLiteral("/IMG_0001.jpg"),
         QStringLiteral(".../IMG_0001.jpg")},
        {"backslashes", QString(250, QLatin1Char('y')) + QStringLiteral("\\name.bmp"),
         QStringLiteral("...\\name.bmp")},
        {"no separator at all", QString(250, QLatin1Char('z')), QStringLiteral("...")},
        {"huge file name", QStringLiteral("/tmp/") + QString(300, QLatin1Char('n')),
         QStringLiteral("...")},
    };
    for (const Case& c : cases) {
        QString shown = RecentFiles::shortenPath(c.path);
        if (c.expectedEnd.isEmpty()) {
            EXPECT_EQ(shown, c.path) << c.name;
            continue;
        }
        EXPECT_LT(shown.size(), RecentFiles::kDisplayLimit) << c.name;
        EXPECT_TRUE(shown.endsWith(c.expectedEnd)) << c.name << ": " << shown.toStdString();
        EXPECT_TRUE(shown.contains(QLatin1String("..."))) << c.name;
        EXPECT_EQ(shown.left(3), c.path.left(3)) << c.name;
    }
    // A cut never splits a character outside the basic plane.
    QString emoji = QStringLiteral("/") + QString::fromUtf8("\xF0\x9F\x93\xB7").repeated(150) +
                    QStringLiteral("/x.png");
    QString shown = RecentFiles::shortenPath(emoji);
    EXPECT_LT(shown.size(), RecentFiles::kDisplayLimit);
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (shown[i].isHighSurrogate()) {
            EXPECT_TRUE(i + 1 < shown.size() && shown[i + 1].isLowSurrogate());
        }
}

}  // namespace
}  // namespace varnel
