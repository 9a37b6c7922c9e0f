// Small pictures and file builders shared by the codec tests: files are made in memory with the
// formats' reference libraries used directly (not through the codecs under test), so that a
// test controls exactly what the file holds.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/surface.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"

namespace varnel::fixtures {

using Bytes = std::vector<uint8_t>;

inline Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}

// A w × h colour plane whose pixel (x, y) is `color(x, y)`.
inline void paint(ColorImage& image, int32_t w, int32_t h,
                  const std::function<Bgr(int32_t, int32_t)>& color) {
    ASSERT_TRUE(image.createColor(w, h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) image.pixels(y)[x] = color(x, y);
    }
}

inline void paintAlpha(GrayMap& plane, int32_t w, int32_t h,
                       const std::function<uint8_t(int32_t, int32_t)>& value) {
    ASSERT_TRUE(plane.createGray(w, h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) plane.row(y)[x] = value(x, y);
    }
}

// A pattern that tells rows, columns and channels apart.
inline Bgr pattern(int32_t x, int32_t y) {
    return rgb(uint8_t(x * 37 + y * 3), uint8_t(y * 41 + 7), uint8_t((x ^ y) * 13 + 100));
}

// A read-only memory stream over bytes that outlive it.
struct ByteSource {
    explicit ByteSource(const Bytes& bytes) {
        EXPECT_TRUE(stream.attachBlock(static_cast<const void*>(bytes.data()),
                                       uint32_t(bytes.size()), CheckReadable));
    }
    MemoryStream stream;
};

// --- PNG files written with libpng ---------------------------------------------------------

struct PngLayout {
    uint32_t width = 1;
    uint32_t height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    int interlace = PNG_INTERLACE_NONE;
    // Raw rows as the file stores them (big-endian 16-bit samples, packed low depths).
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    Bytes trnsAlpha;              // palette transparency
    int trnsGray = -1;            // grey transparency value
    double gamma = 0;             // gAMA chunk when > 0
    uint32_t pixelsPerMetre = 0;  // pHYs chunk when > 0
};

inline void appendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline Bytes writePng(const PngLayout& desc) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the fixture";
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, desc.width, desc.height, desc.bitDepth, desc.colorType, desc.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!desc.palette.empty()) {
        png_set_PLTE(png, info, desc.palette.data(), int(desc.palette.size()));
    }
    if (!desc.trnsAlpha.empty()) {
        png_set_tRNS(png, info, desc.trnsAlpha.data(), int(desc.trnsAlpha.size()), nullptr);
    }
    if (desc.trnsGray >= 0) {
        png_color_16 value{};
        value.gray = png_uint_16(desc.trnsGray);
        png_set_tRNS(png, info, nullptr, 0, &value);
    }
    if (desc.gamma > 0) png_set_gAMA(png, info, desc.gamma);
    if (desc.pixelsPerMetre > 0) {
        png_set_pHYs(png, info, desc.pixelsPerMetre, desc.pixelsPerMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const Bytes& r : desc.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A chunk with its length and CRC.
inline Bytes pngChunk(const char type[4], const Bytes& data) {
    Bytes out;
    const uint32_t n = uint32_t(data.size());
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(n >> s));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
    return out;
}

// The chunks of a PNG file in order: type and data.
inline std::vector<std::pair<std::string, Bytes>> pngChunks(const Bytes& file) {
    std::vector<std::pair<std::string, Bytes>> chunks;
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t n = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 |
                           uint32_t(file[at + 2]) << 8 | file[at + 3];
        if (at + 12 + n > file.size()) break;
        chunks.emplace_back(std::string(file.begin() + long(at + 4), file.begin() + long(at + 8)),
                            Bytes(file.begin() + long(at + 8), file.begin() + long(at + 8 + n)));
        at += 12 + n;
    }
    return chunks;
}

// --- GIF files written with giflib --------------------------------------------------------

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false;
    std::vector<GifColorType> localColors;  // none when empty
    int transparent = -1;                   // graphic control block when >= 0
    Bytes indices;                          // width × height, row by row (top first)
};

struct GifLayout {
    int width = 1, height = 1;
    int background = 0;
    std::vector<GifColorType> globalColors;  // none when empty
    std::vector<GifFrame> frames;
};

inline int appendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// A colour table padded to a power of two, as giflib wants it.
inline ColorMapObject* makeColorMap(const std::vector<GifColorType>& colors) {
    int size = 2;
    while (size < int(colors.size())) size *= 2;
    std::vector<GifColorType> padded(colors);
    padded.resize(size_t(size), GifColorType{0, 0, 0});
    return GifMakeMapObject(size, padded.data());
}

inline Bytes writeGif(const GifLayout& desc) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    if (!gif) {
        ADD_FAILURE() << "giflib could not start the fixture";
        return {};
    }
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = desc.globalColors.empty() ? nullptr : makeColorMap(desc.globalColors);
    bool ok = EGifPutScreenDesc(gif, desc.width, desc.height, 8, desc.background, global) == GIF_OK;
    GifFreeMapObject(global);
    for (const GifFrame& f : desc.frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSAL_UNSPECIFIED;
            control.TransparentColor = f.transparent;
            GifByteType block[4];
            const size_t n = EGifGCBToExtension(&control, block);
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), block) == GIF_OK;
        }
        ColorMapObject* local = f.localColors.empty() ? nullptr : makeColorMap(f.localColors);
        ok = ok &&
             EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local) == GIF_OK;
        GifFreeMapObject(local);
        // Interlaced images are written pass by pass.
        std::vector<int> order;
        if (f.interlace) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p) {
                for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
            }
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        for (int y : order) {
            Bytes row(f.indices.begin() + long(y) * f.width,
                      f.indices.begin() + long(y + 1) * f.width);
            ok = ok && EGifPutLine(gif, row.data(), f.width) == GIF_OK;
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    EXPECT_TRUE(ok) << "giflib error " << error;
    return out;
}

}  // namespace varnel::fixtures
