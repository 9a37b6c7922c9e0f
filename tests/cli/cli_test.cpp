#include "cli/cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/edit_steps.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/image_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

Bgr grey(int v) {
    return {uint8_t(v), uint8_t(v), uint8_t(v)};
}
Bgr rgb(int r, int g, int b) {
    return {uint8_t(b), uint8_t(g), uint8_t(r)};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) /
              (std::string("varnel-cli-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        writePng("grey200.png", 4, 3, grey(200));
        writePng("grey100.png", 2, 2, grey(100));
        writePng("half.png", 4, 3, grey(10), 128);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const std::string& name) const { return (dir / name).string(); }

    void writePng(const std::string& name, int32_t w, int32_t h, Bgr color, int alpha = -1) {
        PngImageFile png;
        ASSERT_TRUE(png.pixels().color.createColor(w, h));
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) png.pixels().color.pixels(y)[x] = color;
        }
        if (alpha >= 0) {
            ASSERT_TRUE(png.pixels().alpha.createGray(w, h));
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) png.pixels().alpha.row(y)[x] = uint8_t(alpha);
            }
        }
        ASSERT_TRUE(png.saveToFile(file(name)));
    }

    // Runs with "@name" arguments standing for files in the scratch folder.
    int run(std::vector<std::string> args) {
        for (std::string& a : args) {
            for (size_t at; (at = a.find('@')) != std::string::npos;) {
                size_t end = at + 1;
                while (end < a.size() && (std::isalnum(static_cast<unsigned char>(a[end])) ||
                                          a[end] == '.' || a[end] == '_' || a[end] == '/')) {
                    ++end;
                }
                a.replace(at, end - at, file(a.substr(at + 1, end - at - 1)));
            }
        }
        out.str("");
        err.str("");
        return runCli(args, out, err);
    }

    // The colour and alpha of pixel (x, y) of a saved PNG.
    std::pair<Bgr, int> pixel(const std::string& name, int32_t x, int32_t y) {
        PngImageFile png;
        EXPECT_TRUE(png.loadFromFile(file(name), LoadPixels)) << name;
        if (!png.isValid()) return {};
        const int a = png.hasAlpha() ? png.pixels().alpha.row(y)[x] : 255;
        return {png.pixels().color.pixels(y)[x], a};
    }

    fs::path dir;
    std::ostringstream out, err;
};

TEST_F(Cli, HelpListsEveryCommandAndStep) {
    ASSERT_EQ(run({"--help"}), kCliSuccess);
    const std::string help = out.str();
    for (const char* command : {"info FILE...", "convert IN OUT", "edit IN STEP... -o OUT"}) {
        EXPECT_NE(help.find(command), std::string::npos) << command;
    }
    for (const StepInfo& step : editSteps()) {
        EXPECT_NE(
            help.find("  " + step.name + (step.parameter.empty() ? "" : " " + step.parameter)),
            std::string::npos)
            << step.name;
    }
    EXPECT_TRUE(err.str().empty());
}

TEST_F(Cli, InfoReportsEachFileAndFailsForTheOnesItCannotOpen) {
    EXPECT_EQ(run({"info", "@grey200.png", "@half.png", "@missing.png"}), kCliFileError);
    EXPECT_EQ(out.str(), file("grey200.png") + ": PNG 4x3, 24 bpp, opaque, 72 dpi\n" +
                             file("half.png") + ": PNG 4x3, 32 bpp, transparency, 72 dpi\n");
    EXPECT_EQ(err.str(),
              "Cannot open file \"" + file("missing.png") + "\"! No such file or folder.\n");
    EXPECT_EQ(run({"info", "@grey100.png"}), kCliSuccess);
    EXPECT_EQ(run({"info"}), kCliUsageError);
}

// A photo's metadata blocks are listed with their sizes, and convert and edit carry them into the
// files they write.
TEST_F(Cli, InfoListsTheMetadataThatConvertAndEditCarry) {
    ImageSettings settings;
    settings.width = 4;
    settings.height = 3;
    std::unique_ptr<Document> doc = Document::createBlank(settings);
    ASSERT_TRUE(doc);
    PhotoMetadata metadata;
    const std::string packet = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";
    metadata.xmp.assign(packet.begin(), packet.end());
    metadata.icc.assign(3000, 7);
    doc->setMetadata(metadata);
    doc->setPath(file("photo.png"));
    ASSERT_TRUE(saveDocument(*doc));

    ASSERT_EQ(run({"convert", "@photo.png", "@photo.jpg"}), kCliSuccess) << err.str();
    ASSERT_EQ(run({"edit", "@photo.jpg", "--rotate", "90cw", "-o", "@turned.webp"}), kCliSuccess)
        << err.str();
    ASSERT_EQ(run({"convert", "@turned.webp", "@turned.bmp"}), kCliSuccess) << err.str();
    out.str("");
    ASSERT_EQ(run({"info", "@photo.jpg", "@turned.webp", "@turned.bmp"}), kCliSuccess) << err.str();
    const std::string blocks =
        "\n  metadata: XMP " + std::to_string(packet.size()) + " bytes, ICC profile 3000 bytes\n";
    EXPECT_EQ(out.str(), file("photo.jpg") + ": JPEG 4x3, 24 bpp, opaque, 72 dpi" + blocks +
                             file("turned.webp") + ": WebP 3x4, 24 bpp, opaque, 72 dpi" + blocks +
                             file("turned.bmp") + ": BMP 3x4, 24 bpp, opaque, 72 dpi\n");
}

// Layered files go through edit, convert and info with their layers; flattening them is a
// convert to a flat format.
TEST_F(Cli, LayeredFilesKeepTheirLayersThroughEditConvertAndInfo) {
    writePng("base.png", 4, 3, Bgr{10, 20, 30});
    writePng("top.png", 2, 2, Bgr{0, 0, 255}, 128);
    ASSERT_EQ(run({"edit", "@base.png", "--add-layer", "@top.png:multiply:50", "--hide-layer", "1",
                   "-o", "@layers.ora"}),
              kCliSuccess)
        << err.str();
    ASSERT_EQ(run({"convert", "@layers.ora", "@copy.ora"}), kCliSuccess) << err.str();
    ASSERT_EQ(run({"info", "@copy.ora"}), kCliSuccess) << err.str();
    EXPECT_EQ(out.str(), file("copy.ora") +
                             ": OpenRaster 4x3, 32 bpp, transparency, 72 dpi, 2 layers\n"
                             "  layer 2: \"Layer 1\" 2x2 at 0,0, Multiply, opacity 50%, visible\n"
                             "  layer 1: \"Background\" 4x3 at 0,0, Normal, opacity 100%, "
                             "hidden, background\n");
    ASSERT_EQ(run({"convert", "@copy.ora", "@flat.png"}), kCliSuccess) << err.str();
    EXPECT_EQ(pixel("flat.png", 0, 0).second, 64);
}

TEST_F(Cli, UsageErrorsNameTheBadArgumentAndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string named;  // what the message must quote
    } cases[] = {
        {{}, "\"\""},
        {{"paint"}, "\"paint\""},
        {{"convert", "@grey200.png"}, "\"convert\""},
        {{"convert", "@grey200.png", "@out.png", "@third.png"}, "\"convert\""},
        {{"convert", "@grey200.png", "@out.gif"}, "out.gif\""},
        {{"convert", "@grey200.png", "@out.jpg", "--quality", "101"}, "\"101\""},
        {{"convert", "@grey200.png", "@out.jpg", "--quality=high"}, "\"high\""},
        {{"convert", "@grey200.png", "@out.jpg", "--quality"}, "\"--quality\""},
        {{"convert", "@grey200.png", "@out.jpg", "--fast"}, "\"--fast\""},
        {{"edit", "@grey200.png", "--new-layer"}, "\"edit\""},
        {{"edit", "--new-layer", "-o", "@out.png"}, "\"edit\""},
        {{"edit", "@grey200.png", "@grey100.png", "-o", "@out.png"}, "grey100.png\""},
        {{"edit", "@grey200.png", "-o", "@out.png", "-o", "@out2.png"}, "out2.png\""},
        {{"edit", "@grey200.png", "-o"}, "\"-o\""},
        {{"edit", "@grey200.png", "--emboss", "-o", "@out.png"}, "\"--emboss\""},
        {{"edit", "@grey200.png", "--layer-mode", "glow", "-o", "@out.png"}, "\"glow\""},
        {{"edit", "@grey200.png", "--layer-mode", "19", "-o", "@out.png"}, "\"19\""},
        {{"edit", "@grey200.png", "--layer-opacity=150", "-o", "@out.png"}, "\"150\""},
        {{"edit", "@grey200.png", "--hide-layer", "0", "-o", "@out.png"}, "\"0\""},
        {{"edit", "@grey200.png", "--new-layer=2", "-o", "@out.png"}, "\"--new-layer=2\""},
        {{"edit", "@grey200.png", "--add-layer", "@grey100.png:multiply:x", "-o", "@out.png"},
         "multiply:x\""},
        {{"edit", "@grey200.png", "--add-layer", "@grey100.png:mutliply", "-o", "@out.png"}, "\""},
        {{"edit", "@grey200.png", "-o", "@out.png", "--layer-opacity"}, "\"--layer-opacity\""},
        {{"edit", "@grey200.png", "--select", "1,2,3", "-o", "@out.png"}, "\"1,2,3\""},
        {{"edit", "@grey200.png", "--select", "0,0,1,1:5", "-o", "@out.png"}, "\"0,0,1,1:5\""},
        {{"edit", "@grey200.png", "--fill", "12345", "-o", "@out.png"}, "\"12345\""},
        {{"edit", "@grey200.png", "--fill", "123456:normal:50:keep", "-o", "@out.png"}, "keep\""},
        {{"edit", "@grey200.png", "--feather", "300", "-o", "@out.png"}, "\"300\""},
        {{"edit", "@grey200.png", "--expand", "101", "-o", "@out.png"}, "\"101\""},
        {{"edit", "@grey200.png", "--grow", "7", "-o", "@out.png"}, "\"7\""},
        {{"edit", "@grey200.png", "--load-selection", "1:9", "-o", "@out.png"}, "\"1:9\""},
        {{"edit", "@grey200.png", "--gaussian-blur", "0", "-o", "@out.png"}, "\"0\""},
        {{"edit", "@grey200.png", "-o", "@out.png", "--threads", "0"}, "\"0\""},
        {{"convert", "@grey200.png", "@out.png", "--threads=65"}, "\"65\""},
        {{"convert", "@grey200.png", "@out.png", "--threads=2x"}, "\"2x\""},
        {{"convert", "@grey200.png", "@out.png", "--threads"}, "\"--threads\""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(run(c.args), kCliUsageError);
        EXPECT_NE(err.str().find(c.named), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("bad argument"), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(file("out.png")));
        EXPECT_FALSE(fs::exists(file("out.jpg")));
    }
}

TEST_F(Cli, ConvertOpensAndSavesAsTheEditorDoes) {
    ASSERT_EQ(run({"convert", "@half.png", "@flat.jpg", "--quality", "90"}), kCliSuccess);
    EXPECT_TRUE(out.str().empty());
    EXPECT_TRUE(err.str().empty());
    JpegImageFile jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(file("flat.jpg"), LoadPixels));
    EXPECT_EQ(jpeg.size(), (Size{4, 3}));
    // Grey 10 at half opacity over white.
    EXPECT_NEAR(jpeg.pixels().pixels(1)[1].g, 10 + ((127 * 245) >> 8), 3);

    ASSERT_EQ(run({"convert", "@half.png", "@kept.png"}), kCliSuccess);
    EXPECT_EQ(pixel("kept.png", 2, 2), std::make_pair(grey(10), 128));

    // A failed open leaves an existing OUT alone.
    EXPECT_EQ(run({"convert", "@missing.png", "@kept.png"}), kCliFileError);
    EXPECT_EQ(err.str(),
              "Cannot open file \"" + file("missing.png") + "\"! No such file or folder.\n");
    EXPECT_EQ(pixel("kept.png", 2, 2), std::make_pair(grey(10), 128));

    EXPECT_EQ(run({"convert", "@grey200.png", "@nowhere/out.png"}), kCliFileError);
    EXPECT_EQ(err.str(),
              "Error saving file \"" + file("nowhere/out.png") + "\"! No such file or folder.\n");
}

// Why a file was refused follows the message, for every command that opens or saves one.
TEST_F(Cli, FileErrorsSayWhy) {
    // A 2 x 2 BMP whose header claims 40000 pixels a row.
    std::string wide(54 + 16, '\0');
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) wide[at + size_t(i)] = char(v >> (8 * i));
    };
    wide[0] = 'B', wide[1] = 'M';
    put32(2, uint32_t(wide.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 40000);
    put32(22, 2);
    wide[26] = 1;
    wide[28] = 24;
    std::ofstream(file("wide.bmp"), std::ios::binary) << wide;
    const std::string tooWide = "Cannot open file \"" + file("wide.bmp") +
                                "\"! Width 40000 exceeds the 30000-pixel limit.\n";
    fs::create_directory(dir / "folder.png");

    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"info", "@wide.bmp"}, tooWide},
        {{"convert", "@wide.bmp", "@out.png"}, tooWide},
        {{"edit", "@wide.bmp", "--invert", "-o", "@out.png"}, tooWide},
        {{"edit", "@grey200.png", "--add-layer", "@wide.bmp", "-o", "@out.png"}, tooWide},
        {{"convert", "@grey200.png", "@folder.png"},
         "Error saving file \"" + file("folder.png") + "\"! Is a folder.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), kCliFileError) << c.args[0];
        EXPECT_EQ(err.str(), c.message) << c.args[0];
    }
    EXPECT_FALSE(fs::exists(file("out.png")));
}

TEST_F(Cli, EditAppliesTheStepsInOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> steps;
        Bgr color;
        int alpha;
    } cases[] = {
        {"nothing", {}, grey(200), 255},
        // 200 × 100 / 255 = 78.
        {"multiply layer", {"--add-layer", "@grey100.png:Multiply"}, grey(78), 255},
        {"named by id, half opacity",
         {"--add-layer=@grey100.png:1:50"},
         grey(200 - ((128 * 122) >> 8)),
         255},
        {"mode and opacity set afterwards",
         {"--add-layer", "@grey100.png", "--layer-mode", "multiply", "--layer-opacity", "0"},
         grey(200),
         255},
        // Screen of 200 over 200: 255 − 55 × 55 / 255 = 244.
        {"duplicate screened", {"--duplicate-layer", "--layer-mode", "screen"}, grey(244), 255},
        {"hidden bottom", {"--add-layer", "@grey100.png", "--hide-layer", "1"}, grey(100), 255},
        {"top deleted", {"--add-layer", "@grey100.png", "--delete-layer"}, grey(200), 255},
        {"empty new layer", {"--new-layer", "--layer-mode", "difference"}, grey(200), 255},
        {"fill through a rectangle",
         {"--select", "0,0,2,3", "--fill", "0000FF"},
         rgb(0, 0, 255),
         255},
        {"fill outside the rectangle", {"--select", "2,0,4,3", "--fill", "0000ff"}, grey(200), 255},
        {"subtracted rectangle",
         {"--select", "0,0,2,3", "--select", "1,0,4,3:subtract", "--fill", "ff0000"},
         grey(200),
         255},
        {"added rectangle",
         {"--select", "0,0,1,3", "--select", "1,0,2,3:add", "--fill", "ff0000"},
         rgb(255, 0, 0),
         255},
        // Inverting everything selects nothing, and Fill without a selection fills the layer.
        {"fill the whole layer", {"--select-all", "--inverse", "--fill", "000000"}, grey(0), 255},
        {"fill multiplied at half",
         {"--fill", "646464:multiply:50"},
         grey(200 - ((128 * 122) >> 8)),
         255},
        {"cleared layer above",
         {"--duplicate-layer", "--select", "0,0,2,3", "--clear", "--hide-layer", "1"},
         grey(0),
         0},
        {"cleared background", {"--select", "0,0,2,3", "--clear"}, grey(255), 255},
        // After Merge Down only the merged Background is left for the opacity to act on.
        {"merged down",
         {"--add-layer", "@grey100.png", "--merge-down", "--layer-opacity", "50"},
         grey(100),
         128},
        {"inverted", {"--invert"}, grey(55), 255},
        // A composite kept from the start follows every later change.
        {"kept composite, layer added",
         {"--composite", "--add-layer", "@grey100.png:Multiply"},
         grey(78),
         255},
        {"kept composite, layer faded out",
         {"--composite", "--add-layer", "@grey100.png:Multiply", "--layer-opacity", "0"},
         grey(200),
         255},
        {"kept composite, inverted", {"--composite", "--invert"}, grey(55), 255},
        {"saved and loaded channel",
         {"--select", "1,1,2,2", "--save-selection", "--deselect", "--load-selection", "1",
          "--fill", "ffffff"},
         grey(255),
         255},
        {"grown from a pixel", {"--grow", "3,2", "--fill", "000000"}, grey(0), 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"edit", "@grey200.png"};
        args.insert(args.end(), c.steps.begin(), c.steps.end());
        args.insert(args.end(), {"-o", "@out.png"});
        ASSERT_EQ(run(args), kCliSuccess) << err.str();
        const auto [color, alpha] = pixel("out.png", 1, 1);
        EXPECT_NEAR(color.r, c.color.r, 1);
        EXPECT_NEAR(color.g, c.color.g, 1);
        EXPECT_NEAR(color.b, c.color.b, 1);
        EXPECT_EQ(alpha, c.alpha);
        fs::remove(file("out.png"));
    }
}

TEST_F(Cli, AStepThatCannotApplyFailsTheRunWithoutWriting) {
    writePng("out.png", 1, 1, grey(7));
    struct Case {
        std::vector<std::string> steps;
        std::string message;
    } cases[] = {
        {{"--hide-layer", "3"},
         "varnel-cli: --hide-layer: there is no layer 3 (the document has 1)\n"},
        {{"--add-layer", "@missing.png"},
         "Cannot open file \"" + file("missing.png") + "\"! No such file or folder.\n"},
        // The only layer is never deleted: the image would save as nothing but transparency.
        {{"--delete-layer"},
         "varnel-cli: --delete-layer: the image's only layer cannot be deleted\n"},
        {{"--add-layer", "@grey100.png", "--delete-layer", "--delete-layer"},
         "varnel-cli: --delete-layer: the image's only layer cannot be deleted\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"edit", "@grey200.png"};
        args.insert(args.end(), c.steps.begin(), c.steps.end());
        args.insert(args.end(), {"-o", "@out.png"});
        EXPECT_EQ(run(args), kCliFileError);
        EXPECT_EQ(err.str(), c.message);
        EXPECT_EQ(pixel("out.png", 0, 0).first, grey(7));
    }
    EXPECT_EQ(run({"edit", "@missing.png", "--new-layer", "-o", "@out.png"}), kCliFileError);
    EXPECT_EQ(err.str(),
              "Cannot open file \"" + file("missing.png") + "\"! No such file or folder.\n");
}

// --timings: one line per completed phase, in order, and nothing else changes.
TEST_F(Cli, TimingsReportTheOpenEachCompletedStepAndTheSave) {
    struct Case {
        const char* name;
        std::vector<std::string> args;  // between the input and "-o"
        std::vector<std::string> phases;
        int status;
    } cases[] = {
        {"no steps", {"--timings"}, {"open", "save"}, kCliSuccess},
        {"steps named without their dashes",
         {"--invert", "--timings", "--add-layer", "@grey100.png", "--layer-mode=multiply"},
         {"open", "invert", "add-layer", "layer-mode", "save"},
         kCliSuccess},
        {"a repeated step has a line each",
         {"--timings", "--invert", "--invert"},
         {"open", "invert", "invert", "save"},
         kCliSuccess},
        // The failing step and the save that does not happen have no line.
        {"stops at a failing step",
         {"--timings", "--invert", "--hide-layer", "3", "--invert"},
         {"open", "invert"},
         kCliFileError},
        {"off unless asked", {"--invert"}, {}, kCliSuccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"edit", "@grey200.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", "@out.png"});
        ASSERT_EQ(run(args), c.status) << err.str();
        const std::string text = err.str();
        std::istringstream lines(text);
        std::vector<std::string> phases;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("timing ", 0) != 0) continue;
            std::istringstream fields(line.substr(7));
            std::string phase, seconds, rest;
            fields >> phase >> seconds;
            EXPECT_FALSE(fields >> rest) << line;
            char* end = nullptr;
            const double value = std::strtod(seconds.c_str(), &end);
            EXPECT_TRUE(!seconds.empty() && *end == '\0' && value >= 0 && value < 60) << line;
            phases.push_back(phase);
        }
        EXPECT_EQ(phases, c.phases);
        if (c.status == kCliSuccess) {
            // Only the timing lines were written, and the picture is what the steps make.
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(c.phases.size()));
            EXPECT_EQ(text.empty(), c.phases.empty());
            EXPECT_TRUE(fs::exists(file("out.png")));
        }
        fs::remove(file("out.png"));
    }
    ASSERT_EQ(run({"edit", "@grey200.png", "--timings", "--invert", "-o", "@out.png"}),
              kCliSuccess);
    EXPECT_EQ(pixel("out.png", 1, 1).first, grey(55));
}

// The program itself: exit statuses and the standard streams.
TEST_F(Cli, TheProgramExitsWithTheStatusOfTheRun) {
    const std::string program = std::string(VARNEL_BINARY_DIR) + "/src/cli/varnel-cli";
    if (!fs::exists(program)) GTEST_SKIP() << "varnel-cli not built at " << program;
    struct Case {
        std::string args;
        int status;
        std::string stderrStart;
    } cases[] = {
        {"--help", 0, ""},
        {"info '" + file("missing.png") + "'", 1, "Cannot open file"},
        {"convert '" + file("grey200.png") + "'", 2, "varnel-cli: bad argument"},
        {"convert '" + file("grey200.png") + "' '" + file("c.bmp.png") + "'", 0, ""},
    };
    for (const Case& c : cases) {
        const std::string errFile = file("stderr.txt");
        const std::string command =
            "'" + program + "' " + c.args + " >/dev/null 2>'" + errFile + "'";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw)) << c.args;
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
        std::ifstream in(errFile);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        EXPECT_EQ(text.rfind(c.stderrStart, 0), 0u) << text;
        if (c.stderrStart.empty()) {
            EXPECT_TRUE(text.empty()) << text;
        }
    }
}

}  // namespace
}  // namespace varnel
