#include "app/printing.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <cstring>

#include "core/surface.h"
#include "imageops/print_layout.h"

namespace varnel {

QImage printableImage(const ColorImage& color) {
    if (color.width() <= 0 || color.height() <= 0) return {};
    // Both store blue, green, red per pixel: rows are copied as they are.
    QImage image(color.width(), color.height(), QImage::Format_BGR888);
    if (image.isNull()) return {};
    for (int32_t y = 0; y < color.height(); ++y)
        std::memcpy(image.scanLine(y), color.row(y), size_t(color.width()) * 3);
    return image;
}

QSize printableArea(const QPrinter& printer) {
    return printer.pageLayout().paintRectPixels(printer.resolution()).size();
}

void printPage(QPainter& painter, QSize printable, const QImage& image) {
    if (image.isNull()) return;
    const PagePlacement placement =
        placeOnPage({image.width(), image.height()}, {printable.width(), printable.height()});
    const Rect& d = placement.destination;
    if (d.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // PDF output (and so the system's print queue, which is fed PDF) would otherwise store the
    // image as JPEG, blurring the edges of the enlarged pixels and shifting their colours.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRect(d.left, d.top, d.width(), d.height()), image);
    painter.restore();
}

bool printJob(QPrinter& printer, const QImage& image) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    printPage(painter, printableArea(printer), image);
    const bool ended = painter.end();
    return ended && printer.printerState() != QPrinter::Error;
}

}  // namespace varnel
