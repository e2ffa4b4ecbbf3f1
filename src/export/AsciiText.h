#pragma once

#include <QtGlobal>

namespace velloxa {

// Most text in a database is ASCII, the same bytes in every 8-bit encoding the export
// writes: narrowing it in blocks spares the character-by-character encoders.

// Writes text of 4 units or more that is all ASCII at `target`, one byte a unit; false, with
// nothing of use written, for any other text.
bool NarrowAscii(const char16_t* units, qsizetype count, char* target);

} // namespace velloxa
