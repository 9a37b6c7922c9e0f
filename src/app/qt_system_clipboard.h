// The system clipboard through Qt, for the engine's clipboard store. Images leave as a QImage,
// which the window system offers to other programs in every image format they ask for (PNG with
// its alpha, BMP, ...); they come in from whatever another program offers: an image Qt decodes
// for us, any image/* format Qt can read, or a raw device-independent bitmap. Inside, an image is
// a packed bitmap: 24-bit, or 32-bit with a named alpha channel when it has transparency.
#pragma once

#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_clipboard.h"

class QClipboard;

namespace varnel {

class QtSystemClipboard : public platform::SystemClipboard {
public:
    // Over the application's clipboard (a QGuiApplication must exist).
    QtSystemClipboard();

    bool hasBitmap() override;
    bool readBitmap(std::vector<uint8_t>& block) override;
    bool writeBitmap(const std::vector<uint8_t>& block) override;
    bool holdsWrittenBitmap() override;
    bool clear() override;
    bool readText(std::string& text) override;

    // The mime type under which the clipboard carries a raw packed bitmap.
    static const char* const kDibMimeType;
    // Whether `data` offers an image in a form readImage can take.
    static bool offersImage(const QMimeData* data);
    // The image `data` offers; null when none can be read.
    static QImage readImage(const QMimeData* data);
    // A packed bitmap of `image`: 32-bit with its alpha channel when the image has one that is
    // not opaque everywhere, 24-bit otherwise; empty for a null image or one with a side over the
    // editor's limit.
    static std::vector<uint8_t> packedBitmapOf(const QImage& image);
    // The image of a packed bitmap (with its alpha channel when the block names one); null when
    // the block does not hold one.
    static QImage imageOfPackedBitmap(const std::vector<uint8_t>& block);

private:
    QClipboard* clipboard_;
    // What writeBitmap last put on the clipboard; the clipboard deletes it once something else
    // replaces it.
    QPointer<const QMimeData> written_;
};

}  // namespace varnel
