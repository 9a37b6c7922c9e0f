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
    written_ = data;
    return true;
}

bool QtSystemClipboard::holdsWrittenBitmap() {
    return written_ && clipboard_->mimeData() == written_.data();
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
    const int32_t w = source.width(), h = source.height();
    ColorImage colour;
    if (!colour.createColor(w, h)) return {};
    if (source.hasAlphaChannel()) {
        // Straight alpha, so that the colour of partly transparent pixels survives.
        const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
        Channel alpha;
        if (argb.isNull() || !alpha.createGray(w, h)) return {};
        bool opaque = true;
        for (int32_t y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            Bgr* px = colour.pixels(y);
            uint8_t* a = alpha.row(y);
            for (int32_t x = 0; x < w; ++x) {
                px[x] = Bgr{uint8_t(qBlue(in[x])), uint8_t(qGreen(in[x])), uint8_t(qRed(in[x]))};
                a[x] = uint8_t(qAlpha(in[x]));
                opaque = opaque && a[x] == 255;
            }
        }
        if (!opaque) return packedBitmapWithAlpha(colour, alpha);
    } else {
        const QImage rgb = source.convertToFormat(QImage::Format_BGR888);
        if (rgb.isNull()) return {};
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(colour.row(y), rgb.constScanLine(y), size_t(w) * 3);
    }
    std::vector<uint8_t> block = colour.exportPackedBitmap();
    if (block.size() >= sizeof(BitmapInfoHeader)) {
        // The image's resolution goes with it.
        BitmapInfoHeader header;
        std::memcpy(&header, block.data(), sizeof header);
        header.xPelsPerMeter = source.dotsPerMeterX();
        header.yPelsPerMeter = source.dotsPerMeterY();
        std::memcpy(block.data(), &header, sizeof header);
    }
    return block;
}

QImage QtSystemClipboard::imageOfPackedBitmap(const std::vector<uint8_t>& block) {
    ColorImage colour;
    Channel alpha;
    if (!readPackedBitmapWithAlpha(block.data(), block.size(), colour, alpha)) return {};
    const int32_t w = colour.width(), h = colour.height();
    if (!alpha.isValid()) {
        QImage image(w, h, QImage::Format_BGR888);
        if (image.isNull()) return {};
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), colour.row(y), size_t(w) * 3);
        return image;
    }
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (int32_t y = 0; y < h; ++y) {
        const Bgr* px = colour.pixels(y);
        const uint8_t* a = alpha.row(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < w; ++x) out[x] = qRgba(px[x].r, px[x].g, px[x].b, a[x]);
    }
    return image;
}

}  // namespace varnel
