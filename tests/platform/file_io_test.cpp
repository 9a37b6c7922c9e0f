// Whole-file replacement and bounded reading: what a failure must leave behind (the original byte
// for byte, no temporary file) and the reasons it gives.
#include "platform/file_io.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "../app/test_files.h"

namespace varnel::platform {
namespace {

using test::entries;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs `fn` with the file size limit at `bytes`, so that writes past it fail for any user.
template <typename F>
auto withFileSizeLimit(rlim_t bytes, F fn) {
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit small = old;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    auto result = fn();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    return result;
}

TEST(ReplaceFile, ReplacesWhereTheNameLeads) {
    struct Case {
        const char* name;
        const char* original;  // null: no file yet
        const char* link;      // a symbolic link at the path to this target, or null
        mode_t mode;           // the original's permissions
    };
    const Case cases[] = {
        {"new file", nullptr, nullptr, 0},
        {"existing file keeps its permissions", "old", nullptr, 0640},
        {"link to a file", "old", "real/settings.xml", 0600},
        {"link to a file not there yet", nullptr, "real/settings.xml", 0},
        {"chain of links", "old", "second-link", 0604},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directory(dir.path() / "real");
        const std::string path = dir.file("settings.xml");
        std::string real = path;
        if (c.link) {
            if (std::string(c.link) == "second-link") {
                fs::create_symlink("real/settings.xml", dir.file("second-link"));
            }
            fs::create_symlink(c.link, path);
            real = dir.file("real/settings.xml");
        }
        if (c.original) {
            writeFile(real, c.original);
            ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
        }
        std::string reason = "stale";
        ASSERT_TRUE(replaceFile(path, "new contents", &reason));
        EXPECT_EQ(reason, "stale");  // untouched on success
        EXPECT_EQ(readFile(real), "new contents");
        if (c.original) {
            EXPECT_EQ(modeOf(real), c.mode);
        }
        if (c.link) {
            EXPECT_TRUE(fs::is_symlink(path));
        }
        EXPECT_THAT(entries(dir.path() / "real"),
                    ElementsAreArray(c.link ? std::vector<std::string>{"settings.xml"}
                                            : std::vector<std::string>{}));
    }
}

// Every refusal leaves the original byte for byte, removes its temporary file and says why.
TEST(ReplaceFile, FailuresKeepTheOriginalAndSayWhy) {
    std::string original(5000, '\0');
    for (size_t i = 0; i < original.size(); ++i) original[i] = char(i * 13);
    const std::string big(4096, 'x');

    struct Case {
        const char* name;
        std::function<bool(const std::string& path, std::string& reason)> save;
        const char* reason;
    };
    const Case cases[] = {
        {"the write fails part-way",
         [&](const std::string& path, std::string& reason) {
             return withFileSizeLimit(1024, [&] { return replaceFile(path, big, &reason); });
         },
         "file too large"},
        {"the folder may not be written",
         [&](const std::string& path, std::string& reason) {
             const std::string folder = fs::path(path).parent_path().string();
             ::chmod(folder.c_str(), 0555);
             const int r = test::runUnprivileged([&] {
                 std::string why;
                 const bool ok = replaceFile(path, big, &why);
                 return ok ? 0 : why == "permission denied" ? 1 : 2;
             });
             ::chmod(folder.c_str(), 0755);
             reason = r == 1 ? "permission denied" : "unexpected result " + std::to_string(r);
             return r == 0;
         },
         "permission denied"},
        {"the file may not be written",
         [&](const std::string& path, std::string& reason) {
             ::chmod(path.c_str(), 0444);
             const int r = test::runUnprivileged([&] {
                 std::string why;
                 const bool ok = replaceFile(path, big, &why);
                 return ok ? 0 : why == "permission denied" ? 1 : 2;
             });
             ::chmod(path.c_str(), 0644);
             reason = r == 1 ? "permission denied" : "unexpected result " + std::to_string(r);
             return r == 0;
         },
         "permission denied"},
        {"discarded by the writer",
         [&](const std::string& path, std::string& reason) {
             FileReplacement file;
             if (!file.open(path) || !file.write(big)) return true;
             const bool tempThere = fs::exists(file.temporaryPath());
             file.discard();
             reason = tempThere ? "discarded" : "no temporary file while writing";
             return false;
         },
         "discarded"},
        {"a failed write reported through fd()",
         [&](const std::string& path, std::string& reason) {
             FileReplacement file;
             if (!file.open(path)) return true;
             file.markFailed(ENOSPC);
             const bool ok = file.commit();
             reason = file.failure();
             return ok;
         },
         "disk full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("picture.bmp");
        writeFile(path, original);
        std::string reason;
        EXPECT_FALSE(c.save(path, reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(readFile(path), original);
        EXPECT_THAT(entries(dir.path()), ElementsAre("picture.bmp"));
    }
}

TEST(ReplaceFile, RefusesWhatCannotBeReplaced) {
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    writeFile(dir.file("folder/inside"), "x");
    writeFile(dir.file("plain"), "p");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.file("folder"), "is a folder"},
        {dir.file("missing/file"), "no such file or folder"},
        {dir.file("plain/file"), "a part of the path is not a folder"},
        {"/dev/null", "not a regular file"},
        {"", "no file name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string reason;
        EXPECT_FALSE(replaceFile(c.path, "data", &reason));
        EXPECT_EQ(reason, c.reason);
    }
    EXPECT_EQ(readFile(dir.file("folder/inside")), "x");
    EXPECT_THAT(entries(dir.path()), ElementsAre("folder", "plain"));
}

TEST(ReplaceFile, SyncsOnlyWhenItReplacesAFile) {
    TempDir dir;
    const std::string path = dir.file("f");
    uint64_t before = fileDataSyncs();
    ASSERT_TRUE(replaceFile(path, "first"));
    EXPECT_EQ(fileDataSyncs() - before, 0u);
    before = fileDataSyncs();
    ASSERT_TRUE(replaceFile(path, "second"));
    EXPECT_EQ(fileDataSyncs() - before, 1u);
}

TEST(ReadRegularFile, ReadsUpToTheCap) {
    TempDir dir;
    writeFile(dir.file("f"), "12345");
    std::string out = "stale";
    EXPECT_TRUE(readRegularFile(dir.file("f"), 5, out));
    EXPECT_EQ(out, "12345");
    std::string reason;
    EXPECT_FALSE(readRegularFile(dir.file("f"), 4, out, &reason));
    EXPECT_EQ(out, "");
    EXPECT_EQ(reason, "file of 5 bytes exceeds the 4-byte limit");
    writeFile(dir.file("empty"), "");
    EXPECT_TRUE(readRegularFile(dir.file("empty"), 4, out));
    EXPECT_EQ(out, "");
}

// What is not a regular file is refused at once: a pipe without a writer must not block.
TEST(ReadRegularFile, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0644), 0);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.file("missing"), "no such file or folder"},
        {dir.file("folder"), "is a folder"},
        {dir.file("pipe"), "not a regular file"},
        {"/dev/zero", "not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string out = "stale";
        std::string reason;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(readRegularFile(c.path, 1 << 20, out, &reason));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(out, "");
        EXPECT_EQ(reason, c.reason);
        uint64_t size = 1;
        EXPECT_EQ(openRegularFile(c.path, 1 << 20, size), -1);
        EXPECT_EQ(size, 0u);
    }
}

TEST(ReadRegularFile, UnreadableFileSaysSo) {
    TempDir dir;
    writeFile(dir.file("secret"), "s");
    ASSERT_EQ(::chmod(dir.file("secret").c_str(), 0200), 0);
    const int r = test::runUnprivileged([&] {
        std::string out, reason;
        return !readRegularFile(dir.file("secret"), 10, out, &reason) &&
                       reason == "permission denied"
                   ? 1
                   : 0;
    });
    ASSERT_NE(r, -1) << "could not run the read without privileges";
    EXPECT_EQ(r, 1);
}

}  // namespace
}  // namespace varnel::platform
