#pragma once

#include <QByteArray>
#include <QStringView>

namespace velloxa {

// Appends `text` in the 8-bit code page of the output file, without a BOM: the ANSI code
// page on Windows, Windows-1252 elsewhere. A character the code page cannot hold becomes '?'.
void AppendAnsiText(QStringView text, QByteArray& out);

} // namespace velloxa
