// Printing one image on one page: the page routine shared by printing and the print preview,
// and the print job around it.
#pragma once

#include <QImage>
#include <QSize>

class QPainter;
class QPrinter;

namespace varnel {

class ColorImage;

// The name print jobs carry in the printer's queue.
inline constexpr char kPrintJobName[] = "Orvane Document";

// The flattened image as Qt draws it: the same pixels, 24-bit. Null when memory is short.
QImage printableImage(const ColorImage& color);

// The area of the page the printer prints on, in its device pixels; a painter on the printer
// has its origin at this area's top-left corner.
QSize printableArea(const QPrinter& printer);

// The page: `image` where placeOnPage puts it within a printable area of `printable` device
// pixels, scaled without smoothing so that enlarged pixels stay sharp squares. Nothing is drawn
// for a null image. The painter's state is as it was afterwards.
void printPage(QPainter& painter, QSize printable, const QImage& image);

// A job of one page on `printer` showing `image` (an empty page for a null image). False when
// the output cannot be opened or the printer reports an error.
bool printJob(QPrinter& printer, const QImage& image);

}  // namespace varnel
