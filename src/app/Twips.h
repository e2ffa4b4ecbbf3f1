#pragma once

#include <QRect>

namespace velloxa {

// Window layouts are laid down in twips (1440 per inch, 15 per pixel at 96 DPI); these turn
// them into device-independent pixels at the screen's logical DPI.
int Twips(int twips);
QRect TwipsRect(int left, int top, int width, int height);

} // namespace velloxa
