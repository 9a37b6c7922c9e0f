// Spoiled files, reader by reader: each is refused, and the reason says what is wrong with it.
// Every case starts from a small sound file of its format and spoils one thing: a side over the
// limit, a cut, a compression the reader does not know, or a header that claims far more than
// the file holds (which must be refused before the picture's memory is taken).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "bmp_fixtures.h"
#include "codec_fixtures.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/refusal.h"
#include "jpeg_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using testing_files::ScratchFolder;

void putLe16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void putBe16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
void putBe32(Bytes& b, size_t at, uint32_t v) {
    putBe16(b, at, v >> 16);
    putBe16(b, at + 2, v & 0xFFFF);
}

Bytes cut(Bytes b, size_t size) {
    b.resize(size);
    return b;
}

// A 10 × 10 24-bit BMP (374 bytes), spoiled by `spoil`.
Bytes bmp(const std::function<void(bmp_fixtures::BmpFields&)>& spoil = {}) {
    bmp_fixtures::BmpFields f;
    f.width = 10;
    f.height = 10;
    f.pixels.assign(32 * 10, 0x40);
    if (spoil) spoil(f);
    return f.file();
}

// An 8 × 8 RGB PNG; its header chunk's fields start at byte 16.
Bytes png() {
    fixtures::PngLayout s;
    s.width = 8, s.height = 8;
    s.rows.assign(8, Bytes(24, 0x80));
    return fixtures::writePng(s);
}

// A 16 × 16 colour JPEG.
Bytes jpeg() {
    return fixtures::writeJpeg(16, 16, 3,
                               [](int x, int y, int c) { return uint8_t(x * 16 + y + c); });
}

// Where the frame header's fields start (after its marker and length): precision, height,
// width.
size_t frameHeader(const Bytes& file) {
    for (size_t i = 2; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) return i + 4;
    }
    ADD_FAILURE() << "no frame header";
    return 0;
}

Bytes jpegSized(uint32_t width, uint32_t height) {
    Bytes b = jpeg();
    const size_t at = frameHeader(b);
    putBe16(b, at + 1, height);
    putBe16(b, at + 3, width);
    return b;
}

// An 8 × 8 GIF with a 2-colour table: screen size at byte 6, the image data's code size at 29.
Bytes gif() {
    fixtures::GifLayout g;
    g.width = 8, g.height = 8;
    g.globalColors = {{0, 0, 0}, {255, 255, 255}};
    fixtures::GifFrame f;
    f.width = 8, f.height = 8;
    for (int i = 0; i < 64; ++i) f.indices.push_back(uint8_t((i * 7 / 3) & 1));
    g.frames = {f};
    return fixtures::writeGif(g);
}

Bytes gifScreen(uint32_t width, uint32_t height) {
    Bytes b = gif();
    putLe16(b, 6, width);
    putLe16(b, 8, height);
    return b;
}

// An icon of one 4 × 4 32-bit bitmap entry (its header counts colour and mask rows), spoiled by
// `spoil`.
Bytes icon(const std::function<void(bmp_fixtures::BmpFields&)>& spoil = {}) {
    bmp_fixtures::BmpFields f;
    f.width = 4;
    f.height = 8;
    f.bitCount = 32;
    f.pixels.assign(4 * 4 * 4 + 4 * 4, 0x80);
    if (spoil) spoil(f);
    const Bytes entry = f.packed();
    Bytes b = {0, 0, 1, 0, 1, 0, 4, 4, 0, 0, 1, 0, 32, 0};
    for (uint32_t v : {uint32_t(entry.size()), 22u}) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    }
    b.insert(b.end(), entry.begin(), entry.end());
    return b;
}

struct Spoiled {
    const char* name;
    const char* file;  // its extension chooses the reader
    std::function<Bytes()> bytes;
    // The reason, or (when it starts with "...") a part of it.
    std::string reason;
};

TEST(SpoiledFiles, AreRefusedWithTheirReason) {
    const Spoiled cases[] = {
        // BMP
        {"bmp too wide", "wide.bmp", [] { return bmp([](auto& f) { f.width = 40000; }); },
         "width 40000 exceeds the 30000-pixel limit"},
        {"bmp too tall, rows top-down", "tall.bmp",
         [] { return bmp([](auto& f) { f.height = -40000; }); },
         "height 40000 exceeds the 30000-pixel limit"},
        {"bmp truncated", "cut.bmp", [] { return cut(bmp(), 300); },
         "truncated at byte 300 of 374"},
        {"bmp cut inside its header", "stub.bmp", [] { return cut(bmp(), 30); },
         "truncated at byte 30 of 54"},
        {"bmp bad compression", "jpeg-in.bmp",
         [] { return bmp([](auto& f) { f.compression = 4; }); }, "unsupported compression 4"},
        {"bmp run-length on the wrong depth", "rle.bmp",
         [] { return bmp([](auto& f) { f.compression = 1; }); },
         "RLE8 compression needs 8 bits per pixel, not 24"},
        {"bmp header larger than the file", "huge.bmp",
         [] { return bmp([](auto& f) { f.width = f.height = 20000; }); },
         "header claims a 1.1 GB image from a 374 byte file"},
        {"bmp run-length header larger than the file", "huge-rle.bmp",
         [] {
             return bmp([](auto& f) {
                 f.width = f.height = 20000;
                 f.bitCount = 8;
                 f.compression = 1;
                 f.palette.assign(256, Bgra{});
                 f.pixels = {0, 1};
             });
         },
         "header claims a 1.1 GB image from a 1080 byte file"},
        {"not a bmp", "text.bmp", [] { return Bytes(100, 'x'); }, "not a BMP file"},
        // PNG
        {"png too wide", "wide.png",
         [] {
             Bytes b = png();
             putBe32(b, 16, 40000);
             return b;
         },
         "width 40000 exceeds the 30000-pixel limit"},
        {"png truncated", "cut.png", [] { return cut(png(), png().size() - 20); },
         "...truncated at byte "},
        {"png bad compression", "packed.png",
         [] {
             Bytes b = png();
             b[26] = 1;
             return b;
         },
         "unsupported compression 1"},
        {"png header larger than the file", "huge.png",
         [] {
             Bytes b = png();
             putBe32(b, 16, 30000);
             putBe32(b, 20, 30000);
             return b;
         },
         "...header claims a 2.5 GB image from a "},
        {"not a png", "text.png", [] { return Bytes(100, 'x'); }, "not a PNG file"},
        // JPEG, through picture import
        {"jpeg too wide", "wide.jpg", [] { return jpegSized(40000, 16); },
         "width 40000 exceeds the 30000-pixel limit"},
        {"jpeg cut inside its headers", "cut.jpg", [] { return cut(jpeg(), 100); },
         "truncated at byte 100"},
        {"jpeg bad compression", "lossless.jpg",
         [] {
             Bytes b = jpeg();
             b[frameHeader(b) - 3] = 0xC3;
             return b;
         },
         "unsupported JPEG process: SOF type 0xc3"},
        {"jpeg header larger than the file", "huge.jpg", [] { return jpegSized(25000, 25000); },
         "...header claims a 1.7 GB image from a "},
        // GIF, through picture import
        {"gif too wide", "wide.gif", [] { return gifScreen(40000, 8); },
         "screen width 40000 exceeds the 30000-pixel limit"},
        {"gif truncated", "cut.gif", [] { return cut(gif(), gif().size() - 6); },
         "...truncated at byte "},
        {"gif impossible code size", "code.gif",
         [] {
             Bytes b = gif();
             b[29] = 13;
             return b;
         },
         "corrupt image data"},
        {"gif header larger than the file", "huge.gif", [] { return gifScreen(20000, 20000); },
         "...header claims a 1.1 GB image from a "},
        // ICO, through picture import
        {"ico too wide", "wide.ico", [] { return icon([](auto& f) { f.width = 40000; }); },
         "width 40000 exceeds the 30000-pixel limit"},
        {"ico truncated", "cut.ico", [] { return cut(icon(), 15); }, "truncated at byte 15 of 22"},
        {"ico bad compression", "odd.ico", [] { return icon([](auto& f) { f.compression = 4; }); },
         "unsupported compression 4"},
        {"ico header larger than the file", "huge.ico",
         [] {
             return icon([](auto& f) {
                 f.width = 2000;
                 f.height = 4000;
             });
         },
         "header claims a 15 MB image from a 142 byte file"},
    };
    ScratchFolder dir;
    for (const Spoiled& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = c.bytes();
        const std::string path = dir.file(c.file);
        testing_files::writeBytes(path, std::string(bytes.begin(), bytes.end()));
        std::unique_ptr<Document> doc;
        std::string reason;
        EXPECT_FALSE(openDocument(doc, path, nullptr, &reason));
        EXPECT_EQ(doc, nullptr);
        if (c.reason.rfind("...", 0) == 0) {
            EXPECT_NE(reason.find(c.reason.substr(3)), std::string::npos) << reason;
            EXPECT_FALSE(reason.empty());
        } else {
            EXPECT_EQ(reason, c.reason);
        }
    }
}

// Sides are checked against the one limit, from 1 to 30000, whatever the reader.
TEST(SpoiledFiles, SideLimitIsInclusive) {
    EXPECT_EQ(checkSides(30000, 1), "");
    EXPECT_EQ(checkSides(1, 30001), "height 30001 exceeds the 30000-pixel limit");
    EXPECT_EQ(checkSides(0, 5), "width 0 is invalid");
    EXPECT_EQ(checkSides(int64_t(1) << 40, 5), "width 1099511627776 exceeds the 30000-pixel limit");
}

TEST(SpoiledFiles, FilesThatAreNotThereOrNotFilesSaySo) {
    ScratchFolder dir;
    std::filesystem::create_directory(dir.file("folder.png"));
    testing_files::writeBytes(dir.file("notes.txt"), "x");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.file("missing.png"), "no such file or folder"},
        {dir.file("folder.png"), "is a folder"},
        {dir.file("notes.txt"), "not a format the editor opens"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Document> doc;
        std::string reason;
        EXPECT_FALSE(openDocument(doc, c.path, nullptr, &reason)) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }
}

// Runs `fn` in a child process with the rights of "nobody" when the tests run as root (so that
// permissions bind); returns fn's result, or -1 when the child could not run.
int asOrdinaryUser(const std::function<int()>& fn) {
    if (::geteuid() != 0) return fn();
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
        ::_exit(fn() & 0xFF);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// A failed save says why and leaves the file that was there byte for byte.
TEST(SpoiledFiles, SaveFailuresSayWhyAndKeepTheOriginal) {
    ScratchFolder dir;
    ::chmod(dir.path().c_str(), 0755);
    ColorImage pixels;
    fixtures::paint(pixels, 300, 200, fixtures::pattern);
    std::unique_ptr<Document> doc = Document::fromImage(pixels, nullptr, "picture.bmp");
    ASSERT_NE(doc, nullptr);
    const std::string original(1000, 'o');

    const struct {
        const char* name;
        std::string file;
        std::function<bool(std::string& reason)> save;
        const char* reason;
    } cases[] = {
        {"missing folder", "missing/picture.bmp", nullptr, "no such file or folder"},
        {"a folder in the way", "folder.bmp", nullptr, "is a folder"},
        {"a format that is not saved", "picture.gif", nullptr, "not a format the editor saves"},
        {"the file system's size limit", "picture.bmp",
         [&](std::string& reason) {
             struct rlimit old {};
             ::getrlimit(RLIMIT_FSIZE, &old);
             struct sigaction ignore {
             }, previous{};
             ignore.sa_handler = SIG_IGN;
             ::sigaction(SIGXFSZ, &ignore, &previous);
             struct rlimit small = old;
             small.rlim_cur = 4096;
             ::setrlimit(RLIMIT_FSIZE, &small);
             const bool ok = saveDocument(*doc, {}, &reason);
             ::setrlimit(RLIMIT_FSIZE, &old);
             ::sigaction(SIGXFSZ, &previous, nullptr);
             return ok;
         },
         "file too large"},
        {"a file the user may not write", "picture.bmp",
         [&](std::string& reason) {
             ::chmod(doc->filePath().c_str(), 0444);
             const int r = asOrdinaryUser([&] {
                 std::string why;
                 return saveDocument(*doc, {}, &why) ? 0 : why == "permission denied" ? 1 : 2;
             });
             reason = r == 1 ? "permission denied" : "result " + std::to_string(r);
             return r == 0;
         },
         "permission denied"},
    };
    std::filesystem::create_directory(dir.file("folder.bmp"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.file);
        if (!std::filesystem::exists(path)) testing_files::writeBytes(path, original);
        doc->setPath(path);
        doc->setModified(true);
        std::string reason;
        EXPECT_FALSE(c.save ? c.save(reason) : saveDocument(*doc, {}, &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_TRUE(doc->isModified());
        if (std::filesystem::is_regular_file(path)) {
            EXPECT_EQ(testing_files::readBytes(path), original);
            std::filesystem::remove(path);
        }
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"folder.bmp"});
}

}  // namespace
}  // namespace varnel
