#include "shell/CursorFile.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace velloxa {

namespace {

// ICONDIR (6 bytes: reserved, type, count) followed by 16-byte entries; in a cursor file
// (type 2) bytes 4..7 of an entry hold the hot spot x and y instead of planes and bit count.
constexpr int DirectorySize = 6;
constexpr int EntrySize = 16;
constexpr quint16 CursorType = 2;

} // namespace

std::optional<QCursor> ReadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray contents = file.readAll();
    if (contents.size() < DirectorySize + EntrySize)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(contents.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != CursorType
        || qFromLittleEndian<quint16>(bytes + 4) == 0)
        return std::nullopt;
    const uchar* entry = bytes + DirectorySize;
    const int hotX = qFromLittleEndian<quint16>(entry + 4);
    const int hotY = qFromLittleEndian<quint16>(entry + 6);

    QImage image;
    if (!image.loadFromData(contents, "cur") || image.isNull())
        return std::nullopt;
    if (hotX >= image.width() || hotY >= image.height())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace velloxa
