#include "shell/DialogParent.h"

#include <QApplication>
#include <QWidget>

namespace velloxa {

QWidget* DialogParent()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // No window of the program is active during start-up, or while another program has the focus.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            return window;
    }
    return nullptr;
}

} // namespace velloxa
