// The third-party corpus through the program's own open path: valid files must decode to the
// reference decoders' pixels, corrupt ones must be refused cleanly (the sanitizers watch).
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "document/document.h"
#include "formats/file_stream.h"
#include "formats/format_registry.h"
#include "formats/ico_reader.h"
#include "formats/picture_import.h"
#include "sha256.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VARNEL_CORPUS_DIR;

struct Reference {
    int width = 0, height = 0;
    std::string hash;  // "error" when the decoder refused
};

// reference.tsv: file, frame, decoder, width, height, rgba_sha256, note.
using ReferenceTable = std::map<std::tuple<std::string, int, std::string>, Reference>;

ReferenceTable loadReferences() {
    ReferenceTable table;
    std::ifstream in(kCorpus / "expected" / "reference.tsv");
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t')) f.push_back(field);
        if (f.size() < 6) continue;
        Reference r;
        r.width = f[3].empty() ? 0 : std::stoi(f[3]);
        r.height = f[4].empty() ? 0 : std::stoi(f[4]);
        r.hash = f[5];
        table[{f[0], std::stoi(f[1]), f[2]}] = r;
    }
    return table;
}

// Top-down RGBA bytes of a colour plane and an optional alpha plane.
std::vector<uint8_t> rgbaOf(const ColorImage& color, const GrayMap* alpha) {
    std::vector<uint8_t> out;
    out.reserve(size_t(color.width()) * size_t(color.height()) * 4);
    for (int32_t y = 0; y < color.height(); ++y) {
        const Bgr* p = color.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        for (int32_t x = 0; x < color.width(); ++x) {
            out.insert(out.end(), {p[x].r, p[x].g, p[x].b, a ? a[x] : uint8_t(255)});
        }
    }
    return out;
}

// The SHA-256 of those bytes, row by row.
std::string rgbaHash(const ColorImage& color, const GrayMap* alpha) {
    testing_hash::Sha256 hash;
    std::vector<uint8_t> row(size_t(color.width()) * 4);
    for (int32_t y = 0; y < color.height(); ++y) {
        const Bgr* p = color.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        for (int32_t x = 0; x < color.width(); ++x) {
            uint8_t* q = &row[size_t(x) * 4];
            q[0] = p[x].r, q[1] = p[x].g, q[2] = p[x].b, q[3] = a ? a[x] : 255;
        }
        hash.update(row.data(), row.size());
    }
    return hash.hex();
}

struct Decoded {
    bool ok = false;
    int width = 0, height = 0;
    std::string hash;
};

// The document's single layer as RGBA.
Decoded openThroughRegistry(const fs::path& path) {
    Decoded d;
    std::unique_ptr<Document> doc;
    if (!openDocument(doc, path.string())) return d;
    EXPECT_EQ(doc->layers().count(), 1) << path;
    const RasterLayer* layer = doc->layers().rasterAt(0);
    if (!layer) return d;
    d.ok = true;
    d.width = doc->width();
    d.height = doc->height();
    d.hash = rgbaHash(layer->pixels(), layer->transparency());
    EXPECT_EQ(layer->isBackground(), layer->transparency() == nullptr) << path;
    EXPECT_FALSE(doc->isModified()) << path;
    return d;
}

// gAMA as stored (× 100000), 0 without one.
[[maybe_unused]] uint32_t pngGamma(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t n = uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 |
                           uint32_t(b[at + 2]) << 8 | b[at + 3];
        if (std::string(b.begin() + long(at + 4), b.begin() + long(at + 8)) == "gAMA" && n == 4 &&
            at + 12 <= b.size()) {
            return uint32_t(b[at + 8]) << 24 | uint32_t(b[at + 9]) << 16 |
                   uint32_t(b[at + 10]) << 8 | b[at + 11];
        }
        if (at + 12 + uint64_t(n) > b.size()) break;
        at += 12 + n;
    }
    return 0;
}

// The samples of a PNG file as stored, as RGBA (8 bits, high bytes of 16-bit samples), read
// without gamma: what both references report.
std::vector<uint8_t> storedPngSamples(const fs::path& path) {
    std::vector<uint8_t> out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return {};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    out.resize(size_t(w) * h * 4);
    for (png_uint_32 y = 0; y < h; ++y) rows.push_back(out.data() + size_t(y) * w * 4);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

// Whether `decoded` is `stored` corrected from the file gamma to a screen gamma of 2.2: each
// colour sample within 1 of the corrected value of its stored byte (for 16-bit files, within 2
// of any value the stored high byte stands for); alpha unchanged.
bool isGammaCorrected(const std::vector<uint8_t>& stored, const std::vector<uint8_t>& decoded,
                      double fileGamma, bool sixteenBit) {
    if (stored.size() != decoded.size()) return false;
    const double exponent = 1 / (fileGamma * 2.2);
    auto corrected = [&](double v) { return 255 * std::pow(std::min(v, 255.0) / 255, exponent); };
    for (size_t i = 0; i < stored.size(); ++i) {
        if (i % 4 == 3) {
            if (stored[i] != decoded[i]) return false;
            continue;
        }
        const double low = corrected(stored[i]);
        const double high = sixteenBit ? corrected(stored[i] + 1.0) : low;
        // The library corrects 16-bit samples through tables of reduced precision: a little more
        // room there.
        const double slack = sixteenBit ? 2 : 1;
        if (decoded[i] + slack < std::min(low, high) || decoded[i] - slack > std::max(low, high)) {
            return false;
        }
    }
    return true;
}

// Files where this program decides differently from the references, and why.
const std::map<std::string, std::string> kDecisions = {
    {"jpeg/jpeg-decoder/reftest/mozilla/jpg-size-6x6.jpg",
     "a PNG file named .jpg: the extension chooses the decoder, as in the Open dialog, so the "
     "JPEG decoder refuses it (both references sniff the content)"},
    {"jpeg/jpeg-decoder/crashtest/imagetestsuite/46f5d9c1b0fe352353688f736e5617b6.jpg",
     "truncated: decoded with the library's end-of-data fill, as truncated photos are"},
    {"jpeg/jpeg-decoder/crashtest/imagetestsuite/9efd60f04cd971daa83d3131e6d6f389.jpg",
     "only ImageMagick decodes it, differently from the library's own djpeg, which our decode "
     "equals"},
};

// Icon entries where this program decides differently from the references, and why.
const std::map<std::string, std::string> kIconDecisions = {
    {"ico/image-rs/bmp_v5_with_icc.ico",
     "its colour profile sits where the AND mask would be: the profile is not read as "
     "transparency, so the icon is opaque (Pillow reads the profile's last bytes as the mask, "
     "ImageMagick's colours are wrong)"},
};

std::vector<fs::path> corpusFiles(const std::string& folder,
                                  const std::set<std::string>& extensions) {
    std::vector<fs::path> files;
    if (!fs::is_directory(kCorpus / folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(kCorpus / folder)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (extensions.count(ext)) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kCorpus / "expected" / "reference.tsv")) {
            GTEST_SKIP() << "corpus not found at " << kCorpus;
        }
        references = loadReferences();
    }
    const Reference* find(const std::string& file, int frame, const std::string& decoder) const {
        auto it = references.find({file, frame, decoder});
        return it == references.end() ? nullptr : &it->second;
    }
    ReferenceTable references;
};

// One folder of the corpus at a time, so that each part stays short under the sanitizers.
class CorpusFolder : public Corpus, public ::testing::WithParamInterface<const char*> {};

TEST_P(CorpusFolder, FilesOpenAsTheReferencesDecodeThem) {
    int checked = 0;
    std::vector<std::string> report;
    for (const fs::path& path : corpusFiles(GetParam(), {".png", ".gif", ".jpg", ".jpeg"})) {
        const std::string rel = fs::relative(path, kCorpus).generic_string();
        const Reference* pil = find(rel, 0, "pillow");
        const Reference* im = find(rel, 0, "imagemagick");
        // Photos carrying an orientation open upright: compare with the upright references.
        if (const Reference* upright = find(rel, 0, "pillow+exif_transpose")) pil = upright;
        if (const Reference* upright = find(rel, 0, "imagemagick+auto-orient")) im = upright;
        if (!pil && !im) continue;
        ++checked;
        const Decoded d = openThroughRegistry(path);
        const bool pilOk = pil && pil->hash != "error";
        const bool imOk = im && im->hash != "error";
        std::string verdict;
        if (!d.ok) {
            // Refusing is right when a reference refuses too: the file is damaged somewhere and
            // the library stops at the error where ImageMagick keeps a partial picture.
            if (pilOk && imOk) verdict = "refused, both references decode it";
        } else if (!pilOk && !imOk) {
            verdict = "decoded, both references refuse it";
        } else if ((pilOk && d.hash == pil->hash) || (imOk && d.hash == im->hash)) {
            // Same pixels as a reference.
        } else if (const uint32_t gamma = pngGamma(path);
                   gamma != 0 && std::fabs(gamma / 100000.0 * 2.2 - 1) >= 0.05) {
            // The references report stored samples; this program corrects the file's gamma
            // towards the screen. Check that the test's own reading of the stored samples is
            // the references' and that the decode is its correction.
            const std::vector<uint8_t> stored = storedPngSamples(path);
            const std::string storedHash = testing_hash::sha256Hex(stored.data(), stored.size());
            if (!((pilOk && storedHash == pil->hash) || (imOk && storedHash == im->hash))) {
                verdict = "stored samples differ from the references";
            } else {
                std::unique_ptr<Document> doc;
                openDocument(doc, path.string());
                const RasterLayer* layer = doc->layers().rasterAt(0);
                const bool sixteen = rel.find("16.png") != std::string::npos;
                if (!isGammaCorrected(stored, rgbaOf(layer->pixels(), layer->transparency()),
                                      gamma / 100000.0, sixteen)) {
                    verdict = "not the gamma correction of the stored samples";
                }
            }
        } else {
            std::ostringstream s;
            s << "pixels differ (" << d.width << "x" << d.height << ")";
            verdict = s.str();
        }
        if (verdict.empty()) continue;
        auto decision = kDecisions.find(rel);
        if (decision != kDecisions.end()) continue;
        report.push_back(rel + ": " + verdict);
    }
    EXPECT_GT(checked, 3);
    for (const std::string& line : report) ADD_FAILURE() << line;
}

INSTANTIATE_TEST_SUITE_P(Parts, CorpusFolder,
                         ::testing::Values("pngsuite", "png-extra", "gif", "jpeg/pillow",
                                           "jpeg/libjpeg-turbo", "jpeg/image-rs",
                                           "jpeg/jpeg-decoder/reftest",
                                           "jpeg/jpeg-decoder/crashtest"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

// Every entry of every icon against the references' decode of that entry, and the entry that
// opening the file picks: the largest, then the deepest.
TEST_F(Corpus, IconEntriesDecodeAsTheReferencesDecodeThem) {
    int checked = 0;
    for (const fs::path& path : corpusFiles("ico", {".ico"})) {
        const std::string rel = fs::relative(path, kCorpus).generic_string();
        SCOPED_TRACE(rel);
        FileStream stream;
        ASSERT_TRUE(stream.openForRead(path.string()));
        std::vector<IconEntry> entries;
        if (!readIconDirectory(stream, entries)) {
            ADD_FAILURE() << "directory refused";
            continue;
        }
        int bestDecoded = -1;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Reference* pil = find(rel, int(i), "pillow");
            const Reference* im = find(rel, int(i), "imagemagick");
            DecodedPicture picture;
            const bool ok = readIconEntry(stream, entries[i], picture);
            const bool pilOk = pil && pil->hash != "error";
            const bool imOk = im && im->hash != "error";
            if (!ok) {
                EXPECT_FALSE(pilOk && imOk) << "entry " << i << " refused";
                continue;
            }
            ++checked;
            const std::string hash =
                rgbaHash(picture.color, picture.alpha.isValid() ? &picture.alpha : nullptr);
            if (kIconDecisions.count(rel)) {
                EXPECT_TRUE(pilOk && (picture.color.size() == Size{pil->width, pil->height}));
            } else {
                EXPECT_TRUE((pilOk && hash == pil->hash) || (imOk && hash == im->hash))
                    << "entry " << i << " differs";
            }
            const auto better = [&](size_t a, int b) {
                if (b < 0) return true;
                const int64_t areaA = int64_t(entries[a].width) * entries[a].height;
                const int64_t areaB = int64_t(entries[size_t(b)].width) * entries[size_t(b)].height;
                if (areaA != areaB) return areaA > areaB;
                return entries[a].bitsPerPixel > entries[size_t(b)].bitsPerPixel;
            };
            if (better(i, bestDecoded)) bestDecoded = int(i);
        }
        DecodedPicture picture;
        int chosen = -1;
        ASSERT_TRUE(stream.seekTo(0));
        EXPECT_EQ(readIcon(stream, picture, &chosen), bestDecoded >= 0);
        EXPECT_EQ(chosen, bestDecoded);
    }
    EXPECT_GT(checked, 30);
}

}  // namespace
}  // namespace varnel
