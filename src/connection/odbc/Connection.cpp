#include "connection/odbc/Connection.h"

#include "connection/odbc/ConnectionStringGrammar.h"
#include "connection/odbc/Diagnostics.h"
#include "connection/odbc/DriverConnectionString.h"
#include "connection/odbc/DriverResolution.h"
#include "connection/odbc/Statement.h"
#include "connection/odbc/WideText.h"
#include "errors/Failure.h"

#include <sqlext.h>

#include <algorithm>

namespace velloxa::odbc {

namespace {

QString DriverName(const QString& connectionString)
{
    for (const ConnectionAttribute& attribute : ParseConnectionString(connectionString))
        if (attribute.key.trimmed().compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0)
            return attribute.value;
    return {};
}

// The largest TEXTSIZE every server version takes (-1 only newer ones).
const QString LiftTextSize = QStringLiteral("SET TEXTSIZE 2147483647");

} // namespace

Connection::Connection(const ConnectionLimits& limits) : limits_(limits)
{
    SQLRETURN result = SQLAllocHandle(SQL_HANDLE_DBC, environment_.handle(), &handle_);
    Check(result, SQL_HANDLE_ENV, environment_.handle(), "SQLAllocHandle(SQL_HANDLE_DBC)");
    try {
        setAttribute(SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_ONLY, "SQLSetConnectAttr(SQL_ATTR_ACCESS_MODE)");
        setAttribute(SQL_ATTR_LOGIN_TIMEOUT, SQLULEN(limits.loginSeconds), "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
        setAttribute(SQL_ATTR_PACKET_SIZE, SQLULEN(PacketSize), "SQLSetConnectAttr(SQL_ATTR_PACKET_SIZE)");
    } catch (...) {
        // A throwing constructor runs no destructor: the handle would be lost.
        SQLFreeHandle(SQL_HANDLE_DBC, handle_);
        throw;
    }
}

void Connection::setAttribute(SQLINTEGER attribute, SQLULEN value, const char* name)
{
    Check(SQLSetConnectAttrW(handle_, attribute, reinterpret_cast<SQLPOINTER>(value), 0),
          SQL_HANDLE_DBC, handle_, name);
}

Connection::~Connection()
{
    if (open_)
        SQLDisconnect(handle_); // nothing to report from a destructor
    SQLFreeHandle(SQL_HANDLE_DBC, handle_);
}

void Connection::setReadWrite()
{
    setAttribute(SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_WRITE, "SQLSetConnectAttr(SQL_ATTR_ACCESS_MODE)");
}

void Connection::open(const QString& connectionString)
{
    const QString resolved = WithResolvedDriver(environment_.handle(), connectionString);
    const QString driverString = DriverIsFreeTds(environment_.handle(), DriverName(resolved))
        ? AdaptConnectionStringForFreeTds(resolved)
        : resolved;
    std::vector<SQLWCHAR> text = ToWide(driverString);
    SQLWCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    SQLRETURN result = SQLDriverConnectW(handle_, nullptr, text.data(), SQL_NTS, completed,
                                         SQLSMALLINT(std::size(completed)), &completedLength,
                                         SQL_DRIVER_NOPROMPT);
    Check(result, SQL_HANDLE_DBC, handle_, "SQLDriverConnect");
    open_ = true;
    Statement textSize(*this);
    textSize.execute(LiftTextSize);
}

void Connection::close()
{
    if (!open_)
        return;
    open_ = false;
    Check(SQLDisconnect(handle_), SQL_HANDLE_DBC, handle_, "SQLDisconnect");
}

bool DriverIsFreeTds(SQLHENV environment, const QString& driverName)
{
#ifdef _WIN32
    // There "SQL Server" is the system's own driver, which knows the default port.
    Q_UNUSED(environment);
    Q_UNUSED(driverName);
    return false;
#else
    if (driverName.isEmpty())
        return false;
    const std::optional<QStringList> attributes = RegisteredDriver(environment, driverName);
    return attributes && std::any_of(attributes->cbegin(), attributes->cend(), [](const QString& attribute) {
               return attribute.startsWith(QLatin1String("Driver="), Qt::CaseInsensitive)
                   && attribute.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive);
           });
#endif
}

} // namespace velloxa::odbc
