#include "connection/SqlIdentifier.h"

namespace velloxa {

QString BracketedIdentifier(const QString& name)
{
    QString doubled = name;
    doubled.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + doubled + QLatin1Char(']');
}

QString QualifiedTableName(const QString& schema, const QString& name)
{
    if (schema.isEmpty())
        return BracketedIdentifier(name);
    return BracketedIdentifier(schema) + QLatin1Char('.') + BracketedIdentifier(name);
}

} // namespace velloxa
