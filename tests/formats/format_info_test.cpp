#include "formats/format_info.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(FormatInfo, TypesAndClasses) {
    FormatInfo base;
    JpegFormatInfo jpeg;
    PngFormatInfo png;
    BmpFormatInfo bmp;
    EXPECT_EQ(base.formatType(), FormatNone);
    EXPECT_EQ(jpeg.formatType(), FormatJpeg);
    EXPECT_EQ(png.formatType(), FormatPng);
    EXPECT_EQ(bmp.formatType(), FormatBmp);
    EXPECT_EQ(base.formatClass(), 0);
    EXPECT_EQ(jpeg.formatClass(), 1);
    EXPECT_EQ(png.formatClass(), 2);
    EXPECT_EQ(bmp.formatClass(), 2);
}

TEST(FormatInfo, ResetRestoresANewRecord) {
    PngFormatInfo png;
    png.filePath = "a.png";
    png.bitDepth = 48;
    png.width = png.height = 10;
    png.sampleBitDepth = 16;
    png.channels = 3;
    png.colorType = 2;
    png.interlaceType = 1;
    png.compressionLevel = 9;
    png.reset();
    EXPECT_EQ(png.filePath, "");
    EXPECT_EQ(png.bitDepth, -1);
    EXPECT_EQ(png.width, -1);
    EXPECT_EQ(png.height, -1);
    EXPECT_EQ(png.sampleBitDepth, 8);
    EXPECT_EQ(png.channels, 4);
    EXPECT_EQ(png.colorType, 6);
    EXPECT_EQ(png.interlaceType, 0);
    EXPECT_EQ(png.compressionLevel, 5);

    JpegFormatInfo jpeg;
    jpeg.segments.push_back({JpegSegment::kExif, 8, {0, 8, 'E', 'x', 'i', 'f', 0, 0}});
    jpeg.quality = 40;
    jpeg.subsamplingThreshold = 10;
    jpeg.componentCount = 1;
    jpeg.smoothing = 20;
    jpeg.options = JpegFormatInfo::kForceBaseline | JpegFormatInfo::kProgressive |
                   JpegFormatInfo::kOptimizeHuffman;
    jpeg.reset();
    EXPECT_TRUE(jpeg.segments.empty());
    EXPECT_EQ(jpeg.quality, 95);
    EXPECT_EQ(jpeg.subsamplingThreshold, 95);
    EXPECT_EQ(jpeg.componentCount, 3);
    EXPECT_EQ(jpeg.smoothing, 0);
    EXPECT_EQ(jpeg.options, JpegFormatInfo::kForceBaseline);

    BmpFormatInfo bmp;
    bmp.setInfoHeader(3, 2, 24);
    bmp.reset();
    EXPECT_TRUE(bmp.header.empty());
    EXPECT_EQ(bmp.headerBitCount(), 0);
}

TEST(FormatInfo, AssignCopiesTheFormatFieldsOnlyBetweenEqualTypes) {
    PngFormatInfo source;
    source.filePath = "src.png";
    source.bitDepth = 32;
    source.width = 7;
    source.height = 9;
    source.text = "note";
    source.compressionLevel = 9;

    PngFormatInfo samePng;
    samePng.assign(source);
    EXPECT_EQ(samePng.filePath, "src.png");
    EXPECT_EQ(samePng.compressionLevel, 9);

    JpegFormatInfo jpeg;
    jpeg.quality = 50;
    jpeg.assign(source);
    EXPECT_EQ(jpeg.filePath, "src.png");
    EXPECT_EQ(jpeg.bitDepth, 32);
    EXPECT_EQ(jpeg.width, 7);
    EXPECT_EQ(jpeg.height, 9);
    EXPECT_EQ(jpeg.text, "note");
    EXPECT_EQ(jpeg.quality, 50);  // not a JPEG source: own fields kept
    EXPECT_EQ(jpeg.formatType(), FormatJpeg);

    std::unique_ptr<FormatInfo> copy = source.clone();
    ASSERT_EQ(copy->formatType(), FormatPng);
    EXPECT_EQ(static_cast<PngFormatInfo&>(*copy).compressionLevel, 9);
    copy->assign(*copy);  // self-assignment changes nothing
    EXPECT_EQ(copy->filePath, "src.png");
}

TEST(FormatInfo, BmpInfoHeader) {
    BmpFormatInfo bmp;
    bmp.setInfoHeader(640, -480, 32);
    ASSERT_EQ(bmp.header.size(), 40u);
    EXPECT_EQ(bmp.header[0], 40);
    EXPECT_EQ(bmp.header[4] | bmp.header[5] << 8, 640);
    EXPECT_EQ(bmp.header[12], 1);  // planes
    EXPECT_EQ(bmp.headerBitCount(), 32);
    EXPECT_EQ(bmp.bitDepth, 32);
    EXPECT_EQ(bmp.width, 640);
    EXPECT_EQ(bmp.height, 480);
    BmpFormatInfo other;
    other.assign(bmp);
    EXPECT_EQ(other.header, bmp.header);
}

TEST(JpegSegment, ApplicationSegmentsByMarkerByte) {
    EXPECT_TRUE((JpegSegment{JpegSegment::kJfif, 0, {}}.isApplication()));
    EXPECT_TRUE((JpegSegment{0xEF, 0, {}}.isApplication()));
    EXPECT_FALSE((JpegSegment{0xFE, 0, {}}.isApplication()));  // comment
    EXPECT_EQ((JpegSegment{JpegSegment::kIptc, 0, {}}.markerByte()), 0xED);
}

}  // namespace
}  // namespace varnel
