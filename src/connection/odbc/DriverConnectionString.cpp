#include "connection/odbc/DriverConnectionString.h"

#include "connection/odbc/ConnectionStringGrammar.h"

namespace velloxa::odbc {

namespace {

const QLatin1String BraceEnd("};");

bool IsKey(const ConnectionAttribute& attribute, const char* key)
{
    return attribute.key.trimmed().compare(QLatin1String(key), Qt::CaseInsensitive) == 0;
}

QString WithDefaultPort(const QString& server)
{
    if (server.contains(QLatin1Char(',')) || server.contains(QLatin1Char('\\')))
        return server;
    return server + QLatin1String(",1433");
}

// The login field a value came from, in the words of the Login window.
QString FieldName(const ConnectionAttribute& attribute)
{
    if (IsKey(attribute, "Server")) {
        const qsizetype comma = attribute.value.lastIndexOf(QLatin1Char(','));
        return comma >= 0 && attribute.value.indexOf(BraceEnd, comma) >= 0 ? QStringLiteral("port")
                                                                           : QStringLiteral("server name");
    }
    if (IsKey(attribute, "Database"))
        return QStringLiteral("database name");
    if (IsKey(attribute, "Uid"))
        return QStringLiteral("user name");
    if (IsKey(attribute, "Pwd"))
        return QStringLiteral("password");
    return QStringLiteral("value of %1").arg(attribute.key.trimmed());
}

// FreeTDS takes everything between "{" and the first "};" literally.
QString FreeTdsValue(const ConnectionAttribute& attribute, const QString& value)
{
    if (!attribute.braced && !NeedsBraces(value))
        return value;
    if (value.contains(BraceEnd))
        throw UnreadableValue(QStringLiteral("The %1 contains \"};\", which the ODBC driver cannot accept.")
                                  .arg(FieldName(attribute)));
    return QLatin1Char('{') + value + QLatin1Char('}');
}

} // namespace

QString AdaptConnectionStringForFreeTds(const QString& connectionString)
{
    QString adapted;
    bool packetSizeGiven = false;
    bool versionGiven = false;
    for (const ConnectionAttribute& attribute : ParseConnectionString(connectionString)) {
        QString value = attribute.value;
        if (IsKey(attribute, "Server"))
            value = WithDefaultPort(value);
        packetSizeGiven = packetSizeGiven || IsKey(attribute, "PacketSize");
        versionGiven = versionGiven || IsKey(attribute, "TDS_Version");
        adapted += attribute.key + QLatin1Char('=') + FreeTdsValue(attribute, value) + QLatin1Char(';');
    }
    // The driver leaves SQL_ATTR_PACKET_SIZE unused; it reads the size from the string.
    if (!packetSizeGiven)
        adapted += QStringLiteral("PacketSize=%1;").arg(PacketSize);
    if (!versionGiven)
        adapted += QStringLiteral("TDS_Version=%1;").arg(QLatin1String(TdsVersion));
    return adapted;
}

} // namespace velloxa::odbc
