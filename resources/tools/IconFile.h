#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>

// Windows icon (.ico) and cursor (.cur) containers: a directory, then one picture per entry,
// stored as a 32-bit BGRA bitmap with its 1-bit transparency mask, or as PNG (256 px icons).
struct IconPicture {
    QImage image;
    QPoint hotSpot; // cursor files only
    bool asPng = false;
};

QByteArray IconFileBytes(const QList<IconPicture>& pictures, bool cursor);
