#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include <sql.h>

namespace velloxa::odbc {

// The attributes ("Driver=...", ...) of the driver registered under `name`; nothing when no
// driver of that name is registered.
std::optional<QStringList> RegisteredDriver(SQLHENV environment, const QString& name);

// The driver that serves a requested driver name on this machine. The product asks for
// "SQL Server"; where no driver is registered under that name but FreeTDS is under its own
// (Debian's tdsodbc package registers it as "FreeTDS"), that one serves instead, so nobody
// has to register FreeTDS a second time by hand. A driver registered as "SQL Server" always
// wins. With neither registered, throws Failure saying what to install. Any other name
// (another driver, a library path) is returned unchanged for the driver manager to judge.
QString ResolveDriverName(SQLHENV environment, const QString& requested);

// The connection string with its Driver value resolved as above; unchanged (to the
// character) unless another driver serves.
QString WithResolvedDriver(SQLHENV environment, const QString& connectionString);

} // namespace velloxa::odbc
