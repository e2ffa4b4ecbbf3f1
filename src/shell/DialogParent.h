#pragma once

class QWidget;

namespace velloxa {

// The window a message box or file dialog belongs to, so that it opens over that window and
// not in the middle of the screen: the active window, or else a visible top-level window
// (the wizard shows one at a time); nullptr while none is shown.
QWidget* DialogParent();

} // namespace velloxa
