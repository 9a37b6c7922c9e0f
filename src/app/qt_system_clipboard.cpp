#include "app/qt_system_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <cstring>

#include "core/clipboard_store.h"
#include "core/surface.h"
#include "core/surface_store.h"

namespace varnel {

namespace {

// The image formats another program may offer, best first; then any other image/* type Qt
// reads.
QStringList imageFormatsOf(const QMimeData* data) {
    static const QStringList preferred = {
        QStringLiteral("image/png"),   QStringLiteral("image/bmp"),
        QStringLiteral("image/x-bmp"), QStringLiteral("image/x-MS-bmp"),
        QStringLiteral("image/jpeg"),  QStringLiteral("image/gif")};
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    QStringList out;
    const QStringList offered = data->formats();
    for (const QString& f : preferred)
        if (offered.contains(f) && readable.contains(f.toLatin1())) out.append(f);
    for (const QString& f : offered)
        if (f.startsWith(QLatin1String("image/")) && !out.contains(f) &&
            readable.contains(f.toLatin1()))
            out.append(f);
    return out;
}

}  // namespace

const char* const QtSystemClipboard::kDibMimeType =
    "application/x-qt-windows-mime;value=\"DeviceIndependentBitmap\"";

QtSystemClipboard::QtSystemClipboard() : clipboard_(QGuiApplication::clipboard()) {}

bool QtSystemClipboard::offersImage(const QMimeData* data) {
    if (!data) return false;
    return data->hasImage() || data->hasFormat(QString::fromLatin1(kDibMimeType)) ||
           !imageFormatsOf(data).isEmpty();
}

QImage QtSystemClipboard::readImage(const QMimeData* data) {
    if (!data) return {};
    if (data->hasImage()) {
        QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull()) return image;
    }
    for (const QString& format : imageFormatsOf(data)) {
        QImage image = QImage::fromData(data->data(format));
        if (!image.isNull()) return image;
    }
    return {};
}

bool QtSystemClipboard::hasBitmap() {
    return offersImage(clipboard_->mimeData());
}

bool QtSystemClipboard::readBitmap(std::vector<uint8_t>& block) {
    const QMimeData* data = clipboard_->mimeData();
    if (!data) return false;
    // A raw packed bitmap is passed on as it is: the store's reader checks it.
    const QString dib = QString::fromLatin1(kDibMimeType);
    if (data->hasFormat(dib)) {
        const QByteArray raw = data->data(dib);
        if (!raw.isEmpty()) {
            block.assign(raw.begin(), raw.end());
            return true;
        }
    }
    std::vector<uint8_t> packed = packedBitmapOf(readImage(data));
    if (packed.empty()) return false;
    block.swap(packed);
    return true;
}

bool QtSystemClipboard::writeBitmap(const std::vector<uint8_t>& block) {
    QImage image = imageOfPackedBitmap(block);
    if (image.isNull()) return false;
    auto* data = new QMimeData;
    data->setImageData(image);
    clipboard_->setMimeData(data);
    return true;
}

bool QtSystemClipboard::clear() {
    clipboard_->clear();
    return true;
}

bool QtSystemClipboard::readText(std::string& text) {
    const QMimeData* data = clipboard_->mimeData();
    if (!data || !data->hasText()) return false;
    text = data->text().toStdString();
    return true;
}

std::vector<uint8_t> QtSystemClipboard::packedBitmapOf(const QImage& source) {
    if (source.isNull() || source.width() > kMaxSurfaceSide || source.height() > kMaxSurfaceSide)
        return {};
    const QImage image = source.convertToFormat(QImage::Format_BGR888);
    if (image.isNull()) return {};
    const int32_t w = image.width(), h = image.height();
    const size_t rowBytes = size_t(bitmapRowBytes(w, 24));
    BitmapInfoHeader header;
    header.width = w;
    header.height = h;
    header.bitCount = 24;
    header.sizeImage = uint32_t(rowBytes * size_t(h));
    header.xPelsPerMeter = image.dotsPerMeterX();
    header.yPelsPerMeter = image.dotsPerMeterY();
    std::vector<uint8_t> block;
    try {
        block.assign(sizeof header + rowBytes * size_t(h), 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(block.data(), &header, sizeof header);
    // Bottom-up: the last image row comes first.
    uint8_t* out = block.data() + sizeof header;
    for (int32_t y = h - 1; y >= 0; --y, out += rowBytes)
        std::memcpy(out, image.constScanLine(y), size_t(w) * 3);
    return block;
}

QImage QtSystemClipboard::imageOfPackedBitmap(const std::vector<uint8_t>& block) {
    PixelSurface any;
    if (!readPackedBitmap(block.data(), block.size(), any)) return {};
    ColorImage colour;
    if (!colour.copyFromRaster(any.raster(), any.bounds())) return {};
    QImage image(colour.width(), colour.height(), QImage::Format_BGR888);
    if (image.isNull()) return {};
    for (int32_t y = 0; y < colour.height(); ++y)
        std::memcpy(image.scanLine(y), colour.row(y), size_t(colour.width()) * 3);
    return image;
}

}  // namespace varnel
