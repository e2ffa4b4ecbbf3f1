#pragma once

#include <QStringView>

namespace velloxa {

// The most bytes `units` UTF-16 code units can take in UTF-8.
constexpr qsizetype MostUtf8Bytes(qsizetype units) { return 3 * units; }

// Writes `text` in UTF-8 at `target`, which has room for MostUtf8Bytes(text.size()); returns
// the end. A lone surrogate becomes U+FFFD, the replacement character.
char* WriteUtf8Text(QStringView text, char* target);

} // namespace velloxa
