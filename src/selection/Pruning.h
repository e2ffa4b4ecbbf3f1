#pragma once

#include <QList>
#include <QStringList>

namespace velloxa {

// Ascending positions of the entries of `available` whose exact (case-sensitive) text
// occurs in `selected`: the entries the available list loses. Remove them from the
// highest position down.
QList<int> PrunedPositions(const QStringList& available, const QStringList& selected);

} // namespace velloxa
