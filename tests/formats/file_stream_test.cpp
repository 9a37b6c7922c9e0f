#include "formats/file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "test_files.h"

namespace varnel {
namespace {

using testing_files::readBytes;
using testing_files::ScratchFolder;
using testing_files::writeBytes;

TEST(FileStream, ReadsSeeksAndReportsTheEnd) {
    ScratchFolder dir;
    const std::string path = dir.file("ten.bin");
    writeBytes(path, "0123456789");
    FileStream s;
    ASSERT_TRUE(s.openForRead(path));
    EXPECT_FALSE(s.isWriting());
    EXPECT_EQ(s.size(), 10u);
    char out[16] = {};
    EXPECT_EQ(s.read(out, 4, 3), 2u);  // 10 bytes: two whole elements
    EXPECT_EQ(s.tell(), 10u);
    EXPECT_TRUE(s.isEof());
    EXPECT_EQ(s.readByte(), -1);
    EXPECT_FALSE(s.isBad());

    ASSERT_TRUE(s.seek(-3, SeekEnd));
    EXPECT_EQ(s.readByte(), '7');
    ASSERT_TRUE(s.seek(-2, SeekCurrent));
    EXPECT_EQ(s.readByte(), '6');
    EXPECT_TRUE(s.seekToEnd());  // a file, unlike memory, can sit at its end
    EXPECT_TRUE(s.isEof());
    // Past the end is allowed, and then the stream is bad.
    EXPECT_TRUE(s.seekTo(20));
    EXPECT_TRUE(s.isBad());
    EXPECT_EQ(s.read(out, 1, 1), 0u);
    EXPECT_FALSE(s.seek(-1, SeekBegin));
    EXPECT_FALSE(s.seek(int64_t(1) << 32, SeekBegin));
    EXPECT_FALSE(s.seek(0, 7));
    EXPECT_EQ(s.tell(), 20u);
    EXPECT_EQ(s.write("x", 1, 1), 0u);  // opened for reading
}

TEST(FileStream, SmallAndLargeReadsAnywhereInABigFile) {
    ScratchFolder dir;
    const std::string path = dir.file("big.bin");
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 131) ^ (i >> 9));
    writeBytes(path, bytes);
    FileStream s;
    ASSERT_TRUE(s.openForRead(path));
    // Reads within, across and past the stream's read-ahead, forwards and backwards.
    struct Case {
        uint32_t position, length;
    } cases[] = {{0, 3},      {3, 1},         {65530, 20}, {10, 100000}, {199990, 50},
                 {65536, 1},  {131000, 1000}, {70000, 3},  {69990, 5},   {0, 200000},
                 {199999, 1}, {100, 0},       {200000, 10}};
    for (const Case& c : cases) {
        ASSERT_TRUE(s.seekTo(c.position));
        std::string out(c.length, '\0');
        const uint32_t expected = std::min<uint32_t>(
            c.length, uint32_t(bytes.size()) - std::min<uint32_t>(c.position, 200000));
        EXPECT_EQ(s.read(out.data(), 1, c.length), expected) << c.position << "+" << c.length;
        EXPECT_EQ(out.substr(0, expected), bytes.substr(c.position, expected))
            << c.position << "+" << c.length;
        EXPECT_EQ(s.tell(), c.position + expected);
    }
    ASSERT_TRUE(s.seekTo(5));
    for (uint32_t i = 5; i < 70000; ++i) {
        if (s.readByte() != uint8_t(bytes[i])) FAIL() << "byte " << i;
    }
}

TEST(FileStream, OpeningTwiceFailsAndKeepsTheOpenFile) {
    ScratchFolder dir;
    writeBytes(dir.file("a"), "A");
    writeBytes(dir.file("b"), "B");
    FileStream s;
    ASSERT_TRUE(s.openForRead(dir.file("a")));
    EXPECT_FALSE(s.openForRead(dir.file("b")));
    EXPECT_FALSE(s.openForWrite(dir.file("b")));
    EXPECT_EQ(s.readByte(), 'A');
    EXPECT_TRUE(s.close());
    EXPECT_FALSE(s.close());
    EXPECT_TRUE(s.isBad());
    EXPECT_EQ(readBytes(dir.file("b")), "B");
}

TEST(FileStream, OpenForReadRefusesWhatIsNotARegularFile) {
    ScratchFolder dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const std::string cases[] = {dir.file("missing"), dir.path().string(), dir.file("pipe"), ""};
    for (const std::string& path : cases) {
        FileStream s;
        EXPECT_FALSE(s.openForRead(path)) << path;  // a FIFO must not block here either
        EXPECT_FALSE(s.isOpen());
    }
}

TEST(FileStream, OpenForReadRefusesFilesOf4GiBAndMore) {
    ScratchFolder dir;
    const std::string path = dir.file("huge.bin");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    // Sparse: takes no disk space. A 32-bit size would read as 16 bytes.
    ASSERT_EQ(::ftruncate(fd, (off_t(1) << 32) + 16), 0);
    ::close(fd);
    FileStream s;
    EXPECT_FALSE(s.openForRead(path));
}

TEST(FileStream, CommittedWriteReplacesTheTargetAndKeepsItsPermissions) {
    ScratchFolder dir;
    const std::string path = dir.file("out.bin");
    writeBytes(path, "old contents that are longer");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    FileStream s;
    ASSERT_TRUE(s.openForWrite(path));
    EXPECT_TRUE(s.isWriting());
    EXPECT_EQ(s.write("new!", 2, 2), 2u);
    // A write stream can read back and patch what it wrote.
    ASSERT_TRUE(s.seekTo(1));
    EXPECT_EQ(s.readByte(), 'e');
    EXPECT_TRUE(s.writeByte('W'));
    EXPECT_EQ(s.size(), 4u);
    EXPECT_TRUE(s.flush());
    EXPECT_EQ(readBytes(path), "old contents that are longer");  // untouched until commit
    EXPECT_TRUE(s.commit());
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(readBytes(path), "neW!");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.bin"});
    EXPECT_FALSE(s.commit());  // nothing left to commit
}

// A large block reaches the file whole and in place, however the stream splits it up.
TEST(FileStream, LargeWritesLandWholeAtTheirPosition) {
    ScratchFolder dir;
    const std::string path = dir.file("large.bin");
    std::string block(700001, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 131 + i / 4093);
    FileStream s;
    ASSERT_TRUE(s.openForWrite(path));
    EXPECT_EQ(s.write("head", 1, 4), 4u);
    EXPECT_EQ(s.write(block.data(), 1, uint32_t(block.size())), block.size());
    EXPECT_EQ(s.tell(), 4 + block.size());
    // Elements of several bytes count whole elements.
    EXPECT_EQ(s.write(block.data(), 7, 100000), 100000u);
    ASSERT_TRUE(s.commit());
    EXPECT_EQ(readBytes(path), "head" + block + block.substr(0, 700000));
}

TEST(FileStream, NewFileIsCreatedOnlyOnCommit) {
    ScratchFolder dir;
    const std::string path = dir.file("new.bin");
    FileStream s;
    ASSERT_TRUE(s.openForWrite(path));
    EXPECT_TRUE(s.writeByte('x'));
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(s.commit());
    EXPECT_EQ(readBytes(path), "x");
}

// Only a commit that replaces a file syncs it: the user's original must not be swapped for data
// still in memory when the system goes down; a new file has nothing to lose.
TEST(FileStream, CommitSyncsOnlyWhenItReplacesAFile) {
    struct Case {
        const char* name;
        bool existing;  // a file with the target's name is there before the save
        bool link;      // the save goes through a symbolic link to it
        bool shortWrite;
        bool committed;
        uint64_t syncs;
    };
    const Case cases[] = {
        {"new file", false, false, false, true, 0},
        {"replaced file", true, false, false, true, 1},
        {"replaced through a link", true, true, false, true, 1},
        {"failed write over a file", true, false, true, false, 0},
        {"failed write of a new file", false, false, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const std::string real = dir.file("real.bin");
        if (c.existing) writeBytes(real, "original");
        std::string path = real;
        if (c.link) {
            path = dir.file("link.bin");
            std::filesystem::create_symlink("real.bin", path);
        }
        FileStream s;
        ASSERT_TRUE(s.openForWrite(path));
        if (c.shortWrite) {
            ASSERT_TRUE(s.seekTo(0xFFFFFFF0u));
        }
        const uint32_t wanted = c.shortWrite ? 19 : 3;
        EXPECT_EQ(s.write("new0123456789abcdef", 1, wanted) == wanted, !c.shortWrite);
        const uint64_t before = FileStream::dataSyncs();
        EXPECT_EQ(s.commit(), c.committed);
        EXPECT_EQ(FileStream::dataSyncs() - before, c.syncs);
        if (c.committed) {
            EXPECT_EQ(readBytes(real), "new");
        } else if (c.existing) {
            EXPECT_EQ(readBytes(real), "original");
        } else {
            EXPECT_FALSE(std::filesystem::exists(real));
        }
        EXPECT_EQ(dir.entries().size(), c.link ? 2u : (c.existing || c.committed ? 1u : 0u));
    }
}

TEST(FileStream, UncommittedWriteLeavesTheOldFileByteIdentical) {
    ScratchFolder dir;
    const std::string path = dir.file("keep.bin");
    std::string old(5000, '\0');
    for (size_t i = 0; i < old.size(); ++i) old[i] = char(i * 7);
    writeBytes(path, old);
    {
        FileStream s;
        ASSERT_TRUE(s.openForWrite(path));
        EXPECT_EQ(s.write("partial", 1, 7), 7u);
        EXPECT_TRUE(std::filesystem::exists(s.temporaryPath()));
        EXPECT_TRUE(s.close());  // closing without commit discards the write
    }
    {
        FileStream s;
        ASSERT_TRUE(s.openForWrite(path));
        EXPECT_EQ(s.write("partial", 1, 7), 7u);
    }  // so does destruction
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.bin"});
}

TEST(FileStream, ShortWriteMakesCommitFail) {
    ScratchFolder dir;
    const std::string path = dir.file("target.bin");
    writeBytes(path, "original");
    FileStream s;
    ASSERT_TRUE(s.openForWrite(path));
    // Positions stop short of 4 GiB: a write reaching past it comes up short (the file is sparse).
    ASSERT_TRUE(s.seekTo(0xFFFFFFF0u));
    EXPECT_EQ(s.write("0123456789abcdefXYZ", 1, 19), 15u);
    EXPECT_FALSE(s.commit());
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(readBytes(path), "original");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"target.bin"});
}

TEST(FileStream, OpenForWriteFailsWhereNoFileCanBeCreated) {
    ScratchFolder dir;
    std::filesystem::create_directory(dir.file("sub"));
    const std::string cases[] = {dir.file("no/such/folder.bin"), dir.file("sub"), ""};
    for (const std::string& path : cases) {
        FileStream s;
        EXPECT_FALSE(s.openForWrite(path)) << path;
        EXPECT_FALSE(s.isOpen());
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
}

TEST(FileStream, OpenForWriteRespectsPermissions) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    ScratchFolder dir;
    const std::string readOnly = dir.file("read-only.bin");
    writeBytes(readOnly, "keep");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    FileStream s;
    EXPECT_FALSE(s.openForWrite(readOnly));

    std::filesystem::create_directory(dir.file("locked"));
    ASSERT_EQ(chmod(dir.file("locked").c_str(), 0555), 0);
    EXPECT_FALSE(s.openForWrite(dir.file("locked/new.bin")));
    EXPECT_EQ(readBytes(readOnly), "keep");
}

TEST(FileStream, WritingThroughASymbolicLinkReplacesItsTarget) {
    ScratchFolder dir;
    writeBytes(dir.file("real.bin"), "old");
    std::filesystem::create_symlink("real.bin", dir.file("link.bin"));
    FileStream s;
    ASSERT_TRUE(s.openForWrite(dir.file("link.bin")));
    EXPECT_EQ(s.write("new", 1, 3), 3u);
    ASSERT_TRUE(s.commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.bin")));
    EXPECT_EQ(readBytes(dir.file("real.bin")), "new");
}

}  // namespace
}  // namespace varnel
