// The fuzz entry points as ordinary tests: over the corpus files of each format, cut and spoiled
// copies of them, and the stored inputs that once broke a reader (tests/data/fuzz). Under the
// sanitizers any crash, leak or undefined behaviour fails the run; a round trip that changes
// pixels aborts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "../fuzz/codec_fuzz_entries.h"
#include "../fuzz/picture_fuzz_entries.h"
#include "codec_fixtures.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

using Entry = std::function<void(const uint8_t*, size_t)>;

std::vector<uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<fs::path> filesUnder(const fs::path& root, const std::vector<std::string>& exts) {
    std::vector<fs::path> files;
    if (!fs::is_directory(root)) return files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (e.is_regular_file() &&
            (exts.empty() || std::find(exts.begin(), exts.end(), ext) != exts.end())) {
            files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The file, three cuts and two copies with a few bytes spoiled (the same every run).
void runVariants(const Entry& entry, const std::vector<uint8_t>& bytes, std::mt19937& rng) {
    entry(bytes.data(), bytes.size());
    if (bytes.size() < 16) return;
    for (size_t cut : {size_t(12), bytes.size() / 2, bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
        entry(part.data(), part.size());
    }
    for (int copy = 0; copy < 2; ++copy) {
        std::vector<uint8_t> spoiled = bytes;
        for (int i = 0; i < 4; ++i)
            spoiled[8 + rng() % (spoiled.size() - 8)] ^= uint8_t(1 + rng() % 255);
        entry(spoiled.data(), spoiled.size());
    }
}

// The stored inputs of `fixtures` (tests/data/fuzz/<fixtures>, when there are any), then every
// file of the corpus folders with its variants. A corpus folder without input makes the test skip,
// naming it, after the rest has run: a run over nothing must not pass as a run over the corpus.
void runOver(const Entry& entry, const std::vector<std::string>& corpusFolders,
             const std::vector<std::string>& exts, const std::string& fixtures) {
    size_t stored = 0;
    if (!fixtures.empty()) {
        for (const fs::path& p :
             filesUnder(fs::path(VARNEL_TEST_DATA_DIR) / "fuzz" / fixtures, {})) {
            SCOPED_TRACE(p.string());
            const std::vector<uint8_t> bytes = bytesOf(p);
            entry(bytes.data(), bytes.size());
            ++stored;
        }
    }
    std::mt19937 rng(7);
    std::string missing;
    size_t corpusFiles = 0;
    for (const std::string& folder : corpusFolders) {
        const fs::path root = fs::path(VARNEL_CORPUS_DIR) / folder;
        const std::vector<fs::path> files = filesUnder(root, exts);
        if (files.empty()) missing += (missing.empty() ? "" : ", ") + root.string();
        for (const fs::path& p : files) {
            SCOPED_TRACE(p.string());
            runVariants(entry, bytesOf(p), rng);
            ++corpusFiles;
        }
    }
    if (!missing.empty()) {
        GTEST_SKIP() << "no input under " << missing << "; ran " << stored << " stored inputs and "
                     << corpusFiles << " corpus files";
    }
}

TEST(CodecFuzzEntries, PngReader) {
    runOver(fuzz::exercisePngReader, {"pngsuite", "png-extra"}, {".png"}, "png");
}

TEST(CodecFuzzEntries, JpegReader) {
    runOver(fuzz::exerciseJpegReader, {"jpeg/pillow", "jpeg/libjpeg-turbo", "jpeg/image-rs"},
            {".jpg", ".jpeg"}, "jpeg");
}

TEST(CodecFuzzEntries, JpegReaderOnTheCrashTests) {
    runOver(fuzz::exerciseJpegReader, {"jpeg/jpeg-decoder"}, {".jpg", ".jpeg"}, "");
}

TEST(CodecFuzzEntries, GifReader) {
    runOver(fuzz::exerciseGifReader, {"gif"}, {".gif"}, "gif");
}

TEST(CodecFuzzEntries, IcoReader) {
    runOver(fuzz::exerciseIcoReader, {"ico"}, {".ico"}, "ico");
}

TEST(CodecFuzzEntries, TiffReader) {
    runOver(fuzz::exerciseTiffReader, {"tiff"}, {".tif", ".tiff"}, "tiff");
}

// The shared corpus has no TIFF files either: files this program writes, with and without
// alpha, and their cut and spoiled copies stand in.
TEST(CodecFuzzEntries, TiffReaderOnWrittenFiles) {
    ColorImage color;
    fixtures::paint(color, 23, 17, fixtures::pattern);
    GrayMap alpha;
    fixtures::paintAlpha(alpha, 23, 17, [](int32_t x, int32_t y) { return uint8_t(x * 11 + y); });
    std::mt19937 rng(13);
    for (const GrayMap* a : std::initializer_list<const GrayMap*>{nullptr, &alpha}) {
        MemoryBuffer buffer(1 << 16);
        MemoryStream out;
        ASSERT_TRUE(out.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
        ASSERT_TRUE(writeTiff(out, color, a, 72));
        const std::vector<uint8_t> bytes(buffer.data(), buffer.data() + out.tell());
        runVariants(fuzz::exerciseTiffReader, bytes, rng);
    }
}

TEST(CodecFuzzEntries, WebpReader) {
    runOver(fuzz::exerciseWebpReader, {"webp"}, {".webp"}, "webp");
}

// The shared corpus has no WebP files: files this program writes, lossy and lossless, with and
// without alpha, and their cut and spoiled copies stand in.
TEST(CodecFuzzEntries, WebpReaderOnWrittenFiles) {
    ColorImage color;
    fixtures::paint(color, 23, 17, fixtures::pattern);
    GrayMap alpha;
    fixtures::paintAlpha(alpha, 23, 17, [](int32_t x, int32_t y) { return uint8_t(x * 11 + y); });
    std::mt19937 rng(11);
    for (bool lossless : {false, true}) {
        for (const GrayMap* a : std::initializer_list<const GrayMap*>{nullptr, &alpha}) {
            MemoryBuffer buffer(1 << 16);
            MemoryStream out;
            ASSERT_TRUE(out.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
            WebpSaveSettings settings;
            settings.lossless = lossless;
            ASSERT_TRUE(writeWebp(out, color, a, settings));
            const std::vector<uint8_t> bytes(buffer.data(), buffer.data() + out.tell());
            runVariants(fuzz::exerciseWebpReader, bytes, rng);
        }
    }
}

}  // namespace
}  // namespace varnel
