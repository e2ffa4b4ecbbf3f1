#pragma once

#include <QString>
#include <QStringList>

namespace velloxa {

// "[a], [b]": each name in brackets with ']' doubled, joined by ", ".
QString BuildSelectedColumnList(const QStringList& names);

} // namespace velloxa
