#pragma once

#include <QStringView>

namespace velloxa {

class LineByteWatch;

// The most bytes `units` UTF-16 code units can take in UTF-8.
constexpr qsizetype MostUtf8Bytes(qsizetype units) { return 3 * units; }

// Writes `text` in UTF-8 at `target`, which has room for MostUtf8Bytes(text.size()); returns
// the end. A lone surrogate becomes U+FFFD, the replacement character. With `watch`, text
// narrowed as ASCII is watched as it goes (LineByteWatch.h); other text spoils the watch.
char* WriteUtf8Text(QStringView text, char* target, LineByteWatch* watch = nullptr);

} // namespace velloxa
