// varnel-cli edit through the document's history: --undo, --redo, --history-limit and
// --print-history.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "formats/image_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

class CliHistory : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              (std::string("varnel-cli-history-") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        PngImageFile png;
        ASSERT_TRUE(png.pixels().color.createColor(4, 3));
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) png.pixels().color.pixels(y)[x] = Bgr{200, 200, 200};
        ASSERT_TRUE(png.saveToFile(path("in.png")));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    int edit(std::vector<std::string> steps) {
        std::vector<std::string> args{"edit", path("in.png")};
        args.insert(args.end(), steps.begin(), steps.end());
        args.push_back("-o");
        args.push_back(path("out.png"));
        out.str("");
        err.str("");
        return runCli(args, out, err);
    }
    Bgr pixel(int32_t x, int32_t y) {
        PngImageFile png;
        EXPECT_TRUE(png.loadFromFile(path("out.png"), LoadPixels));
        return png.isValid() ? png.pixels().color.pixels(y)[x] : Bgr{};
    }

    fs::path dir;
    std::ostringstream out, err;
};

TEST_F(CliHistory, UndoAndRedoActAsTheEditorsAndTheListShowsThePosition) {
    const struct {
        std::vector<std::string> steps;
        uint8_t red;  // of pixel (0, 0) in the saved file
        const char* listing;
    } cases[] = {
        {{"--fill", "FF0000", "--undo"}, 200, "  Fill\n"},  // nothing applied: no mark
        {{"--fill", "FF0000", "--undo", "--redo"}, 255, "* Fill\n"},
        {{"--select-all", "--fill", "0000FF", "--undo"}, 200, "* Select Canvas\n  Fill\n"},
        {{"--fill", "00FF00", "--fill", "FF0000", "--undo", "--fill", "0000FF"},
         0,
         "  Fill\n* Fill\n"},
        {{"--history-limit", "1", "--fill", "FF0000", "--fill", "0000FF", "--undo"},
         255,
         "  Fill\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> steps = c.steps;
        steps.push_back("--print-history");
        ASSERT_EQ(edit(steps), 0) << err.str();
        EXPECT_EQ(pixel(0, 0).r, c.red) << c.steps.size();
        EXPECT_EQ(out.str(), c.listing);
    }
}

TEST_F(CliHistory, NothingToUndoOrRedoFailsTheRun) {
    EXPECT_EQ(edit({"--undo"}), 1);
    EXPECT_NE(err.str().find("nothing to undo"), std::string::npos) << err.str();
    EXPECT_EQ(edit({"--fill", "FF0000", "--redo"}), 1);
    EXPECT_NE(err.str().find("nothing to redo"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(path("out.png")));
    EXPECT_EQ(edit({"--history-limit", "0"}), 2);
}

}  // namespace
}  // namespace varnel
