#pragma once

#include <QFont>

namespace velloxa {

// The windows' one typeface at a given point size (9, 11.25, ...); fontconfig maps it to
// its metric twin where Arial itself is absent.
QFont ArialFont(double points, bool bold);

} // namespace velloxa
