#include "connection/MSSQL.h"

#include "connection/ConnectionString.h"
#include "connection/PortNumber.h"
#include "connection/odbc/Connection.h"
#include "connection/odbc/Diagnostics.h"
#include "connection/odbc/Statement.h"
#include "connection/odbc/WideText.h"

namespace velloxa {

bool CanConnect(const LoginValues& values)
{
    if (!PortIsUsable(values))
        return false;
    try {
        // The connection closes as it goes out of scope: a failing disconnect after a
        // successful open must not turn the answer into false.
        odbc::Connection connection;
        connection.open(BuildConnectionString(values));
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// The catalogue columns of SQLTables, 1-based as ODBC numbers them.
constexpr SQLUSMALLINT SchemaColumn = 2, NameColumn = 3, TypeColumn = 4;

QString TextColumn(odbc::Statement& statement, SQLUSMALLINT column)
{
    QString text;
    SQLWCHAR part[256];
    for (;;) {
        SQLLEN length = 0;
        const bool more = statement.getData(column - 1, SQL_C_WCHAR, part, sizeof part, &length);
        if (length == SQL_NULL_DATA)
            return {};
        const qsizetype units = more ? qsizetype(std::size(part)) - 1 : qsizetype(length) / 2;
        text += odbc::FromWide(part, units);
        if (!more)
            return text;
    }
}

// A server's own views come in the catalogue as type "VIEW", like the user's views, in the
// schemas INFORMATION_SCHEMA and sys, where no user object can live. Compared as the server
// names them: on a case-sensitive server a user's schema "Sys" is the user's.
bool IsSystemSchema(const QString& schema)
{
    return schema == QLatin1String("INFORMATION_SCHEMA") || schema == QLatin1String("sys");
}

QString DefaultSchema(odbc::Connection& connection)
{
    odbc::Statement query(connection);
    query.execute(QStringLiteral("SELECT SCHEMA_NAME()"));
    const QString schema = query.fetch() > 0 ? TextColumn(query, 1) : QString();
    query.close();
    return schema;
}

} // namespace

void ListTables(const LoginValues& values, TableList& list, const std::function<void()>& yield)
{
    odbc::Connection connection;
    connection.open(BuildConnectionString(values));
    ListTables(connection, list, yield);
    connection.close();
}

void ListTables(odbc::Connection& connection, TableList& list, const std::function<void()>& yield)
{
    const QString defaultSchema = DefaultSchema(connection);
    {
        // The statement goes before the connection closes: disconnecting frees it.
        odbc::Statement catalogue(connection);
        odbc::Check(SQLTablesW(catalogue.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
                    SQL_HANDLE_STMT, catalogue.handle(), "SQLTables");
        list.clear(defaultSchema);
        while (catalogue.fetch() > 0) {
            const QString type = TextColumn(catalogue, TypeColumn);
            if (type != QLatin1String("TABLE") && type != QLatin1String("VIEW"))
                continue;
            yield();
            const QString schema = TextColumn(catalogue, SchemaColumn);
            const QString name = TextColumn(catalogue, NameColumn);
            if (!IsSystemSchema(schema) && !name.toUpper().contains(QLatin1String("SYS")))
                list.append({schema, name});
        }
        catalogue.close();
    }
}

} // namespace velloxa
