#include "connection/odbc/DriverResolution.h"

#include "connection/odbc/ConnectionStringGrammar.h"
#include "connection/odbc/WideText.h"
#include "errors/Failure.h"

#include <sqlext.h>

#include <algorithm>

namespace velloxa::odbc {

namespace {

const QString RequestedDriver = QStringLiteral("SQL Server");
const QString FreeTdsDriver = QStringLiteral("FreeTDS");

bool IsDriverAttribute(const ConnectionAttribute& attribute)
{
    return attribute.key.trimmed().compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0;
}

bool DriverRegistered(SQLHENV environment, const QString& name)
{
    return RegisteredDriver(environment, name).has_value();
}

} // namespace

std::optional<QStringList> RegisteredDriver(SQLHENV environment, const QString& name)
{
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    SQLWCHAR description[512];
    SQLWCHAR attributes[4096];
    SQLSMALLINT descriptionLength = 0, attributesLength = 0;
    while (SQL_SUCCEEDED(SQLDriversW(environment, direction, description,
                                     SQLSMALLINT(std::size(description)), &descriptionLength,
                                     attributes, SQLSMALLINT(std::size(attributes)),
                                     &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        if (FromWide(description, descriptionLength).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        // Attributes are "key=value" texts, each ended by a NUL, the list by another NUL.
        return FromWide(attributes, attributesLength).split(QChar(0), Qt::SkipEmptyParts);
    }
    return std::nullopt;
}

QString ResolveDriverName(SQLHENV environment, const QString& requested)
{
    if (requested.trimmed().compare(RequestedDriver, Qt::CaseInsensitive) != 0
        || DriverRegistered(environment, requested.trimmed()))
        return requested;
    if (DriverRegistered(environment, FreeTdsDriver))
        return FreeTdsDriver;
    throw Failure(QStringLiteral(
        "No ODBC driver is registered as \"SQL Server\" or as \"FreeTDS\". Install the FreeTDS "
        "ODBC driver (Debian and Ubuntu: apt-get install tdsodbc); if it is installed but not "
        "registered: odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini"));
}

QString WithResolvedDriver(SQLHENV environment, const QString& connectionString)
{
    QList<ConnectionAttribute> attributes = ParseConnectionString(connectionString);
    // The first Driver attribute is the one the driver manager follows.
    auto driver = std::find_if(attributes.begin(), attributes.end(), IsDriverAttribute);
    if (driver == attributes.end())
        return connectionString;
    const QString resolved = ResolveDriverName(environment, driver->value);
    if (resolved == driver->value)
        return connectionString;
    driver->value = resolved;
    QString text;
    for (const ConnectionAttribute& attribute : attributes)
        text += attribute.key + QLatin1Char('=')
            + (attribute.braced || NeedsBraces(attribute.value) ? BracedValue(attribute.value) : attribute.value)
            + QLatin1Char(';');
    return text;
}

} // namespace velloxa::odbc
