#include "palettes/palette_icons.h"

#include <QPainter>
#include <QPixmap>

namespace varnel {

QIcon newItemIcon(const QColor& patch) {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(50, 50, 50));
    p.setBrush(Qt::white);
    const QPoint sheet[] = {{2, 1}, {7, 1}, {10, 4}, {10, 11}, {2, 11}};
    p.drawPolygon(sheet, 5);
    p.drawLine(7, 1, 7, 4);
    p.drawLine(7, 4, 10, 4);
    if (patch.isValid()) p.fillRect(4, 6, 5, 4, patch);
    return QIcon(pm);
}

QIcon deleteItemIcon() {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(50, 50, 50));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(3, 3, 6, 8);
    p.drawLine(1, 2, 10, 2);
    p.drawLine(5, 0, 6, 0);
    p.drawLine(5, 5, 5, 9);
    p.drawLine(7, 5, 7, 9);
    return QIcon(pm);
}

}  // namespace varnel
