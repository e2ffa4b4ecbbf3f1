#pragma once

#include "connection/odbc/Environment.h"

#include <QString>

#include <sql.h>

namespace velloxa::odbc {

// An ODBC connection with its own environment. Read-only by default; the driver's
// defaults apply otherwise (forward-only cursors keep FreeTDS off server cursors).
class Connection {
public:
    Connection(); // allocates the handles; throws Failure
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Asks for a read-write session instead of the read-only default (before open()).
    void setReadWrite();

    // Opens with the documented connection string; its driver name is resolved to an
    // installed driver (DriverResolution.h), and on the FreeTDS driver the string is
    // adapted on its way (DriverConnectionString.h). Throws Failure with the driver's text.
    void open(const QString& connectionString);
    void close();
    bool isOpen() const { return open_; }

    SQLHDBC handle() const { return handle_; }

private:
    Environment environment_;
    SQLHDBC handle_ = SQL_NULL_HDBC;
    bool open_ = false;
};

// Whether the named driver ("SQL Server") is FreeTDS, judged by its registration.
bool DriverIsFreeTds(SQLHENV environment, const QString& driverName);

} // namespace velloxa::odbc
