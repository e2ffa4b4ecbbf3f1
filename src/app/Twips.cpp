#include "app/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace velloxa {

namespace {
double logicalDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}
} // namespace

int Twips(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0 * logicalDpi() / 96.0));
}

QRect TwipsRect(int left, int top, int width, int height)
{
    // Convert the edges, not the sizes, so neighbouring controls keep their shared edges.
    const int x = Twips(left);
    const int y = Twips(top);
    return QRect(x, y, Twips(left + width) - x, Twips(top + height) - y);
}

} // namespace velloxa
