#pragma once

#include <QString>

namespace velloxa {

// The caption of every window.
inline const QString ProductName = QStringLiteral("Velloxa");

// The caption of message boxes that name none of their own: the full name cut at its last
// blank, and again while longer than 40 characters. A name without a blank stays whole.
QString ApplicationTitle(const QString& fullName);

} // namespace velloxa
