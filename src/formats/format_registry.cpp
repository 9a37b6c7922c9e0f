#include "formats/format_registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <new>
#include <optional>

#include "core/surface_ops.h"
#include "document/document.h"
#include "document/layer_stack.h"
#include "formats/file_stream.h"
#include "formats/image_file.h"
#include "formats/metadata_blocks.h"
#include "formats/openraster.h"
#include "formats/picture_import.h"
#include "formats/png_codec.h"
#include "formats/tiff_codec.h"
#include "formats/webp_codec.h"
#include "platform/file_io.h"

namespace varnel {

const char* openDialogFilter() {
    return "BMP (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|GIF (*.gif)|*.gif|ICO (*.ico)|*.ico|"
           "JPG (*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif|PNG (*.png)|*.png|"
           "OpenRaster (*.ora)|*.ora|TIFF (*.tif;*.tiff)|*.tif;*.tiff|WebP (*.webp)|*.webp|"
           "All Formats|*.bmp;*.dib;*.gif;*.ico;*.jpg;*.jpeg;*.jpe;*.png;*.rle;*.ora;*.tif;*.tiff;"
           "*.webp|";
}

const char* saveDialogFilter() {
    return "BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png|OpenRaster (*.ora)|*.ora|"
           "WebP (*.webp)|*.webp|WebP lossless (*.webp)|*.webp|TIFF (*.tif)|*.tif|";
}

int formatTypeOfSaveFilter(int entry) {
    switch (entry) {
        case 1:
            return FormatBmp;
        case 2:
            return FormatJpeg;
        case 3:
            return FormatPng;
        case 4:
            return FormatOra;
        case 5:
        case 6:
            return FormatWebp;
        case 7:
            return FormatTiff;
        default:
            return FormatNone;
    }
}

bool isLosslessSaveFilter(int entry) {
    return entry == 6;
}

std::string extensionOf(int formatType) {
    switch (formatType) {
        case FormatNative:
            return "ved";
        case FormatBmp:
            return "bmp";
        case FormatGif:
            return "gif";
        case FormatIco:
            return "ico";
        case FormatJpeg:
            return "jpg";
        case FormatPng:
            return "png";
        case FormatTiff:
            return "tif";
        case FormatOra:
            return "ora";
        case FormatWebp:
            return "webp";
        default:
            return {};
    }
}

std::string setExtensionFor(const std::string& path, int formatType) {
    const std::string own = extensionOf(formatType);
    if (own.empty()) return path;
    const int current = formatTypeOf(path);
    if (current == formatType) return path;
    const size_t slash = path.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    // A known extension of another format is replaced, and so is an empty one ("name.").
    const bool hasDot = dot != std::string::npos && dot >= nameStart;
    if (hasDot && (current != FormatNone || dot + 1 == path.size())) {
        return path.substr(0, dot + 1) + own;
    }
    return path + "." + own;
}

namespace {

// Empty when `path` is a regular file; otherwise why it cannot be opened.
std::string checkRegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return platform::describeFileError(errno);
    if (S_ISDIR(st.st_mode)) return platform::describeFileError(EISDIR);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    return {};
}

// BMP and PNG: the codec fills an image file object whose planes become the document's layer.
bool openThroughCodec(std::unique_ptr<Document>& document, const std::string& path, int type,
                      OpenedFileInfo& info, std::string& reason) {
    std::unique_ptr<ImageFile> image = createImageFile(type);
    if (!image) return false;
    std::unique_ptr<ImageCodec> codec = image->createCodec();
    if (!codec) return false;
    if (!codec->loadFromFile(*image, path, LoadPixels)) {
        reason = codec->failure();
        return false;
    }
    if (image->formatType() != type || !image->isValid()) return false;
    auto* planes = dynamic_cast<TransparentImageFile*>(image.get());
    if (!planes) return false;
    ColorAlphaPair& pixels = planes->pixels();
    PhotoMetadata metadata;
    if (type == FormatPng) {
        FileStream again;
        if (again.openForRead(path)) readPngMetadata(again, metadata);
        if (!orientUpright(pixels.color, pixels.alpha, metadata)) {
            reason = "out of memory";
            return false;
        }
    }
    GrayMap* alpha = pixels.hasAlpha() ? &pixels.alpha : nullptr;
    std::unique_ptr<Document> built = Document::fromImage(pixels.color, alpha, path);
    if (!built) return false;
    built->setMetadata(std::move(metadata));
    info.bitsPerPixel = image->formatInfo()->bitDepth;
    if (type == FormatBmp) {
        const auto& header = static_cast<const BmpImageFile&>(*image).bmpInfo().header;
        // Pixels per metre at offset 24 of the info header.
        if (header.size() >= 28) {
            const int32_t perMetre =
                int32_t(uint32_t(header[24]) | uint32_t(header[25]) << 8 |
                        uint32_t(header[26]) << 16 | uint32_t(header[27]) << 24);
            if (perMetre > 0) info.resolution = perMetre * 0.0254;
        }
    } else if (const auto* png = dynamic_cast<const PngCodec*>(codec.get())) {
        info.resolution = png->resolution();
    }
    document = std::move(built);
    return true;
}

// The layer whose pixels the composite would be an exact copy of: the only layer taking part,
// fully opaque (full opacity, no transparency planes) and lying exactly on the canvas. Null for
// every other document.
RasterLayer* soleOpaqueLayer(Document& document) {
    const LayerStack& stack = document.layers();
    const CompositeList list = stack.compositeList();
    if (list.entries.size() != 1) return nullptr;
    const CompositeEntry& entry = list.entries.front();
    const RasterLayer& layer = *entry.layer;
    if (layer.effectiveOpacity() != 255 || layer.hasTransparency() ||
        entry.bounds != document.bounds() || entry.offset != Point{0, 0} ||
        layer.pixels().size() != document.size()) {
        return nullptr;
    }
    const int index = stack.indexOf(&layer);
    return index >= 0 ? stack.rasterAt(index) : nullptr;
}

// Lends a layer's pixels to the image file being saved, so that they are encoded where they
// lie instead of being copied first (a copy of a large canvas into fresh memory costs more than
// writing a BMP); they go back to the layer however the save ends.
class LentPixels {
public:
    LentPixels(ColorImage& owner, ColorImage& borrower) : owner_(owner), borrower_(borrower) {
        lent_ = !borrower.isValid() && borrower.swapStores(owner) != 0;
    }
    ~LentPixels() {
        if (lent_) borrower_.swapStores(owner_);
    }
    LentPixels(const LentPixels&) = delete;
    LentPixels& operator=(const LentPixels&) = delete;
    bool isLent() const { return lent_; }

private:
    ColorImage& owner_;
    ColorImage& borrower_;
    bool lent_ = false;
};

// The layers could not be flattened into the picture to save: the only way that fails is memory.
constexpr const char* kCannotFlatten = "out of memory";

bool isReadableFormat(int type) {
    return (type >= FormatBmp && type <= FormatPng) || type == FormatTiff || type == FormatOra ||
           type == FormatWebp;
}

// Opens the file as `type` (one of the readable formats) through that format's route; `why`
// says why not.
bool openAs(std::unique_ptr<Document>& opened, const std::string& path, int type,
            OpenedFileInfo& found, std::string& why) {
    found = OpenedFileInfo{};
    found.formatType = type;
    if (type == FormatBmp || type == FormatPng) {
        return openThroughCodec(opened, path, type, found, why);
    }
    if (type == FormatOra) {
        OpenRasterReadReport report;
        if (!readOpenRaster(path, opened, &report, &why)) return false;
        found.bitsPerPixel = 32;
        found.resolution = report.resolution;
        found.notes = std::move(report.notes);
        return true;
    }
    FileStream stream;
    DecodedPicture picture;
    if (!stream.openForRead(path)) {
        why = stream.failure();
        return false;
    }
    if (!decodePicture(stream, type, picture, &why)) return false;
    opened = Document::fromImage(picture.color, picture.alpha.isValid() ? &picture.alpha : nullptr,
                                 path);
    if (!opened) {
        why = "out of memory";
        return false;
    }
    opened->setMetadata(std::move(picture.metadata));
    found.bitsPerPixel = picture.bitsPerPixel;
    found.resolution = picture.resolution;
    if (!picture.note.empty()) found.notes.push_back(std::move(picture.note));
    return true;
}

// Writes a file through `write` into a temporary file beside `path`, which replaces the file at
// `path` only when every byte was written; `why` says why not.
template <typename Write>
bool writeThrough(const std::string& path, std::string& why, Write write) {
    FileStream stream;
    if (!stream.openForWrite(path)) {
        why = stream.failure();
        return false;
    }
    if (!write(stream, why)) {
        // A write the system refused (a full disk) explains the encoder's failure best.
        if (!stream.failure().empty()) why = stream.failure();
        return false;  // the stream's destructor discards the write
    }
    if (!stream.commit()) {
        why = stream.failure();
        return false;
    }
    return true;
}

// The format the file's first bytes announce; -1 when it cannot be read or announces none.
int formatTypeOfContent(const std::string& path) {
    FileStream stream;
    uint8_t head[kSignatureBytes] = {};
    if (!stream.openForRead(path)) return FormatNone;
    const uint32_t got = stream.read(head, 1, sizeof head);
    return formatTypeOfSignature(head, got);
}

}  // namespace

bool openDocument(std::unique_ptr<Document>& document, const std::string& path,
                  OpenedFileInfo* info, std::string* reason) {
    std::string why;
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    try {
        if (std::string notRegular = checkRegularFile(path); !notRegular.empty()) {
            return refuse(std::move(notRegular));
        }
        const int named = formatTypeOf(path);
        if (!isReadableFormat(named)) return refuse("not a format the editor opens");
        std::unique_ptr<Document> opened;
        OpenedFileInfo found;
        if (!openAs(opened, path, named, found, why)) {
            // Files are often named for another format than the one they hold (pictures saved
            // from the web): the file's own signature decides then. The reason given stays the
            // one of the format the name announces.
            const int content = formatTypeOfContent(path);
            std::string ignored;
            if (content == named || !isReadableFormat(content) ||
                !openAs(opened, path, content, found, ignored))
                return refuse(why);
        }
        opened->setPath(path);
        opened->setModified(false);
        document = std::move(opened);
        if (info) *info = found;
        return true;
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
}

bool saveDocument(Document& document, const SaveOptions& options, std::string* reason) {
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    if (document.isPreviewOnly()) return refuse("a preview cannot be saved");
    const int type = formatTypeOf(document.filePath());
    if (type != FormatBmp && type != FormatJpeg && type != FormatPng && type != FormatOra &&
        type != FormatWebp && type != FormatTiff) {
        return refuse("not a format the editor saves");
    }
    try {
        if (type == FormatWebp || type == FormatTiff) {
            ColorImage color;
            GrayMap alpha;
            if (!document.flattenForSave(color, alpha, true)) return refuse(kCannotFlatten);
            WebpSaveSettings settings;
            settings.quality = std::clamp<int32_t>(options.jpegQuality, 0, 100);
            settings.lossless = options.webpLossless;
            // Pixels per inch, whatever unit the document shows its resolution in.
            const double ppi = document.resolutionUnit() == 1 ? document.resolution() * 2.54
                                                              : document.resolution();
            const PhotoMetadata kept =
                metadataForSave(document.metadata(), color.width(), color.height());
            std::string why;
            if (!writeThrough(document.filePath(), why, [&](ByteStream& stream, std::string& w) {
                    return type == FormatWebp
                               ? writeWebp(stream, color, &alpha, settings, &w, &kept)
                               : writeTiff(stream, color, &alpha, ppi, &w, &kept);
                })) {
                return refuse(why);
            }
            document.setModified(false);
            return true;
        }
        if (type == FormatOra) {
            std::string why;
            if (!writeOpenRaster(layeredImageOf(document), document.filePath(), {}, &why)) {
                return refuse(why);
            }
            document.setModified(false);
            return true;
        }
        std::unique_ptr<ImageFile> image = createImageFile(type);
        if (!image) return refuse("out of memory");
        // A document whose composite would be one layer's pixels unchanged saves those pixels
        // where they lie; any other is flattened first. Declared after the image file, the lent
        // pixels go back to the layer before it is destroyed.
        RasterLayer* sole = soleOpaqueLayer(document);
        std::optional<LentPixels> lent;
        auto lend = [&](ColorImage& into) {
            return sole && lent.emplace(sole->pixels(), into).isLent();
        };
        if (type == FormatJpeg) {
            auto& jpeg = static_cast<JpegImageFile&>(*image);
            GrayMap unused;
            if (!lend(jpeg.pixels()) && !document.flattenForSave(jpeg.pixels(), unused, false)) {
                return refuse(kCannotFlatten);
            }
            jpeg.jpegInfo().quality = std::clamp<int32_t>(options.jpegQuality, 0, 100);
            const ColorImage& saved = jpeg.pixels();
            appendMetadataSegments(
                metadataForSave(document.metadata(), saved.width(), saved.height()),
                jpeg.jpegInfo().segments);
        } else {
            auto& planes = static_cast<TransparentImageFile&>(*image).pixels();
            if (!lend(planes.color) && !document.flattenForSave(planes.color, planes.alpha, true)) {
                return refuse(kCannotFlatten);
            }
            // A BMP keeps its alpha only when it says something: an alpha that is 0 everywhere
            // would read back as opaque, so such a document is laid over white instead.
            if (type == FormatBmp && planes.alpha.isValid() && !isPartial(planes.alpha)) {
                if (!document.flattenForSave(planes.color, planes.alpha, false)) {
                    return refuse(kCannotFlatten);
                }
            }
            if (type == FormatBmp) {
                static_cast<BmpImageFile&>(*image).bmpInfo().setInfoHeader(
                    planes.color.width(), planes.color.height(), planes.alpha.isValid() ? 32 : 24);
            }
        }
        std::string why;
        if (type == FormatPng) {
            // Written here rather than through the codec, with the document's metadata.
            const auto& png = static_cast<const PngImageFile&>(*image);
            const ColorImage& color = png.pixels().color;
            const PhotoMetadata kept =
                metadataForSave(document.metadata(), color.width(), color.height());
            if (!writeThrough(document.filePath(), why, [&](ByteStream& stream, std::string& w) {
                    return encodePng(stream, color, png.alphaPlane(),
                                     png.pngInfo().compressionLevel, &w, &kept);
                })) {
                return refuse(why);
            }
        } else if (!image->saveToFile(document.filePath(), &why)) {
            return refuse(why);
        }
        document.setModified(false);
        return true;
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
}

std::string reasonSentence(const std::string& reason) {
    if (reason.empty()) return {};
    std::string sentence = reason;
    sentence[0] = char(std::toupper(static_cast<unsigned char>(sentence[0])));
    if (sentence.back() != '.') sentence += '.';
    return sentence;
}

}  // namespace varnel
