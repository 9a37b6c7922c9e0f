#include "formats/image_file.h"

#include <algorithm>
#include <cstring>

#include "core/surface_ops.h"
#include "formats/format_type.h"
#include "formats/image_codec.h"

namespace varnel {

bool ImageFile::loadFromFile(const std::string& path, uint32_t flags, std::string* reason) {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        std::unique_ptr<ImageFile> fresh = createEmpty();
        if (!codec || !fresh) return false;
        if (!codec->loadFromFile(*fresh, path, flags)) {
            if (reason) *reason = codec->failure();
            return false;
        }
        // A header-only read brings format info but no pixels: the pixels held stay.
        if (flags & LoadHeaderOnly) {
            if (m_info && fresh->formatInfo()) m_info->assign(*fresh->formatInfo());
        } else {
            swapContents(*fresh);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageFile::loadFromResource(uint32_t id, const ResourceModule* module, uint32_t flags) {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        std::unique_ptr<ImageFile> fresh = createEmpty();
        if (!codec || !fresh || !codec->loadFromResource(*fresh, id, module, flags)) return false;
        if (flags & LoadHeaderOnly) {
            if (m_info && fresh->formatInfo()) m_info->assign(*fresh->formatInfo());
        } else {
            swapContents(*fresh);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageFile::saveToFile(const std::string& path, std::string* reason) const {
    try {
        const std::unique_ptr<ImageCodec> codec = createCodec();
        if (!codec) return false;
        if (!codec->saveToFile(path, *this)) {
            if (reason) *reason = codec->failure();
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

// ---- Concrete image file objects ---------------------------------------------------------------

namespace {

constexpr Bgr kWhite{255, 255, 255};

// `out` becomes a copy of `color`, laid over white where `alpha` (when given) is not opaque.
bool compositeOverWhite(const ColorImage& color, const GrayMap* alpha, ColorImage& out) {
    if (!out.copyFrom(color)) return false;
    if (!alpha || !alpha->isValid()) return true;
    if (alpha->size() != color.size()) return false;
    for (int32_t y = 0; y < out.height(); ++y) {
        Bgr* px = out.pixels(y);
        const uint8_t* a = alpha->row(y);
        for (int32_t x = 0; x < out.width(); ++x) {
            if (a[x] != 255) lerpPixel(px[x], kWhite, uint8_t(255 - a[x]));
        }
    }
    return true;
}

// The size that fits `size` into `limit` keeping its proportions (never below 1 pixel); a side
// of the limit that is 0 or less does not limit.
Size fitInto(Size size, Size limit) {
    const int64_t w = size.width, h = size.height;
    const int64_t maxW = limit.width > 0 ? limit.width : w;
    const int64_t maxH = limit.height > 0 ? limit.height : h;
    if (w <= maxW && h <= maxH) return size;
    if (w * maxH >= h * maxW) {
        return {int32_t(maxW), int32_t(std::max<int64_t>(1, (h * maxW + w / 2) / w))};
    }
    return {int32_t(std::max<int64_t>(1, (w * maxH + h / 2) / h)), int32_t(maxH)};
}

bool renderPlanes(const ColorImage& color, const GrayMap* alpha, ColorImage& target, Size maxSize) {
    if (!color.isValid()) return false;
    ColorImage flat;
    if (!compositeOverWhite(color, alpha, flat)) return false;
    const Size size = fitInto(flat.size(), maxSize);
    if (size == flat.size()) return target.adoptStore(flat.takeStore()) != 0;
    return flat.stretchInto(target, size, true) != 0;
}

// Copies (and scales) the `source` rectangle of the planes onto `destination` of `target`,
// blending by the alpha plane when there is one.
bool drawPlanes(const ColorImage& color, const GrayMap* alpha, ColorImage& target,
                const Rect& destination, const Rect& source) {
    if (!color.isValid() || !target.isValid()) return false;
    if (alpha && alpha->size() != color.size()) return false;
    const Rect wanted = source.normalized();
    const Rect dst = destination.normalized();
    const Rect src = wanted.intersected(color.bounds());
    if (src.isEmpty() || dst.isEmpty() || wanted.isEmpty()) return false;
    // Clipping the source clips the destination in proportion.
    auto scaleX = [&](int32_t v) {
        return dst.left + int32_t(int64_t(v - wanted.left) * dst.width() / wanted.width());
    };
    auto scaleY = [&](int32_t v) {
        return dst.top + int32_t(int64_t(v - wanted.top) * dst.height() / wanted.height());
    };
    const Rect placed{scaleX(src.left), scaleY(src.top), scaleX(src.right), scaleY(src.bottom)};
    if (placed.isEmpty()) return true;

    const ColorImage* colorPart = &color;
    const GrayMap* alphaPart = alpha;
    Point origin = src.topLeft();
    ColorImage scaledColor;
    GrayMap scaledAlpha;
    if (placed.size() != src.size()) {
        const bool smooth = color.smoothStretch();
        if (!scaledColor.copyRectFrom(color, src) ||
            !scaledColor.stretchInto(scaledColor, placed.size(), smooth)) {
            return false;
        }
        if (alpha && (!scaledAlpha.copyRectFrom(*alpha, src) ||
                      !scaledAlpha.stretchInto(scaledAlpha, placed.size(), smooth))) {
            return false;
        }
        colorPart = &scaledColor;
        alphaPart = alpha ? &scaledAlpha : nullptr;
        origin = {0, 0};
    }
    const Rect visible = placed.intersected(target.bounds());
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        const int32_t sy = origin.y + (y - placed.top);
        const Bgr* in = colorPart->pixels(sy) + origin.x + (visible.left - placed.left);
        Bgr* out = target.pixels(y) + visible.left;
        const int32_t n = visible.width();
        if (!alphaPart) {
            std::memcpy(static_cast<void*>(out), in, size_t(n) * sizeof(Bgr));
            continue;
        }
        const uint8_t* a = alphaPart->row(sy) + origin.x + (visible.left - placed.left);
        for (int32_t x = 0; x < n; ++x) lerpPixel(out[x], in[x], a[x]);
    }
    return true;
}

}  // namespace

void OpaqueImageFile::clear(bool resetInfo) {
    m_color.release();
    if (resetInfo && m_info) m_info->reset();
}

bool OpaqueImageFile::assign(const ImageFile& other) {
    if (&other == this) return true;
    try {
        ColorImage color;
        const ColorImage* src = other.colorPlane();
        if (src && src->isValid()) {
            const GrayMap* alpha = other.supportsAlpha() ? other.alphaPlane() : nullptr;
            if (!compositeOverWhite(*src, alpha, color)) return false;
        }
        if (m_info && other.formatInfo()) m_info->assign(*other.formatInfo());
        m_color.release();
        if (color.isValid()) m_color.adoptStore(color.takeStore());
        return true;
    } catch (...) {
        return false;
    }
}

bool OpaqueImageFile::renderInto(ColorImage& target, Size maxSize) const {
    return renderPlanes(m_color, nullptr, target, maxSize);
}

bool OpaqueImageFile::drawRect(ColorImage& target, const Rect& destination,
                               const Rect& source) const {
    return drawPlanes(m_color, nullptr, target, destination, source);
}

void OpaqueImageFile::swapContents(ImageFile& other) {
    auto& o = static_cast<OpaqueImageFile&>(other);
    m_color.swapStores(o.m_color);
}

void TransparentImageFile::clear(bool resetInfo) {
    m_pixels.color.release();
    m_pixels.alpha.release();
    if (resetInfo && m_info) m_info->reset();
}

bool TransparentImageFile::assign(const ImageFile& other) {
    if (&other == this) return true;
    try {
        ColorImage color;
        GrayMap alpha;
        const ColorImage* src = other.colorPlane();
        if (src && src->isValid()) {
            if (!color.copyFrom(*src)) return false;
            const GrayMap* srcAlpha = other.supportsAlpha() ? other.alphaPlane() : nullptr;
            if (srcAlpha && srcAlpha->isValid() && !alpha.copyFrom(*srcAlpha)) return false;
        }
        if (m_info && other.formatInfo()) m_info->assign(*other.formatInfo());
        m_pixels.color.release();
        m_pixels.alpha.release();
        if (color.isValid()) m_pixels.color.adoptStore(color.takeStore());
        if (alpha.isValid()) m_pixels.alpha.adoptStore(alpha.takeStore());
        return true;
    } catch (...) {
        return false;
    }
}

bool TransparentImageFile::renderInto(ColorImage& target, Size maxSize) const {
    return renderPlanes(m_pixels.color, alphaPlane(), target, maxSize);
}

bool TransparentImageFile::drawRect(ColorImage& target, const Rect& destination,
                                    const Rect& source) const {
    return drawPlanes(m_pixels.color, alphaPlane(), target, destination, source);
}

void TransparentImageFile::swapContents(ImageFile& other) {
    auto& o = static_cast<TransparentImageFile&>(other);
    m_pixels.color.swapStores(o.m_pixels.color);
    m_pixels.alpha.swapStores(o.m_pixels.alpha);
}

#define VARNEL_IMAGE_FILE_BASICS(Class, Base, Info, Type, member) \
    std::unique_ptr<ImageCodec> Class::createCodec() const {      \
        return createCodecFor(Type);                              \
    }                                                             \
    std::unique_ptr<FormatInfo> Class::createFormatInfo() const { \
        return std::make_unique<Info>();                          \
    }                                                             \
    std::unique_ptr<ImageFile> Class::createEmpty() const {       \
        return std::make_unique<Class>();                         \
    }                                                             \
    void Class::swapContents(ImageFile& other) {                  \
        Base::swapContents(other);                                \
        std::swap(member, static_cast<Class&>(other).member);     \
    }

VARNEL_IMAGE_FILE_BASICS(JpegImageFile, OpaqueImageFile, JpegFormatInfo, FormatJpeg, m_jpeg)
VARNEL_IMAGE_FILE_BASICS(PngImageFile, TransparentImageFile, PngFormatInfo, FormatPng, m_png)
VARNEL_IMAGE_FILE_BASICS(BmpImageFile, TransparentImageFile, BmpFormatInfo, FormatBmp, m_bmp)

std::unique_ptr<ImageFile> createImageFile(int formatType) {
    switch (formatType) {
        case FormatBmp:
            return std::make_unique<BmpImageFile>();
        case FormatJpeg:
            return std::make_unique<JpegImageFile>();
        case FormatPng:
            return std::make_unique<PngImageFile>();
        default:
            return nullptr;
    }
}

std::unique_ptr<ImageFile> openImageFile(const std::string& path, bool load) {
    try {
        std::unique_ptr<ImageFile> image = createImageFile(formatTypeOf(path));
        if (!image) return nullptr;
        if (load && !image->loadFromFile(path, LoadPixels)) return nullptr;
        return image;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace varnel
