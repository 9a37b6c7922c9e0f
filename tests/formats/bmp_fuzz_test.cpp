// The fuzz entry point as an ordinary test: over every file of the BMP suite, the stored fixtures
// of faults found by fuzzing (tests/data/bmp), and cut and spoiled copies of the suite's files.
// Under the sanitizers any crash, leak or undefined behaviour fails the run; a round trip that
// changes pixels aborts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "../fuzz/bmp_fuzz_entry.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<fs::path> bmpFilesUnder(const fs::path& root) {
    std::vector<fs::path> files;
    if (!fs::is_directory(root)) return files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file() && e.path().extension() == ".bmp") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void run(const std::vector<uint8_t>& bytes) {
    fuzz::exerciseBmpReader(bytes.data(), bytes.size());
}

// tests/data/bmp holds small hostile files, each named after its fault; every one is refused.
TEST(BmpFuzzEntry, RefusesTheStoredFaultFixtures) {
    const std::vector<fs::path> files = bmpFilesUnder(fs::path(VARNEL_TEST_DATA_DIR) / "bmp");
    ASSERT_FALSE(files.empty()) << "no fixtures under tests/data/bmp";
    for (const fs::path& f : files) {
        SCOPED_TRACE(f.filename().string());
        const std::vector<uint8_t> bytes = bytesOf(f);
        run(bytes);
        BmpImageFile image;
        EXPECT_FALSE(image.loadFromFile(f.string(), LoadPixels));
    }
}

TEST(BmpFuzzEntry, RunsOverTheSuiteAndSpoiledCopiesOfIt) {
    const std::vector<fs::path> files = bmpFilesUnder(fs::path(VARNEL_CORPUS_DIR) / "bmpsuite");
    if (files.empty()) GTEST_SKIP() << "BMP suite not found under " << VARNEL_CORPUS_DIR;
    std::mt19937 rng(7);
    for (const fs::path& f : files) {
        SCOPED_TRACE(f.string());
        const std::vector<uint8_t> original = bytesOf(f);
        run(original);
        if (original.size() < 80) continue;
        // Cut short at the file header, the info header, the palette and inside the pixels.
        for (size_t n : {size_t(14), size_t(30), size_t(54), size_t(70), original.size() / 2,
                         original.size() - 1}) {
            run(std::vector<uint8_t>(original.begin(), original.begin() + std::ptrdiff_t(n)));
        }
        // Spoiled copies of the well-formed files only: each header byte set to extremes, then
        // a few random bytes anywhere.
        if (f.parent_path().filename() != "g") continue;
        for (size_t at = 0; at < 54; ++at) {
            for (uint8_t v : {uint8_t(0x00), uint8_t(0xFF)}) {
                std::vector<uint8_t> spoiled = original;
                spoiled[at] = v;
                run(spoiled);
            }
        }
        for (int i = 0; i < 20; ++i) {
            std::vector<uint8_t> spoiled = original;
            for (int k = 0; k < 4; ++k) spoiled[rng() % spoiled.size()] = uint8_t(rng());
            run(spoiled);
        }
    }
}

}  // namespace
}  // namespace varnel
