#include "app/command_line.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace varnel {
namespace {

using Action = EditorCommandLine::Action;
using Args = std::vector<std::string>;

struct Case {
    const char* what;
    Args args;
    Action action;
    Args files;
    const char* error = "";
};

TEST(EditorCommandLine, ReadsFilesOptionsAndQtOptions) {
    const Case cases[] = {
        {"no arguments", {}, Action::Run, {}},
        {"files in order", {"b.png", "a.jpg"}, Action::Run, {"b.png", "a.jpg"}},
        {"help", {"--help"}, Action::Help, {}},
        {"short help", {"a.png", "-h"}, Action::Help, {"a.png"}},
        {"version", {"--version"}, Action::Version, {}},
        {"the first of help and version wins", {"--version", "--help"}, Action::Version, {}},
        {"-- makes dashes files", {"--", "--help", "-x.png"}, Action::Run, {"--help", "-x.png"}},
        {"a lone dash is a file", {"-"}, Action::Run, {"-"}},
        // Qt reads its own options after this parser: they and their values are no files.
        {"Qt option with value",
         {"-platform", "offscreen", "a.png", "--style", "fusion"},
         Action::Run,
         {"a.png"}},
        {"Qt option with inline value", {"-style=fusion", "a.png"}, Action::Run, {"a.png"}},
        {"Qt flag", {"-reverse", "a.png"}, Action::Run, {"a.png"}},
        {"unknown long option", {"a.png", "--frobnicate"}, Action::Error, {}, "'--frobnicate'"},
        {"unknown short option", {"-v"}, Action::Error, {}, "'-v'"},
        {"an error before help is still an error",
         {"--bogus", "--help"},
         Action::Error,
         {},
         "'--bogus'"},
        {"Qt option without its value",
         {"a.png", "-platform"},
         Action::Error,
         {},
         "'-platform' needs a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditorCommandLine parsed = parseEditorCommandLine(c.args);
        EXPECT_EQ(parsed.action, c.action);
        if (c.action == Action::Error) {
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        } else {
            EXPECT_EQ(parsed.files, c.files);
            EXPECT_TRUE(parsed.error.empty());
        }
    }
}

TEST(EditorCommandLine, TextsNameTheProgramAndItsVersion) {
    EXPECT_TRUE(std::regex_match(versionText(), std::regex("varnel \\d+\\.\\d+\\.\\d+\\.\\d+\n")))
        << versionText();
    EXPECT_EQ(usageText().rfind("Usage: varnel ", 0), 0u);
    EXPECT_NE(usageText().find("--version"), std::string::npos);
    EXPECT_EQ(usageErrorText("unknown option '-v'"),
              "varnel: unknown option '-v'\nTry 'varnel --help' for more information.\n");
}

}  // namespace
}  // namespace varnel
