// Image file objects: the pixels of one file in the form its format supports, with the file's
// format info. Opening a file fills one through its codec; saving fills a fresh one and lets the
// codec write it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/geometry.h"
#include "core/surface.h"
#include "formats/format_info.h"

namespace varnel {

class ImageCodec;
class ResourceModule;

// Flags of the load operations.
enum LoadFlags : uint32_t {
    LoadPixels = 0,
    LoadHeaderOnly = 1,  // the header and metadata, without pixels
};

class ImageFile {
public:
    virtual ~ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // True when there is no colour plane, or it holds no pixels.
    virtual bool isEmpty() const = 0;
    // True when the colour plane holds pixels.
    virtual bool isValid() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual Size size() const { return {width(), height()}; }
    // Drops the pixels; with `resetInfo` the format info goes back to a new record too.
    virtual void clear(bool resetInfo) = 0;

    // Loading goes through a codec of the object's format. A failed load leaves the object as it
    // was, with the codec's reason in `reason` when given; a successful one records the path in
    // the format info.
    virtual bool loadFromFile(const std::string& path, uint32_t flags,
                              std::string* reason = nullptr);
    virtual bool loadFromResource(uint32_t id, const ResourceModule* module, uint32_t flags);
    // Writes the object to `path` through its codec; an existing file there is replaced only when
    // the codec succeeds. On failure `reason` (when given) says why.
    virtual bool saveToFile(const std::string& path, std::string* reason = nullptr) const;

    // Takes the pixels of `other` in the form this object's format supports, and its format
    // info (every field when the formats agree, the common fields otherwise).
    virtual bool assign(const ImageFile& other) = 0;
    virtual bool supportsAlpha() const = 0;
    virtual bool hasAlpha() const = 0;

    // Draws the image into `target` (made 24-bit), scaled down to fit `maxSize` when larger.
    // Transparent pixels show white.
    virtual bool renderInto(ColorImage& target, Size maxSize) const = 0;
    // Copies the `source` rectangle of the image to `destination` in `target` (scaled when the
    // sizes differ). With an alpha plane the image is blended over what the target holds.
    virtual bool drawRect(ColorImage& target, const Rect& destination,
                          const Rect& source) const = 0;

    FormatInfo* formatInfo() { return m_info; }
    const FormatInfo* formatInfo() const { return m_info; }
    int formatType() const { return m_info ? m_info->formatType() : FormatNone; }

    // The colour plane (null when there is none) and the alpha plane (null when there is none).
    virtual const ColorImage* colorPlane() const = 0;
    virtual const GrayMap* alphaPlane() const = 0;

    virtual std::unique_ptr<ImageCodec> createCodec() const = 0;
    virtual std::unique_ptr<FormatInfo> createFormatInfo() const = 0;
    // A new empty object of the same format.
    virtual std::unique_ptr<ImageFile> createEmpty() const = 0;

protected:
    explicit ImageFile(FormatInfo* info) : m_info(info) {}
    // Exchanges pixels and format info with an object of the same class.
    virtual void swapContents(ImageFile& other) = 0;

    FormatInfo* m_info = nullptr;
};

// A 24-bit colour plane and an optional 8-bit alpha plane of the same size (empty when the
// image is opaque).
struct ColorAlphaPair {
    ColorImage color;
    GrayMap alpha;
    bool hasAlpha() const { return alpha.isValid(); }
};

// An image file object of a format without transparency: one colour plane. Whatever is assigned
// to it is laid over white.
class OpaqueImageFile : public ImageFile {
public:
    bool isEmpty() const override { return !m_color.isValid(); }
    bool isValid() const override { return m_color.isValid(); }
    int32_t width() const override { return m_color.width(); }
    int32_t height() const override { return m_color.height(); }
    void clear(bool resetInfo) override;
    bool assign(const ImageFile& other) override;
    bool supportsAlpha() const override { return false; }
    bool hasAlpha() const override { return false; }
    bool renderInto(ColorImage& target, Size maxSize) const override;
    bool drawRect(ColorImage& target, const Rect& destination, const Rect& source) const override;
    const ColorImage* colorPlane() const override { return &m_color; }
    const GrayMap* alphaPlane() const override { return nullptr; }

    ColorImage& pixels() { return m_color; }
    const ColorImage& pixels() const { return m_color; }

protected:
    using ImageFile::ImageFile;
    void swapContents(ImageFile& other) override;

    ColorImage m_color;
};

// An image file object of a format with transparency: a colour plane and an optional alpha
// plane.
class TransparentImageFile : public ImageFile {
public:
    bool isEmpty() const override { return !m_pixels.color.isValid(); }
    bool isValid() const override { return m_pixels.color.isValid(); }
    int32_t width() const override { return m_pixels.color.width(); }
    int32_t height() const override { return m_pixels.color.height(); }
    void clear(bool resetInfo) override;
    bool assign(const ImageFile& other) override;
    bool supportsAlpha() const override { return true; }
    bool hasAlpha() const override { return m_pixels.hasAlpha(); }
    bool renderInto(ColorImage& target, Size maxSize) const override;
    bool drawRect(ColorImage& target, const Rect& destination, const Rect& source) const override;
    const ColorImage* colorPlane() const override { return &m_pixels.color; }
    const GrayMap* alphaPlane() const override {
        return m_pixels.hasAlpha() ? &m_pixels.alpha : nullptr;
    }

    // Codecs and the save flow fill these; an alpha plane must have the colour plane's size.
    ColorAlphaPair& pixels() { return m_pixels; }
    const ColorAlphaPair& pixels() const { return m_pixels; }

protected:
    using ImageFile::ImageFile;
    void swapContents(ImageFile& other) override;

    ColorAlphaPair m_pixels;
};

class JpegImageFile : public OpaqueImageFile {
public:
    JpegImageFile() : OpaqueImageFile(&m_jpeg) {}
    std::unique_ptr<ImageCodec> createCodec() const override;
    std::unique_ptr<FormatInfo> createFormatInfo() const override;
    std::unique_ptr<ImageFile> createEmpty() const override;
    JpegFormatInfo& jpegInfo() { return m_jpeg; }
    const JpegFormatInfo& jpegInfo() const { return m_jpeg; }

protected:
    void swapContents(ImageFile& other) override;

private:
    JpegFormatInfo m_jpeg;
};

class PngImageFile : public TransparentImageFile {
public:
    PngImageFile() : TransparentImageFile(&m_png) {}
    std::unique_ptr<ImageCodec> createCodec() const override;
    std::unique_ptr<FormatInfo> createFormatInfo() const override;
    std::unique_ptr<ImageFile> createEmpty() const override;
    PngFormatInfo& pngInfo() { return m_png; }
    const PngFormatInfo& pngInfo() const { return m_png; }

protected:
    void swapContents(ImageFile& other) override;

private:
    PngFormatInfo m_png;
};

class BmpImageFile : public TransparentImageFile {
public:
    BmpImageFile() : TransparentImageFile(&m_bmp) {}
    std::unique_ptr<ImageCodec> createCodec() const override;
    std::unique_ptr<FormatInfo> createFormatInfo() const override;
    std::unique_ptr<ImageFile> createEmpty() const override;
    BmpFormatInfo& bmpInfo() { return m_bmp; }
    const BmpFormatInfo& bmpInfo() const { return m_bmp; }

protected:
    void swapContents(ImageFile& other) override;

private:
    BmpFormatInfo m_bmp;
};

// A new empty image file object for a format type: 1 BMP, 4 JPEG, 5 PNG; null for any other.
std::unique_ptr<ImageFile> createImageFile(int formatType);
// The image file object for a path's extension, loaded from the file when `load` is set; null
// when the extension names no such format or the load fails.
std::unique_ptr<ImageFile> openImageFile(const std::string& path, bool load);

// The codec of a format type, or null when the format has none (yet) in this program.
std::unique_ptr<ImageCodec> createCodecFor(int formatType);

}  // namespace varnel
