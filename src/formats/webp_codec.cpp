#include "formats/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/byte_stream.h"
#include "formats/metadata_blocks.h"
#include "formats/refusal.h"

namespace varnel {

namespace {

// Beyond kPixelsDecodedUnchecked, a file must have at least one byte for this many pixels. Both
// codings can spend almost nothing on a flat area (a lossless code of one symbol takes no bits),
// so the bound is loose: it stops a header of a few bytes from costing a gigabyte, and no more.
constexpr uint64_t kWebpPixelsPerByte = 4096;

// The format's own limit on either side.
constexpr int kWebpMaxSide = WEBP_MAX_DIMENSION;

bool fail(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
    return false;
}

// The bytes from the stream's position to its end.
bool readRest(ByteStream& stream, std::vector<uint8_t>& bytes, std::string* reason) {
    const uint32_t at = stream.tell();
    const uint32_t size = stream.size();
    if (size <= at) return fail(reason, "the file is empty");
    bytes.resize(size - at);
    if (stream.read(bytes.data(), 1, uint32_t(bytes.size())) != bytes.size()) {
        return fail(reason, "the file could not be read");
    }
    return true;
}

// The length the RIFF header announces for the whole file; 0 when it is not a RIFF header.
uint64_t announcedLength(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return 0;
    return 8 + (uint64_t(bytes[4]) | uint64_t(bytes[5]) << 8 | uint64_t(bytes[6]) << 16 |
                uint64_t(bytes[7]) << 24);
}

std::string decoderFailure(VP8StatusCode status, const std::vector<uint8_t>& bytes) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return truncatedAt(bytes.size(), announcedLength(bytes));
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "the WebP file uses a feature that cannot be read";
        default:
            return "the WebP data is corrupt";
    }
}

// Splits interleaved blue, green, red, alpha rows (top row first) into the two planes.
bool splitBgra(const uint8_t* bgra, size_t stride, int width, int height, DecodedPicture& out) {
    if (!out.color.createColor(width, height) || !out.alpha.createGray(width, height)) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = bgra + size_t(y) * stride;
        Bgr* color = out.color.pixels(y);
        uint8_t* alpha = out.alpha.row(y);
        for (int x = 0; x < width; ++x, in += 4) {
            color[x] = Bgr{in[0], in[1], in[2]};
            alpha[x] = in[3];
        }
    }
    out.dropOpaqueAlpha();
    return true;
}

struct AnimDecoderFree {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

bool readAnimation(const std::vector<uint8_t>& bytes, DecodedPicture& out, std::string* reason) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return fail(reason, "the WebP decoder is unusable");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) return fail(reason, decoderFailure(VP8_STATUS_BITSTREAM_ERROR, bytes));
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count == 0) {
        return fail(reason, "the WebP animation has no frame");
    }
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas) {
        return fail(reason, "the first frame of the WebP animation is corrupt");
    }
    const int width = int(info.canvas_width), height = int(info.canvas_height);
    if (!splitBgra(canvas, size_t(width) * 4, width, height, out)) {
        return fail(reason, "out of memory");
    }
    if (info.frame_count > 1) {
        out.note = "Only the first of " + std::to_string(info.frame_count) + " frames was opened.";
    }
    return true;
}

}  // namespace

bool readWebp(ByteStream& stream, DecodedPicture& picture, std::string* reason) {
    std::vector<uint8_t> bytes;
    if (!readRest(stream, bytes, reason)) return false;
    WebPBitstreamFeatures features;
    const VP8StatusCode headerStatus = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (headerStatus != VP8_STATUS_OK) {
        if (headerStatus == VP8_STATUS_NOT_ENOUGH_DATA && bytes.size() < 30) {
            return fail(reason, "not a WebP file");
        }
        return fail(reason, headerStatus == VP8_STATUS_BITSTREAM_ERROR
                                ? std::string("not a WebP file")
                                : decoderFailure(headerStatus, bytes));
    }
    if (std::string why = checkSides(features.width, features.height); !why.empty()) {
        return fail(reason, why);
    }
    const uint64_t pixels = uint64_t(features.width) * uint64_t(features.height);
    if (pixels > kPixelsDecodedUnchecked + bytes.size() * kWebpPixelsPerByte) {
        return fail(reason, claimsMoreThanFile(pixels * 4, bytes.size()));
    }

    DecodedPicture decoded;
    decoded.bitsPerPixel = features.has_alpha ? 32 : 24;
    if (features.has_animation) {
        if (!readAnimation(bytes, decoded, reason)) return false;
    } else {
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config)) return fail(reason, "the WebP decoder is unusable");
        const int width = features.width, height = features.height;
        std::vector<uint8_t> bgra;
        if (features.has_alpha) {
            bgra.resize(size_t(width) * size_t(height) * 4);
            config.output.colorspace = MODE_BGRA;
            config.output.u.RGBA.rgba = bgra.data();
            config.output.u.RGBA.stride = width * 4;
            config.output.u.RGBA.size = bgra.size();
        } else {
            // Decoded straight into the colour plane, whose rows lie bottom-up in memory.
            if (!decoded.color.createColor(width, height)) return fail(reason, "out of memory");
            config.options.flip = 1;
            config.output.colorspace = MODE_BGR;
            config.output.u.RGBA.rgba = decoded.color.bits();
            config.output.u.RGBA.stride = decoded.color.bytesPerRow();
            config.output.u.RGBA.size = decoded.color.imageBytes();
        }
        config.output.is_external_memory = 1;
        const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK) return fail(reason, decoderFailure(status, bytes));
        if (features.has_alpha &&
            !splitBgra(bgra.data(), size_t(width) * 4, width, height, decoded)) {
            return fail(reason, "out of memory");
        }
    }
    picture.color.swapStores(decoded.color);
    picture.alpha.release();
    if (decoded.alpha.isValid()) picture.alpha.swapStores(decoded.alpha);
    picture.bitsPerPixel = decoded.bitsPerPixel;
    picture.resolution = 0;
    picture.note = decoded.note;
    picture.metadata = metadataFromWebp(bytes.data(), bytes.size());
    return true;
}

namespace {

std::string encoderFailure(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_ENC_ERROR_BAD_DIMENSION:
            return "WebP pictures are at most " + std::to_string(kWebpMaxSide) +
                   " pixels wide and high";
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return "the picture is too large for a WebP file";
        default:
            return "the WebP encoder failed";
    }
}

struct PictureFree {
    void operator()(WebPPicture* p) const { WebPPictureFree(p); }
};

struct WriterClear {
    void operator()(WebPMemoryWriter* w) const { WebPMemoryWriterClear(w); }
};

}  // namespace

bool writeWebp(ByteStream& stream, const ColorImage& color, const GrayMap* alpha,
               const WebpSaveSettings& settings, std::string* reason,
               const PhotoMetadata* metadata) {
    if (!color.isValid()) return fail(reason, "no picture to save");
    const int width = color.width(), height = color.height();
    if (width > kWebpMaxSide || height > kWebpMaxSide) {
        return fail(reason, encoderFailure(VP8_ENC_ERROR_BAD_DIMENSION));
    }
    const bool withAlpha = alpha && alpha->isValid() && alpha->size() == color.size();

    WebPConfig config;
    if (!WebPConfigInit(&config)) return fail(reason, "the WebP encoder is unusable");
    config.method = 4;
    config.thread_level = 1;
    if (settings.lossless) {
        config.lossless = 1;
        config.quality = 75;
        // Transparent pixels keep their colour: what is saved is what reads back.
        config.exact = 1;
    } else {
        config.quality = float(std::clamp<int32_t>(settings.quality, 0, 100));
    }
    if (!WebPValidateConfig(&config)) return fail(reason, "the WebP encoder is unusable");

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return fail(reason, "the WebP encoder is unusable");
    picture.use_argb = 1;
    picture.width = width;
    picture.height = height;
    if (!WebPPictureAlloc(&picture)) return fail(reason, "out of memory");
    std::unique_ptr<WebPPicture, PictureFree> owned(&picture);
    for (int y = 0; y < height; ++y) {
        uint32_t* out = picture.argb + size_t(y) * size_t(picture.argb_stride);
        const Bgr* in = color.pixels(y);
        const uint8_t* a = withAlpha ? alpha->row(y) : nullptr;
        for (int x = 0; x < width; ++x) {
            out[x] = uint32_t(a ? a[x] : 255) << 24 | uint32_t(in[x].r) << 16 |
                     uint32_t(in[x].g) << 8 | uint32_t(in[x].b);
        }
    }

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    std::unique_ptr<WebPMemoryWriter, WriterClear> written(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (!WebPEncode(&config, &picture)) return fail(reason, encoderFailure(picture.error_code));
    const uint8_t* bytes = writer.mem;
    size_t size = writer.size;
    std::vector<uint8_t> withMetadata;
    if (metadata && !metadata->empty()) {
        withMetadata.assign(writer.mem, writer.mem + writer.size);
        if (!addMetadataToWebp(withMetadata, *metadata, reason)) return false;
        bytes = withMetadata.data();
        size = withMetadata.size();
    }
    if (size > UINT32_MAX || stream.write(bytes, 1, uint32_t(size)) != size) {
        return fail(reason, "the file could not be written");
    }
    return true;
}

}  // namespace varnel
