#pragma once

#include <QCursor>
#include <QString>
#include <optional>

namespace velloxa {

// A Windows .CUR file as a cursor: the image of its first entry, and the hot spot that the
// file's directory entry gives for it. Nothing for a missing or unreadable file.
std::optional<QCursor> ReadCursorFile(const QString& path);

} // namespace velloxa
