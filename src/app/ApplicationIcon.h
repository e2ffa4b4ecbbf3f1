#pragma once

#include <QIcon>

namespace velloxa {

// The icon of every window: drawn here, so the program needs no icon file beside it.
QIcon ApplicationIcon();

} // namespace velloxa
