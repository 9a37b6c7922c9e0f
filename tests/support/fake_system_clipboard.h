// A system clipboard in memory, for the tests of the clipboard store and of the commands that
// use it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system_clipboard.h"

namespace varnel {

class FakeSystemClipboard : public platform::SystemClipboard {
public:
    bool hasBitmap() override { return block.has_value(); }
    bool readBitmap(std::vector<uint8_t>& out) override {
        if (!block) return false;
        out = *block;
        return true;
    }
    bool writeBitmap(const std::vector<uint8_t>& in) override {
        ++writes;
        if (refuseWrites) return false;
        block = in;
        written = in;
        return true;
    }
    // What the program wrote is still there (a test that sets `block` plays another program).
    bool holdsWrittenBitmap() override { return block && written && *block == *written; }
    bool clear() override {
        block.reset();
        text.reset();
        return true;
    }
    bool readText(std::string& out) override {
        if (!text) return false;
        out = *text;
        return true;
    }

    std::optional<std::vector<uint8_t>> block;
    std::optional<std::vector<uint8_t>> written;
    std::optional<std::string> text;
    bool refuseWrites = false;
    int writes = 0;
};

}  // namespace varnel
