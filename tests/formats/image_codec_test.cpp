#include "formats/image_codec.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "formats/byte_stream.h"
#include "formats/format_info.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/resources.h"
#include "test_files.h"

namespace varnel {
namespace {

using testing_files::readBytes;
using testing_files::ScratchFolder;
using testing_files::writeBytes;

// An image file object whose "pixels" are a byte string, so that the codec base can be tested
// without any real format.
class ByteImage : public ImageFile {
public:
    ByteImage() : ImageFile(&m_own) {}
    explicit ByteImage(std::string bytes) : ByteImage() { this->bytes = std::move(bytes); }

    bool isEmpty() const override { return bytes.empty(); }
    bool isValid() const override { return !bytes.empty(); }
    int32_t width() const override { return int32_t(bytes.size()); }
    int32_t height() const override { return bytes.empty() ? 0 : 1; }
    void clear(bool resetInfo) override {
        bytes.clear();
        if (resetInfo) m_own.reset();
    }
    bool assign(const ImageFile&) override { return false; }
    bool supportsAlpha() const override { return false; }
    bool hasAlpha() const override { return false; }
    bool renderInto(ColorImage&, Size) const override { return false; }
    bool drawRect(ColorImage&, const Rect&, const Rect&) const override { return false; }
    const ColorImage* colorPlane() const override { return nullptr; }
    const GrayMap* alphaPlane() const override { return nullptr; }
    std::unique_ptr<ImageCodec> createCodec() const override;
    std::unique_ptr<FormatInfo> createFormatInfo() const override {
        return std::make_unique<PngFormatInfo>();
    }
    std::unique_ptr<ImageFile> createEmpty() const override {
        return std::make_unique<ByteImage>();
    }
    void dropInfo() { m_info = nullptr; }

    std::string bytes;

protected:
    void swapContents(ImageFile& other) override {
        auto& o = static_cast<ByteImage&>(other);
        std::swap(bytes, o.bytes);
        std::swap(m_own, o.m_own);
    }

private:
    PngFormatInfo m_own;
};

// Writes the bytes in chunks of 3; can be told to give up or throw after some chunks.
// Reads "BYTE" followed by the bytes; the header-only read stores the byte count as the width.
class ByteCodec : public ImageCodec {
public:
    enum class Failure { None, ReturnFalse, Throw };
    Failure failure = Failure::None;
    int chunksBeforeFailure = 2;

    bool saveToStream(ByteStream& stream, const ImageFile& image) override {
        if (!accepts(image) || !stream.isOpen()) return false;
        const std::string& b = static_cast<const ByteImage&>(image).bytes;
        if (stream.write("BYTE", 1, 4) != 4) return false;
        int chunks = 0;
        for (size_t i = 0; i < b.size(); i += 3) {
            if (failure != Failure::None && chunks++ == chunksBeforeFailure) {
                if (failure == Failure::Throw) throw std::runtime_error("encoder failed");
                return false;
            }
            const uint32_t n = uint32_t(std::min<size_t>(3, b.size() - i));
            if (stream.write(b.data() + i, 1, n) != n) return false;
        }
        return true;
    }
    bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) override {
        if (!accepts(image) || !stream.isOpen()) return false;
        char magic[4];
        if (stream.read(magic, 1, 4) != 4 || std::string(magic, 4) != "BYTE") return false;
        const uint32_t n = stream.size() - stream.tell();
        image.formatInfo()->width = int32_t(n);
        if (flags & LoadHeaderOnly) return true;
        std::string bytes(n, '\0');
        if (stream.read(bytes.data(), 1, n) != n) return false;
        static_cast<ByteImage&>(image).bytes = bytes;
        return true;
    }
    int formatType() const override { return type; }
    int type = FormatPng;
};

std::unique_ptr<ImageCodec> ByteImage::createCodec() const {
    return std::make_unique<ByteCodec>();
}

TEST(ImageCodec, FailedSaveLeavesTheExistingFileByteIdentical) {
    ScratchFolder dir;
    const std::string path = dir.file("picture.png");
    const std::string old = "BYTE the picture the user already had";
    for (ByteCodec::Failure failure :
         {ByteCodec::Failure::ReturnFalse, ByteCodec::Failure::Throw}) {
        writeBytes(path, old);
        ByteCodec codec;
        codec.failure = failure;  // gives up half-way, after writing two chunks
        EXPECT_FALSE(codec.saveToFile(path, ByteImage("a much newer picture")));
        EXPECT_EQ(readBytes(path), old);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"picture.png"});
    }
}

TEST(ImageCodec, SaveAndLoadThroughFiles) {
    ScratchFolder dir;
    const std::string path = dir.file("picture.png");
    writeBytes(path, "BYTE old");
    ByteCodec codec;
    ASSERT_TRUE(codec.saveToFile(path, ByteImage("newer pixels")));
    EXPECT_EQ(readBytes(path), "BYTEnewer pixels");

    ByteImage loaded;
    ASSERT_TRUE(codec.loadFromFile(loaded, path, LoadPixels));
    EXPECT_EQ(loaded.bytes, "newer pixels");
    EXPECT_EQ(loaded.formatInfo()->filePath, path);

    ByteImage failed;
    EXPECT_FALSE(codec.loadFromFile(failed, dir.file("missing.png"), LoadPixels));
    writeBytes(dir.file("bad.png"), "JUNK");
    EXPECT_FALSE(codec.loadFromFile(failed, dir.file("bad.png"), LoadPixels));
    EXPECT_EQ(failed.formatInfo()->filePath, "");
}

TEST(ImageCodec, SaveRefusesAnImageWithoutPixels) {
    ScratchFolder dir;
    ByteCodec codec;
    EXPECT_FALSE(codec.saveToFile(dir.file("empty.png"), ByteImage()));
    EXPECT_TRUE(dir.entries().empty());
    MemoryBuffer buffer(64);
    EXPECT_FALSE(codec.saveToBuffer(buffer, ByteImage()));
}

TEST(ImageCodec, SaveToBufferNeverGrowsTheBuffer) {
    ByteCodec codec;
    MemoryBuffer buffer(16);
    uint32_t written = 0;
    ASSERT_TRUE(codec.saveToBuffer(buffer, ByteImage("hello"), &written));
    EXPECT_EQ(written, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 9), "BYTEhello");
    EXPECT_FALSE(codec.saveToBuffer(buffer, ByteImage("far too long to fit")));
    EXPECT_EQ(buffer.size(), 16u);
    MemoryBuffer none;
    EXPECT_FALSE(codec.saveToBuffer(none, ByteImage("x")));
}

TEST(ImageCodec, LoadsFromMemoryAndResources) {
    static const uint8_t kBytes[] = {'B', 'Y', 'T', 'E', 'r', 'e', 's'};
    ByteCodec codec;
    ByteImage image;
    ASSERT_TRUE(codec.loadFromMemory(image, kBytes, sizeof kBytes, LoadPixels));
    EXPECT_EQ(image.bytes, "res");
    EXPECT_FALSE(codec.loadFromMemory(image, nullptr, 4, LoadPixels));
    EXPECT_FALSE(codec.loadFromMemory(image, kBytes, 0, LoadPixels));

    ResourceModule module;
    ASSERT_TRUE(module.add(ResourceType::named("PNG"), 7, kBytes, sizeof kBytes));
    ASSERT_TRUE(module.add(ResourceType::named("JPG"), 8, kBytes, sizeof kBytes));
    ByteImage fromResource;
    EXPECT_TRUE(codec.loadFromResource(fromResource, 7, &module, LoadPixels));
    EXPECT_EQ(fromResource.bytes, "res");
    EXPECT_FALSE(codec.loadFromResource(fromResource, 8, &module, LoadPixels));  // other type
    EXPECT_FALSE(codec.loadFromResource(fromResource, 9, &module, LoadPixels));  // missing
    codec.type = 42;                                                             // no resource type
    EXPECT_FALSE(codec.loadFromResource(fromResource, 7, &module, LoadPixels));
}

TEST(ImageCodec, AcceptsOnlyItsOwnFormat) {
    ByteCodec codec;
    ByteImage image("x");
    EXPECT_TRUE(codec.accepts(image));
    codec.type = FormatBmp;
    EXPECT_FALSE(codec.accepts(image));
    image.dropInfo();
    EXPECT_FALSE(codec.accepts(image));
    codec.type = FormatNone;
    EXPECT_TRUE(codec.accepts(image));
}

TEST(ImageFile, FailedLoadLeavesTheObjectAsItWas) {
    ScratchFolder dir;
    writeBytes(dir.file("bad.png"), "JUNK");
    writeBytes(dir.file("good.png"), "BYTEgood");
    ByteImage image("mine");
    image.formatInfo()->filePath = "earlier.png";
    EXPECT_FALSE(image.loadFromFile(dir.file("bad.png"), LoadPixels));
    EXPECT_EQ(image.bytes, "mine");
    EXPECT_EQ(image.formatInfo()->filePath, "earlier.png");

    // A header-only read updates the format info and keeps the pixels.
    ASSERT_TRUE(image.loadFromFile(dir.file("good.png"), LoadHeaderOnly));
    EXPECT_EQ(image.bytes, "mine");
    EXPECT_EQ(image.formatInfo()->width, 4);
    EXPECT_EQ(image.formatInfo()->filePath, dir.file("good.png"));

    ASSERT_TRUE(image.loadFromFile(dir.file("good.png"), LoadPixels));
    EXPECT_EQ(image.bytes, "good");
    ASSERT_TRUE(image.saveToFile(dir.file("copy.png")));
    EXPECT_EQ(readBytes(dir.file("copy.png")), "BYTEgood");
}

TEST(Resources, TypesOfTheFormatsAndLookup) {
    EXPECT_EQ(resourceTypeFor(FormatNative), ResourceType::named("VED"));
    EXPECT_EQ(resourceTypeFor(FormatBmp), ResourceType::numbered(kResourceBitmap));
    EXPECT_EQ(resourceTypeFor(FormatGif), ResourceType::named("GIF"));
    EXPECT_EQ(resourceTypeFor(FormatIco), ResourceType::numbered(kResourceIcon));
    EXPECT_EQ(resourceTypeFor(FormatJpeg), ResourceType::named("JPG"));
    EXPECT_EQ(resourceTypeFor(FormatPng), ResourceType::named("PNG"));
    EXPECT_EQ(resourceTypeFor(FormatTiff), ResourceType::named("TIF"));
    EXPECT_FALSE(resourceTypeFor(FormatNone));
    EXPECT_FALSE(resourceTypeFor(7));

    static const uint8_t kData[] = {1, 2, 3};
    ResourceModule module;
    EXPECT_FALSE(module.add(ResourceType::numbered(2), 1, kData, 0));
    ASSERT_TRUE(module.add(ResourceType::numbered(2), 1, kData, 3));
    uint32_t size = 99;
    EXPECT_EQ(findResource(1, ResourceType::numbered(2), &module, &size), kData);
    EXPECT_EQ(size, 3u);
    size = 99;
    EXPECT_EQ(findResource(1, ResourceType::numbered(3), &module, &size), nullptr);
    EXPECT_EQ(findResource(2, ResourceType::numbered(2), &module, &size), nullptr);
    EXPECT_EQ(size, 99u);  // written only on success
    EXPECT_TRUE(module.remove(ResourceType::numbered(2), 1));
    EXPECT_EQ(findResource(1, ResourceType::numbered(2), &module, &size), nullptr);
}

TEST(FormatType, FromTheExtension) {
    struct Case {
        const char* path;
        int type;
    } cases[] = {
        {"a.bmp", FormatBmp},      {"A.DIB", FormatBmp},       {"x/y.rle", FormatBmp},
        {"p.JPEG", FormatJpeg},    {"p.jfif", FormatJpeg},     {"p.jpe", FormatJpeg},
        {"p.jpg", FormatJpeg},     {"i.png", FormatPng},       {"g.gif", FormatGif},
        {"i.ico", FormatIco},      {"t.tif", FormatTiff},      {"d.ved", FormatNative},
        {"t.tiff", FormatTiff},    {"noext", FormatNone},      {"dir.png/file", FormatNone},
        {"trailing.", FormatNone}, {"two.png.bmp", FormatBmp}, {"", FormatNone},
        {"w.WebP", FormatWebp},
    };
    for (const Case& c : cases) EXPECT_EQ(formatTypeOf(c.path), c.type) << c.path;
}

}  // namespace
}  // namespace varnel
