#include "connection/odbc/Connection.h"

#include "connection/odbc/ConnectionStringGrammar.h"
#include "connection/odbc/DeadlineCall.h"
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

// How long after the driver's own login timeout our deadline ends the wait: enough for the
// driver's message to come first whenever the driver keeps its limit.
constexpr std::chrono::milliseconds LoginMargin(500);

} // namespace

struct Connection::Handles {
    Environment environment;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool connected = false; // written only by whoever runs the login

    Handles()
    {
        Check(SQLAllocHandle(SQL_HANDLE_DBC, environment.handle(), &connection), SQL_HANDLE_ENV,
              environment.handle(), "SQLAllocHandle(SQL_HANDLE_DBC)");
    }
    ~Handles()
    {
        if (connected)
            SQLDisconnect(connection); // nothing to report from a destructor
        SQLFreeHandle(SQL_HANDLE_DBC, connection);
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
};

Connection::Connection(const ConnectionLimits& limits) : limits_(limits), handles_(std::make_shared<Handles>())
{
    setAttribute(SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_ONLY, "SQLSetConnectAttr(SQL_ATTR_ACCESS_MODE)");
    setAttribute(SQL_ATTR_LOGIN_TIMEOUT, SQLULEN(limits.loginSeconds), "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
    setAttribute(SQL_ATTR_PACKET_SIZE, SQLULEN(PacketSize), "SQLSetConnectAttr(SQL_ATTR_PACKET_SIZE)");
}

void Connection::setAttribute(SQLINTEGER attribute, SQLULEN value, const char* name)
{
    Check(SQLSetConnectAttrW(handle(), attribute, reinterpret_cast<SQLPOINTER>(value), 0),
          SQL_HANDLE_DBC, handle(), name);
}

Connection::~Connection() = default;

SQLHDBC Connection::handle() const
{
    return handles_->connection;
}

void Connection::setReadWrite()
{
    setAttribute(SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_WRITE, "SQLSetConnectAttr(SQL_ATTR_ACCESS_MODE)");
}

void Connection::open(const QString& connectionString)
{
    const SQLHENV environment = handles_->environment.handle();
    const QString resolved = WithResolvedDriver(environment, connectionString);
    const QString driverString = DriverIsFreeTds(environment, DriverName(resolved))
        ? AdaptConnectionStringForFreeTds(resolved)
        : resolved;
    const auto result = std::make_shared<SQLRETURN>(SQL_ERROR);
    auto login = [handles = handles_, result, text = ToWide(driverString)]() mutable {
        SQLWCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        *result = SQLDriverConnectW(handles->connection, nullptr, text.data(), SQL_NTS, completed,
                                    SQLSMALLINT(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT);
        handles->connected = SQL_SUCCEEDED(*result);
    };
    if (limits_.loginSeconds <= 0) {
        login();
    } else if (!CallWithin(std::chrono::seconds(limits_.loginSeconds) + LoginMargin, login)) {
        // The login runs on, unobserved; should it ever come back, the last owner of the
        // handles disconnects and frees them.
        const int seconds = limits_.loginSeconds;
        throw Failure(QStringLiteral("Timeout expired: the server did not complete the login within %1 %2.")
                          .arg(seconds)
                          .arg(seconds == 1 ? QStringLiteral("second") : QStringLiteral("seconds")));
    }
    Check(*result, SQL_HANDLE_DBC, handle(), "SQLDriverConnect");
    open_ = true;
    Statement textSize(*this);
    textSize.execute(LiftTextSize);
}

void Connection::close()
{
    if (!open_)
        return;
    open_ = false;
    handles_->connected = false;
    Check(SQLDisconnect(handle()), SQL_HANDLE_DBC, handle(), "SQLDisconnect");
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
