// Saving and loading the settings file itself: atomic replacement, failures that must leave the
// previous file alone, and files that are not what they should be.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "app/app_settings.h"
#include "test_files.h"

namespace varnel {
namespace {

using test::entries;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::ElementsAre;

AppSettings someSettings(int historyStates) {
    AppSettings s;
    s.nb_history_states = historyStates;
    s.recent_files = {"/pictures/one.png", "/pictures/two.jpg"};
    return s;
}

TEST(SettingsFile, SaveThenLoad) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.file("Settings.xml");
    ASSERT_TRUE(someSettings(33).save(path));
    EXPECT_THAT(entries(dir.path()), ElementsAre("Settings.xml"));  // no temporary file left
    AppSettings loaded;
    ASSERT_TRUE(loaded.load(path));
    EXPECT_TRUE(loaded.loaded());
    EXPECT_EQ(loaded.nb_history_states, 33);
    EXPECT_THAT(loaded.recent_files, ElementsAre("/pictures/one.png", "/pictures/two.jpg"));
}

TEST(SettingsFile, SaveReplacesTheFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("Settings.xml");
    writeFile(path, "old contents");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(someSettings(44).save(path));
    EXPECT_EQ(readFile(path), someSettings(44).toXml());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_THAT(entries(dir.path()), ElementsAre("Settings.xml"));
}

TEST(SettingsFile, SaveThroughASymbolicLinkKeepsTheLink) {
    TempDir dir;
    test::fs::create_directory(dir.path() / "dotfiles");
    const std::string real = dir.file("dotfiles/Settings.xml");
    const std::string link = dir.file("Settings.xml");
    writeFile(real, "old");
    test::fs::create_symlink("dotfiles/Settings.xml", link);
    ASSERT_TRUE(someSettings(55).save(link));
    EXPECT_TRUE(test::fs::is_symlink(link));
    EXPECT_EQ(readFile(real), someSettings(55).toXml());
    EXPECT_THAT(entries(dir.path() / "dotfiles"), ElementsAre("Settings.xml"));
}

TEST(SettingsFile, SaveFailuresLeaveNothingBehind) {
    TempDir dir;
    // A folder where the file should be: it must not be replaced.
    test::fs::create_directory(dir.path() / "Settings.xml");
    writeFile(dir.file("Settings.xml/inside"), "x");
    EXPECT_FALSE(someSettings(1).save(dir.file("Settings.xml")));
    EXPECT_EQ(readFile(dir.file("Settings.xml/inside")), "x");
    // A missing folder, and a path through a file.
    EXPECT_FALSE(someSettings(1).save(dir.file("missing/Settings.xml")));
    writeFile(dir.file("plain"), "p");
    EXPECT_FALSE(someSettings(1).save(dir.file("plain/Settings.xml")));
    EXPECT_FALSE(someSettings(1).save(""));
    EXPECT_THAT(entries(dir.path()), ElementsAre("Settings.xml", "plain"));
}

TEST(SettingsFile, UnwritableFolderKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.file("Settings.xml");
    ASSERT_TRUE(someSettings(10).save(path));
    const std::string before = readFile(path);
    ::chmod(path.c_str(), 0644);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    int result = test::runUnprivileged([&] { return someSettings(90).save(path) ? 1 : 0; });
    ::chmod(dir.path().c_str(), 0755);
    ASSERT_NE(result, -1) << "could not run the save without privileges";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_THAT(entries(dir.path()), ElementsAre("Settings.xml"));
}

// The file size limit makes the write itself fail part-way, for any user.
TEST(SettingsFile, FailingWriteKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.file("Settings.xml");
    ASSERT_TRUE(someSettings(10).save(path));
    const std::string before = readFile(path);

    AppSettings big = someSettings(90);
    for (int i = 0; i < 16; ++i) big.recent_files.push_back("/long/" + std::string(200, 'a' + i));
    ASSERT_GT(big.toXml().size(), 2048u);

    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = big.save(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(path), before);
    EXPECT_THAT(entries(dir.path()), ElementsAre("Settings.xml"));
}

TEST(SettingsFile, LoadRefusesWhatIsNotASmallRegularFile) {
    TempDir dir;
    writeFile(dir.file("big.xml"), "");
    test::fs::resize_file(dir.file("big.xml"), kMaxSettingsFileBytes + 1);  // sparse: cheap
    test::fs::create_directory(dir.path() / "folder.xml");
    ASSERT_EQ(::mkfifo(dir.file("pipe.xml").c_str(), 0644), 0);
    for (const char* name : {"missing.xml", "big.xml", "folder.xml", "pipe.xml"}) {
        SCOPED_TRACE(name);
        AppSettings s;
        s.nb_history_states = 42;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(s.load(dir.file(name)));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_FALSE(s.loaded());
        EXPECT_EQ(s.nb_history_states, 42);
    }
}

}  // namespace
}  // namespace varnel
