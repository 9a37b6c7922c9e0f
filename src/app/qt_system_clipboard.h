// The system clipboard through Qt, for the engine's clipboard store. Images leave as a QImage,
// which the window system offers to other programs in every image format they ask for (PNG, BMP,
// ...); they come in from whatever another program offers: an image Qt decodes for us, any
// image/* format Qt can read, or a raw device-independent bitmap. Inside, an image is a packed
// 24-bit bitmap.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_clipboard.h"

class QClipboard;
class QMimeData;

namespace varnel {

class QtSystemClipboard : public platform::SystemClipboard {
public:
    // Over the application's clipboard (a QGuiApplication must exist).
    QtSystemClipboard();

    bool hasBitmap() override;
    bool readBitmap(std::vector<uint8_t>& block) override;
    bool writeBitmap(const std::vector<uint8_t>& block) override;
    bool clear() override;
    bool readText(std::string& text) override;

    // The mime type under which the clipboard carries a raw packed bitmap.
    static const char* const kDibMimeType;
    // Whether `data` offers an image in a form readImage can take.
    static bool offersImage(const QMimeData* data);
    // The image `data` offers; null when none can be read.
    static QImage readImage(const QMimeData* data);
    // A packed 24-bit bitmap of `image` (its alpha dropped); empty for a null image or one with a
    // side over the editor's limit.
    static std::vector<uint8_t> packedBitmapOf(const QImage& image);
    // The image of a packed bitmap; null when the block does not hold one.
    static QImage imageOfPackedBitmap(const std::vector<uint8_t>& block);

private:
    QClipboard* clipboard_;
};

}  // namespace varnel
