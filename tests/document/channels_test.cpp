#include "document/channels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/surface_ops.h"
#include "doc_fixtures.h"

namespace varnel {
namespace {

using testing::emptyDocument;
using testing::planeStore;

void addChannel(Document& doc, const std::string& name, int value, Size size = {}) {
    if (size.isEmpty()) size = doc.size();
    auto c = std::make_unique<Channel>(planeStore(size.width, size.height, value));
    c->setName(name);
    doc.channels().push_back(std::move(c));
}

TEST(Channels, NamesFollowTheLargestNumber) {
    struct Case {
        std::vector<std::string> names;
        std::string want;
    };
    const Case cases[] = {
        {{}, "Alpha 1"},
        {{"Alpha 1", "Alpha 3"}, "Alpha 4"},
        {{"Alpha x", "Alpha", "alpha 7", "Alpha 2 copy"}, "Alpha 1"},
        {{"Alpha -4", "Alpha +2"}, "Alpha 3"},
        // A number too large for an int is ignored rather than wrapped.
        {{"Alpha 99999999999", "Alpha 5"}, "Alpha 6"},
        {{"Alpha 2147483647"}, "Alpha 2147483648"},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument(2, 2);
        for (const std::string& n : c.names) addChannel(*doc, n, 0);
        EXPECT_EQ(nextChannelName(doc->channels()), c.want);
    }
}

TEST(Channels, SaveSelectionIntoANewChannel) {
    auto doc = emptyDocument(6, 4);
    Selection sel(doc->size());
    EXPECT_EQ(saveSelectionAsChannel(*doc, sel, ""), 0);  // nothing selected
    EXPECT_TRUE(doc->channels().empty());
    ASSERT_EQ(sel.setShape({1, 1, 3, 2}, false), 1);
    addChannel(*doc, "Alpha 1", 0);
    addChannel(*doc, "Alpha 3", 0);
    ASSERT_EQ(saveSelectionAsChannel(*doc, sel, ""), 1);
    ASSERT_EQ(doc->channels().size(), 3u);
    const Channel& saved = *doc->channels().back();
    EXPECT_EQ(saved.name(), "Alpha 4");
    EXPECT_EQ(saved.size(), doc->size());
    EXPECT_EQ(saved.row(1)[1], 255);
    EXPECT_EQ(saved.row(1)[3], 0);
    EXPECT_EQ(saved.row(0)[1], 0);
    ASSERT_EQ(saveSelectionAsChannel(*doc, sel, "Sky"), 1);
    EXPECT_EQ(doc->channels().back()->name(), "Sky");
    // Undo of a new channel takes the last one away.
    auto taken = takeChannel(*doc, 3);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->name(), "Sky");
    EXPECT_EQ(takeChannel(*doc, 3), nullptr);
    // A selection of another canvas is refused.
    Selection other({3, 3});
    ASSERT_EQ(other.selectAll(), 1);
    EXPECT_EQ(saveSelectionAsChannel(*doc, other, ""), 0);
}

TEST(Channels, SaveSelectionCombinesIntoAChannel) {
    struct Case {
        int32_t operation;
        int at11, at31;  // results at (1, 1) (channel 100, selected) and (3, 1) (channel 100 only)
    };
    const Case cases[] = {{0, 255, 0}, {1, 255, 100}, {2, 0, 100}, {3, 100, 0}};
    for (const Case& c : cases) {
        auto doc = emptyDocument(6, 4);
        addChannel(*doc, "Mine", 100);
        Selection sel(doc->size());
        ASSERT_EQ(sel.setShape({0, 0, 2, 4}, false), 1);
        std::unique_ptr<Channel> previous;
        ASSERT_EQ(saveSelectionToChannel(*doc, sel, 0, c.operation, &previous), 1);
        const Channel& ch = *doc->channels()[0];
        EXPECT_EQ(ch.row(1)[1], c.at11) << c.operation;
        EXPECT_EQ(ch.row(1)[3], c.at31) << c.operation;
        ASSERT_NE(previous, nullptr);
        EXPECT_EQ(previous->row(1)[1], 100);
        // Undo copies the kept version back.
        ASSERT_EQ(restoreChannel(*doc, 0, *previous), 1);
        EXPECT_EQ(doc->channels()[0]->row(1)[1], 100);
        EXPECT_EQ(doc->channels()[0]->name(), "Mine");
    }
    auto doc = emptyDocument(6, 4);
    Selection sel(doc->size());
    ASSERT_EQ(sel.selectAll(), 1);
    EXPECT_EQ(saveSelectionToChannel(*doc, sel, 0, 1), 0);  // no such channel
    addChannel(*doc, "Old size", 9, {3, 3});
    EXPECT_EQ(saveSelectionToChannel(*doc, sel, 0, 1), 0);
    EXPECT_EQ(doc->channels()[0]->row(0)[0], 9);
}

TEST(Channels, LoadSelection) {
    // The channel covers columns 2..3 with 255 and column 4 with 128.
    auto make = [] {
        auto doc = emptyDocument(6, 3);
        auto c = std::make_unique<Channel>(planeStore(6, 3, 0));
        for (int y = 0; y < 3; ++y) {
            c->row(y)[2] = c->row(y)[3] = 255;
            c->row(y)[4] = 128;
        }
        doc->channels().push_back(std::move(c));
        addChannel(*doc, "Black", 0);
        return doc;
    };
    struct Case {
        const char* name;
        int channel;
        bool invert;
        int32_t operation;
        Rect start;  // the selection before (empty: none)
        Rect want;
        int at4;  // coverage at (4, 1)
    };
    const Case cases[] = {
        {"replace", 0, false, 0, {0, 0, 1, 1}, {2, 0, 5, 3}, 128},
        {"replace inverted", 0, true, 0, {}, {0, 0, 6, 3}, 127},
        {"add", 0, false, 1, {0, 0, 1, 1}, {0, 0, 5, 3}, 128},
        {"subtract", 0, false, 2, {0, 0, 6, 3}, {0, 0, 6, 3}, 127},
        {"subtract all", 0, false, 2, {2, 0, 4, 3}, {}, 0},
        {"intersect", 0, false, 3, {3, 0, 6, 1}, {3, 0, 5, 1}, 0},
        {"black", 1, false, 0, {0, 0, 6, 3}, {}, 0},
        {"black inverted", 1, true, 0, {}, {0, 0, 6, 3}, 255},
    };
    for (const Case& c : cases) {
        auto doc = make();
        Selection sel(doc->size());
        if (!c.start.isEmpty()) {
            ASSERT_EQ(sel.setShape(c.start, false), 1);
        }
        ASSERT_EQ(loadSelectionFromChannel(sel, *doc, c.channel, c.invert, c.operation), 1)
            << c.name;
        EXPECT_EQ(sel.bounds(), c.want) << c.name;
        EXPECT_EQ(sel.coverageAt(4, 1), c.at4) << c.name;
    }
    auto doc = make();
    Selection sel(doc->size());
    EXPECT_EQ(loadSelectionFromChannel(sel, *doc, 2, false, 0), 0);
    Selection other({5, 3});
    EXPECT_EQ(loadSelectionFromChannel(other, *doc, 0, false, 0), 0);
}

}  // namespace
}  // namespace varnel
