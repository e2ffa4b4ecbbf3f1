#include "selection/SelectedColumnList.h"

#include "connection/SqlIdentifier.h"

namespace velloxa {

QString BuildSelectedColumnList(const QStringList& names)
{
    QStringList bracketed;
    bracketed.reserve(names.size());
    for (const QString& name : names)
        bracketed << BracketedIdentifier(name);
    return bracketed.join(QLatin1String(", "));
}

} // namespace velloxa
