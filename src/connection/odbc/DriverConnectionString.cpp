#include "connection/odbc/DriverConnectionString.h"

#include "connection/odbc/ConnectionStringGrammar.h"

namespace velloxa::odbc {

namespace {

QString WithDefaultPort(const QString& server)
{
    if (server.contains(QLatin1Char(',')) || server.contains(QLatin1Char('\\')))
        return server;
    return server + QLatin1String(",1433");
}

// FreeTDS takes everything between "{" and the first "};" literally.
QString FreeTdsValue(const ConnectionAttribute& attribute, const QString& value)
{
    if (!attribute.braced && !NeedsBraces(value))
        return value;
    if (value.contains(QLatin1String("};")))
        return BracedValue(value);
    return QLatin1Char('{') + value + QLatin1Char('}');
}

} // namespace

QString AdaptConnectionStringForFreeTds(const QString& connectionString)
{
    QString adapted;
    for (const ConnectionAttribute& attribute : ParseConnectionString(connectionString)) {
        QString value = attribute.value;
        if (attribute.key.trimmed().compare(QLatin1String("Server"), Qt::CaseInsensitive) == 0)
            value = WithDefaultPort(value);
        adapted += attribute.key + QLatin1Char('=') + FreeTdsValue(attribute, value) + QLatin1Char(';');
    }
    return adapted;
}

} // namespace velloxa::odbc
