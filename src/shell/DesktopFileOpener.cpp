#include "shell/DesktopFileOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace velloxa {

bool DesktopFileOpener::open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace velloxa
