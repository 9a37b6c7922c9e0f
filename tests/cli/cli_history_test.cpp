// varnel-cli edit through the document's history: --undo, --redo, --history-limit and
// --print-history.
#include <gtest/gtest.h>
#include <unistd.h>

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
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
               std::to_string(::getpid()));
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

    Size size() {
        PngImageFile png;
        EXPECT_TRUE(png.loadFromFile(path("out.png"), LoadPixels));
        return png.isValid() ? png.pixels().color.size() : Size{};
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

TEST_F(CliHistory, GeometryStepsAreRecordedAndUndoneToTheOriginalCanvas) {
    const struct {
        std::vector<std::string> steps;
        Size size;  // of the saved file; the input is 4 x 3
        const char* listing;
    } cases[] = {
        {{"--image-size", "2,2", "--undo"}, {4, 3}, "  Image Size\n"},
        {{"--image-size", "2,2", "--undo", "--redo"}, {2, 2}, "* Image Size\n"},
        {{"--canvas-size", "6,5", "--rotate", "90cw", "--flip", "h", "--undo", "--undo"},
         {6, 5},
         "* Canvas Size\n  Rotate Canvas\n  Flip Canvas Horizontal\n"},
        {{"--rotate", "180", "--flip", "v", "--undo"},
         {4, 3},
         "* Rotate Canvas\n  Flip Canvas Vertical\n"},
        // Undoing Crop gives back the canvas and the selection it cropped to: the fill covers
        // the selection only.
        {{"--select", "1,1,3,3", "--crop", "--undo", "--fill", "FF0000"},
         {4, 3},
         "  Rectangular Marquee\n* Fill\n"},
        // Same size: nothing happens and nothing is recorded.
        {{"--canvas-size", "4,3", "--image-size", "4,3", "--trim"}, {4, 3}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> steps = c.steps;
        steps.push_back("--print-history");
        ASSERT_EQ(edit(steps), 0) << err.str();
        EXPECT_EQ(size(), c.size) << c.listing;
        EXPECT_EQ(out.str(), c.listing);
    }
    // Crop's selection came back with the undo.
    ASSERT_EQ(edit({"--select", "1,1,3,3", "--crop", "--undo", "--fill", "FF0000"}), 0);
    EXPECT_EQ(pixel(1, 1).r, 255);
    EXPECT_EQ(pixel(0, 0).r, 200);
}

TEST_F(CliHistory, SelectionStepsAreRecordedAndUndoneToTheSelectionBefore) {
    const struct {
        std::vector<std::string> steps;
        uint8_t red00, red32;  // of pixels (0, 0) and (3, 2) after a red fill
        const char* listing;
    } cases[] = {
        {{"--select", "0,0,1,1", "--save-selection", "--deselect", "--load-selection", "1"},
         255,
         200,
         "  Rectangular Marquee\n  Save Selection\n  Deselect\n  Load Selection\n* Fill\n"},
        {{"--select", "0,0,1,1", "--save-selection", "--select-all", "--load-selection", "1:2"},
         200,
         255,
         "  Rectangular Marquee\n  Save Selection\n  Select Canvas\n  Load Selection\n* Fill\n"},
        // Undo after a combined marquee gives back the selection it was combined with.
        {{"--select", "0,0,2,2", "--select", "2,1,4,3:add", "--undo"},
         255,
         200,
         "  Rectangular Marquee\n* Fill\n"},
        {{"--select", "0,0,2,2", "--select-ellipse", "-10,-10,14,13:intersect"},
         255,
         200,
         "  Rectangular Marquee\n  Elliptical Marquee\n* Fill\n"},
        // One colour everywhere: Grow from a pixel takes the whole canvas; undo takes it back,
        // seed included.
        {{"--grow", "0,0"}, 255, 255, "  Grow\n* Fill\n"},
        {{"--select", "3,2,4,3", "--grow", "0,0", "--undo"},
         200,
         255,
         "  Rectangular Marquee\n* Fill\n"},
        {{"--select", "3,2,4,3", "--similar", "selection"},
         255,
         255,
         "  Rectangular Marquee\n  Similar\n* Fill\n"},
        // Nothing selected: nothing to grow, nothing recorded (the fill covers the layer).
        {{"--similar", "selection"}, 255, 255, "* Fill\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> steps = c.steps;
        steps.insert(steps.end(), {"--fill", "FF0000", "--print-history"});
        ASSERT_EQ(edit(steps), 0) << err.str();
        EXPECT_EQ(pixel(0, 0).r, c.red00) << c.listing;
        EXPECT_EQ(pixel(3, 2).r, c.red32) << c.listing;
        EXPECT_EQ(out.str(), c.listing);
    }
}

TEST_F(CliHistory, AddLayerIsRecordedAndUndoneAndRedone) {
    const std::string layer = path("in.png") + ":multiply";
    const struct {
        std::vector<std::string> steps;
        uint8_t red;  // of pixel (0, 0): 200 multiplied by itself gives 156
        const char* listing;
    } cases[] = {
        {{"--add-layer", layer}, 156, "* Add Layer\n"},
        {{"--add-layer", layer, "--undo"}, 200, "  Add Layer\n"},
        {{"--add-layer", layer, "--undo", "--redo"}, 156, "* Add Layer\n"},
        // Visibility is no history step: undo passes over it.
        {{"--add-layer", layer, "--hide-layer", "2"}, 200, "* Add Layer\n"},
        {{"--add-layer", layer, "--hide-layer", "2", "--add-layer", layer, "--undo"},
         200,
         "* Add Layer\n  Add Layer\n"},
        {{"--add-layer", layer, "--add-layer", layer, "--undo"}, 156, "* Add Layer\n  Add Layer\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> steps = c.steps;
        steps.push_back("--print-history");
        ASSERT_EQ(edit(steps), 0) << err.str();
        EXPECT_EQ(pixel(0, 0).r, c.red) << c.listing;
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
