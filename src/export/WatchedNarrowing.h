#pragma once

#include <QtGlobal>

namespace velloxa {

class LineByteWatch;

// NarrowAscii (AsciiText.h) watched by `watch`, out of line: for text long enough that
// processors with AVX2 are worth their own build of the same steps (three-operand forms, no
// register copies), chosen once when the program loads.
bool NarrowAsciiWatched(const char16_t* units, qsizetype count, char* target, LineByteWatch& watch);

} // namespace velloxa
