// The geometry and blur steps of `varnel-cli edit`: through the whole program on small PNG files,
// and through the step table on a session whose selection the test sets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/edit_steps.h"
#include "core/surface_ops.h"
#include "formats/image_file.h"
#include "imageops/image_size.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

class CliGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps concurrent runs of the suite apart.
        dir = fs::temp_directory_path() /
              ("varnel-cli-geometry-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // 6 × 4: white, with a dark 2 × 2 square at (3, 1) and a red pixel at (3, 1).
        PngImageFile png;
        ASSERT_TRUE(png.pixels().color.createColor(6, 4));
        ColorImage& c = png.pixels().color;
        fillRectColor(c, c.bounds(), {255, 255, 255});
        fillRectColor(c, {3, 1, 5, 3}, {20, 20, 20});
        c.pixels(1)[3] = {0, 0, 255};
        ASSERT_TRUE(png.saveToFile(file("in.png")));
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const std::string& name) const { return (dir / name).string(); }

    int edit(std::vector<std::string> steps) {
        std::vector<std::string> args = {"edit", file("in.png")};
        args.insert(args.end(), steps.begin(), steps.end());
        args.insert(args.end(), {"-o", file("out.png")});
        out.str("");
        err.str("");
        return runCli(args, out, err);
    }

    ColorImage result() {
        PngImageFile png;
        EXPECT_TRUE(png.loadFromFile(file("out.png"), LoadPixels));
        ColorImage c;
        if (png.isValid()) c.copyFrom(png.pixels().color);
        return c;
    }

    fs::path dir;
    std::ostringstream out, err;
};

TEST_F(CliGeometry, StepsChangeTheSavedImage) {
    const Bgr red{0, 0, 255}, white{255, 255, 255}, dark{20, 20, 20};
    struct Case {
        const char* what;
        std::vector<std::string> steps;
        Size size;
        Point at;  // where the red pixel ends up
        Point darkAt;
        Bgr corner;  // pixel (0, 0)
    } cases[] = {
        {"trim", {"--trim"}, {2, 2}, {0, 0}, {1, 1}, red},
        {"rotate 90cw", {"--rotate", "90cw"}, {4, 6}, {2, 3}, {1, 4}, white},
        {"rotate 90ccw", {"--rotate=90ccw"}, {4, 6}, {1, 2}, {2, 1}, white},
        {"rotate 180", {"--rotate", "180"}, {6, 4}, {2, 2}, {1, 1}, white},
        {"flip h", {"--flip", "h"}, {6, 4}, {2, 1}, {1, 2}, white},
        {"flip v", {"--flip", "v"}, {6, 4}, {3, 2}, {4, 1}, white},
        {"canvas top-left",
         {"--canvas-size", "8,5,top-left,00ff00"},
         {8, 5},
         {3, 1},
         {4, 2},
         white},
        {"canvas bottom-right",
         {"--canvas-size", "8,5,8,00ff00"},
         {8, 5},
         {5, 2},
         {6, 3},
         Bgr{0, 255, 0}},
        {"canvas smaller, centre", {"--canvas-size", "4,2"}, {4, 2}, {2, 0}, {3, 1}, white},
        {"nearest double",
         {"--image-size", "12,8,nearest-neighbor"},
         {12, 8},
         {7, 3},
         {9, 5},
         white},
        {"trim then rotate", {"--trim", "--rotate", "90cw"}, {2, 2}, {1, 0}, {0, 1}, dark},
        {"crop to the selection", {"--select", "2,0,6,3", "--crop"}, {4, 3}, {1, 1}, {2, 2}, white},
        {"crop to an ellipse's box",
         {"--select-ellipse", "3,1,5,3", "--crop"},
         {2, 2},
         {0, 0},
         {1, 1},
         red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(edit(c.steps), kCliSuccess) << err.str();
        const ColorImage img = result();
        ASSERT_EQ(img.size(), c.size);
        EXPECT_EQ(img.pixels(c.at.y)[c.at.x], red);
        EXPECT_EQ(img.pixels(c.darkAt.y)[c.darkAt.x], dark);
        EXPECT_EQ(img.pixels(0)[0], c.corner);
    }
    // The canvas extension colour defaults to the background colour (white).
    ASSERT_EQ(edit({"--canvas-size", "7,4,left"}), kCliSuccess);
    EXPECT_EQ(result().pixels(0)[6], white);
    // Resolution and its unit.
    ASSERT_EQ(edit({"--image-size", "6,4,bilinear,300,ppcm"}), kCliSuccess);
    EXPECT_EQ(result().size(), (Size{6, 4}));
}

TEST_F(CliGeometry, BlurStepsAndTheLastFilter) {
    ASSERT_EQ(edit({"--blur"}), kCliSuccess) << err.str();
    const ColorImage once = result();
    // Green at the dark square's corner (3, 2): 4 × itself, red above (0), dark to the right,
    // white below and to the left, / 8.
    EXPECT_EQ(once.pixels(2)[3].g, (4 * 20 + 0 + 20 + 255 + 255) / 8);
    ASSERT_EQ(edit({"--blur", "--last-filter"}), kCliSuccess);
    const ColorImage twice = result();
    EXPECT_NE(twice.pixels(2)[3], once.pixels(2)[3]);
    for (const char* step : {"--blur-more", "--sharpen", "--sharpen-more"}) {
        ASSERT_EQ(edit({step}), kCliSuccess) << step << ": " << err.str();
    }
    // Below radius 1 Gaussian Blur changes nothing, above it blurs.
    ASSERT_EQ(edit({"--gaussian-blur", "0.5"}), kCliSuccess);
    EXPECT_EQ(result().pixels(2)[3], (Bgr{20, 20, 20}));
    ASSERT_EQ(edit({"--gaussian-blur=2"}), kCliSuccess);
    EXPECT_NE(result().pixels(2)[3], (Bgr{20, 20, 20}));
}

TEST_F(CliGeometry, BadParametersAreUsageErrors) {
    struct Case {
        std::vector<std::string> steps;
        const char* named;
    } cases[] = {
        {{"--rotate", "45"}, "\"45\""},
        {{"--flip", "x"}, "\"x\""},
        {{"--image-size", "0,5"}, "\"0,5\""},
        {{"--image-size", "5"}, "\"5\""},
        {{"--image-size", "5,30001"}, "\"5,30001\""},
        {{"--image-size", "5,5,cubic"}, "cubic"},
        {{"--image-size", "5,5,6"}, "\"5,5,6\""},
        {{"--image-size", "5,5,1,0.5"}, "0.5"},
        {{"--image-size", "5,5,1,72,furlong"}, "furlong"},
        {{"--canvas-size", "5,5,middle"}, "middle"},
        {{"--canvas-size", "5,5,9"}, "\"5,5,9\""},
        {{"--canvas-size", "5,5,4,ff00"}, "ff00"},
        {{"--canvas-size", "5,5,4,ff0000,1"}, "\"5,5,4,ff0000,1\""},
        {{"--gaussian-blur", "300"}, "\"300\""},
        {{"--crop=1"}, "\"--crop=1\""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& s : c.steps) shown += s + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(edit(c.steps), kCliUsageError);
        EXPECT_NE(err.str().find(c.named), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(file("out.png")));
    }
}

TEST_F(CliGeometry, StepsThatCannotApplyFailTheRun) {
    struct Case {
        std::vector<std::string> steps;
        const char* message;
    } cases[] = {
        {{"--crop"}, "varnel-cli: --crop: Crop needs a selection\n"},
        {{"--new-layer", "--trim"},
         "varnel-cli: --trim: Trim needs an image whose one layer is the background\n"},
        {{"--select", "1,1,3,3", "--deselect", "--crop"},
         "varnel-cli: --crop: Crop needs a selection\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(edit(c.steps), kCliFileError);
        EXPECT_EQ(err.str(), c.message);
        EXPECT_FALSE(fs::exists(file("out.png")));
    }
}

// Crop works on the session's selection, which the selection steps set; here the test sets it.
TEST(GeometryStepTable, CropToTheSelectionAndDeselect) {
    ImageSettings settings;
    settings.width = 10;
    settings.height = 8;
    EditSession session(Document::createBlank(settings));
    ASSERT_NE(session.document, nullptr);
    ASSERT_EQ(session.selection->setShape({2, 3, 7, 20}, false), 1);  // cut to the canvas

    auto run = [&](const char* name, const std::string& parameter) {
        const StepInfo* desc = findStep(name);
        EXPECT_NE(desc, nullptr) << name;
        std::string error, failure;
        StepAction action = desc->parse(parameter, error);
        EXPECT_TRUE(bool(action)) << error;
        return action(session, failure);
    };
    ASSERT_TRUE(run("--crop", ""));
    EXPECT_EQ(session.document->size(), (Size{5, 5}));
    // The canvas changed: nothing is selected on the new one.
    EXPECT_TRUE(session.selection->isEmpty());
    EXPECT_EQ(session.selection->canvasSize(), (Size{5, 5}));
    // Also when the canvas keeps its size, and when nothing is selected.
    ASSERT_EQ(session.selection->selectAll(), 1);
    ASSERT_TRUE(run("--rotate", "90cw"));
    EXPECT_EQ(session.selection->canvasSize(), (Size{5, 5}));
    EXPECT_TRUE(session.selection->isEmpty());
    ASSERT_TRUE(run("--flip", "v"));
    ASSERT_EQ(session.selection->setShape({1, 1, 3, 3}, false), 1);
    ASSERT_TRUE(run("--image-size", "3,2,lanczos"));
    EXPECT_TRUE(session.selection->isEmpty());
    EXPECT_EQ(session.selection->canvasSize(), (Size{3, 2}));
    // A step that changes nothing keeps the selection.
    ASSERT_EQ(session.selection->selectAll(), 1);
    ASSERT_TRUE(run("--canvas-size", "3,2,top-left"));
    ASSERT_TRUE(run("--trim", ""));  // one colour: nothing to trim
    EXPECT_FALSE(session.selection->isEmpty());
}

}  // namespace
}  // namespace varnel
