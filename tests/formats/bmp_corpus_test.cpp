// The BMP conformance suite through the codec: every file of the suite has an expectation here,
// either a picture to match (by the SHA-256 of its top-down RGBA bytes, as the reference table
// gives them) or a clean refusal. Where the two reference decoders disagree, or the suite calls
// a file questionable or bad, the comment beside the expectation gives the decision.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "formats/bmp_codec.h"
#include "formats/image_file.h"
#include "sha256.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(VARNEL_CORPUS_DIR);
const fs::path kSuite = kCorpus / "bmpsuite";

// What a file is compared with.
enum class Source {
    Both,          // the two reference decoders agree
    Pillow,        // the first reference decoder's picture
    ImageMagick,   // the second reference decoder's picture
    Picture,       // the suite's own "correct display" picture html/<other>
    KeyedPicture,  // the same, a picture whose transparent pixels are keyed grey (192)
    Hash,          // a hash given here (where no reference decodes a picture exactly)
    NearFile,      // within one level per channel of the decode of the suite file <other>
    Decodes,       // no reference: it must decode, at the reference size
    Refuse,        // the codec must refuse the file
};

struct Expectation {
    const char* file;
    Source source;
    // For Both, Pillow and ImageMagick: the suite file whose reference rows to use (this file's
    // own when null); for the picture kinds the picture; for NearFile the other file; for Hash
    // the hash.
    const char* other = nullptr;
};

// Decisions, one line per file of the suite.
const Expectation kExpectations[] = {
    // ---- g/: every reader must decode these --------------------------------------------------
    {"g/pal1.bmp", Source::Both},
    {"g/pal1bg.bmp", Source::Both},
    {"g/pal1wb.bmp", Source::Both},
    {"g/pal4.bmp", Source::Both},
    {"g/pal4gs.bmp", Source::Both},
    // The first reference decodes RLE4 wrongly (it does not match the suite's picture).
    {"g/pal4rle.bmp", Source::ImageMagick},
    {"g/pal8-0.bmp", Source::Both},
    {"g/pal8.bmp", Source::Both},
    {"g/pal8gs.bmp", Source::Both},
    // Non-square pixels stay as stored: an editor does not stretch the pixels it loads.
    {"g/pal8nonsquare.bmp", Source::Both},
    {"g/pal8os2.bmp", Source::Both},
    {"g/pal8rle.bmp", Source::Both},
    {"g/pal8topdown.bmp", Source::Both},
    {"g/pal8v4.bmp", Source::Both},
    {"g/pal8v5.bmp", Source::Both},
    {"g/pal8w124.bmp", Source::Both},
    {"g/pal8w125.bmp", Source::Both},
    {"g/pal8w126.bmp", Source::Both},
    // 5- and 6-bit channels: the references widen them differently (one truncates v × 255 /
    // max, the other repeats the top bits) and neither matches the suite's picture. The codec
    // rounds to the nearest 8-bit level, which is the suite's picture exactly (white stays 255).
    {"g/rgb16-565.bmp", Source::Picture, "rgb16-565.png"},
    {"g/rgb16-565pal.bmp", Source::Picture, "rgb16-565.png"},
    {"g/rgb16.bmp", Source::Picture, "rgb16.png"},
    {"g/rgb16bfdef.bmp", Source::Picture, "rgb16.png"},
    {"g/rgb24.bmp", Source::Both},
    {"g/rgb24pal.bmp", Source::Both},
    {"g/rgb32.bmp", Source::Both},
    {"g/rgb32bf.bmp", Source::ImageMagick},  // the first reference refuses these masks
    {"g/rgb32bfdef.bmp", Source::Both},

    // ---- q/: questionable; decode what a careful reader can -----------------------------------
    // OS/2 Huffman 1D compression: obsolete, not supported.
    {"q/pal1huffmsb.bmp", Source::Refuse},
    // A 1-bit file with a single palette entry.
    {"q/pal1p1.bmp", Source::Both},
    // 2 bits per pixel (legal on some systems): widened to 4 bits. Both references refuse it;
    // the suite's picture is the decode.
    {"q/pal2.bmp", Source::Picture, "pal2.png"},
    {"q/pal2color.bmp", Source::Picture, "pal2color.png"},
    // RLE deltas and early end-of-line/end-of-bitmap leave pixels out: they keep palette index 0
    // (one of the suite's three allowed pictures, the "-0" one). The first reference matches none.
    {"q/pal4rlecut.bmp", Source::ImageMagick},
    {"q/pal4rletrns.bmp", Source::ImageMagick},
    {"q/pal8rlecut.bmp", Source::ImageMagick},
    {"q/pal8rletrns.bmp", Source::ImageMagick},
    // Unused bytes between the palette and the pixels: the data offset is followed.
    {"q/pal8offs.bmp", Source::Both},
    // OS/2 1.x with a hotspot in the reserved fields, with the header size in the file-size
    // field, and with a short palette (what fits before the pixels is the palette).
    {"q/pal8os2-hs.bmp", Source::Both},
    {"q/pal8os2-sz.bmp", Source::Both},
    {"q/pal8os2sp.bmp", Source::Both},
    // OS/2 2.x headers of 16, 40 and 64 bytes are read like info headers (the second reference
    // gets the 64-byte ones wrong, the first refuses the 16-byte one).
    {"q/pal8os2v2-16.bmp", Source::ImageMagick},
    {"q/pal8os2v2-40sz.bmp", Source::Both},
    {"q/pal8os2v2-sz.bmp", Source::Pillow},
    {"q/pal8os2v2.bmp", Source::Pillow},
    // 300 palette entries for 8 bits: a colours-used count above 2^bits is refused.
    {"q/pal8oversizepal.bmp", Source::Refuse},
    // Odd masks (2-3-1 and 3-10-3 bits) scaled properly, as the suite's pictures show them;
    // the one reference that reads them shifts bits and darkens the colours.
    {"q/rgb16-231.bmp", Source::Picture, "rgb16-231.png"},
    {"q/rgb16-3103.bmp", Source::Picture, "rgb16-3103.png"},
    // The unused top bit of 5-5-5 pixels is not transparency.
    {"q/rgb16faketrns.bmp", Source::Picture, "rgb16.png"},
    // Embedded JPEG and PNG streams are meant for printers: refused.
    {"q/rgb24jpeg.bmp", Source::Refuse},
    {"q/rgb24png.bmp", Source::Refuse},
    // A palette of 300 entries in a 24-bit file is not used and may be any size.
    {"q/rgb24largepal.bmp", Source::Both},
    // Colour profiles, linked or embedded, are not applied: the pixels as stored (so the file
    // made to test profile support keeps its swapped channels, as with both references).
    {"q/rgb24lprof.bmp", Source::Both},
    {"q/rgb24prof.bmp", Source::Both},
    {"q/rgb24prof2.bmp", Source::Both},
    // OS/2 RLE24: obsolete, not supported.
    {"q/rgb24rle24.bmp", Source::Refuse},
    // Channels wider than 8 bits are scaled down to the nearest level. The 11-11-10 file was
    // made from the standard 24-bit picture with a rounding of its own: two of its levels sit on
    // the halfway point and come back one level off.
    {"q/rgb32-111110.bmp", Source::NearFile, "g/rgb24.bmp"},
    // The suite's pictures of the next three are 16-bit PNGs. Each 16-bit sample rounded to the
    // nearest 8-bit level gives exactly these decodes (checked with an independent decoder of
    // the pictures; colours of fully transparent pixels set to 0). The references cannot serve:
    // one keeps the high byte, the other truncates through the pictures' significant-bits chunk.
    {"q/rgb32-7187.bmp", Source::Hash,
     "1e4aa69ba28fcaad26feff3d014da0effee70cbca99d71a3043402707e3d3200"},
    {"q/rgb32-xbgr.bmp", Source::Both},
    // A 32-bit file without bit fields whose fourth bytes are not all 0: they are its alpha
    // (the suite allows either reading; the editor keeps transparency it is given).
    {"q/rgb32fakealpha.bmp", Source::ImageMagick},
    {"q/rgb32h52.bmp", Source::ImageMagick},  // 52-byte header: the three masks inside
    // 16-bit files with an alpha mask become 32-bit with alpha = bits × 255 / maximum. Pictures
    // with alpha are compared with the colour of fully transparent pixels set to 0, as the
    // pictures have it. The 5-5-5-1 picture has no alpha channel; it marks transparent pixels
    // with a grey colour key.
    {"q/rgba16-1924.bmp", Source::Picture, "rgba16-1924.png"},
    {"q/rgba16-4444.bmp", Source::Picture, "rgba16-4444.png"},
    {"q/rgba16-5551.bmp", Source::KeyedPicture, "rgba16-5551.png"},
    // The alpha channel of V4/V5 bit fields is kept, straight (not premultiplied).
    {"q/rgba32-1.bmp", Source::Both},
    {"q/rgba32-1010102.bmp", Source::Picture, "rgba32-1010102.png"},
    {"q/rgba32-2.bmp", Source::ImageMagick},
    {"q/rgba32-61754.bmp", Source::Hash,
     "b0dc3403c930436fd27ade12256fc7bbc4634d5e9c12625a0274fed61e857f47"},  // see rgb32-7187
    {"q/rgba32-81284.bmp", Source::Hash,
     "60c0b2d482a8dab3ee2525994953676001c83bb678b291d0ce15f2ecfb3ac791"},
    // Four masks after a 40-byte header (compression 6): the same picture as rgba32-1.
    {"q/rgba32abf.bmp", Source::Both, "q/rgba32-1.bmp"},
    {"q/rgba32h56.bmp", Source::ImageMagick},  // 56-byte header: four masks inside
    // 64 bits per pixel: not supported.
    {"q/rgba64.bmp", Source::Refuse},

    // ---- b/: bad files; none may crash, and those that cannot be read correctly are refused --
    {"b/badbitcount.bmp", Source::Refuse},
    // An image-size field of several gigabytes on an uncompressed file: the field is redundant
    // there (rows × stride decide), the pixels are all present, and both references agree.
    {"b/badbitssize.bmp", Source::Both},
    // Absurd densities: the editor does not use the density, so the pixels load as they are.
    {"b/baddens1.bmp", Source::Both},
    {"b/baddens2.bmp", Source::Both},
    // A file-size field of several gigabytes: the field is not trusted (the stream's length is),
    // and every pixel is there.
    {"b/badfilesize.bmp", Source::Pillow},
    {"b/badheadersize.bmp", Source::Refuse},   // 66 bytes: no known header
    {"b/badpalettesize.bmp", Source::Refuse},  // colours used far above 2^bits
    {"b/badplanes.bmp", Source::Refuse},       // planes must be 1: another layout is unknown
    // RLE runs that reach past their row or past the last row are refused.
    {"b/badrle.bmp", Source::Refuse},
    {"b/badrle4.bmp", Source::Refuse},
    {"b/badrle4bis.bmp", Source::Refuse},
    {"b/badrle4ter.bmp", Source::Refuse},
    {"b/badrlebis.bmp", Source::Refuse},
    {"b/badrleter.bmp", Source::Refuse},
    {"b/badwidth.bmp", Source::Refuse},  // negative width
    // Pixel indices past the 101-entry palette: they read as black, as everywhere in the engine,
    // and the rest of the picture is intact (one reference shows entry 0 there, the other a
    // grey ramp; the suite gives no picture). The rule itself is tested on a small fixture.
    {"b/pal8badindex.bmp", Source::Decodes},
    {"b/reallybig.bmp", Source::Refuse},  // 3000000 × 2000000: over the side limit
    // 8-8-0 masks: blue has no bits and reads 0; the second reference matches the suite's picture.
    {"b/rgb16-880.bmp", Source::ImageMagick},
    // Top-down RLE: not allowed by the format's documents, but unambiguous; the rows are placed
    // top-down like uncompressed ones and both references agree.
    {"b/rletopdown.bmp", Source::Both},
    {"b/shortfile.bmp", Source::Refuse},  // pixel data cut short

    // ---- x/: an OS/2 bitmap array ("BA"), not a bitmap file ------------------------------------
    {"x/ba-bm.bmp", Source::Refuse},
};

struct Reference {
    int32_t width = 0;
    int32_t height = 0;
    std::string hash;  // empty when the decoder refused the file
};

// file → decoder → reference decode.
using ReferenceTable = std::map<std::string, std::map<std::string, Reference>>;

ReferenceTable loadReferences() {
    ReferenceTable table;
    std::ifstream in(kCorpus / "expected" / "reference.tsv");
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t')) cols.push_back(col);
        if (cols.size() < 6 || cols[1] != "0") continue;
        Reference& r = table[cols[0]][cols[2]];
        if (cols[5] == "error") continue;
        r.width = std::stoi(cols[3]);
        r.height = std::stoi(cols[4]);
        r.hash = cols[5];
    }
    return table;
}

// A decode as top-down RGBA bytes (alpha 255 without an alpha plane).
struct Decoded {
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;

    std::string hash() const { return testing_hash::sha256Hex(rgba.data(), rgba.size()); }
    // The hash with the colour of fully transparent pixels set to a grey level.
    std::string hashWithTransparentAs(uint8_t grey) const {
        std::vector<uint8_t> copy = rgba;
        for (size_t i = 0; i < copy.size(); i += 4) {
            if (copy[i + 3] == 0) copy[i] = copy[i + 1] = copy[i + 2] = grey;
        }
        return testing_hash::sha256Hex(copy.data(), copy.size());
    }
};

// Loads through the image file object, as opening a document does.
Decoded decode(const fs::path& path) {
    Decoded d;
    BmpImageFile image;
    if (!image.loadFromFile(path.string(), LoadPixels)) return d;
    d.ok = true;
    d.width = image.width();
    d.height = image.height();
    const ColorImage& color = *image.colorPlane();
    const GrayMap* alpha = image.alphaPlane();
    d.rgba.resize(size_t(d.width) * size_t(d.height) * 4);
    uint8_t* out = d.rgba.data();
    for (int32_t y = 0; y < d.height; ++y) {
        const Bgr* px = color.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        for (int32_t x = 0; x < d.width; ++x) {
            *out++ = px[x].r;
            *out++ = px[x].g;
            *out++ = px[x].b;
            *out++ = a ? a[x] : 255;
        }
    }
    return d;
}

class BmpCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(kSuite)) GTEST_SKIP() << "BMP suite not found at " << kSuite;
        references_ = loadReferences();
        if (references_.empty()) GTEST_SKIP() << "no reference table under " << kCorpus;
    }

    Reference reference(const std::string& file, const char* decoder) {
        const auto f = references_.find(file);
        if (f == references_.end()) return {};
        const auto d = f->second.find(decoder);
        return d == f->second.end() ? Reference{} : d->second;
    }

    // Checks one decode against its expectation.
    void check(const Expectation& e, const Decoded& d) {
        if (e.source == Source::Refuse) {
            EXPECT_FALSE(d.ok) << "decoded " << d.width << "x" << d.height;
            return;
        }
        ASSERT_TRUE(d.ok) << "refused";
        const std::string own = std::string("bmpsuite/") + (e.other ? e.other : e.file);
        const std::string picture = e.other ? std::string("bmpsuite/html/") + e.other : "";
        Reference ref;
        std::string hash;
        switch (e.source) {
            case Source::Both: {
                ref = reference(own, "pillow");
                const Reference other = reference(own, "imagemagick");
                EXPECT_EQ(ref.hash, other.hash) << "the references disagree after all";
                hash = d.hash();
                break;
            }
            case Source::Pillow:
                ref = reference(own, "pillow");
                hash = d.hash();
                break;
            case Source::ImageMagick:
                ref = reference(own, "imagemagick");
                hash = d.hash();
                break;
            case Source::Picture:
                ref = reference(picture, "pillow");
                hash = d.hashWithTransparentAs(0);
                break;
            case Source::KeyedPicture:
                ref = reference(picture, "pillow");
                hash = d.hashWithTransparentAs(192);
                break;
            case Source::Hash:
                EXPECT_EQ(d.hashWithTransparentAs(0), e.other);
                return;
            case Source::NearFile: {
                const Decoded other = decode(kSuite / e.other);
                ASSERT_TRUE(other.ok);
                ASSERT_EQ(other.rgba.size(), d.rgba.size());
                int worst = 0;
                for (size_t i = 0; i < d.rgba.size(); ++i) {
                    worst = std::max(worst, std::abs(int(d.rgba[i]) - int(other.rgba[i])));
                }
                EXPECT_LE(worst, 1);
                return;
            }
            case Source::Decodes:
                ref = reference(own, "pillow");
                EXPECT_EQ(d.width, ref.width);
                EXPECT_EQ(d.height, ref.height);
                return;
            case Source::Refuse:
                return;
        }
        ASSERT_FALSE(ref.hash.empty()) << "no reference hash for the expectation";
        EXPECT_EQ(d.width, ref.width);
        EXPECT_EQ(d.height, ref.height);
        EXPECT_EQ(hash, ref.hash);
    }

    ReferenceTable references_;
};

TEST_F(BmpCorpus, EveryFileOfTheSuiteHasAnExpectation) {
    std::set<std::string> listed;
    for (const Expectation& e : kExpectations) listed.insert(e.file);
    for (const char* folder : {"g", "q", "b", "x"}) {
        for (const auto& entry : fs::directory_iterator(kSuite / folder)) {
            const std::string name = std::string(folder) + "/" + entry.path().filename().string();
            EXPECT_TRUE(listed.count(name)) << name << " has no expectation";
        }
    }
}

TEST_F(BmpCorpus, DecodesOrRefusesEachFileAsDecided) {
    for (const Expectation& e : kExpectations) {
        SCOPED_TRACE(e.file);
        check(e, decode(kSuite / e.file));
    }
}

}  // namespace
}  // namespace varnel
