#pragma once

#include <QtGlobal>

namespace velloxa {

class LineByteWatch;

// NarrowAscii (AsciiText.h) watched by `watch`, for long text: on processors with AVX2, 32
// units a step instead of 16.
bool NarrowAsciiWatched(const char16_t* units, qsizetype count, char* target, LineByteWatch& watch);

} // namespace velloxa
