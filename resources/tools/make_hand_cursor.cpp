// Writes HAND-M.CUR: the pointing hand shown over push buttons, 32 x 32, hot spot at the
// tip of the index finger. Usage: make_hand_cursor <output.cur> [preview.png]
#include "IconFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

namespace {

// '#' outline, 'o' fill, '.' transparent. The tip of the index finger is row 0, column 5.
const char* const Hand[] = {
    ".....##.........................",
    "....#oo#........................",
    "....#oo#........................",
    "....#oo#........................",
    "....#oo#........................",
    "....#oo#........................",
    "....#oo###......................",
    "....#oo#oo###...................",
    "....#oo#oo#oo##.................",
    "....#oo#oo#oo#o#................",
    ".##.#oo#oo#oo#oo#...............",
    "#oo##oooooooooooo#..............",
    "#ooo#oooooooooooo#..............",
    ".#oo#oooooooooooo#..............",
    ".#ooooooooooooooo#..............",
    "..#oooooooooooooo#..............",
    "..#ooooooooooooo#...............",
    "...#oooooooooooo#...............",
    "...#ooooooooooo#................",
    "....#oooooooooo#................",
    "....#oooooooooo#................",
    "....############................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};
constexpr QPoint HotSpot(5, 0);

QImage handImage() {
    QImage image(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char pixel = Hand[y][x];
            image.setPixel(x, y, pixel == '#' ? qRgba(0, 0, 0, 255) : pixel == 'o' ? qRgba(255, 255, 255, 255) : qRgba(0, 0, 0, 0));
        }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QImage image = handImage();
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(IconFileBytes({{image, HotSpot, false}}, true)) < 0)
        return 1;
    if (argc > 2)
        image.scaled(256, 256).save(QString::fromLocal8Bit(argv[2]));
    return 0;
}
