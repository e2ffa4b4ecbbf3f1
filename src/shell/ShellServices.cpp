#include "shell/ShellServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velloxa {

bool FileExists(const QString& path) {
    // QFileInfo answers a failed stat (missing, bad path, no access) with "does not exist".
    return !path.isEmpty() && QFileInfo::exists(path);
}

QString DesktopPath() {
    QString desktop = QDir::toNativeSeparators(
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)));
    const QChar separator = QDir::separator();
    while (desktop.endsWith(separator))
        desktop.chop(1);
    return desktop + separator;
}

QVariant NullToDefault(const QVariant& value, const QVariant& fallback) {
    return value.isNull() ? fallback : value;
}

QString ApplicationFolder() {
    QString folder = QCoreApplication::applicationDirPath();
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

} // namespace velloxa
