#include "tools/tool_buttons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace varnel {

QString ToolButtonRecord::variantName(int variant) const {
    if (variant < 0 || variant >= variants || !names[static_cast<size_t>(variant)]) return {};
    return QString::fromUtf8(names[static_cast<size_t>(variant)]);
}

const std::vector<ToolButtonRecord>& toolButtonRecords() {
    static const std::vector<ToolButtonRecord> records = {
        {'M',
         0,
         4,
         "Marquee Flyout",
         {"Rectangular Marquee", "Elliptical Marquee", "Single Row Marquee",
          "Single Column Marquee"},
         false},
        {'M', 4, 1, nullptr, {"Move"}, false},
        {'L', 5, 3, "Lasso Flyout", {"Lasso", "Polygonal Lasso", "Magnetic Lasso"}, false},
        {'C', 8, 1, nullptr, {"Crop"}, true},
        {'B', 9, 2, "Brush Flyout", {"Paintbrush", "Pencil"}, false},
        {'E', 11, 1, nullptr, {"Eraser"}, false},
        {'G', 12, 2, "Gradient Flyout", {"Gradient", "Paint Bucket"}, false},
        {'R', 14, 3, "Blur Flyout", {"Blur", "Sharpen", "Smudge"}, true},
        {'H', 17, 1, nullptr, {"Hand"}, false},
        {'Z', 20, 1, nullptr, {"Zoom"}, true},
    };
    return records;
}

const ToolButtonRecord* toolButtonOf(int toolNumber) {
    for (const ToolButtonRecord& r : toolButtonRecords())
        if (toolNumber >= r.first && toolNumber < r.first + r.variants) return &r;
    return nullptr;
}

namespace {

void dashedRect(QPainter& p, const QRectF& r, bool ellipse) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    ellipse ? p.drawEllipse(r) : p.drawRect(r);
    p.setPen(QPen(Qt::black, 1, Qt::CustomDashLine));
    QPen pen(Qt::black, 1);
    pen.setDashPattern({2, 2});
    p.setPen(pen);
    ellipse ? p.drawEllipse(r) : p.drawRect(r);
}

void drawMagnifier(QPainter& p) {
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(2.5, 2.5, 8, 8));
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

}  // namespace

QPixmap toolNumberIcon(int toolNumber) {
    QPixmap pixmap(kToolIconSide, kToolIconSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, toolNumber != 0 && toolNumber != 2 && toolNumber != 3);
    const QPen line(Qt::black, 1);
    switch (toolNumber) {
        case 0:
            dashedRect(p, QRectF(2.5, 3.5, 11, 9), false);
            break;
        case 1:
            dashedRect(p, QRectF(1.5, 3.5, 13, 9), true);
            break;
        case 2:
            dashedRect(p, QRectF(0.5, 6.5, 15, 2), false);
            break;
        case 3:
            dashedRect(p, QRectF(6.5, 0.5, 2, 15), false);
            break;
        case 4: {  // move: an arrow with a cross of arrows
            QPolygonF arrow({{3, 1}, {3, 12}, {6, 9}, {8, 14}, {10, 13}, {8, 8}, {12, 8}});
            p.setPen(line);
            p.setBrush(Qt::black);
            p.drawPolygon(arrow);
            break;
        }
        case 5:
        case 6:
        case 7: {  // lassos: a loop, a polygon, a loop with a magnet
            p.setPen(line);
            p.setBrush(Qt::NoBrush);
            if (toolNumber == 6)
                p.drawPolygon(QPolygonF({{2, 10}, {5, 2}, {13, 4}, {11, 11}, {6, 9}}));
            else
                p.drawEllipse(QRectF(2, 2, 12, 8));
            p.drawLine(QPointF(5, 9.5), QPointF(4, 14));
            if (toolNumber == 7) {
                p.setPen(QPen(Qt::red, 2));
                p.drawArc(QRectF(9, 9, 6, 6), 0, -180 * 16);
            }
            break;
        }
        case 8:  // crop: two crossing corners
            p.setPen(QPen(Qt::black, 1.5));
            p.drawPolyline(QPolygonF({{4, 1}, {4, 12}, {15, 12}}));
            p.drawPolyline(QPolygonF({{1, 4}, {12, 4}, {12, 15}}));
            break;
        case 9:
        case 10: {  // brush and pencil
            p.setPen(QPen(Qt::black, toolNumber == 9 ? 3 : 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(13, 2), QPointF(6, 9));
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(toolNumber == 9 ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
            p.drawPolygon(QPolygonF({{6, 8}, {8, 10}, {3, 14}, {2, 13}}));
            break;
        }
        case 11:  // eraser
            p.setPen(line);
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF({{2, 10}, {9, 3}, {14, 8}, {7, 15}}));
            p.setBrush(Qt::black);
            p.drawPolygon(QPolygonF({{2, 10}, {5, 7}, {10, 12}, {7, 15}}));
            break;
        case 12: {  // gradient
            QLinearGradient g(1, 0, 15, 0);
            g.setColorAt(0, Qt::black);
            g.setColorAt(1, Qt::white);
            p.setPen(line);
            p.setBrush(g);
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            break;
        }
        case 13:  // paint bucket
            p.setPen(line);
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF({{2, 8}, {7, 3}, {12, 8}, {7, 13}}));
            p.setBrush(Qt::black);
            p.drawEllipse(QRectF(11.5, 9.5, 3, 4));
            break;
        case 14:  // blur: a drop
        {
            QPainterPath drop;
            drop.moveTo(8, 1);
            drop.cubicTo(12, 7, 13, 9, 13, 10.5);
            drop.arcTo(QRectF(3, 6, 10, 9), 0, -180);
            drop.cubicTo(3, 9, 4, 7, 8, 1);
            p.setPen(line);
            p.setBrush(QColor(96, 96, 96));
            p.drawPath(drop);
            break;
        }
        case 15:  // sharpen: a cone
            p.setPen(line);
            p.setBrush(QColor(96, 96, 96));
            p.drawPolygon(QPolygonF({{8, 1}, {13, 14}, {3, 14}}));
            break;
        case 16:  // smudge: a finger
            p.setPen(line);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(6, 1, 4, 12), 2, 2);
            p.drawRoundedRect(QRectF(3, 8, 10, 7), 2, 2);
            break;
        case 17: {  // hand
            p.setPen(line);
            p.setBrush(Qt::white);
            QPainterPath hand;
            hand.addRoundedRect(QRectF(3, 7, 10, 8), 2, 2);
            for (int i = 0; i < 4; ++i)
                hand.addRoundedRect(QRectF(3 + i * 2.5, 1 + (i % 3), 2.5, 8), 1, 1);
            p.drawPath(hand.simplified());
            break;
        }
        case 20:
            drawMagnifier(p);
            break;
        default:
            break;
    }
    return pixmap;
}

QPixmap toolButtonBitmap(const ToolButtonRecord& record) {
    QPixmap bitmap(kToolIconSide * record.variants, kToolIconSide);
    bitmap.fill(Qt::transparent);
    QPainter p(&bitmap);
    for (int v = 0; v < record.variants; ++v)
        p.drawPixmap(v * kToolIconSide, 0, toolNumberIcon(record.first + v));
    return bitmap;
}

}  // namespace varnel
