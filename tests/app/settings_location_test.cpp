#include "app/settings_location.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/product_info.h"
#include "test_files.h"

namespace varnel {
namespace {

using test::TempDir;
using test::writeFile;

TEST(SettingsLocation, VersionSplitsAtDotsAndCommas) {
    struct Case {
        const char* version;
        std::pair<int, int> expected;
    } cases[] = {
        {"1.0.0.1", {1, 0}},
        {"2.5.3.1234", {2, 5}},
        {"3, 14, 0, 7", {3, 14}},
        {"4.2,0.9", {4, 2}},
        {"1.0", {0, 0}},  // not four parts
        {"1.2.3", {0, 0}},
        {"1.2.3.4.5", {0, 0}},
        {"1.2.3.4.", {0, 0}},  // an empty fifth part
        {".1.2.3", {0, 1}},    // an empty first part counts as 0
        {"x.7.0.0", {0, 7}},
        {"99999999999.1.0.0", {0, 1}},
        {"", {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(productVersionMajorMinor(c.version), c.expected);
    }
    // The build's own version has the four parts the folder name needs.
    const std::string version = productVersion();
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3);
    EXPECT_FALSE(productName().empty());
}

TEST(SettingsLocation, UninstallerDataMarksAnInstall) {
    struct Case {
        const char* name;  // empty: nothing beside the program
        bool folder;
        bool installed;
    } cases[] = {
        {"", false, false},
        {"unins000.dat", false, true},
        {"UNINS001.DAT", false, true},
        {"unins00.dat", false, false},
        {"unins0000.dat", false, false},
        {"xunins000.dat", false, false},
        {"unins000.dat", true, false},
        {"unins000.exe", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFile(dir.file("varnel"), "program");
        if (*c.name) {
            if (c.folder)
                test::fs::create_directory(dir.path() / c.name);
            else
                writeFile(dir.file(c.name), "");
        }
        EXPECT_EQ(isInstalledProgramDirectory(dir.path().string()), c.installed);
    }
}

TEST(SettingsLocation, UnwritableProgramFolderCountsAsInstalled) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    int result = test::runUnprivileged(
        [&] { return isInstalledProgramDirectory(dir.path().string()) ? 1 : 0; });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(result, 1);
}

TEST(SettingsLocation, FolderAndFileName) {
    TempDir portable, installed;
    writeFile(installed.file("unins000.dat"), "");
    const std::string p = portable.path().string(), i = installed.path().string();
    struct Case {
        const char* what;
        std::string programDir;
        std::optional<std::string> xdg, home;
        const char* version;
        bool installed;
        std::string file;
    } cases[] = {
        {"portable", p, "/cfg", "/home/u", "1.0.0.1", false, p + "/VLSettings.xml"},
        {"portable, folder with slash", p + "/", std::nullopt, std::nullopt, "1.0.0.1", false,
         p + "/VLSettings.xml"},
        {"installed, XDG folder", i, "/cfg", "/home/u", "1.0.0.1", true,
         "/cfg/Orvane/Varnel/1.0/Settings.xml"},
        {"installed, XDG folder with slash", i, "/cfg/", "/home/u", "2.7.0.3", true,
         "/cfg/Orvane/Varnel/2.7/Settings.xml"},
        {"installed, no XDG folder", i, std::nullopt, "/home/u", "1.0.0.1", true,
         "/home/u/.config/Orvane/Varnel/1.0/Settings.xml"},
        {"installed, empty XDG folder", i, "", "/home/u/", "1.0.0.1", true,
         "/home/u/.config/Orvane/Varnel/1.0/Settings.xml"},
        {"installed, relative XDG folder is ignored", i, "cfg", "/home/u", "1.0.0.1", true,
         "/home/u/.config/Orvane/Varnel/1.0/Settings.xml"},
        {"installed, short version", i, "/cfg", "/home/u", "1.0", true,
         "/cfg/Orvane/Varnel/0.0/Settings.xml"},
        {"installed, no configuration folder at all", i, std::nullopt, std::nullopt, "1.0.0.1",
         true, i + "/Data/Settings.xml"},
        {"installed, relative home", i, std::nullopt, "home", "1.0.0.1", true,
         i + "/Data/Settings.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsLocation loc = locateSettings({c.programDir, c.xdg, c.home, "Varnel", c.version});
        EXPECT_EQ(loc.installed, c.installed);
        EXPECT_EQ(loc.filePath, c.file);
        EXPECT_EQ(loc.dataDirectory + (c.installed ? "Settings.xml" : "VLSettings.xml"), c.file);
    }
}

TEST(SettingsLocation, CreateDataDirectory) {
    TempDir dir;
    EXPECT_TRUE(createDataDirectory(dir.file("a/b/c/")));
    EXPECT_TRUE(test::fs::is_directory(dir.path() / "a/b/c"));
    EXPECT_TRUE(createDataDirectory(dir.file("a/b/c/")));  // already there
    writeFile(dir.file("file"), "");
    EXPECT_FALSE(createDataDirectory(dir.file("file/sub/")));
    EXPECT_FALSE(createDataDirectory(dir.file("file")));
}

TEST(SettingsLocation, ProgramDirectoryIsThisTestsFolder) {
    std::string dir = programDirectory();
    EXPECT_TRUE(test::fs::exists(test::fs::path(dir) / "test_app"));
}

}  // namespace
}  // namespace varnel
