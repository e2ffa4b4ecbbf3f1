#include "selection/Pruning.h"

#include <QSet>

namespace velloxa {

QList<int> PrunedPositions(const QStringList& available, const QStringList& selected)
{
    const QSet<QString> chosen(selected.cbegin(), selected.cend());
    QList<int> positions;
    for (int i = 0; i < available.size(); ++i)
        if (chosen.contains(available[i]))
            positions.append(i);
    return positions;
}

} // namespace velloxa
