#include <sys/stat.h>
#include <tinyxml2.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <set>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/compositor.h"
#include "document/document.h"
#include "document/layer.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/openraster.h"
#include "formats/openraster_detail.h"
#include "formats/png_codec.h"
#include "formats/refusal.h"

namespace varnel {

using namespace openraster;

namespace {

// Deflate's best: 258 bytes from a code of at least 2 bits, about 1032 to 1. No entry of a real
// archive inflates further (beyond a small allowance for tiny entries).
constexpr uint64_t kMaxRatio = 1032;
constexpr uint64_t kRatioAllowance = 4096;
// The stack description and the channel list are text: far smaller than this.
constexpr uint64_t kMaxXmlBytes = 16u << 20;
// Entries beyond these are refused before anything is read.
constexpr zip_int64_t kMaxEntries = 100000;
constexpr size_t kMaxLayers = 10000;
constexpr int kMaxNesting = 64;
// Offsets further than this from the canvas are not offsets any editor writes.
constexpr int64_t kMaxOffset = int64_t(1) << 30;
// Decoded layer pixels (four bytes each) may exceed the layer images' own bytes at most this
// many times: deflate's best ratio times 32 for one-bit images. A real archive never comes near
// it; one that refers to a small image many times over cannot make the reader take gigabytes.
constexpr uint64_t kMaxDecodedRatio = kMaxRatio * 32;
constexpr uint64_t kDecodedAllowance = uint64_t(16) << 20;

// Thrown inside the reader when the archive is refused; caught at its entry point.
struct Refusal {
    std::string reason;
};

[[noreturn]] void refuse(std::string reason) {
    throw Refusal{std::move(reason)};
}

std::string quotedName(const std::string& name) {
    return "\"" + name + "\"";
}

struct ZipReader {
    zip_t* archive = nullptr;
    ~ZipReader() {
        if (archive) zip_discard(archive);
    }
};

std::string describeZipError(const zip_error_t& error) {
    switch (zip_error_code_zip(&error)) {
        case ZIP_ER_NOZIP:
            return "not a zip archive";
        case ZIP_ER_INCONS:
            return "the zip archive is inconsistent";
        case ZIP_ER_MEMORY:
            return "out of memory";
        case ZIP_ER_EXISTS:
            return "the archive holds two entries of the same name";
        case ZIP_ER_CRC:
            return "an entry of the archive is corrupt (checksum mismatch)";
        default: {
            std::string text = zip_error_strerror(const_cast<zip_error_t*>(&error));
            if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
            return text;
        }
    }
}

class ArchiveReader {
public:
    ArchiveReader(zip_t* archive, uint64_t archiveBytes)
        : archive_(archive), archiveBytes_(archiveBytes) {}

    // Lists the entries, refusing duplicates and anything past the entry limit.
    void index() {
        const zip_int64_t count = zip_get_num_entries(archive_, 0);
        if (count < 0 || count > kMaxEntries) refuse("the archive has too many entries");
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (!name) refuse("the archive's directory is corrupt");
            if (!entries_.emplace(name, zip_uint64_t(i)).second) {
                refuse("the archive holds two entries named " + quotedName(name));
            }
        }
    }

    bool has(const std::string& name) const { return entries_.count(name) != 0; }

    // The inflated bytes of an entry, checked against what the archive declares: its size (at
    // most `limit`), a compression ratio an image can have, and its checksum.
    std::vector<uint8_t> read(const std::string& name, uint64_t limit) {
        const auto found = entries_.find(name);
        if (found == entries_.end()) refuse("the archive lacks " + quotedName(name));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, found->second, 0, &st) != 0) {
            refuse("cannot read " + quotedName(name) + " in the archive");
        }
        const zip_uint64_t want = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
        if ((st.valid & want) != want)
            refuse("cannot read " + quotedName(name) + " in the archive");
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            refuse(quotedName(name) + " is encrypted");
        }
        if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE) {
            refuse(quotedName(name) + " uses compression method " + std::to_string(st.comp_method) +
                   ", which the format does not allow");
        }
        if (st.size > limit) {
            refuse(quotedName(name) + " claims " + describeBytes(st.size) + ", more than it may");
        }
        if (st.comp_method == ZIP_CM_STORE ? st.size != st.comp_size
                                           : st.size > st.comp_size * kMaxRatio + kRatioAllowance) {
            refuse(quotedName(name) + " claims " + describeBytes(st.size) + " from " +
                   describeBytes(st.comp_size) + ", a ratio no image can have");
        }
        zip_file_t* file = zip_fopen_index(archive_, found->second, 0);
        if (!file) refuse("cannot read " + quotedName(name) + ": " + zipError());
        std::vector<uint8_t> bytes;
        try {
            // One byte more than declared: an entry that inflates further is caught.
            bytes.resize(size_t(st.size) + 1);
        } catch (const std::bad_alloc&) {
            zip_fclose(file);
            throw;
        }
        uint64_t got = 0;
        bool failed = false;
        while (got < bytes.size()) {
            const zip_int64_t n = zip_fread(file, bytes.data() + got, bytes.size() - got);
            if (n < 0) {
                failed = true;
                break;
            }
            if (n == 0) break;
            got += uint64_t(n);
        }
        std::string why;
        if (failed) {
            zip_error_t* error = zip_file_get_error(file);
            why = error ? describeZipError(*error) : "read error";
        }
        zip_fclose(file);
        if (failed) {
            // libzip checks the declared size and checksum as the entry ends.
            refuse(quotedName(name) + " does not match what the archive declares (" + why + ")");
        }
        if (got != st.size) {
            refuse(quotedName(name) + " inflates to " + (got > st.size ? "more" : "fewer") +
                   " bytes than the archive declares");
        }
        bytes.resize(size_t(st.size));
        return bytes;
    }

    uint64_t archiveBytes() const { return archiveBytes_; }

private:
    std::string zipError() const {
        zip_error_t* error = zip_get_error(archive_);
        return error ? describeZipError(*error) : std::string("read error");
    }

    zip_t* archive_;
    uint64_t archiveBytes_;
    std::map<std::string, zip_uint64_t> entries_;
};

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool isPng(const std::vector<uint8_t>& bytes) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

// The bytes a PNG's pixels take once decoded (colour and alpha), from its header; 0 when the
// header cannot be judged (the codec then says what is wrong).
uint64_t decodedBytes(const std::vector<uint8_t>& png) {
    if (png.size() < 8 + 8 + 13 || std::memcmp(png.data() + 12, "IHDR", 4) != 0) return 0;
    return uint64_t(be32(png.data() + 16)) * uint64_t(be32(png.data() + 20)) * 4;
}

// Attribute helpers: liberal in what they read, a default when absent or malformed.
std::string textAttribute(const tinyxml2::XMLElement& e, const char* name) {
    const char* value = e.Attribute(name);
    return value ? std::string(value) : std::string();
}

int64_t integerAttribute(const tinyxml2::XMLElement& e, const char* name, int64_t fallback) {
    int64_t value = fallback;
    if (e.QueryInt64Attribute(name, &value) != tinyxml2::XML_SUCCESS) {
        // Some writers give offsets as decimals ("12.0").
        double d = 0;
        if (e.QueryDoubleAttribute(name, &d) != tinyxml2::XML_SUCCESS || !std::isfinite(d) ||
            std::fabs(d) > double(INT64_MAX / 2)) {
            return fallback;
        }
        value = int64_t(std::llround(d));
    }
    return value;
}

double numberAttribute(const tinyxml2::XMLElement& e, const char* name, double fallback) {
    double value = fallback;
    if (e.QueryDoubleAttribute(name, &value) != tinyxml2::XML_SUCCESS || !std::isfinite(value)) {
        return fallback;
    }
    return value;
}

uint8_t opacityByte(double opacity) {
    return uint8_t(std::lround(std::clamp(opacity, 0.0, 1.0) * 255.0));
}

// The properties common to layers and groups.
struct Attributes {
    std::string name;
    int64_t x = 0, y = 0;
    double opacity = 1.0;
    bool visible = true;
    std::string op;
};

Attributes attributesOf(const tinyxml2::XMLElement& e) {
    Attributes a;
    a.name = textAttribute(e, "name");
    a.x = integerAttribute(e, "x", 0);
    a.y = integerAttribute(e, "y", 0);
    if (std::llabs(a.x) > kMaxOffset || std::llabs(a.y) > kMaxOffset) {
        refuse("the offset of " + quotedName(a.name) + " lies too far from the canvas");
    }
    a.opacity = numberAttribute(e, "opacity", 1.0);
    a.visible = textAttribute(e, "visibility") != "hidden";
    a.op = textAttribute(e, "composite-op");
    if (a.op.empty()) a.op = "svg:src-over";
    return a;
}

class StackReader {
public:
    StackReader(ArchiveReader& archive, OpenRasterReadReport& report, bool ours)
        : archive_(archive), report_(report), ours_(ours) {}

    // The layers of a stack element, top first (as the file lists them).
    void readStack(const tinyxml2::XMLElement& stack, int64_t dx, int64_t dy, int depth,
                   std::vector<std::unique_ptr<LayerItem>>& out) {
        if (depth > kMaxNesting) refuse("the stack is nested more than 64 deep");
        for (const tinyxml2::XMLElement* e = stack.FirstChildElement(); e;
             e = e->NextSiblingElement()) {
            const std::string tag = e->Name();
            if (tag == "layer") {
                readLayer(*e, dx, dy, out);
            } else if (tag == "stack") {
                readGroup(*e, dx, dy, depth, out);
            }
            // Text, filters and other elements later versions define are not ours to show.
            if (out.size() > kMaxLayers) refuse("the stack holds more than 10000 layers");
        }
    }

    // The layer marked as selected, if any.
    const LayerItem* selected() const { return selected_; }

private:
    void checkSource(const std::string& src, const std::string& name) {
        if (src.empty()) refuse("layer " + quotedName(name) + " names no image");
        if (src == kStackEntry || src == kMimeTypeEntry) {
            refuse("the stack refers to itself (" + quotedName(src) + ")");
        }
        if (!archive_.has(src)) {
            refuse("the stack refers to " + quotedName(src) + ", which the archive lacks");
        }
    }

    void readLayer(const tinyxml2::XMLElement& e, int64_t dx, int64_t dy,
                   std::vector<std::unique_ptr<LayerItem>>& out) {
        const Attributes a = attributesOf(e);
        const std::string src = textAttribute(e, "src");
        const std::string kind = ours_ ? textAttribute(e, "varnel:kind") : std::string();
        if (kind == "placeholder") {
            auto item = std::make_unique<LayerItem>(a.name);
            item->setVisible(a.visible);
            noteSelected(e, item.get());
            out.push_back(std::move(item));
            return;
        }
        checkSource(src, a.name);
        std::unique_ptr<EmptyLayer> layer;
        if (kind == "empty") {
            layer = std::make_unique<EmptyLayer>(a.name);
        } else {
            std::vector<uint8_t> bytes = archive_.read(src, UINT32_MAX - 1);
            if (!isPng(bytes)) {
                report_.notes.push_back("Layer " + quotedName(a.name) +
                                        " was left out: its image is not PNG.");
                return;
            }
            layer = decodeLayer(src, bytes, a.name);
        }
        layer->setVisible(a.visible);
        layer->setOffset({int32_t(a.x + dx), int32_t(a.y + dy)});
        layer->setBlendMode(blendModeOfCompositeOp(a.op));
        layer->setMasterOpacity(opacityByte(a.opacity));
        if (ours_) {
            const int64_t master = integerAttribute(e, "varnel:opacity", -1);
            const int64_t own = integerAttribute(e, "varnel:layer-opacity", -1);
            if (master >= 0 && master <= 255) layer->setMasterOpacity(uint8_t(master));
            if (own >= 0 && own <= 255) layer->setLayerOpacity(uint8_t(own));
            layer->setReserved(int32_t(integerAttribute(e, "varnel:reserved", 0)));
            if (textAttribute(e, "varnel:background") == "true" &&
                layer->kind() == kLayerKindRaster) {
                static_cast<RasterLayer&>(*layer).setBackground(true);
            }
        }
        noteSelected(e, layer.get());
        out.push_back(std::move(layer));
    }

    void noteSelected(const tinyxml2::XMLElement& e, const LayerItem* layer) {
        if (!selected_ && textAttribute(e, "selected") == "true") selected_ = layer;
    }

    std::unique_ptr<EmptyLayer> decodeLayer(const std::string& src,
                                            const std::vector<uint8_t>& bytes,
                                            const std::string& name) {
        // The pixels of all layers together must be accounted for by the images' own bytes,
        // each image counted once however many layers refer to it.
        decodedBytes_ += decodedBytes(bytes);
        if (counted_.insert(src).second) imageBytes_ += bytes.size();
        if (decodedBytes_ > imageBytes_ * kMaxDecodedRatio + kDecodedAllowance) {
            refuse("the layers claim " + describeBytes(decodedBytes_) + " of pixels from " +
                   describeBytes(imageBytes_) + " of images");
        }
        PngImageFile image;
        PngCodec codec;
        MemoryStream stream;
        if (!stream.attachBlock(bytes.data(), uint32_t(bytes.size()), 0) ||
            !codec.loadFromStream(image, stream, LoadPixels)) {
            const std::string why = codec.failure().empty() ? "corrupt PNG data" : codec.failure();
            refuse("layer " + quotedName(name) + ": " + why);
        }
        ColorAlphaPair& planes = image.pixels();
        auto layer = std::make_unique<RasterLayer>(name);
        layer->pixels().swapStores(planes.color);
        // Our own files keep a transparency plane exactly as it was; from other programs an
        // alpha that is 255 everywhere says nothing and is dropped.
        if (planes.hasAlpha() && (ours_ || hasNon255(planes.alpha))) {
            auto masks =
                std::make_unique<LayerMaskSet>(layer->pixels().width(), layer->pixels().height());
            auto plane = std::make_unique<Channel>();
            plane->swapStores(planes.alpha);
            masks->setPlane(0, std::move(plane));
            layer->setMasks(std::move(masks));
        }
        return layer;
    }

    // A plain group gives its layers in order; one with its own opacity, mode, hidden state or
    // isolation is composited into one layer named after it.
    void readGroup(const tinyxml2::XMLElement& e, int64_t dx, int64_t dy, int depth,
                   std::vector<std::unique_ptr<LayerItem>>& out) {
        const Attributes a = attributesOf(e);
        const std::string src = textAttribute(e, "src");
        if (src == kStackEntry) refuse("the stack refers to itself (" + quotedName(src) + ")");
        const bool plain = opacityByte(a.opacity) == 255 && a.visible && a.op == "svg:src-over" &&
                           textAttribute(e, "isolation") != "isolate";
        if (plain) {
            readStack(e, dx + a.x, dy + a.y, depth + 1, out);
            return;
        }
        std::vector<std::unique_ptr<LayerItem>> inside;
        readStack(e, dx + a.x, dy + a.y, depth + 1, inside);
        std::vector<const LayerItem*> bottomFirst;
        for (auto it = inside.rbegin(); it != inside.rend(); ++it) bottomFirst.push_back(it->get());
        std::vector<CompositeEntry> entries = compositeEntries(bottomFirst);
        Rect area;
        for (const CompositeEntry& entry : entries) area = area.united(entry.bounds);
        std::unique_ptr<EmptyLayer> group;
        if (entries.empty() || area.isEmpty()) {
            group = std::make_unique<EmptyLayer>(a.name);
        } else {
            if (!checkSides(area.width(), area.height()).empty()) {
                refuse("group " + quotedName(a.name) + " spans more than the editor's limit");
            }
            rebaseEntries(entries, area.topLeft());
            auto raster = std::make_unique<RasterLayer>(a.name);
            auto masks = std::make_unique<LayerMaskSet>(area.width(), area.height());
            auto alpha = std::make_unique<Channel>();
            if (!raster->pixels().createColor(area.width(), area.height()) ||
                !alpha->createGray(area.width(), area.height()) ||
                !compositeInto(entries, raster->pixels(), *alpha, Rect::fromSize(area.size()))) {
                throw std::bad_alloc();
            }
            masks->setPlane(0, std::move(alpha));
            raster->setMasks(std::move(masks));
            raster->setOffset(area.topLeft());
            group = std::move(raster);
        }
        group->setVisible(a.visible);
        group->setBlendMode(blendModeOfCompositeOp(a.op));
        group->setMasterOpacity(opacityByte(a.opacity));
        for (const auto& layer : inside) {
            if (layer.get() == selected_) selected_ = group.get();
        }
        out.push_back(std::move(group));
    }

    ArchiveReader& archive_;
    OpenRasterReadReport& report_;
    bool ours_;
    const LayerItem* selected_ = nullptr;
    uint64_t decodedBytes_ = 0;
    uint64_t imageBytes_ = 0;
    std::set<std::string> counted_;
};

void readChannels(ArchiveReader& archive, Size canvas, ChannelList& channels,
                  OpenRasterReadReport& report) {
    if (!archive.has(kChannelListEntry)) return;
    const std::vector<uint8_t> text = archive.read(kChannelListEntry, kMaxXmlBytes);
    tinyxml2::XMLDocument xml;
    if (xml.Parse(reinterpret_cast<const char*>(text.data()), text.size()) !=
        tinyxml2::XML_SUCCESS) {
        refuse("the list of saved channels is not valid XML");
    }
    const tinyxml2::XMLElement* root = xml.FirstChildElement("channels");
    if (!root) return;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement("channel"); e;
         e = e->NextSiblingElement("channel")) {
        const std::string name = textAttribute(*e, "name");
        const std::string src = textAttribute(*e, "src");
        const int64_t w = integerAttribute(*e, "w", 0), h = integerAttribute(*e, "h", 0);
        if (w != canvas.width || h != canvas.height) {
            report.notes.push_back("Channel " + quotedName(name) +
                                   " was left out: it does not fit the image.");
            continue;
        }
        if (src.rfind("varnel/", 0) != 0 || !archive.has(src)) {
            refuse("channel " + quotedName(name) + " refers to " + quotedName(src) +
                   ", which the archive lacks");
        }
        const uint64_t bytes = uint64_t(w) * uint64_t(h);
        const std::vector<uint8_t> levels = archive.read(src, bytes);
        if (levels.size() != bytes) refuse("channel " + quotedName(name) + " is truncated");
        auto channel = std::make_unique<Channel>();
        if (!channel->createGray(int32_t(w), int32_t(h))) throw std::bad_alloc();
        for (int32_t y = 0; y < int32_t(h); ++y) {
            std::memcpy(channel->row(y), levels.data() + size_t(y) * size_t(w), size_t(w));
        }
        channel->setName(name);
        channels.push_back(std::move(channel));
    }
}

std::unique_ptr<Document> readArchive(zip_t* archive, uint64_t archiveBytes,
                                      const std::string& path, OpenRasterReadReport& report) {
    ArchiveReader reader(archive, archiveBytes);
    reader.index();
    if (!reader.has(kMimeTypeEntry)) refuse("not an OpenRaster file (no mimetype entry)");
    std::vector<uint8_t> mime = reader.read(kMimeTypeEntry, 256);
    while (!mime.empty() && std::isspace(mime.back())) mime.pop_back();
    if (std::string(mime.begin(), mime.end()) != kOpenRasterMimeType) {
        refuse("not an OpenRaster file (its mimetype is not " + std::string(kOpenRasterMimeType) +
               ")");
    }
    if (!reader.has(kStackEntry)) refuse("the archive lacks its stack (stack.xml)");
    const std::vector<uint8_t> text = reader.read(kStackEntry, kMaxXmlBytes);
    tinyxml2::XMLDocument xml;
    if (xml.Parse(reinterpret_cast<const char*>(text.data()), text.size()) !=
        tinyxml2::XML_SUCCESS) {
        refuse(std::string("stack.xml is not valid XML (") + xml.ErrorName() + ")");
    }
    const tinyxml2::XMLElement* image = xml.FirstChildElement("image");
    if (!image) refuse("stack.xml has no image element");
    const int64_t w = integerAttribute(*image, "w", 0), h = integerAttribute(*image, "h", 0);
    if (std::string why = checkSides(w, h); !why.empty()) refuse(why);
    const tinyxml2::XMLElement* root = image->FirstChildElement("stack");
    if (!root) refuse("stack.xml has no stack");
    const bool ours = textAttribute(*image, "xmlns:varnel") == kNamespace;

    StackReader stack(reader, report, ours);
    std::vector<std::unique_ptr<LayerItem>> topFirst;
    stack.readStack(*root, 0, 0, 0, topFirst);
    if (topFirst.empty()) refuse("the file holds no layer the editor can read");

    auto document = std::make_unique<Document>();
    document->setCanvasSize({int32_t(w), int32_t(h)});
    double ppi = numberAttribute(*image, "xres", 72.0);
    if (ppi < 1 || ppi > 9999.999) ppi = 72.0;
    report.resolution = ppi;
    document->setResolution(float(ppi), 0);
    if (ours) {
        const double resolution = numberAttribute(*image, "varnel:resolution", 0);
        const int64_t unit = integerAttribute(*image, "varnel:resolution-unit", -1);
        if (resolution >= 1 && resolution <= 9999.999 && (unit == 0 || unit == 1)) {
            document->setResolution(float(resolution), int32_t(unit));
        }
    }
    LayerStack& layers = document->layers();
    if (!layers.reserve(int(topFirst.size()))) throw std::bad_alloc();
    const LayerItem* selected = stack.selected();
    for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it) {
        layers.insert(std::move(*it), layers.count(), false);
    }
    layers.setActiveLayer(selected ? const_cast<LayerItem*>(selected)
                                   : layers.layerAt(layers.count() - 1));
    readChannels(reader, document->size(), document->channels(), report);
    document->setPath(path);
    document->setModified(false);
    return document;
}

bool readFromSource(zip_source_t* source, uint64_t archiveBytes, const std::string& path,
                    std::unique_ptr<Document>& document, OpenRasterReadReport* report,
                    std::string* reason) {
    auto fail = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    zip_error_t error;
    zip_error_init(&error);
    ZipReader zip;
    zip.archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip.archive) {
        zip_source_free(source);
        std::string why = describeZipError(error);
        zip_error_fini(&error);
        return fail(why);
    }
    zip_error_fini(&error);
    try {
        OpenRasterReadReport found;
        std::unique_ptr<Document> opened = readArchive(zip.archive, archiveBytes, path, found);
        document = std::move(opened);
        if (report) *report = std::move(found);
        return true;
    } catch (const Refusal& refusal) {
        return fail(refusal.reason);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
}

}  // namespace

bool readOpenRasterFrom(const uint8_t* data, size_t size, const std::string& path,
                        std::unique_ptr<Document>& document, OpenRasterReadReport* report,
                        std::string* reason) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_error_fini(&error);
    if (!source) {
        if (reason) *reason = "out of memory";
        return false;
    }
    return readFromSource(source, size, path, document, report, reason);
}

bool readOpenRaster(const std::string& path, std::unique_ptr<Document>& document,
                    OpenRasterReadReport* report, std::string* reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (reason) *reason = "not a regular file";
        return false;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(path.c_str(), 0, -1, &error);
    if (!source) {
        if (reason) *reason = describeZipError(error);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    return readFromSource(source, uint64_t(st.st_size), path, document, report, reason);
}

bool readOpenRasterThumbnail(const std::string& path, std::vector<uint8_t>& png) {
    zip_error_t error;
    zip_error_init(&error);
    ZipReader zip;
    zip.archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, nullptr);
    zip_error_fini(&error);
    if (!zip.archive) return false;
    try {
        ArchiveReader reader(zip.archive, 0);
        reader.index();
        if (!reader.has(kThumbnailEntry)) return false;
        png = reader.read(kThumbnailEntry, uint64_t(4) << 20);
        return isPng(png);
    } catch (const Refusal&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool looksLikeOpenRaster(const uint8_t* data, size_t size) {
    static constexpr uint8_t kLocalHeader[4] = {'P', 'K', 3, 4};
    if (!data || size < 30 || std::memcmp(data, kLocalHeader, 4) != 0) return false;
    const size_t nameLength = size_t(data[26]) | size_t(data[27]) << 8;
    const size_t extraLength = size_t(data[28]) | size_t(data[29]) << 8;
    const size_t method = size_t(data[8]) | size_t(data[9]) << 8;
    const size_t mimeLength = std::strlen(kOpenRasterMimeType);
    const size_t at = 30 + nameLength + extraLength;
    return method == 0 && nameLength == 8 && std::memcmp(data + 30, "mimetype", 8) == 0 &&
           size >= at + mimeLength && std::memcmp(data + at, kOpenRasterMimeType, mimeLength) == 0;
}

}  // namespace varnel
