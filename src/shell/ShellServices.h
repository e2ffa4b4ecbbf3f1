#pragma once

#include <QString>
#include <QVariant>

namespace velloxa {

// True when the path names an existing file or folder; false for an empty path and on
// every failure (missing, bad path, no access). Never throws.
bool FileExists(const QString& path);

// The user's desktop folder with exactly one trailing separator ('/'; '\' on Windows).
// The folder need not exist.
QString DesktopPath();

// fallback when value is null (a database NULL), otherwise value unchanged.
QVariant NullToDefault(const QVariant& value, const QVariant& fallback);

// The folder of the running executable, without a trailing separator; the optional files
// (skin "x/o.cjs", pointer "HAND-M.CUR", help image) are looked for beside it.
QString ApplicationFolder();

} // namespace velloxa
