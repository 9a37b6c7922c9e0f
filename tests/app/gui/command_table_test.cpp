#include "app/command_table.h"

#include <gtest/gtest.h>

#include <QKeySequence>
#include <QList>
#include <map>
#include <set>

namespace varnel {
namespace {

// A compact text form of a layout: commands by id, "-" for separators, "Title[...]" for
// submenus, "R" for the recent files.
std::string describe(const std::vector<MenuItem>& items) {
    std::string out;
    for (const MenuItem& item : items) {
        if (!out.empty()) out += ' ';
        switch (item.kind) {
            case MenuItem::Kind::Command:
                out += std::to_string(item.id);
                break;
            case MenuItem::Kind::Separator:
                out += '-';
                break;
            case MenuItem::Kind::RecentFiles:
                out += 'R';
                break;
            case MenuItem::Kind::Submenu:
                out += item.title + "[" + describe(item.items) + "]";
                break;
        }
    }
    return out;
}

MenuItem c(int id) {
    return {MenuItem::Kind::Command, id, {}, {}};
}
MenuItem s() {
    return {MenuItem::Kind::Separator, 0, {}, {}};
}
MenuItem sub(const char* title, std::vector<MenuItem> items) {
    return {MenuItem::Kind::Submenu, 0, title, std::move(items)};
}

TEST(MenuLayout, HiddenCommandsLeaveNoDeadItemsOrStraySeparators) {
    const std::vector<MenuItem> layout = {
        sub("A", {c(1), s(), c(2), s(), c(3)}),
        sub("B", {s(), c(4), s(), s(), c(5), s()}),
        sub("C", {c(6), s(), sub("D", {c(7), c(8)}), s(), c(9)}),
        sub("E", {c(10), s(), MenuItem{MenuItem::Kind::RecentFiles, 0, "Recent", {}}, s(), c(11)}),
    };
    struct Case {
        std::set<int> shown;
        const char* expected;
    } cases[] = {
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
         "A[1 - 2 - 3] B[4 - 5] C[6 - D[7 8] - 9] E[10 - R - 11]"},
        {{1, 3}, "A[1 - 3] E[R]"},  // empty menus vanish, the recent list stays
        {{2}, "A[2] E[R]"},         // no separator at either end
        {{6, 9}, "C[6 - 9] E[R]"},  // an empty submenu takes its separator along
        {{7}, "C[D[7]] E[R]"},
        {{}, "E[R]"},
    };
    for (const Case& k : cases) {
        auto shown = [&](int id) { return k.shown.count(id) > 0; };
        std::string got = describe(visibleMenuLayout(layout, shown));
        EXPECT_EQ(got, k.expected);
    }
}

TEST(MenuLayout, EveryCommandOfTheMenusIsInTheTableOnce) {
    std::map<int, int> seen;
    std::function<void(const std::vector<MenuItem>&)> walk =
        [&](const std::vector<MenuItem>& items) {
            for (const MenuItem& item : items) {
                if (item.kind == MenuItem::Kind::Command) {
                    ++seen[item.id];
                    const CommandInfo* info = findCommand(item.id);
                    ASSERT_NE(info, nullptr) << item.id;
                    EXPECT_NE(std::string(info->menuText), "") << item.id;
                }
                walk(item.items);
            }
        };
    walk(mainMenuLayout());
    for (auto [id, n] : seen) EXPECT_EQ(n, 1) << id;

    std::set<int> ids;
    for (const CommandInfo& info : commandTable())
        EXPECT_TRUE(ids.insert(info.id).second) << info.id;
}

TEST(CommandTable, AcceleratorsParseAndNoneIsTakenTwice) {
    std::map<QKeySequence, int> owner;
    for (const CommandInfo& info : commandTable()) {
        if (!*info.shortcuts) continue;
        auto keys = QKeySequence::listFromString(QString::fromUtf8(info.shortcuts),
                                                 QKeySequence::PortableText);
        for (const QKeySequence& k : keys) {
            EXPECT_FALSE(k.isEmpty()) << info.id;
            EXPECT_EQ(k.count(), 1) << info.id;
            auto [it, inserted] = owner.emplace(k, info.id);
            EXPECT_TRUE(inserted) << k.toString().toStdString() << " for " << info.id << " and "
                                  << it->second;
        }
    }
    // A few that are easy to get wrong in the portable text.
    auto keysOf = [](int id) {
        return QKeySequence::listFromString(QString::fromUtf8(findCommand(id)->shortcuts));
    };
    EXPECT_EQ(keysOf(kCmdEditUndo),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z),
                                   QKeySequence(Qt::ALT | Qt::Key_Backspace)}));
    EXPECT_EQ(keysOf(kCmdZoomIn).front(), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(keysOf(kCmdActualPixels).back(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0));
    EXPECT_EQ(keysOf(kCmdFillBackground).front(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
}

TEST(CommandTable, MenuTextsReadAsTheProgramShowsThem) {
    struct Case {
        int id;
        const char* shown;
    } cases[] = {
        {kCmdFileOpen, "Open..."},         {kCmdFileNewFromClipboard, "New From Clipboard"},
        {kCmdFileCloseAll, "Close All"},   {kCmdEditUndo, "Undo"},
        {kCmdRotate90CCW, "90\u00B0 CCW"}, {kCmdBrightnessContrast, "Brightness/Contrast..."},
        {kCmdFullScreen, "Full Screen"},   {kCmdAbout, "About Varnel"},
        {kCmdRecentClear, "Clear Recent"}, {kCmdWebHome, "Orvane Online"},
    };
    for (const Case& k : cases) EXPECT_EQ(stripMnemonic(findCommand(k.id)->menuText), k.shown);
}

TEST(CommandTable, StripMnemonic) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"&Open", "Open"}, {"Save &As...", "Save As..."}, {"R&&D", "R&D"},
                 {"&&&x", "&x"},    {"trailing&", "trailing"},     {"", ""}};
    for (const Case& k : cases) EXPECT_EQ(stripMnemonic(k.in), k.out) << k.in;
}

}  // namespace
}  // namespace varnel
