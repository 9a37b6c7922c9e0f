// The command-line reference: --help lists every catalogue record and step with an example that
// runs as printed, and the manual page made from it keeps every entry and reads cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "cli/edit_steps.h"
#include "cli/man_page.h"
#include "cli/step_examples.h"
#include "commands/catalogue.h"
#include "formats/image_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

TEST(CliReference, ListsEveryRecordAndStepWithItsExample) {
    const std::string help = cliHelp();
    int records = 0;
    for (const DocumentCommand& command : documentCommands()) {
        if (command.option.empty()) continue;
        ++records;
        const std::string entry =
            "\n  " + command.option + (command.syntax.empty() ? "" : " " + command.syntax) + "\n";
        EXPECT_NE(help.find(entry), std::string::npos) << command.option;
    }
    EXPECT_GT(records, 40);
    for (const StepInfo& step : editSteps()) {
        const std::string example = stepExampleCommand(step.name);
        ASSERT_FALSE(example.empty()) << step.name << " has no example";
        // The example uses its step, and is printed whole on one line.
        const std::vector<std::string> args = words(stepExample(step.name));
        EXPECT_NE(std::find(args.begin(), args.end(), step.name), args.end()) << example;
        EXPECT_NE(help.find("      e.g. " + example + "\n"), std::string::npos) << example;
    }
    EXPECT_TRUE(stepExample("--no-such-step").empty());
}

// Every example of the reference, run on a picture as a user would copy it.
class CliExamples : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / ("varnel-examples-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        writePicture(kExampleInput, 100, 80, false);
        writePicture(kExampleLayerPicture, 40, 30, true);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A picture with smooth gradients and flat patches, so that selections by colour, Trim and
    // the adjustments all have something to work on.
    void writePicture(const std::string& name, int32_t w, int32_t h, bool alpha) {
        PngImageFile png;
        ASSERT_TRUE(png.pixels().color.createColor(w, h));
        if (alpha) {
            ASSERT_TRUE(png.pixels().alpha.createGray(w, h));
        }
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const bool patch = x < w / 3 && y < h / 3;
                png.pixels().color.pixels(y)[x] =
                    patch ? Bgr{40, 40, 200}
                          : Bgr{uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x + y) % 256)};
                if (alpha) png.pixels().alpha.row(y)[x] = uint8_t(x * 255 / w);
            }
        }
        ASSERT_TRUE(png.saveToFile((dir / name).string()));
    }

    fs::path dir;
};

TEST_F(CliExamples, EveryExampleRunsAsPrinted) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    for (const StepInfo& step : editSteps()) {
        fs::remove(dir / kExampleOutput);
        std::vector<std::string> args = words(stepExampleCommand(step.name));
        ASSERT_GE(args.size(), 5u) << step.name;
        ASSERT_EQ(args[0], "varnel-cli");
        args.erase(args.begin());
        std::ostringstream out, err;
        EXPECT_EQ(runCli(args, out, err), kCliSuccess) << step.name << ": " << err.str();
        EXPECT_TRUE(fs::exists(dir / kExampleOutput)) << step.name;
    }
    fs::current_path(previous);
}

TEST(ManPage, FollowsTheLayoutOfTheHelp) {
    const std::string help =
        "Usage: tool [OPTION]... FILE\n"
        "Does things to FILE.\n"
        "\n"
        "Options:\n"
        "  -h, --help      show this help\n"
        "      --level N   sets the level\n"
        "  --step X,Y\n"
        "      moves by X,Y; a backslash \\ stays\n"
        "      e.g. tool --step 1,2 in.png\n"
        ".dot at the start of a line\n"
        "\n"
        "Exit status: 0 success.\n";
    const std::string page =
        manPageFromHelp({"tool", "does things", "Tool 1.0", "2026-01-01", {"other(1)"}}, help);
    const char* expected[] = {
        ".TH \"TOOL\" \"1\" \"2026-01-01\" \"Tool 1.0\" \"User Commands\"\n",
        ".SH NAME\ntool \\- does things\n",
        ".SH SYNOPSIS\ntool [OPTION]... FILE\n",
        ".SH DESCRIPTION\n.PP\nDoes things to FILE.\n",
        ".SH OPTIONS\n.TP\n\\fB\\-h,\\fR \\fB\\-\\-help\\fR\nshow this help\n",
        ".TP\n\\fB\\-\\-level\\fR \\fIN\\fR\nsets the level\n",
        ".TP\n\\fB\\-\\-step\\fR \\fIX,Y\\fR\nmoves by X,Y; a backslash \\e stays\n",
        ".br\n.nf\ne.g. tool \\-\\-step 1,2 in.png\n.fi\n",
        ".PP\n\\&.dot at the start of a line\n",
        ".SH EXIT STATUS\n.PP\n0 success.\n",
        ".SH SEE ALSO\n.BR other (1)\n",
    };
    for (const char* part : expected) EXPECT_NE(page.find(part), std::string::npos) << part << page;
}

// The page the build made for varnel-cli: every step in it, and groff reads it without a
// warning.
TEST(ManPage, BuiltPageListsEveryStepAndRendersCleanly) {
    const std::string path = VARNEL_CLI_MAN_PAGE;
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::stringstream page;
    page << in.rdbuf();
    for (const StepInfo& step : editSteps()) {
        std::string escaped;
        for (char c : step.name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.str().find(".TP\n\\fB" + escaped + "\\fR"), std::string::npos) << step.name;
    }
    if (std::system("command -v groff >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "groff is not installed; the page's rendering is not checked";
    }
    const std::string command = "groff -man -Tutf8 -ww -z '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string warnings;
    char buffer[512];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        warnings.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(warnings, "");
}

}  // namespace
}  // namespace varnel
