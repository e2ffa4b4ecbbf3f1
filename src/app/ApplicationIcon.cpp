#include "app/ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velloxa {

namespace {

// A table sheet with a header row and an arrow leaving it: a table going out as a file.
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    const QColor ink(0x1f, 0x5f, 0xa8);
    painter.setPen(QPen(ink, 3));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(4, 8, 44, 48), 5, 5);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(4, 8, 44, 12), 5, 5);
    painter.setPen(QPen(ink, 2));
    for (const int y : {31, 43})
        painter.drawLine(QPointF(6, y), QPointF(46, y));
    painter.drawLine(QPointF(22, 20), QPointF(22, 54));

    QPainterPath arrow;
    arrow.moveTo(36, 32);
    arrow.lineTo(50, 32);
    arrow.lineTo(50, 24);
    arrow.lineTo(62, 38);
    arrow.lineTo(50, 52);
    arrow.lineTo(50, 44);
    arrow.lineTo(36, 44);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(QColor(0xe0, 0x8a, 0x1e));
    painter.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace velloxa
