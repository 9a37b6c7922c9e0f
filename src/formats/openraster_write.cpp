#include <tinyxml2.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "core/surface_store.h"
#include "document/compositor.h"
#include "document/document.h"
#include "document/layer.h"
#include "formats/file_stream.h"
#include "formats/openraster.h"
#include "formats/openraster_detail.h"
#include "formats/png_codec.h"
#include "platform/parallel.h"

namespace varnel {

using namespace openraster;

namespace {

struct OpName {
    int32_t mode;
    const char* name;
};

// Modes the format names use its names; the others ours, which other programs read as Normal.
constexpr std::array<OpName, kBlendModeCount> kOpNames = {{
    {kBlendNormal, "svg:src-over"},
    {kBlendMultiply, "svg:multiply"},
    {kBlendScreen, "svg:screen"},
    {kBlendOverlay, "svg:overlay"},
    {kBlendDarken, "svg:darken"},
    {kBlendLighten, "svg:lighten"},
    {kBlendColorDodge, "svg:color-dodge"},
    {kBlendSoftDodge, "varnel:soft-dodge"},
    {kBlendColorBurn, "svg:color-burn"},
    {kBlendSoftBurn, "varnel:soft-burn"},
    {kBlendHardLight, "svg:hard-light"},
    {kBlendSoftLight, "svg:soft-light"},
    {kBlendDifference, "svg:difference"},
    {kBlendExclusion, "svg:exclusion"},
    {kBlendXor, "varnel:xor"},
    {kBlendHue, "svg:hue"},
    {kBlendSaturation, "svg:saturation"},
    {kBlendColor, "svg:color"},
    {kBlendLuminosity, "svg:luminosity"},
}};

}  // namespace

std::string compositeOpOf(int32_t blendMode) {
    for (const OpName& op : kOpNames) {
        if (op.mode == blendMode) return op.name;
    }
    return kOpNames[0].name;
}

int32_t blendModeOfCompositeOp(const std::string& op) {
    for (const OpName& entry : kOpNames) {
        if (op == entry.name) return entry.mode;
    }
    return kBlendNormal;
}

namespace openraster {

uint32_t VectorStream::read(void* buffer, uint32_t elementSize, uint32_t count) {
    if (elementSize == 0 || position_ >= bytes_.size()) return 0;
    const size_t wanted = size_t(elementSize) * count;
    const size_t n = std::min(wanted, bytes_.size() - position_) / elementSize * elementSize;
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return uint32_t(n / elementSize);
}

uint32_t VectorStream::write(const void* buffer, uint32_t elementSize, uint32_t count) {
    const size_t n = size_t(elementSize) * count;
    if (n == 0) return 0;
    // Archives stay below 4 GiB, as every stream does.
    if (position_ + n > UINT32_MAX) return 0;
    try {
        if (position_ + n > bytes_.size()) bytes_.resize(position_ + n);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::memcpy(bytes_.data() + position_, buffer, n);
    position_ += n;
    return count;
}

bool VectorStream::seek(int64_t offset, int origin) {
    int64_t base = 0;
    if (origin == SeekCurrent) base = int64_t(position_);
    if (origin == SeekEnd) base = int64_t(bytes_.size());
    const int64_t target = base + offset;
    if (target < 0 || target > int64_t(UINT32_MAX)) return false;
    position_ = size_t(target);
    return true;
}

}  // namespace openraster

LayeredImage layeredImageOf(const Document& document) {
    LayeredImage image;
    image.canvas = document.size();
    image.resolution = document.resolution();
    image.resolutionUnit = document.resolutionUnit();
    const LayerStack& stack = document.layers();
    for (int i = 0; i < stack.count(); ++i) image.layers.push_back(stack.layerAt(i));
    image.activeIndex = stack.activeIndex();
    for (const auto& channel : document.channels()) image.channels.push_back(channel.get());
    return image;
}

namespace {

// One plane to copy into a snapshot: from the document's store into the snapshot's.
struct PlaneCopy {
    const uint8_t* from;
    uint8_t* to;
    size_t bytes;
};

bool sameShape(const SurfaceStore& store, const LayeredSnapshot::PlaneShape& shape) {
    return store.width() == shape.width && store.height() == shape.height &&
           store.bitsPerPixel() == shape.bitsPerPixel;
}

void addShape(std::vector<LayeredSnapshot::PlaneShape>& out, const PixelSurface& surface) {
    if (surface.isValid())
        out.push_back({surface.width(), surface.height(), surface.bitsPerPixel()});
}

}  // namespace

std::vector<LayeredSnapshot::PlaneShape> LayeredSnapshot::shapesOf(const Document& document) {
    std::vector<PlaneShape> shapes;
    const LayerStack& stack = document.layers();
    for (int i = 0; i < stack.count(); ++i) {
        const RasterLayer* layer = stack.rasterAt(i);
        if (!layer) continue;
        addShape(shapes, layer->pixels());
        if (const LayerMaskSet* masks = layer->masks()) {
            for (int k = 0; k < LayerMaskSet::kPlaneCount; ++k) {
                if (const Channel* plane = masks->plane(k)) addShape(shapes, *plane);
            }
        }
    }
    for (const auto& channel : document.channels()) addShape(shapes, *channel);
    return shapes;
}

void LayeredSnapshot::prepare(const std::vector<PlaneShape>& shapes) {
    for (const PlaneShape& shape : shapes) {
        std::unique_ptr<SurfaceStore> store =
            SurfaceStore::create(shape.width, shape.height, shape.bitsPerPixel);
        if (!store) return;
        // Touched here, so that the copy into it later costs only the copy.
        std::memset(store->bits, 0, store->imageBytes());
        spare_.push_back(std::move(store));
    }
}

void LayeredSnapshot::recycle() {
    auto keep = [&](PixelSurface& surface) {
        if (surface.isValid()) spare_.push_back(surface.takeStore());
    };
    for (auto& layer : layers_) {
        if (!layer || layer->kind() != kLayerKindRaster) continue;
        auto& raster = static_cast<RasterLayer&>(*layer);
        keep(raster.pixels());
        if (LayerMaskSet* masks = raster.masks()) {
            for (int k = 0; k < LayerMaskSet::kPlaneCount; ++k) {
                if (Channel* plane = masks->plane(k)) keep(*plane);
            }
        }
    }
    for (auto& channel : channels_) keep(*channel);
    layers_.clear();
    channels_.clear();
    image_ = {};
}

bool LayeredSnapshot::take(const Document& document) {
    recycle();
    std::vector<PlaneCopy> copies;
    // A plane of the source's shape: spare storage of that shape when there is some (memory
    // already touched), fresh otherwise; the copy itself is done for all planes at the end.
    auto copyInto = [&](PixelSurface& target, const PixelSurface& source) {
        if (!source.isValid()) return true;
        const PlaneShape shape{source.width(), source.height(), source.bitsPerPixel()};
        std::unique_ptr<SurfaceStore> store;
        for (auto it = spare_.begin(); it != spare_.end(); ++it) {
            if (sameShape(**it, shape)) {
                store = std::move(*it);
                spare_.erase(it);
                break;
            }
        }
        if (!store) store = SurfaceStore::createForOverwrite(*source.store());
        if (!store || store->imageBytes() != source.imageBytes() ||
            !target.adoptStore(std::move(store))) {
            return false;
        }
        copies.push_back({source.bits(), target.bits(), source.imageBytes()});
        return true;
    };
    try {
        const LayeredImage source = layeredImageOf(document);
        std::vector<std::unique_ptr<LayerItem>> layers;
        std::vector<std::unique_ptr<Channel>> channels;
        for (const LayerItem* item : source.layers) {
            if (item->kind() != kLayerKindRaster) {
                layers.push_back(item->clone(nullptr));
                if (!layers.back()) return false;
                continue;
            }
            const auto& from = static_cast<const RasterLayer&>(*item);
            auto to = std::make_unique<RasterLayer>(from.name());
            to->setVisible(from.isVisible());
            to->setOffset(from.offset());
            to->setBlendMode(from.blendMode());
            to->setReserved(from.reserved());
            to->setMasterOpacity(from.masterOpacity());
            to->setLayerOpacity(from.layerOpacity());
            to->setBackground(from.isBackground());
            if (!copyInto(to->pixels(), from.pixels())) return false;
            if (const LayerMaskSet* masks = from.masks()) {
                auto planes = std::make_unique<LayerMaskSet>(masks->width(), masks->height());
                for (int k = 0; k < LayerMaskSet::kPlaneCount; ++k) {
                    const Channel* plane = masks->plane(k);
                    if (!plane) continue;
                    auto copy = std::make_unique<Channel>();
                    copy->setName(plane->name());
                    if (!copyInto(*copy, *plane) || !planes->setPlane(k, std::move(copy))) {
                        return false;
                    }
                }
                to->setMasks(std::move(planes));
            }
            layers.push_back(std::move(to));
        }
        for (const Channel* from : source.channels) {
            auto copy = std::make_unique<Channel>();
            copy->setName(from->name());
            if (!copyInto(*copy, *from)) return false;
            channels.push_back(std::move(copy));
        }
        spare_.clear();
        // The copies in slices of 4 MB over every core: this is what the caller waits for.
        constexpr size_t kSlice = size_t(4) << 20;
        std::vector<PlaneCopy> slices;
        for (const PlaneCopy& c : copies) {
            for (size_t at = 0; at < c.bytes; at += kSlice) {
                slices.push_back({c.from + at, c.to + at, std::min(kSlice, c.bytes - at)});
            }
        }
        parallelRows(int(slices.size()), 1, [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                std::memcpy(slices[size_t(i)].to, slices[size_t(i)].from, slices[size_t(i)].bytes);
            }
        });
        image_.canvas = source.canvas;
        image_.resolution = source.resolution;
        image_.resolutionUnit = source.resolutionUnit;
        image_.activeIndex = source.activeIndex;
        for (const auto& layer : layers) image_.layers.push_back(layer.get());
        for (const auto& channel : channels) image_.channels.push_back(channel.get());
        layers_ = std::move(layers);
        channels_ = std::move(channels);
        return true;
    } catch (const std::bad_alloc&) {
        spare_.clear();
        return false;
    }
}

namespace {

constexpr const char* kOutOfMemory = "out of memory";

// What one layer's image entry holds.
struct LayerEntry {
    std::string name;  // data/layerN.png
    const ColorImage* color = nullptr;
    const GrayMap* alpha = nullptr;
    GrayMap combinedAlpha;  // when more than one plane multiplies into the transparency
};

// 1 × 1 transparent: the image of a layer without pixels, which the format cannot leave out.
struct BlankPixel {
    ColorImage color;
    GrayMap alpha;
    bool make() { return color.createColor(1, 1) && alpha.createGray(1, 1); }
};

// The transparency of a raster layer: its planes multiplied together, or null without planes.
bool layerAlpha(const RasterLayer& layer, LayerEntry& entry) {
    const LayerMaskSet* masks = layer.masks();
    entry.alpha = nullptr;
    if (!masks || !masks->hasPlanes() || masks->size() != layer.pixels().size()) return true;
    std::vector<const Channel*> planes;
    for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
        if (const Channel* p = masks->plane(i)) planes.push_back(p);
    }
    if (planes.size() == 1) {
        entry.alpha = planes.front();
        return true;
    }
    GrayMap& out = entry.combinedAlpha;
    if (!out.copyFrom(*planes.front())) return false;
    for (size_t k = 1; k < planes.size(); ++k) {
        for (int32_t y = 0; y < out.height(); ++y) {
            uint8_t* row = out.row(y);
            const uint8_t* other = planes[k]->row(y);
            for (int32_t x = 0; x < out.width(); ++x) row[x] = uint8_t(row[x] * other[x] / 255);
        }
    }
    entry.alpha = &out;
    return true;
}

std::string formatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The stack as the format describes it: top layer first.
std::string stackXml(const LayeredImage& image, const std::vector<LayerEntry>& entries) {
    tinyxml2::XMLPrinter out(nullptr, false);
    out.PushHeader(false, true);
    const double ppi = image.resolutionUnit == 1 ? image.resolution * 2.54 : image.resolution;
    out.OpenElement("image");
    out.PushAttribute("version", "0.0.5");
    out.PushAttribute("w", image.canvas.width);
    out.PushAttribute("h", image.canvas.height);
    out.PushAttribute("xres", formatNumber(ppi).c_str());
    out.PushAttribute("yres", formatNumber(ppi).c_str());
    out.PushAttribute("xmlns:varnel", kNamespace);
    out.PushAttribute("varnel:resolution", formatNumber(image.resolution).c_str());
    out.PushAttribute("varnel:resolution-unit", image.resolutionUnit);
    out.OpenElement("stack");
    for (size_t n = image.layers.size(); n-- > 0;) {
        const LayerItem& layer = *image.layers[n];
        out.OpenElement("layer");
        out.PushAttribute("name", layer.name().c_str());
        out.PushAttribute("src", entries[n].name.c_str());
        const Point offset = layer.offset();
        out.PushAttribute("x", offset.x);
        out.PushAttribute("y", offset.y);
        out.PushAttribute("visibility", layer.isVisible() ? "visible" : "hidden");
        if (int(n) == image.activeIndex) out.PushAttribute("selected", "true");
        if (!layer.hasProperties()) {
            out.PushAttribute("varnel:kind", "placeholder");
        } else {
            const auto& props = static_cast<const EmptyLayer&>(layer);
            out.PushAttribute("opacity", formatNumber(props.effectiveOpacity() / 255.0).c_str());
            out.PushAttribute("composite-op", compositeOpOf(props.blendMode()).c_str());
            out.PushAttribute("varnel:opacity", int(props.masterOpacity()));
            out.PushAttribute("varnel:layer-opacity", int(props.layerOpacity()));
            if (props.reserved() != 0) out.PushAttribute("varnel:reserved", props.reserved());
            if (layer.kind() != kLayerKindRaster || entries[n].color == nullptr) {
                out.PushAttribute("varnel:kind", "empty");
            }
            if (layer.isBackground()) out.PushAttribute("varnel:background", "true");
        }
        out.CloseElement();
    }
    out.CloseElement();
    out.CloseElement();
    return std::string(out.CStr(), size_t(out.CStrSize() > 0 ? out.CStrSize() - 1 : 0));
}

std::string channelListXml(const LayeredImage& image) {
    tinyxml2::XMLPrinter out(nullptr, false);
    out.PushHeader(false, true);
    out.OpenElement("channels");
    for (size_t i = 0; i < image.channels.size(); ++i) {
        const Channel& channel = *image.channels[i];
        out.OpenElement("channel");
        out.PushAttribute("name", channel.name().c_str());
        out.PushAttribute("src", ("varnel/channel" + std::to_string(i) + ".raw").c_str());
        out.PushAttribute("w", channel.width());
        out.PushAttribute("h", channel.height());
        out.CloseElement();
    }
    out.CloseElement();
    return std::string(out.CStr(), size_t(out.CStrSize() > 0 ? out.CStrSize() - 1 : 0));
}

// A channel's levels, row after row without padding.
bool channelBytes(const Channel& channel, std::vector<uint8_t>& out) {
    const size_t w = size_t(channel.width());
    out.resize(w * size_t(channel.height()));
    for (int32_t y = 0; y < channel.height(); ++y) {
        std::memcpy(out.data() + size_t(y) * w, channel.row(y), w);
    }
    return true;
}

// The composite over the canvas (alpha 0 and black where no layer lies), and whether any of it
// is transparent.
bool mergedImage(const LayeredImage& image, ColorImage& color, GrayMap& alpha, bool& transparent) {
    if (!color.createColor(image.canvas.width, image.canvas.height) ||
        !alpha.createGray(image.canvas.width, image.canvas.height)) {
        return false;
    }
    const std::vector<CompositeEntry> entries = compositeEntries(image.layers);
    if (!entries.empty() && !compositeInto(entries, color, alpha, Rect::fromSize(image.canvas))) {
        return false;
    }
    transparent = hasNon255(alpha);
    if (transparent) {
        for (int32_t y = 0; y < color.height(); ++y) {
            Bgr* row = color.pixels(y);
            const uint8_t* a = alpha.row(y);
            for (int32_t x = 0; x < color.width(); ++x) {
                if (a[x] == 0) row[x] = Bgr{};
            }
        }
    }
    return true;
}

// libzip's objects, released however a write ends.
struct ZipWriter {
    zip_source_t* buffer = nullptr;
    zip_t* archive = nullptr;
    ~ZipWriter() {
        if (archive) zip_discard(archive);
        if (buffer) zip_source_free(buffer);
    }
};

// Adds one entry from bytes that outlive the archive object; stored or deflated at `level`.
bool addEntry(zip_t* archive, const char* name, const std::vector<uint8_t>& bytes, bool deflate,
              int level) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    const int32_t method = deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
    return zip_set_file_compression(archive, zip_uint64_t(index), method,
                                    deflate ? zip_uint32_t(std::clamp(level, 1, 9)) : 0) == 0;
}

std::vector<uint8_t> textBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

bool encodeOpenRaster(const LayeredImage& image, const OpenRasterWriteOptions& options,
                      std::vector<uint8_t>& archive, std::string* reason) {
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    if (image.layers.empty()) return refuse("the image has no layer");
    try {
        const size_t layerCount = image.layers.size();
        std::vector<LayerEntry> entries(layerCount);
        BlankPixel blank;
        if (!blank.make()) return refuse(kOutOfMemory);
        for (size_t i = 0; i < layerCount; ++i) {
            LayerEntry& entry = entries[i];
            entry.name = "data/layer" + std::to_string(i) + ".png";
            const LayerItem& layer = *image.layers[i];
            const auto* raster = layer.kind() == kLayerKindRaster
                                     ? static_cast<const RasterLayer*>(&layer)
                                     : nullptr;
            if (raster && raster->pixels().isValid()) {
                entry.color = &raster->pixels();
                if (!layerAlpha(*raster, entry)) return refuse(kOutOfMemory);
            }
        }

        ColorImage mergedColor;
        GrayMap mergedAlpha;
        bool transparent = false;
        if (!mergedImage(image, mergedColor, mergedAlpha, transparent)) {
            return refuse(kOutOfMemory);
        }
        // The thumbnail keeps the aspect ratio within 256 × 256.
        const Size canvas = image.canvas;
        const double scale =
            std::min(1.0, double(kThumbnailSide) / std::max(canvas.width, canvas.height));
        const Size thumbSize{std::max(1, int32_t(std::lround(canvas.width * scale))),
                             std::max(1, int32_t(std::lround(canvas.height * scale)))};
        ColorImage thumbColor;
        GrayMap thumbAlpha;
        if (!mergedColor.stretchInto(thumbColor, thumbSize, true) ||
            (transparent && !mergedAlpha.stretchInto(thumbAlpha, thumbSize, true))) {
            return refuse(kOutOfMemory);
        }

        // Every image is encoded on its own, on every core when the caller allows it.
        struct Job {
            const ColorImage* color;
            const GrayMap* alpha;
            std::vector<uint8_t> bytes;
            std::string failure;
            bool ok = false;
        };
        std::vector<Job> jobs;
        jobs.reserve(layerCount + 2);
        for (const LayerEntry& entry : entries) {
            if (entry.color) {
                jobs.push_back({entry.color, entry.alpha, {}, {}, false});
            } else {
                jobs.push_back({&blank.color, &blank.alpha, {}, {}, false});
            }
        }
        jobs.push_back({&mergedColor, transparent ? &mergedAlpha : nullptr, {}, {}, false});
        jobs.push_back({&thumbColor, transparent ? &thumbAlpha : nullptr, {}, {}, false});
        const auto encode = [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                Job& job = jobs[size_t(i)];
                try {
                    VectorStream stream(job.bytes);
                    job.ok = encodePng(stream, *job.color, job.alpha, options.compressionLevel,
                                       &job.failure);
                } catch (const std::bad_alloc&) {
                    job.failure = kOutOfMemory;
                }
            }
        };
        if (options.parallel) {
            // Each thread takes the next image as it finishes one (the images are listed largest
            // first, more or less): fixed shares would leave one core idle while the other still
            // has two layers to go.
            std::atomic<int> next{0};
            const int threads = std::min(workerThreads(), int(jobs.size()));
            parallelRows(threads, 1, [&](int, int) {
                for (int i; (i = next.fetch_add(1)) < int(jobs.size());) encode(i, i + 1);
            });
        } else {
            encode(0, int(jobs.size()));
        }
        for (const Job& job : jobs) {
            if (!job.ok) return refuse(job.failure.empty() ? "write error" : job.failure);
        }

        std::vector<std::vector<uint8_t>> channelData(image.channels.size());
        for (size_t i = 0; i < image.channels.size(); ++i) {
            channelBytes(*image.channels[i], channelData[i]);
        }
        const std::vector<uint8_t> mime = textBytes(kOpenRasterMimeType);
        const std::vector<uint8_t> stack = textBytes(stackXml(image, entries));
        const std::vector<uint8_t> channelList = textBytes(channelListXml(image));

        ZipWriter zip;
        zip_error_t error;
        zip_error_init(&error);
        zip.buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
        zip_error_fini(&error);
        if (!zip.buffer) return refuse(kOutOfMemory);
        zip_error_init(&error);
        zip.archive = zip_open_from_source(zip.buffer, ZIP_TRUNCATE, &error);
        zip_error_fini(&error);
        if (!zip.archive) return refuse(kOutOfMemory);
        // The archive object now owns one reference to the buffer; ours reads the result.
        zip_source_keep(zip.buffer);

        const int level = options.compressionLevel;
        // The mimetype comes first and stored, so that the file's first bytes announce it.
        bool ok = addEntry(zip.archive, kMimeTypeEntry, mime, false, 0) &&
                  addEntry(zip.archive, kStackEntry, stack, true, level);
        // PNG data is deflated already: stored as it is.
        for (size_t i = 0; ok && i < layerCount; ++i) {
            ok = addEntry(zip.archive, entries[i].name.c_str(), jobs[i].bytes, false, 0);
        }
        ok = ok && addEntry(zip.archive, kMergedEntry, jobs[layerCount].bytes, false, 0) &&
             addEntry(zip.archive, kThumbnailEntry, jobs[layerCount + 1].bytes, false, 0);
        if (ok && !image.channels.empty()) {
            ok = addEntry(zip.archive, kChannelListEntry, channelList, true, level);
            for (size_t i = 0; ok && i < channelData.size(); ++i) {
                const std::string name = "varnel/channel" + std::to_string(i) + ".raw";
                ok = addEntry(zip.archive, name.c_str(), channelData[i], true, level);
            }
        }
        if (!ok) return refuse(kOutOfMemory);
        if (zip_close(zip.archive) != 0) return refuse(kOutOfMemory);
        zip.archive = nullptr;

        zip_stat_t st;
        if (zip_source_stat(zip.buffer, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
            zip_source_open(zip.buffer) != 0) {
            return refuse(kOutOfMemory);
        }
        archive.resize(size_t(st.size));
        const zip_int64_t got = zip_source_read(zip.buffer, archive.data(), st.size);
        zip_source_close(zip.buffer);
        if (got < 0 || zip_uint64_t(got) != st.size) return refuse(kOutOfMemory);
        return true;
    } catch (const std::bad_alloc&) {
        return refuse(kOutOfMemory);
    }
}

bool writeOpenRaster(const LayeredImage& image, const std::string& path,
                     const OpenRasterWriteOptions& options, std::string* reason) {
    std::vector<uint8_t> archive;
    if (!encodeOpenRaster(image, options, archive, reason)) return false;
    if (archive.size() >= UINT32_MAX) {
        if (reason) *reason = "the file would reach 4 GB, more than the editor writes";
        return false;
    }
    FileStream stream;
    if (!stream.openForWrite(path)) {
        if (reason) *reason = stream.failure();
        return false;
    }
    const uint32_t written = stream.write(archive.data(), 1, uint32_t(archive.size()));
    if (written != archive.size() || !stream.commit()) {
        if (reason) *reason = stream.failure().empty() ? "write error" : stream.failure();
        return false;
    }
    return true;
}

}  // namespace varnel
