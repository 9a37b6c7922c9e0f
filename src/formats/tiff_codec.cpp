#include "formats/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/byte_stream.h"
#include "formats/exif.h"
#include "formats/metadata_blocks.h"
#include "formats/refusal.h"

namespace varnel {

namespace {

// Beyond kPixelsDecodedUnchecked, a compressed file must have at least one byte for this many
// pixels (Deflate and LZW reach about a thousand to one on flat areas; the bound allows four
// times that).
constexpr uint64_t kTiffPixelsPerByte = 4096;

bool fail(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
    return false;
}

// The file's bytes in memory, read or written through libtiff's client procedures.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;
    bool writable = false;
    // The library's first error message for this file.
    std::string error;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (size <= 0 || file->position >= file->bytes.size()) return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(size), file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.data() + file->position, n);
    file->position += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (!file->writable || size < 0) return -1;
    const uint64_t end = file->position + uint64_t(size);
    if (end > UINT32_MAX) return -1;
    try {
        if (end > file->bytes.size()) file->bytes.resize(end);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(file->bytes.data() + file->position, buffer, size_t(size));
    file->position = end;
    return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = int64_t(file->position);
    if (whence == SEEK_END) base = int64_t(file->bytes.size());
    const int64_t target = base + int64_t(offset);
    if (target < 0 || target > int64_t(UINT32_MAX)) return toff_t(-1);
    file->position = uint64_t(target);
    return toff_t(target);
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->bytes.size();
}

int mapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) {}

int keepError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* file = static_cast<MemoryFile*>(user);
    if (file->error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        file->error = text;
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffClose>;

TiffHandle openMemory(MemoryFile& file, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, &file);
    TIFF* tif = TIFFClientOpenExt("", mode, &file, readProc, writeProc, seekProc, closeProc,
                                  sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return TiffHandle(tif);
}

// The library's words for a failure, else `fallback`.
std::string libraryReason(const MemoryFile& file, const char* fallback) {
    return file.error.empty() ? std::string(fallback) : "the TIFF data is corrupt: " + file.error;
}

// 16-bit samples to 8 bits, rounded to the nearest level.
inline uint8_t to8(uint16_t v) {
    return uint8_t((uint32_t(v) * 255 + 32767) / 65535);
}

// The picture's planes from top-down rows of `samples` interleaved 8- or 16-bit samples: grey
// or RGB, then alpha when `alphaSample` ≥ 0.
struct SampleLayout {
    int samples = 0;
    int bits = 8;
    bool grey = false;
    bool whiteIsZero = false;
    int alphaSample = -1;
    bool premultiplied = false;
};

void convertRow(const uint8_t* in, const SampleLayout& layout, int width, Bgr* color,
                uint8_t* alpha) {
    auto sample = [&](int x, int s) -> uint8_t {
        const size_t i = size_t(x) * size_t(layout.samples) + size_t(s);
        if (layout.bits == 16) {
            uint16_t v;
            std::memcpy(&v, in + i * 2, 2);
            return to8(v);
        }
        return in[i];
    };
    for (int x = 0; x < width; ++x) {
        uint8_t r, g, b;
        if (layout.grey) {
            r = g = b = layout.whiteIsZero ? uint8_t(255 - sample(x, 0)) : sample(x, 0);
        } else {
            r = sample(x, 0);
            g = sample(x, 1);
            b = sample(x, 2);
        }
        uint8_t a = 255;
        if (layout.alphaSample >= 0) {
            a = sample(x, layout.alphaSample);
            if (layout.premultiplied && a != 0 && a != 255) {
                auto undo = [a](uint8_t c) {
                    return uint8_t(std::min<uint32_t>(255, (uint32_t(c) * 255 + a / 2) / a));
                };
                r = undo(r);
                g = undo(g);
                b = undo(b);
            }
            alpha[x] = a;
        }
        color[x] = Bgr{b, g, r};
    }
}

// 8-bit samples in the common layouts, a row at a time without a branch per sample; anything
// else through the general conversion.
void convertRowFast(const uint8_t* in, const SampleLayout& layout, int width, Bgr* color,
                    uint8_t* alpha) {
    if (layout.bits == 8 && !layout.grey && layout.samples == 3 && layout.alphaSample < 0) {
        for (int x = 0; x < width; ++x, in += 3) color[x] = Bgr{in[2], in[1], in[0]};
    } else if (layout.bits == 8 && !layout.grey && layout.samples == 4 && layout.alphaSample == 3 &&
               !layout.premultiplied) {
        for (int x = 0; x < width; ++x, in += 4) {
            color[x] = Bgr{in[2], in[1], in[0]};
            alpha[x] = in[3];
        }
    } else if (layout.bits == 8 && layout.grey && layout.samples == 1 && !layout.whiteIsZero) {
        for (int x = 0; x < width; ++x) color[x] = Bgr{in[x], in[x], in[x]};
    } else {
        convertRow(in, layout, width, color, alpha);
    }
}

// Strips whose decoded size is at most this are decoded whole (the library then inflates a
// strip in one call, several times faster than row by row); larger ones row by row, so that a
// file of one huge strip does not take its picture's size twice.
constexpr tmsize_t kWholeStripBytes = tmsize_t(16) << 20;

// The reason a strip could not be read: cut off by the end of the file, or corrupt.
std::string stripFailure(TIFF* tif, MemoryFile& file, tstrip_t index) {
    const uint64_t end = TIFFGetStrileOffset(tif, index) + TIFFGetStrileByteCount(tif, index);
    if (end > file.bytes.size()) return truncatedAt(file.bytes.size(), end);
    return libraryReason(file, "the TIFF data could not be decoded");
}

// Strips of interleaved 8- or 16-bit grey or RGB samples, with or without alpha: read here, a
// whole strip or a row at a time, so that 16-bit samples round and unassociated alpha stays as
// it is.
bool readStrips(TIFF* tif, MemoryFile& file, const SampleLayout& layout, int width, int height,
                DecodedPicture& out, std::string* reason) {
    const tmsize_t rowBytes = TIFFScanlineSize(tif);
    if (rowBytes < tmsize_t(width) * layout.samples * (layout.bits / 8)) {
        return fail(reason, libraryReason(file, "the TIFF layout is inconsistent"));
    }
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, uint32_t(height));
    auto row = [&](const uint8_t* in, int y) {
        convertRowFast(in, layout, width, out.color.pixels(y),
                       layout.alphaSample >= 0 ? out.alpha.row(y) : nullptr);
    };
    if (rowBytes * tmsize_t(rowsPerStrip) <= kWholeStripBytes) {
        std::vector<uint8_t> strip(size_t(rowBytes) * rowsPerStrip);
        for (uint32_t y = 0; y < uint32_t(height); y += rowsPerStrip) {
            const uint32_t rows = std::min(rowsPerStrip, uint32_t(height) - y);
            const tstrip_t index = TIFFComputeStrip(tif, y, 0);
            const tmsize_t wanted = rowBytes * tmsize_t(rows);
            if (TIFFReadEncodedStrip(tif, index, strip.data(), wanted) < wanted) {
                return fail(reason, stripFailure(tif, file, index));
            }
            for (uint32_t r = 0; r < rows; ++r)
                row(strip.data() + size_t(r) * size_t(rowBytes), int(y + r));
        }
        return true;
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(rowBytes));
    for (int y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, buffer.data(), uint32_t(y), 0) < 0) {
            return fail(reason, stripFailure(tif, file, TIFFComputeStrip(tif, uint32_t(y), 0)));
        }
        row(buffer.data(), y);
    }
    return true;
}

// Everything else (palettes, YCbCr and JPEG, bilevel and 4-bit samples, tiles, separate planes,
// CMYK) through the library's RGBA reader, which gives premultiplied colour when the file's
// alpha is unassociated too.
bool readThroughRgba(TIFF* tif, MemoryFile& file, int width, int height, bool withAlpha,
                     DecodedPicture& out, std::string* reason) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) {
        return fail(reason, std::string("unsupported TIFF layout: ") + message);
    }
    std::vector<uint32_t> raster(size_t(width) * size_t(height));
    if (!TIFFReadRGBAImageOriented(tif, uint32_t(width), uint32_t(height), raster.data(),
                                   ORIENTATION_TOPLEFT, 0)) {
        return fail(reason, libraryReason(file, "the TIFF data could not be decoded"));
    }
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = raster.data() + size_t(y) * size_t(width);
        Bgr* color = out.color.pixels(y);
        uint8_t* alpha = withAlpha ? out.alpha.row(y) : nullptr;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = in[x];
            uint8_t r = uint8_t(TIFFGetR(p)), g = uint8_t(TIFFGetG(p)), b = uint8_t(TIFFGetB(p));
            const uint8_t a = uint8_t(TIFFGetA(p));
            if (alpha) {
                if (a != 0 && a != 255) {
                    auto undo = [a](uint8_t c) {
                        return uint8_t(std::min<uint32_t>(255, (uint32_t(c) * 255 + a / 2) / a));
                    };
                    r = undo(r);
                    g = undo(g);
                    b = undo(b);
                }
                alpha[x] = a;
            }
            color[x] = Bgr{b, g, r};
        }
    }
    return true;
}

}  // namespace

bool readTiff(ByteStream& stream, DecodedPicture& picture, std::string* reason) {
    MemoryFile file;
    const uint32_t at = stream.tell();
    const uint32_t size = stream.size();
    if (size <= at) return fail(reason, "the file is empty");
    file.bytes.resize(size - at);
    if (stream.read(file.bytes.data(), 1, uint32_t(file.bytes.size())) != file.bytes.size()) {
        return fail(reason, "the file could not be read");
    }
    TiffHandle tif = openMemory(file, "rm");
    if (!tif) {
        return fail(reason, file.error.empty() ? std::string("not a TIFF file")
                                               : "not a readable TIFF file: " + file.error);
    }

    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric)) {
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    if (std::string why = checkSides(width, height); !why.empty()) return fail(reason, why);
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t fileBytes = file.bytes.size();
    const uint64_t rawBytes = pixels * samples * bits / 8;
    // Uncompressed data must all be there; a small picture that is cut short is reported as
    // truncated when its strips are read.
    if (compression == COMPRESSION_NONE
            ? rawBytes > fileBytes && pixels > kPixelsDecodedUnchecked
            : pixels > kPixelsDecodedUnchecked + fileBytes * kTiffPixelsPerByte) {
        return fail(reason, claimsMoreThanFile(pixels * 4, fileBytes));
    }

    uint16_t extraCount = 0;
    uint16_t* extraKinds = nullptr;
    TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    SampleLayout layout;
    layout.samples = samples;
    layout.bits = bits;
    layout.grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    layout.whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
    const int colorSamples = layout.grey ? 1 : 3;
    if (extraCount > 0 && extraKinds && samples > colorSamples &&
        (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA)) {
        layout.alphaSample = colorSamples;
        layout.premultiplied = extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    const bool withAlpha = layout.alphaSample >= 0;

    DecodedPicture decoded;
    if (!decoded.color.createColor(int32_t(width), int32_t(height)) ||
        (withAlpha && !decoded.alpha.createGray(int32_t(width), int32_t(height)))) {
        return fail(reason, "out of memory");
    }
    const bool plain = (bits == 8 || bits == 16) && planar == PLANARCONFIG_CONTIG &&
                       !TIFFIsTiled(tif.get()) && (layout.grey || photometric == PHOTOMETRIC_RGB) &&
                       samples >= colorSamples && compression != COMPRESSION_OJPEG;
    const bool ok =
        plain
            ? readStrips(tif.get(), file, layout, int(width), int(height), decoded, reason)
            : readThroughRgba(tif.get(), file, int(width), int(height), withAlpha, decoded, reason);
    if (!ok) return false;
    decoded.dropOpaqueAlpha();
    decoded.bitsPerPixel = int32_t(bits) * int32_t(samples);
    float xResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xResolution) && xResolution > 0) {
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
        if (unit == RESUNIT_INCH) decoded.resolution = xResolution;
        if (unit == RESUNIT_CENTIMETER) decoded.resolution = xResolution * 2.54;
    }
    decoded.metadata.exif = exifFromTiffFile(file.bytes.data(), file.bytes.size());
    auto block = [&](uint32_t tag, std::vector<uint8_t>& into) {
        uint32_t count = 0;
        const uint8_t* data = nullptr;
        if (TIFFGetField(tif.get(), tag, &count, &data) && data && count > 0 &&
            count <= kMaxMetadataBlockBytes) {
            into.assign(data, data + count);
        }
    };
    block(TIFFTAG_XMLPACKET, decoded.metadata.xmp);
    block(TIFFTAG_ICCPROFILE, decoded.metadata.icc);
    const tdir_t pages = TIFFNumberOfDirectories(tif.get());
    if (pages > 1) {
        decoded.note = "Only the first of " + std::to_string(pages) + " pages was opened.";
    }

    picture.color.swapStores(decoded.color);
    picture.alpha.release();
    if (decoded.alpha.isValid()) picture.alpha.swapStores(decoded.alpha);
    picture.bitsPerPixel = decoded.bitsPerPixel;
    picture.resolution = decoded.resolution;
    picture.note = decoded.note;
    picture.metadata = std::move(decoded.metadata);
    return true;
}

namespace {

// The file in memory; with `directories` the first directory gets Exif and GPS directory
// entries for appendExifToTiffFile to point at the block's directories. `leftOut` tells when
// those directories could not be copied (the file is then unusable: it must be encoded again
// without them).
bool encodeTiff(MemoryFile& file, const ColorImage& color, const GrayMap* alpha, double resolution,
                const PhotoMetadata* metadata, bool directories, bool& leftOut,
                std::string* reason) {
    const bool withAlpha = alpha && alpha->isValid() && alpha->size() == color.size();
    const int width = color.width(), height = color.height();
    const int samples = withAlpha ? 4 : 3;
    file.bytes.clear();
    file.position = 0;
    file.error.clear();
    file.writable = true;
    const std::vector<uint8_t> none;
    const std::vector<uint8_t>& exif = metadata ? metadata->exif : none;
    bool exifDirectory = false, gpsDirectory = false;
    directories = directories && exifHasDirectories(exif, exifDirectory, gpsDirectory);
    {
        // Exif directories are copied as their bytes lie: the file takes the block's byte order.
        const bool bigEndian = directories && exif[0] == 'M';
        TiffHandle tif = openMemory(file, bigEndian ? "wb" : "wl");
        if (!tif) return fail(reason, libraryReason(file, "the TIFF writer is unusable"));
        TIFF* t = tif.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        if (withAlpha) {
            const uint16_t kinds[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, kinds);
        }
        if (resolution > 0) {
            TIFFSetField(t, TIFFTAG_XRESOLUTION, float(resolution));
            TIFFSetField(t, TIFFTAG_YRESOLUTION, float(resolution));
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        }
        if (metadata) {
            for (const ExifText& text : exifTextTags(exif)) {
                const std::string value(text.text.begin(), text.text.end());
                TIFFSetField(t, text.tag, value.c_str());
            }
            if (!metadata->xmp.empty() && metadata->xmp.size() <= UINT32_MAX) {
                TIFFSetField(t, TIFFTAG_XMLPACKET, uint32_t(metadata->xmp.size()),
                             metadata->xmp.data());
            }
            if (!metadata->icc.empty() && metadata->icc.size() <= UINT32_MAX) {
                TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(metadata->icc.size()),
                             metadata->icc.data());
            }
        }
        // Entries to be pointed at the directories once the file is complete.
        if (exifDirectory) TIFFSetField(t, TIFFTAG_EXIFIFD, uint64_t(0));
        if (gpsDirectory) TIFFSetField(t, TIFFTAG_GPSIFD, uint64_t(0));
        // Strips of about 256 KB: large enough for Deflate to do well.
        const uint32_t rowBytes = uint32_t(width) * uint32_t(samples);
        const uint32_t rowsPerStrip = std::clamp<uint32_t>((256u << 10) / rowBytes, 1, height);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        // Whole strips: the library deflates a strip given at once in one call, several times
        // faster than row by row.
        std::vector<uint8_t> strip(size_t(rowBytes) * rowsPerStrip);
        for (uint32_t y = 0, index = 0; y < uint32_t(height); y += rowsPerStrip, ++index) {
            const uint32_t rows = std::min(rowsPerStrip, uint32_t(height) - y);
            for (uint32_t r = 0; r < rows; ++r) {
                const Bgr* in = color.pixels(int32_t(y + r));
                const uint8_t* a = withAlpha ? alpha->row(int32_t(y + r)) : nullptr;
                uint8_t* out = strip.data() + size_t(r) * rowBytes;
                if (a) {
                    for (int x = 0; x < width; ++x, out += 4) {
                        out[0] = in[x].r;
                        out[1] = in[x].g;
                        out[2] = in[x].b;
                        out[3] = a[x];
                    }
                } else {
                    for (int x = 0; x < width; ++x, out += 3) {
                        out[0] = in[x].r;
                        out[1] = in[x].g;
                        out[2] = in[x].b;
                    }
                }
            }
            if (TIFFWriteEncodedStrip(t, index, strip.data(), tmsize_t(rowBytes) * rows) < 0) {
                return fail(reason, libraryReason(file, "the TIFF writer failed"));
            }
        }
        if (!TIFFWriteDirectory(t)) {
            return fail(reason, libraryReason(file, "the TIFF writer failed"));
        }
    }
    if (!file.error.empty()) return fail(reason, libraryReason(file, ""));
    leftOut = directories && !appendExifToTiffFile(file.bytes, exif);
    return true;
}

}  // namespace

bool writeTiff(ByteStream& stream, const ColorImage& color, const GrayMap* alpha, double resolution,
               std::string* reason, const PhotoMetadata* metadata) {
    if (!color.isValid()) return fail(reason, "no picture to save");
    MemoryFile file;
    bool leftOut = false;
    if (!encodeTiff(file, color, alpha, resolution, metadata, true, leftOut, reason)) return false;
    // Directories that cannot be copied (a block beyond every limit) are left out rather than
    // the picture.
    if (leftOut && !encodeTiff(file, color, alpha, resolution, metadata, false, leftOut, reason)) {
        return false;
    }
    if (file.bytes.size() > UINT32_MAX ||
        stream.write(file.bytes.data(), 1, uint32_t(file.bytes.size())) != file.bytes.size()) {
        return fail(reason, "the file could not be written");
    }
    return true;
}

}  // namespace varnel
