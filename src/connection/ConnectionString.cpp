#include "connection/ConnectionString.h"

#include "connection/odbc/ConnectionStringGrammar.h"

namespace velloxa {

namespace {

QString Value(const QString& value)
{
    return odbc::NeedsBraces(value) ? odbc::BracedValue(value) : value;
}

} // namespace

QString BuildConnectionString(const LoginValues& values)
{
    const QString server = values.localConnection ? values.server
                                                  : values.server + QLatin1Char(',') + values.port;
    return QLatin1String("Driver={SQL Server};Server=") + Value(server)
        + QLatin1String(";Database=") + Value(values.database)
        + QLatin1String(";Uid=") + Value(values.user)
        + QLatin1String(";Pwd=") + Value(values.password) + QLatin1Char(';');
}

} // namespace velloxa
