#include "document/layer_names.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(LayerNames, NumberParsing) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"5", true, 5},
        {"+7", true, 7},
        {"-3", true, -3},
        {"0012", true, 12},
        {"", false, 0},
        {"+", false, 0},
        {"x", false, 0},
        {"5a", false, 0},
        {" 5", false, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"99999999999", false, 0},
        {"99999999999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        const auto v = parseNameNumber(c.text);
        EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
        if (c.ok && v) {
            EXPECT_EQ(*v, c.value) << c.text;
        }
    }
}

TEST(LayerNames, NextLayerName) {
    struct Case {
        std::vector<std::string> names;
        std::string expected;
    } cases[] = {
        {{}, "Layer 1"},
        {{"Background"}, "Layer 1"},
        {{"Background", "Layer 1", "Layer 5"}, "Layer 6"},
        {{"Layer 1", "Layer 3"}, "Layer 4"},
        {{"Layer x", "Layer 2"}, "Layer 3"},
        {{"Layer x"}, "Layer 1"},
        {{"layer 9", "Layer"}, "Layer 1"},              // case-sensitive; nothing after the prefix
        {{"Layer 99999999999", "Layer 2"}, "Layer 3"},  // too large for an int: ignored
        {{"Layer -4"}, "Layer 1"},
        {{"Layer +4"}, "Layer 5"},
        {{"Layer 2147483647"}, "Layer 2147483648"},  // the next number does not wrap
    };
    for (const Case& c : cases) EXPECT_EQ(nextLayerName(c.names), c.expected);
}

TEST(LayerNames, DuplicateName) {
    struct Case {
        const char* name;
        std::vector<std::string> names;
        std::string expected;
    } cases[] = {
        {"Sky", {"Sky"}, "Sky copy"},
        {"Sky", {"Sky", "Sky copy"}, "Sky copy 2"},
        {"Layer copy", {"Layer copy", "Layer copy 2"}, "Layer copy 3"},
        {"Layer copy 2", {"Layer copy", "Layer copy 2"}, "Layer copy 3"},
        {"Layer 1", {"Layer 1"}, "Layer copy"},
        {"Layer 1", {"Layer 1", "Layer copy"}, "Layer copy 2"},
        {"Background", {"Background"}, "Background copy"},
        {"Sky 2", {"Sky 2"}, "Sky copy"},
        {"Sky 99999999999", {}, "Sky 99999999999 copy"},  // not a number: kept whole
        {"copy", {"copy"}, "copy copy"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(duplicateLayerName(c.name, c.names), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace varnel
