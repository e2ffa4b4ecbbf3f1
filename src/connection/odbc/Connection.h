#pragma once

#include "connection/odbc/ConnectionLimits.h"
#include "connection/odbc/Environment.h"

#include <QString>

#include <memory>

#include <sql.h>

namespace velloxa::odbc {

// An ODBC connection with its own environment. Read-only by default; the driver's
// defaults apply otherwise (forward-only cursors keep FreeTDS off server cursors).
// Beyond the connection string it asks for 16,383-byte packets (see DriverConnectionString.h),
// bounds the open by the limits (the driver's login timeout, and a deadline of our own half a
// second later for a driver that overruns it), and lifts the session's TEXTSIZE once open:
// a server cuts every (max), text, ntext and image value to it, 4,096 bytes unless raised,
// and FreeTDS does not raise it by itself.
class Connection {
public:
    explicit Connection(const ConnectionLimits& limits = {}); // allocates the handles; throws Failure
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Asks for a read-write session instead of the read-only default (before open()).
    void setReadWrite();

    // Opens with the documented connection string; its driver name is resolved to an
    // installed driver (DriverResolution.h), and on the FreeTDS driver the string is
    // adapted on its way (DriverConnectionString.h). Throws Failure with the driver's text,
    // or with the refusal of a value the driver cannot read back (nothing is sent then), or
    // with ours naming the login limit when the driver has not come back by then.
    void open(const QString& connectionString);
    void close();
    bool isOpen() const { return open_; }

    SQLHDBC handle() const;
    const ConnectionLimits& limits() const { return limits_; }

private:
    void setAttribute(SQLINTEGER attribute, SQLULEN value, const char* name);

    // Shared with a login call, which may outlive the connection when it overruns the limit.
    struct Handles;

    ConnectionLimits limits_;
    std::shared_ptr<Handles> handles_;
    bool open_ = false;
};

// Whether the named driver ("SQL Server") is FreeTDS, judged by its registration.
bool DriverIsFreeTds(SQLHENV environment, const QString& driverName);

} // namespace velloxa::odbc
