#include "formats/png_codec.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/byte_stream.h"
#include "formats/image_file.h"
#include "formats/metadata_blocks.h"
#include "formats/png_deflate.h"
#include "formats/png_filter.h"
#include "formats/png_unfilter.h"
#include "formats/refusal.h"
#include "platform/parallel.h"
#include "platform/pixel_memory.h"

#ifndef VARNEL_PRODUCT_NAME
#define VARNEL_PRODUCT_NAME "Varnel"
#endif

namespace varnel {

// libpng reports errors by longjmp. The functions below that call into the library set their own
// jump point and hold only plain values and pointers, so that no destructor is ever skipped; the
// objects that own memory live in the callers.

namespace {

constexpr double kScreenGamma = 2.2;
constexpr double kDefaultFileGamma = 0.45455;

// Deflate stores at most 258 bytes in a code of at least 2 bits, about 1032 bytes of rows per
// byte of compressed data: a file cannot hold rows longer than that.
constexpr uint64_t kDeflateMaxRatio = 1032;

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Where the library's last error message goes: a plain buffer, as the jump back skips
// destructors.
struct ErrorText {
    char text[160] = {};
};

// Errors jump straight back to the codec (the library's default handler would print first),
// keeping the message as the reason; warnings are dropped.
[[noreturn]] void silentError(png_structp png, png_const_charp message) {
    if (auto* error = static_cast<ErrorText*>(png_get_error_ptr(png)); error && message) {
        std::snprintf(error->text, sizeof error->text, "%s", message);
    }
    png_longjmp(png, 1);
}
void silentWarning(png_structp, png_const_charp) {}

void readFromStream(png_structp png, png_bytep data, size_t length) {
    auto* stream = static_cast<ByteStream*>(png_get_io_ptr(png));
    // A short read is an error at once: the library would otherwise decode whatever the buffer
    // held.
    if (length > UINT32_MAX || stream->read(data, 1, uint32_t(length)) != length) {
        char message[64];
        std::snprintf(message, sizeof message, "truncated at byte %llu",
                      static_cast<unsigned long long>(stream->size()));
        png_error(png, message);
    }
}

// Owns the library's read objects.
struct ReadObjects {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    ~ReadObjects() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, endInfo ? &endInfo : nullptr);
    }
};

// What the header says, before and after the transformations.
struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    int channels = 0;
    bool hasAlpha = false;
    size_t rowBytes = 0;
    double pixelsPerInch = 0;
};

// Chunks the codec has no use for: never decompressed or stored (text and profile chunks can be
// large or compressed many times over).
constexpr png_byte kIgnoredChunks[] = {
    'i', 'C', 'C', 'P', '\0', 'i', 'T', 'X', 't', '\0', 't', 'E', 'X', 't', '\0',
    'z', 'T', 'X', 't', '\0', 's', 'P', 'L', 'T', '\0', 'e', 'X', 'I', 'f', '\0',
};

bool readHeader(png_structp png, png_infop info, Header* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxSurfaceSide, kMaxSurfaceSide);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                int(sizeof(kIgnoredChunks) / 5));
    png_read_info(png, info);
    png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colorType, &h->interlace,
                 nullptr, nullptr);
    h->channels = png_get_channels(png, info);
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER && resX > 0) {
        h->pixelsPerInch = resX * 0.0254;
    }
    return true;
}

// Sets up the transformations that turn every kind of file into 8-bit blue, green, red (and
// alpha), in the order the library applies them.
bool setTransforms(png_structp png, png_infop info, Header* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    h->hasAlpha = (h->colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (h->colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (h->colorType == PNG_COLOR_TYPE_GRAY && h->bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        h->hasAlpha = true;
    }
    if (h->bitDepth == 16) png_set_strip_16(png);
    if (h->bitDepth < 8) png_set_packing(png);
    if (!(h->colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma) || fileGamma <= 0) fileGamma = kDefaultFileGamma;
    png_set_gamma(png, kScreenGamma, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    h->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readImage(png_structp png, uint8_t* const* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    // The rows are the surface's own: the library writes into them in place.
    png_read_image(png, const_cast<png_bytepp>(rows));
    return true;
}

// Splits 4-byte pixels into a colour row and an alpha row.
void splitRow(const png_byte* in, uint8_t* color, uint8_t* alpha, png_uint_32 width) {
    for (png_uint_32 x = 0; x < width; ++x) {
        color[0] = in[0];
        color[1] = in[1];
        color[2] = in[2];
        alpha[x] = in[3];
        color += 3;
        in += 4;
    }
}

// Reads a non-interlaced image row by row through one buffer, splitting each row as it comes.
bool readSplitRows(png_structp png, png_bytep buffer, uint8_t* const* colorRows,
                   uint8_t* const* alphaRows, png_uint_32 width, png_uint_32 height) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, buffer, nullptr);
        splitRow(buffer, colorRows[y], alphaRows[y], width);
    }
    return true;
}

bool readEnd(png_structp png, png_infop endInfo) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_end(png, endInfo);
    return true;
}

// The image data of the common kind of file (8-bit RGB or RGBA, not interlaced, no
// transparency chunk, no gamma correction to apply) is inflated here in one piece, several
// times faster than the library's inflate of one row at a time, while the library still reads
// every other chunk before and after it. Anything unusual on the way (a bad checksum or length,
// data that does not inflate to exactly the rows, an unknown filter) stops this path before
// anything is reported: the caller then reads the file again through the library alone, which
// decides what is wrong and says so, as it always has.

bool inflatable(png_structp png, png_infop info, const Header& h) {
    if (h.bitDepth != 8 || h.interlace != PNG_INTERLACE_NONE ||
        (h.colorType != PNG_COLOR_TYPE_RGB && h.colorType != PNG_COLOR_TYPE_RGB_ALPHA) ||
        png_get_valid(png, info, PNG_INFO_tRNS)) {
        return false;
    }
    // The library leaves samples alone when the correction is within 5 % of none; files near
    // that edge go through the library.
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma) || fileGamma <= 0) fileGamma = kDefaultFileGamma;
    return std::abs(fileGamma * kScreenGamma - 1) < 0.04;
}

// The largest image data chunk the library accepts for this image (rows plus deflate's
// overheads); longer chunks fail there.
uint64_t imageDataChunkLimit(const Header& h) {
    const uint64_t rowFactor = uint64_t(h.width) * uint64_t(h.channels) + 1;
    uint64_t limit = uint64_t(h.height) * rowFactor;
    limit += 6 + 5 * (limit / std::min<uint64_t>(rowFactor, 32566) + 1);
    return std::min<uint64_t>(limit, PNG_UINT_31_MAX);
}

// Splits 4-byte red, green, blue, alpha pixels into the colour and alpha planes.
void splitRgbaRow(const uint8_t* in, uint8_t* color, uint8_t* alpha, size_t width) {
    for (size_t x = 0; x < width; ++x, in += 4, color += 3) {
        color[0] = in[2];
        color[1] = in[1];
        color[2] = in[0];
        alpha[x] = in[3];
    }
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Reads the image data chunks, the stream standing just after the first one's length and type,
// and restores the rows into the planes (alphaRows null for RGB). On success the stream stands
// at the first chunk after the image data. False when anything is amiss.
bool inflateImageData(ByteStream& stream, const Header& h, uint8_t* const* colorRows,
                      uint8_t* const* alphaRows) {
    const uint32_t dataStart = stream.tell();
    if (dataStart < 8 || !stream.seekTo(dataStart - 8)) return false;
    uint8_t head[12];
    if (stream.read(head, 1, 8) != 8 || std::memcmp(head + 4, "IDAT", 4) != 0) return false;

    // Every chunk of the image data, gathered: at most what remains of the file.
    const uint32_t remaining = stream.size() - std::min(stream.size(), dataStart);
    platform::PixelMemory gathered = platform::PixelMemory::allocate(remaining + 1, false);
    if (!gathered) return false;
    const uint64_t chunkLimit = imageDataChunkLimit(h);
    const uint32_t typeCrc = libdeflate_crc32(0, "IDAT", 4);
    size_t total = 0;
    for (;;) {
        const uint32_t length = be32(head);
        if (length > chunkLimit || length > remaining - total) return false;
        uint8_t* data = gathered.data() + total;
        if (stream.read(data, 1, length) != length) return false;
        total += length;
        // The checksum, then the next chunk's length and type.
        const uint32_t got = stream.read(head, 1, 12);
        if (got < 4 || be32(head) != libdeflate_crc32(typeCrc, data, length)) return false;
        if (got < 12) return false;
        std::memmove(head, head + 4, 8);
        if (std::memcmp(head + 4, "IDAT", 4) != 0) break;
    }
    if (!stream.seekTo(stream.tell() - 8)) return false;

    // A 32 KiB window (the library refuses data reaching further back than a smaller header
    // allows, which this inflater would accept).
    if (total < 2 || gathered.data()[0] != 0x78) return false;
    const size_t bpp = size_t(h.channels);
    const size_t rowBytes = size_t(h.width) * bpp;
    const size_t lineBytes = rowBytes + 1;
    const size_t size = lineBytes * h.height;
    // One byte more: the last row is read 4 bytes a pixel.
    platform::PixelMemory rows = platform::PixelMemory::allocate(size + 1, false);
    if (!rows) return false;
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(
        libdeflate_alloc_decompressor());
    if (!inflater) return false;
    size_t used = 0;
    if (libdeflate_zlib_decompress_ex(inflater.get(), gathered.data(), total, rows.data(), size,
                                      &used, nullptr) != LIBDEFLATE_SUCCESS ||
        used != total) {
        return false;
    }
    gathered.reset();

    // Rows filtered with "none" or "sub" do not look at the row above: the rows are cut there
    // into runs restored side by side on the worker threads.
    std::vector<size_t> starts = {0};
    const size_t parts = size_t(std::max(1, workerThreads()));
    for (size_t y = 0; y < h.height; ++y) {
        const uint8_t filter = rows.data()[y * lineBytes];
        if (filter > 4) return false;
        if (filter <= 1 && y * parts >= starts.size() * size_t(h.height)) starts.push_back(y);
    }
    starts.push_back(h.height);
    parallelRows(int(starts.size()) - 1, 1, [&](int first, int end) {
        for (size_t y = starts[size_t(first)]; y < starts[size_t(end)]; ++y) {
            uint8_t* line = rows.data() + y * lineBytes;
            if (alphaRows) {
                unfilterRow(line[0], line + 1, y > 0 ? line + 1 - lineBytes : nullptr, rowBytes, 4);
                splitRgbaRow(line + 1, colorRows[y], alphaRows[y], h.width);
            } else {
                unfilterRgbToBgr(line[0], line + 1, y > 0 ? colorRows[y - 1] : nullptr,
                                 colorRows[y], h.width);
            }
        }
    });
    return true;
}

// After the image data was read here: the library reads the remaining chunks, passing over
// image data chunks without inflating them.
bool readEndAfterImageData(png_structp png, png_infop endInfo) {
    if (setjmp(png_jmpbuf(png))) return false;
    static constexpr png_byte kImageData[] = {'I', 'D', 'A', 'T', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kImageData, 1);
    png_read_end(png, endInfo);
    return true;
}

// Writing. The container is written here around our own deflate (png_deflate.h): libpng's
// writer compresses on one thread through zlib, several times slower than the file needs.

// The file's samples of row y: red, green, blue (and alpha) from the planes.
void rawRow(const ColorImage& color, const GrayMap* alpha, int32_t y, uint8_t* out) {
    const Bgr* c = color.pixels(y);
    const int32_t w = color.width();
    if (alpha) {
        const uint8_t* a = alpha->row(y);
        for (int32_t x = 0; x < w; ++x, out += 4) {
            out[0] = c[x].r;
            out[1] = c[x].g;
            out[2] = c[x].b;
            out[3] = a[x];
        }
    } else {
        for (int32_t x = 0; x < w; ++x, out += 3) {
            out[0] = c[x].r;
            out[1] = c[x].g;
            out[2] = c[x].b;
        }
    }
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

// Writes one chunk (length, type, data, CRC over type and data); false on a short write.
bool writeChunk(ByteStream& stream, const char type[4], const uint8_t* data, size_t size) {
    std::vector<uint8_t> head;
    putBe32(head, uint32_t(size));
    head.insert(head.end(), type, type + 4);
    uint32_t crc = libdeflate_crc32(0, type, 4);
    if (size) crc = libdeflate_crc32(crc, data, size);
    std::vector<uint8_t> tail;
    putBe32(tail, crc);
    return stream.write(head.data(), 1, 8) == 8 &&
           (size == 0 || stream.write(data, 1, uint32_t(size)) == size) &&
           stream.write(tail.data(), 1, 4) == 4;
}

bool writeText(ByteStream& stream, const std::string& key, const std::string& text) {
    std::vector<uint8_t> data(key.begin(), key.end());
    data.push_back(0);
    data.insert(data.end(), text.begin(), text.end());
    return writeChunk(stream, "tEXt", data.data(), data.size());
}

// The filtered rows cut into slices of at least this many bytes, one per worker thread: each
// slice costs a few hundred bytes of lost context.
constexpr size_t kMinSliceBytes = size_t(1) << 20;
// The IDAT chunks' size.
constexpr size_t kIdatBytes = size_t(1) << 18;

// Looks at the header chunk that follows the signature before the library does, so that a
// picture too large, or larger than the file could hold, is refused with a reason before any
// memory is taken. Returns the reason, empty when the header passes or is not there to judge
// (the library then reports what is wrong). Leaves the stream where it found it.
std::string checkHeaderChunk(ByteStream& stream, uint64_t fileBytes) {
    const uint32_t at = stream.tell();
    uint8_t chunk[8 + 13];
    const bool whole = stream.read(chunk, 1, sizeof chunk) == sizeof chunk;
    if (!stream.seekTo(at)) return "read error";
    if (!whole || std::memcmp(chunk + 4, "IHDR", 4) != 0) return {};
    const uint32_t width = be32(chunk + 8), height = be32(chunk + 12);
    // Sides of 2^31 and more are invalid in a PNG file anyway.
    std::string reason = checkSides(int64_t(width), int64_t(height));
    if (!reason.empty()) return reason;
    // The methods this version of the format defines are all 0 (interlacing also 1).
    if (chunk[18] != 0) return "unsupported compression " + std::to_string(chunk[18]);
    if (chunk[19] != 0) return "unsupported filter method " + std::to_string(chunk[19]);
    if (chunk[20] > 1) return "unsupported interlace method " + std::to_string(chunk[20]);
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const int colorType = chunk[17];
    const int channels = colorType <= 6 ? kChannels[colorType] : 0;
    const uint64_t bitDepth = chunk[16];
    if (channels == 0 || bitDepth == 0) return {};
    // Every row is a filter byte and its samples; interlacing only adds to that.
    const uint64_t rowBytes = 1 + (uint64_t(width) * uint64_t(channels) * bitDepth + 7) / 8;
    if (rowBytes * height > fileBytes * kDeflateMaxRatio) {
        return claimsMoreThanFile(uint64_t(width) * height * 3, fileBytes);
    }
    return {};
}

}  // namespace

bool PngCodec::loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) {
    clearFailure();
    if (!stream.isOpen() || !accepts(image)) return false;
    auto* target = dynamic_cast<PngImageFile*>(&image);
    if (!target) return false;
    m_resolution = 0;
    m_inflatedHere = false;

    const uint64_t fileBytes = stream.size() - std::min(stream.size(), stream.tell());
    png_byte signature[8];
    if (stream.read(signature, 1, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        return refuse("not a PNG file");
    }
    if (std::string why = checkHeaderChunk(stream, fileBytes); !why.empty()) return refuse(why);

    // The image data is first inflated here where the file allows; when that stops short, the
    // library reads the file again from its header.
    const uint32_t afterSignature = stream.tell();
    if ((flags & LoadHeaderOnly) == 0 && !m_libraryInflate) {
        bool again = false;
        const bool ok = readFile(*target, stream, flags, true, &again);
        if (ok || !again) return ok;
        if (!stream.seekTo(afterSignature)) return refuse("read error");
        clearFailure();
        m_resolution = 0;
    }
    return readFile(*target, stream, flags, false, nullptr);
}

bool PngCodec::readFile(PngImageFile& target, ByteStream& stream, uint32_t flags, bool inflateHere,
                        bool* again) {
    ErrorText error;
    auto libraryFailure = [&] {
        return refuse(error.text[0] ? std::string(error.text) : "corrupt PNG data");
    };
    ReadObjects objects;
    objects.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, silentError, silentWarning);
    if (!objects.png) return refuse("out of memory");
    objects.info = png_create_info_struct(objects.png);
    if (!objects.info) return refuse("out of memory");
    const bool headerOnly = (flags & LoadHeaderOnly) != 0;
    if (!headerOnly) {
        objects.endInfo = png_create_info_struct(objects.png);
        if (!objects.endInfo) return refuse("out of memory");
    }
    png_set_read_fn(objects.png, &stream, readFromStream);

    Header h;
    if (!readHeader(objects.png, objects.info, &h)) return libraryFailure();

    PngFormatInfo& info = target.pngInfo();
    info.reset();
    info.width = int32_t(h.width);
    info.height = int32_t(h.height);
    info.sampleBitDepth = h.bitDepth;
    info.channels = h.channels;
    info.bitDepth = h.channels * h.bitDepth;
    info.colorType = h.colorType;
    info.interlaceType = h.interlace;
    m_resolution = h.pixelsPerInch;
    if (headerOnly) return true;

    if (inflateHere && !inflatable(objects.png, objects.info, h)) inflateHere = false;
    if (!setTransforms(objects.png, objects.info, &h)) return libraryFailure();
    const int32_t width = int32_t(h.width), height = int32_t(h.height);
    if (h.rowBytes != size_t(width) * (h.hasAlpha ? 4 : 3)) return refuse("unsupported PNG layout");

    target.clear(false);
    ColorAlphaPair planes;
    if (!planes.color.createColor(width, height)) return refuse("out of memory");
    if (h.hasAlpha && !planes.alpha.createGray(width, height)) return refuse("out of memory");
    bool ok = false;
    if (inflateHere) {
        if (!inflateImageData(stream, h, planes.color.rowTable(),
                              h.hasAlpha ? planes.alpha.rowTable() : nullptr) ||
            !readEndAfterImageData(objects.png, objects.endInfo)) {
            *again = true;
            return false;
        }
        m_inflatedHere = true;
    } else {
        if (!h.hasAlpha) {
            ok = readImage(objects.png, planes.color.rowTable());
        } else if (h.interlace == PNG_INTERLACE_NONE) {
            std::vector<png_byte> buffer(h.rowBytes);
            ok = readSplitRows(objects.png, buffer.data(), planes.color.rowTable(),
                               planes.alpha.rowTable(), h.width, h.height);
        } else {
            // The passes of an interlaced file revisit every row: read whole, then split.
            Surface32 whole;
            if (!whole.create(width, height, 32)) return refuse("out of memory");
            ok = readImage(objects.png, whole.rowTable());
            for (int32_t y = 0; ok && y < height; ++y) {
                splitRow(whole.row(y), planes.color.row(y), planes.alpha.row(y), h.width);
            }
        }
        if (!ok || !readEnd(objects.png, objects.endInfo)) return libraryFailure();
    }

    target.pixels().color.swapStores(planes.color);
    if (planes.alpha.isValid()) target.pixels().alpha.swapStores(planes.alpha);
    return true;
}

bool PngCodec::saveToStream(ByteStream& stream, const ImageFile& image) {
    clearFailure();
    if (!stream.isOpen() || !accepts(image) || !image.isValid()) return false;
    const auto* source = dynamic_cast<const PngImageFile*>(&image);
    if (!source) return false;
    const ColorImage& color = source->pixels().color;
    const GrayMap* alpha = source->alphaPlane();
    if (alpha && alpha->size() != color.size()) return false;
    std::string why;
    if (encodePng(stream, color, alpha, source->pngInfo().compressionLevel, &why)) return true;
    return refuse(why);
}

bool encodePng(ByteStream& stream, const ColorImage& color, const GrayMap* alpha, int level,
               std::string* reason, const PhotoMetadata* metadata) {
    auto refuse = [&](const std::string& text) {
        if (reason) *reason = text;
        return false;
    };
    if (!stream.isOpen() || !color.isValid() || color.bitsPerPixel() != 24) return false;
    if (alpha && (!alpha->isValid() || alpha->size() != color.size())) return false;

    const int32_t width = color.width(), height = color.height();
    const int bpp = alpha ? 4 : 3;
    const size_t rowBytes = size_t(width) * size_t(bpp);
    const size_t lineBytes = rowBytes + 1;
    // Every byte is written before it is read: no need to clear fresh pages.
    const size_t total = lineBytes * size_t(height);
    platform::PixelMemory filtered = platform::PixelMemory::allocate(total, false);
    if (!filtered) return refuse("out of memory");

    // One slice per worker thread, none smaller than kMinSliceBytes.
    const size_t wanted =
        std::max<size_t>(1, std::min<size_t>(size_t(workerThreads()), total / kMinSliceBytes));
    const int32_t rowsPerSlice = int32_t((size_t(height) + wanted - 1) / wanted);
    std::vector<size_t> sliceEnds;
    for (int32_t y = rowsPerSlice; y < height; y += rowsPerSlice) {
        sliceEnds.push_back(size_t(y) * lineBytes);
    }
    sliceEnds.push_back(total);

    parallelRows(height, std::max(1, rowsPerSlice), [&](int begin, int end) {
        std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(rowBytes, 0),
                                        std::vector<uint8_t>(rowBytes, 0)};
        if (begin > 0) rawRow(color, alpha, begin - 1, rows[1].data());
        for (int y = begin; y < end; ++y) {
            std::vector<uint8_t>& cur = rows[size_t(y) & 1];
            const std::vector<uint8_t>& prev = rows[size_t(y + 1) & 1];
            rawRow(color, alpha, y, cur.data());
            filterRow(cur.data(), prev.data(), filtered.data() + size_t(y) * lineBytes, rowBytes,
                      bpp);
        }
    });

    std::vector<uint8_t> compressed;
    std::string why;
    if (!compressZlibSlices(filtered.data(), total, sliceEnds, std::clamp(level, 0, 9), compressed,
                            &why)) {
        return refuse(why);
    }
    filtered.reset();

    static constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    std::vector<uint8_t> header;
    putBe32(header, uint32_t(width));
    putBe32(header, uint32_t(height));
    header.insert(header.end(), {8, uint8_t(alpha ? 6 : 2), 0, 0, 0});
    bool ok = stream.write(kSignature, 1, 8) == 8 &&
              writeChunk(stream, "IHDR", header.data(), header.size());
    if (metadata) {
        for (const PngChunk& chunk : pngMetadataChunks(*metadata)) {
            ok = ok && writeChunk(stream, chunk.type, chunk.data.data(), chunk.data.size());
        }
    }
    ok = ok && writeText(stream, "Software", VARNEL_PRODUCT_NAME) &&
         writeText(stream, "Modification Time", pngTimeText());
    for (size_t at = 0; ok && at < compressed.size(); at += kIdatBytes) {
        ok = writeChunk(stream, "IDAT", compressed.data() + at,
                        std::min(kIdatBytes, compressed.size() - at));
    }
    ok = ok && writeChunk(stream, "IEND", nullptr, 0);
    return ok || refuse("write error");
}

std::string pngTimeText(const std::tm& utc) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = kDays[std::clamp(utc.tm_wday, 0, 6)];
    const char* month = kMonths[std::clamp(utc.tm_mon, 0, 11)];
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d GMT", day, utc.tm_mday, month,
                  utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string pngTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return pngTimeText(utc);
}

}  // namespace varnel
