#include "IconFile.h"

#include <QBuffer>
#include <QtEndian>

namespace {

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray bitmapData(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height * 2)); // colour picture and mask, one above the other
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, quint32(width * height * 4 + maskStride * height));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray pngData(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

} // namespace

QByteArray IconFileBytes(const QList<IconPicture>& pictures, bool cursor) {
    QList<QByteArray> data;
    for (const IconPicture& picture : pictures)
        data << (picture.asPng ? pngData(picture.image) : bitmapData(picture.image));

    QByteArray out;
    put16(out, 0);
    put16(out, cursor ? 2 : 1);
    put16(out, quint16(pictures.size()));
    quint32 offset = quint32(6 + 16 * pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QImage& image = pictures[i].image;
        out.append(char(image.width() >= 256 ? 0 : image.width()));
        out.append(char(image.height() >= 256 ? 0 : image.height()));
        out.append(char(0)); // no palette
        out.append(char(0));
        put16(out, cursor ? quint16(pictures[i].hotSpot.x()) : 1);
        put16(out, cursor ? quint16(pictures[i].hotSpot.y()) : 32);
        put32(out, quint32(data[i].size()));
        put32(out, offset);
        offset += quint32(data[i].size());
    }
    for (const QByteArray& picture : data)
        out.append(picture);
    return out;
}
