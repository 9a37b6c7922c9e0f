#include "formats/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "formats/byte_stream.h"
#include "formats/refusal.h"

namespace varnel {

namespace {

int readFromStream(GifFileType* gif, GifByteType* buffer, int length) {
    if (length <= 0) return 0;
    auto* stream = static_cast<ByteStream*>(gif->UserData);
    return int(stream->read(buffer, 1, uint32_t(length)));
}

struct GifCloser {
    GifFileType* gif = nullptr;
    ~GifCloser() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// The colours of one image: its local table, else the global one, else grey levels.
struct ColorTable {
    std::array<Bgr, 256> colors{};
    int count = 0;
    int bitsPerPixel = 8;

    void load(const ColorMapObject* map) {
        if (!map || !map->Colors || map->ColorCount <= 0) {
            for (int i = 0; i < 256; ++i)
                colors[size_t(i)] = Bgr{uint8_t(i), uint8_t(i), uint8_t(i)};
            count = 256;
            bitsPerPixel = 8;
            return;
        }
        count = std::min(map->ColorCount, 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = map->Colors[i];
            colors[size_t(i)] = Bgr{c.Blue, c.Green, c.Red};
        }
        // Indices beyond the table show black.
        for (int i = count; i < 256; ++i) colors[size_t(i)] = Bgr{};
        bitsPerPixel = std::clamp(map->BitsPerPixel, 1, 8);
    }
};

// LZW codes are at most 12 bits long and one code stands for at most 4096 pixels: a GIF image
// cannot have more pixels than about 2731 per byte of its file.
constexpr uint64_t kGifPixelsPerByte = 2731;

// Why giflib gave up: a read that ran out of data is a truncated file; giflib also reports some
// malformed data (an impossible code size) as a failed read, which is corrupt data here; anything
// else is the library's own description.
std::string gifFailure(int error, const ByteStream& stream) {
    if (stream.tell() >= stream.size()) return truncatedAt(stream.size());
    const char* text = error == D_GIF_ERR_READ_FAILED ? nullptr : GifErrorString(error);
    if (!text) return "corrupt image data";
    std::string reason = text;
    if (!reason.empty()) reason[0] = char(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

// Empty when a picture of `width` × `height` pixels can come from the file; otherwise why not
// (the side named with `what`: "screen width 40000 exceeds ...").
std::string checkClaims(const char* what, int64_t width, int64_t height, uint64_t fileBytes) {
    std::string reason = checkSides(width, height);
    if (!reason.empty()) return std::string(what) + " " + reason;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (pixels > kPixelsDecodedUnchecked + fileBytes * kGifPixelsPerByte) {
        return claimsMoreThanFile(pixels * 3, fileBytes);
    }
    return {};
}

}  // namespace

bool readGif(ByteStream& stream, DecodedPicture& picture, std::string* reason) {
    if (!stream.isOpen()) return false;
    std::string why;
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    try {
        const uint64_t fileBytes = stream.size() - std::min(stream.size(), stream.tell());
        int error = 0;
        GifCloser closer;
        closer.gif = DGifOpen(&stream, readFromStream, &error);
        GifFileType* gif = closer.gif;
        if (!gif) return refuse(gifFailure(error, stream));
        auto libraryFailure = [&] { return refuse(gifFailure(gif->Error, stream)); };
        const int screenWidth = gif->SWidth;
        const int screenHeight = gif->SHeight;
        // The screen is what is allocated; a file with a small image on a vast screen is refused
        // like one whose image is vast.
        why = checkClaims("screen", screenWidth, screenHeight, fileBytes);
        if (!why.empty()) return refuse(why);

        int transparent = -1;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif, &type) == GIF_ERROR) return libraryFailure();
            if (type == TERMINATE_RECORD_TYPE) return refuse("no image in the file");
            if (type == EXTENSION_RECORD_TYPE) {
                int code = 0;
                GifByteType* block = nullptr;
                if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return libraryFailure();
                if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                    GraphicsControlBlock control;
                    if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                        transparent = control.TransparentColor;
                    }
                }
                while (block) {
                    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return libraryFailure();
                }
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE) continue;
            if (DGifGetImageDesc(gif) == GIF_ERROR) return libraryFailure();
            break;
        }

        const GifImageDesc& desc = gif->Image;
        why = checkClaims("image", desc.Width, desc.Height, fileBytes);
        if (!why.empty()) return refuse(why);
        if (desc.Left < 0 || desc.Top < 0) return refuse("image placed off the screen");
        ColorTable table;
        table.load(desc.ColorMap ? desc.ColorMap : gif->SColorMap);

        const int left = desc.Left, top = desc.Top;
        const int right = std::min(screenWidth, left + desc.Width);
        const int bottom = std::min(screenHeight, top + desc.Height);
        const int visibleWidth = std::max(0, right - left);
        const int visibleHeight = std::max(0, bottom - top);

        // The visible part of the image's indices, decoded before the picture is made: a file
        // that breaks off never has a screen-sized picture painted for it. The buffer's pages are
        // only touched as rows arrive.
        std::unique_ptr<GifPixelType[]> indices(
            new GifPixelType[std::max<size_t>(1, size_t(visibleWidth) * size_t(visibleHeight))]);
        std::vector<GifPixelType> line(size_t(desc.Width));
        auto keep = [&](int row) {
            if (row >= visibleHeight || visibleWidth == 0) return;
            std::copy_n(line.data(), visibleWidth, indices.get() + size_t(row) * visibleWidth);
        };
        if (desc.Interlace) {
            static constexpr int kStart[] = {0, 4, 2, 1};
            static constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int row = kStart[pass]; row < desc.Height; row += kStep[pass]) {
                    if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) {
                        return libraryFailure();
                    }
                    keep(row);
                }
            }
        } else {
            // Rows below the screen are never shown: stop once the visible ones are read.
            for (int row = 0; row < std::min(desc.Height, visibleHeight); ++row) {
                if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return libraryFailure();
                keep(row);
            }
        }

        ColorImage color;
        GrayMap alpha;
        if (!color.createColor(screenWidth, screenHeight) ||
            !alpha.createGray(screenWidth, screenHeight)) {
            return refuse("out of memory");
        }
        // What the screen shows where the image does not reach.
        Bgr backdrop{};
        uint8_t backdropAlpha = 255;
        if (transparent >= 0) {
            backdrop = table.colors[size_t(std::min(transparent, 255))];
            backdropAlpha = 0;
        } else if (gif->SColorMap && gif->SBackGroundColor >= 0 &&
                   gif->SBackGroundColor < gif->SColorMap->ColorCount) {
            const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
            backdrop = Bgr{c.Blue, c.Green, c.Red};
        }
        const bool covers = left == 0 && top == 0 && right == screenWidth && bottom == screenHeight;
        if (!covers) {
            for (int y = 0; y < screenHeight; ++y) {
                std::fill_n(color.pixels(y), screenWidth, backdrop);
                std::fill_n(alpha.row(y), screenWidth, backdropAlpha);
            }
        }
        for (int row = 0; row < visibleHeight; ++row) {
            Bgr* out = color.pixels(top + row) + left;
            uint8_t* a = alpha.row(top + row) + left;
            const GifPixelType* in = indices.get() + size_t(row) * visibleWidth;
            for (int x = 0; x < visibleWidth; ++x) {
                out[x] = table.colors[in[x]];
                a[x] = int(in[x]) == transparent ? 0 : 255;
            }
        }

        picture.color.swapStores(color);
        picture.alpha.swapStores(alpha);
        picture.bitsPerPixel = table.bitsPerPixel;
        picture.resolution = 0;
        picture.dropOpaqueAlpha();
        return true;
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
}

}  // namespace varnel
