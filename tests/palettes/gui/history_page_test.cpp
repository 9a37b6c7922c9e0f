// The History palette over real undo lists: a row per state with the current one chosen, undone
// ones greyed and those in the disk cache marked; a click or a key undoes or redoes to a row one
// state at a time; it follows the active document, and a screen reader hears names and states.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QListWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/surface.h"
#include "history/history.h"
#include "history/history_budget.h"
#include "history/history_disk_cache.h"
#include "palette_fixtures.h"
#include "palettes/history_page.h"
#include "palettes/palette_window.h"

namespace varnel {
namespace {

using test::Owner;
using test::TestDocument;
using Kind = HistoryRow::Kind;

// A named step holding a small pixel copy as its undo data; it counts how often it ran.
class Step : public HistoryAction {
public:
    explicit Step(std::string name) : HistoryAction(nullptr, nullptr), name_(std::move(name)) {
        kept_.createColor(16, 16);
    }
    std::string name() const override { return name_; }
    int execute() override { return 1; }
    int revert() override { return 1; }
    size_t byteSize() const override { return kept_.imageBytes(); }
    void undoStores(std::vector<SurfaceStore*>& out) override { out.push_back(kept_.store()); }

private:
    std::string name_;
    ColorImage kept_;
};

// A document window with an undo list, stepping as the editor's window does.
class HistoryDocument : public TestDocument {
public:
    explicit HistoryDocument(std::string name)
        : TestDocument(test::makeDocument(20, 20)), name_(std::move(name)) {}
    const History* history() override { return &list; }
    std::string historyOrigin() override { return name_; }
    bool stepHistoryTo(int index) override {
        ++walks;
        bool changed = false;
        while (list.current() > index && list.undo()) changed = true;
        while (list.current() < index && list.redo()) changed = true;
        return changed;
    }
    void record(const std::vector<std::string>& names) {
        for (const std::string& n : names) list.perform(std::make_unique<Step>(n));
    }

    History list{20};
    int walks = 0;

private:
    std::string name_;
};

class HistoryPalette : public ::testing::Test {
public:
    void SetUp() override {
        window = owner.group->addPaletteWindow(QStringLiteral("History"));
        page = new HistoryPage(owner.group);
        window->addPage(page);
        window->show();
        doc.record({"Invert", "Gaussian Blur", "Fill"});
        owner.group->setActiveDocument(&doc);
    }
    void TearDown() override { owner.group->setActiveDocument(nullptr); }

    QStringList texts() const {
        QStringList out;
        for (int i = 0; i < page->list()->count(); ++i) out << page->list()->item(i)->text();
        return out;
    }
    std::vector<Kind> kinds() const {
        std::vector<Kind> out;
        for (const HistoryRow& r : page->rows()) out.push_back(r.kind);
        return out;
    }
    void clickRow(int row) {
        QListWidget* list = page->list();
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QApplication::processEvents();
    }

    Owner owner;
    PaletteWindow* window = nullptr;
    HistoryPage* page = nullptr;
    HistoryDocument doc{"photo.jpg"};
};

TEST_F(HistoryPalette, ListsTheStatesWithTheCurrentOneChosenAndUndoneOnesGreyed) {
    EXPECT_EQ(texts(), (QStringList{"photo.jpg", "Invert", "Gaussian Blur", "Fill"}));
    EXPECT_EQ(kinds(),
              (std::vector<Kind>{Kind::Origin, Kind::Applied, Kind::Applied, Kind::Current}));
    EXPECT_EQ(page->list()->currentRow(), 3);
    doc.list.undo();
    page->refresh();
    EXPECT_EQ(kinds(),
              (std::vector<Kind>{Kind::Origin, Kind::Applied, Kind::Current, Kind::Undone}));
    EXPECT_EQ(page->list()->currentRow(), 2);
    const QColor undone = page->list()->item(3)->foreground().color();
    EXPECT_NE(undone, page->list()->item(1)->foreground().color());
    EXPECT_TRUE(page->list()->item(2)->font().bold());
    EXPECT_FALSE(page->list()->item(1)->font().bold());
}

// Each way of choosing a row walks the history there; the list then shows where it ended.
TEST_F(HistoryPalette, ChoosingARowUndoesOrRedoesToIt) {
    struct Case {
        const char* label;
        std::function<void(HistoryPalette&)> choose;
        int current;  // the history's current state afterwards
    };
    const Case cases[] = {
        {"click on the first step", [](HistoryPalette& t) { t.clickRow(1); }, 0},
        {"click on the origin", [](HistoryPalette& t) { t.clickRow(0); }, -1},
        {"click on an undone step", [](HistoryPalette& t) { t.clickRow(3); }, 2},
        {"Up key", [](HistoryPalette& t) { QTest::keyClick(t.page->list(), Qt::Key_Up); }, 1},
        {"Home key", [](HistoryPalette& t) { QTest::keyClick(t.page->list(), Qt::Key_Home); }, -1},
        {"End key", [](HistoryPalette& t) { QTest::keyClick(t.page->list(), Qt::Key_End); }, 2},
    };
    page->list()->setFocus();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        c.choose(*this);
        QApplication::processEvents();
        EXPECT_EQ(doc.list.current(), c.current);
        EXPECT_EQ(page->list()->currentRow(), c.current + 1);
        EXPECT_EQ(doc.list.count(), 3);
    }
}

TEST_F(HistoryPalette, MarksTheStatesInTheDiskCache) {
    const std::string folder =
        (std::filesystem::temp_directory_path() /
         ("varnel-history-page-" + std::to_string(QCoreApplication::applicationPid())))
            .string();
    {
        HistoryDiskCache cache(folder, 1 << 20);
        HistoryBudget budget(0);  // every state but the newest leaves memory
        budget.setDiskCache(&cache);
        doc.list.setBudget(&budget);
        budget.enforce(&doc.list);
        page->refresh();
        std::vector<bool> marked;
        for (const HistoryRow& r : page->rows()) marked.push_back(r.cached);
        EXPECT_EQ(marked, (std::vector<bool>{false, true, true, false}));
        EXPECT_FALSE(page->list()->item(1)->icon().isNull());
        EXPECT_TRUE(page->list()->item(3)->icon().isNull());
        EXPECT_EQ(historyRowDescription(page->rows()[1]), QStringLiteral("Done, in disk cache"));
        clickRow(1);  // read back on the way
        EXPECT_EQ(doc.list.current(), 0);
        doc.list.setBudget(nullptr);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(HistoryPalette, FollowsTheActiveDocumentOnlyWhileShown) {
    HistoryDocument other("Untitled-2");
    other.record({"Select All"});
    owner.group->setActiveDocument(&other);
    EXPECT_EQ(texts(), (QStringList{"Untitled-2", "Select All"}));
    window->hide();
    owner.group->setActiveDocument(&doc);
    EXPECT_EQ(page->boundDocument(), nullptr);
    window->show();
    EXPECT_EQ(page->boundDocument(), &doc);
    EXPECT_EQ(texts().size(), 4);
    owner.group->setActiveDocument(nullptr);
    EXPECT_EQ(page->list()->count(), 0);
}

TEST_F(HistoryPalette, AScreenReaderHearsEachStateByNameWithItsState) {
    doc.list.undo();
    page->refresh();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(page->list());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("History states"));
    ASSERT_EQ(list->childCount(), 4);
    const QStringList descriptions = {"Before the oldest step kept", "Done", "Current state",
                                      "Undone"};
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* item = list->child(i);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), texts()[i]);
        EXPECT_EQ(item->text(QAccessible::Description), descriptions[i]) << i;
        EXPECT_EQ(item->state().selected, i == 2) << i;
    }
}

}  // namespace
}  // namespace varnel
