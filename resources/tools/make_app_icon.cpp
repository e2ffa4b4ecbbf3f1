// Writes the application icon: a table grid, an arrow, and the text page it becomes.
// Usage: make_app_icon <velloxa.png> <velloxa.ico> [<hicolor folder>]
// The hicolor folder receives the desktop's menu icons, NxN/apps/velloxa.png, each drawn at
// its own size (velloxa.png itself serves as the 256x256 one).
#include "IconFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Deep(0x1d, 0x4f, 0x8a);
const QColor Bright(0x33, 0x7c, 0xc7);
const QColor Header(0xa9, 0xd0, 0xf5);
const QColor Ink(0x1d, 0x4f, 0x8a);
const QColor Accent(0xf5, 0xb7, 0x3b);

// Drawn on a 256-unit canvas and scaled to the requested size.
QImage iconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient background(0, 16, 0, 240);
    background.setColorAt(0, Bright);
    background.setColorAt(1, Deep);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(12, 12, 232, 232), 48, 48);

    // The table: a header row and a grid of cells.
    const QRectF table(34, 66, 104, 124);
    p.setBrush(Qt::white);
    p.drawRoundedRect(table, 10, 10);
    QPainterPath header;
    header.addRoundedRect(table, 10, 10);
    QPainterPath headerBand;
    headerBand.addRect(QRectF(table.left(), table.top(), table.width(), 30));
    p.setBrush(Header);
    p.drawPath(header.intersected(headerBand));
    p.setPen(QPen(QColor(Ink.red(), Ink.green(), Ink.blue(), 150), 5, Qt::SolidLine, Qt::FlatCap));
    for (int column = 1; column < 3; ++column) {
        const qreal x = table.left() + table.width() * column / 3;
        p.drawLine(QPointF(x, table.top() + 4), QPointF(x, table.bottom() - 4));
    }
    for (int row = 0; row < 3; ++row) {
        const qreal y = table.top() + 30 + row * 31.3;
        p.drawLine(QPointF(table.left() + 4, y), QPointF(table.right() - 4, y));
    }

    // The arrow from the table to the page.
    QPainterPath arrow;
    arrow.moveTo(146, 116);
    arrow.lineTo(160, 116);
    arrow.lineTo(160, 102);
    arrow.lineTo(184, 128);
    arrow.lineTo(160, 154);
    arrow.lineTo(160, 140);
    arrow.lineTo(146, 140);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    p.drawPath(arrow);

    // The text page with a folded corner and its lines.
    QPainterPath page;
    page.moveTo(190, 62);
    page.lineTo(214, 62);
    page.lineTo(230, 78);
    page.lineTo(230, 194);
    page.lineTo(190, 194);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(214, 62);
    fold.lineTo(214, 78);
    fold.lineTo(230, 78);
    fold.closeSubpath();
    p.setBrush(Header);
    p.drawPath(fold);
    p.setPen(QPen(Ink, 6, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 5; ++line) {
        const qreal y = 98 + line * 20;
        p.drawLine(QPointF(198, y), QPointF(line % 2 ? 214 : 222, y));
    }
    p.end();
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 3)
        return 2;
    if (!iconImage(256).save(QString::fromLocal8Bit(argv[1]), "PNG"))
        return 1;
    QList<IconPicture> pictures;
    for (const int size : {16, 24, 32, 48})
        pictures << IconPicture{iconImage(size), {}, false};
    pictures << IconPicture{iconImage(256), {}, true};
    QFile ico(QString::fromLocal8Bit(argv[2]));
    if (!ico.open(QIODevice::WriteOnly) || ico.write(IconFileBytes(pictures, false)) <= 0)
        return 1;
    if (argc > 3) {
        const QDir hicolor(QString::fromLocal8Bit(argv[3]));
        for (const int size : {16, 24, 32, 48, 64, 128}) {
            const QString folder = QStringLiteral("%1x%1/apps").arg(size);
            if (!hicolor.mkpath(folder) || !iconImage(size).save(hicolor.filePath(folder + "/velloxa.png"), "PNG"))
                return 1;
        }
    }
    return 0;
}
