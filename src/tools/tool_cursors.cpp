#include "tools/tool_cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <map>

#include "tools/tool.h"

namespace varnel {

namespace {

constexpr int kSide = 32;

QPixmap blank() {
    QPixmap p(kSide, kSide);
    p.fill(Qt::transparent);
    return p;
}

// A figure in black on a white halo, so that it shows on dark and light pixels alike.
void outlined(QPainter& painter, const QPainterPath& path, bool filled) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(filled ? QBrush(Qt::white) : QBrush(Qt::NoBrush));
    painter.drawPath(path);
}

// A cross of four arms around (c, c) that leave `gap` pixels free on each side of the centre.
QPainterPath cross(int c, int gap, int arm) {
    QPainterPath path;
    const double m = c + 0.5;
    path.moveTo(m, c - gap - arm + 0.5);
    path.lineTo(m, c - gap + 0.5);
    path.moveTo(m, c + gap + 0.5);
    path.lineTo(m, c + gap + arm + 0.5);
    path.moveTo(c - gap - arm + 0.5, m);
    path.lineTo(c - gap + 0.5, m);
    path.moveTo(c + gap + 0.5, m);
    path.lineTo(c + gap + arm + 0.5, m);
    return path;
}

// A small frame of alternating black and white pixels, as the marquee draws.
void dashedFrame(QPainter& painter, const QRect& r) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(r);
    QPen dashes(Qt::black, 1, Qt::CustomDashLine);
    dashes.setDashPattern({2, 2});
    painter.setPen(dashes);
    painter.drawRect(r);
}

// The hands, drawn pixel by pixel: '#' black, '.' white, anything else clear.
constexpr const char* kOpenHand[16] = {
    "      ##        ", "   ## #..###    ", "  #..##..#..#   ", "  #..##..#..# # ",
    "   #..#..#..##.#", "   #..#..#..#..#", " ## #..........#", "#..##.........# ",
    "#...#.........# ", " #............# ", "  #...........# ", "  #..........#  ",
    "   #.........#  ", "    #.......#   ", "     #......#   ", "     #......#   ",
};
constexpr const char* kClosedHand[16] = {
    "                ", "                ", "                ", "    ## ## ##    ",
    "   #..#..#..##  ", "   #..#..#..#.# ", "    #..........#", "   ##..........#",
    "  #............#", "  #...........# ", "   #..........# ", "   #.........#  ",
    "    #........#  ", "     #.......#  ", "     #.......#  ", "                ",
};

void drawPixelArt(QPainter& painter, const char* const (&rows)[16], QPoint at) {
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; rows[y][x] != 0; ++x) {
            const char c = rows[y][x];
            if (c == '#' || c == '.')
                painter.fillRect(at.x() + x, at.y() + y, 1, 1, c == '#' ? Qt::black : Qt::white);
        }
    }
}

QPainterPath magnifier(int sign) {
    QPainterPath path;
    path.addEllipse(QPointF(6.5, 6.5), 5.5, 5.5);
    if (sign != 0) {
        path.moveTo(4, 6.5);
        path.lineTo(9, 6.5);
    }
    if (sign > 0) {
        path.moveTo(6.5, 4);
        path.lineTo(6.5, 9);
    }
    return path;
}

QPixmap draw(ToolCursor which) {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    switch (which) {
        case ToolCursor::Marquee:
            outlined(painter, cross(6, 1, 4), false);
            break;
        case ToolCursor::MarqueePrecise:
            outlined(painter, cross(7, 2, 5), false);
            break;
        case ToolCursor::MarqueeSelection: {
            QPainterPath arrow;
            arrow.moveTo(1.5, 1.5);
            arrow.lineTo(1.5, 14.5);
            arrow.lineTo(4.5, 11.5);
            arrow.lineTo(7.5, 17.5);
            arrow.lineTo(9.5, 16.5);
            arrow.lineTo(6.5, 10.5);
            arrow.lineTo(10.5, 10.5);
            arrow.closeSubpath();
            outlined(painter, arrow, true);
            dashedFrame(painter, QRect(12, 13, 10, 8));
            break;
        }
        case ToolCursor::MarqueeAlternate:
            outlined(painter, cross(6, 1, 4), false);
            dashedFrame(painter, QRect(11, 11, 8, 8));
            break;
        case ToolCursor::HandClosed:
            drawPixelArt(painter, kClosedHand, QPoint(0, 0));
            break;
        case ToolCursor::HandOpen:
            drawPixelArt(painter, kOpenHand, QPoint(0, 0));
            break;
        case ToolCursor::ZoomIn:
        case ToolCursor::ZoomOut:
        case ToolCursor::ZoomLimit: {
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath handle;
            handle.moveTo(10.5, 10.5);
            handle.lineTo(15.5, 15.5);
            painter.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(handle);
            painter.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(handle);
            const int sign = which == ToolCursor::ZoomIn    ? 1
                             : which == ToolCursor::ZoomOut ? -1
                                                            : 0;
            outlined(painter, magnifier(sign), false);
            break;
        }
        case ToolCursor::Eyedropper: {
            QPainterPath pipette;
            pipette.moveTo(1.5, 15.5);
            pipette.lineTo(2.5, 12.5);
            pipette.lineTo(9.5, 5.5);
            pipette.lineTo(11.5, 7.5);
            pipette.lineTo(4.5, 14.5);
            pipette.closeSubpath();
            outlined(painter, pipette, true);
            QPainterPath bulb;
            bulb.addEllipse(QPointF(12.5, 4.5), 3, 3);
            outlined(painter, bulb, false);
            painter.fillRect(QRectF(10, 2, 5, 5), Qt::black);
            break;
        }
    }
    return pixmap;
}

}  // namespace

QPoint toolCursorHotSpot(ToolCursor which) {
    switch (which) {
        case ToolCursor::Marquee:
        case ToolCursor::MarqueeAlternate:
        case ToolCursor::ZoomIn:
        case ToolCursor::ZoomOut:
        case ToolCursor::ZoomLimit:
            return {6, 6};
        case ToolCursor::MarqueePrecise:
            return {7, 7};
        case ToolCursor::MarqueeSelection:
            return {1, 1};
        case ToolCursor::HandClosed:
        case ToolCursor::HandOpen:
            return {8, 8};
        case ToolCursor::Eyedropper:
            return {1, 15};
    }
    return {0, 0};
}

QPixmap toolCursorPixmap(ToolCursor which) {
    return toolCursor(which).pixmap();
}

const QCursor& toolCursor(ToolCursor which) {
    // Kept to the end of the process: pixmaps must not be freed after the application object.
    static auto* made = new std::map<ToolCursor, QCursor>;
    auto it = made->find(which);
    if (it == made->end()) {
        const QPoint hot = toolCursorHotSpot(which);
        it = made->emplace(which, QCursor(draw(which), hot.x(), hot.y())).first;
    }
    return it->second;
}

QIcon toolIcon(unsigned toolId) {
    QPixmap pixmap = blank();
    switch (toolId) {
        case kToolMarquee: {
            QPainter painter(&pixmap);
            dashedFrame(painter, QRect(3, 5, 18, 14));
            break;
        }
        case kToolHand:
            pixmap = draw(ToolCursor::HandOpen);
            break;
        case kToolZoomIn:
            pixmap = draw(ToolCursor::ZoomIn);
            break;
        case kToolZoomOut:
            pixmap = draw(ToolCursor::ZoomOut);
            break;
        default:
            return {};
    }
    return QIcon(pixmap.copy(0, 0, 24, 24));
}

}  // namespace varnel
