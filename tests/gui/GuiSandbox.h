#pragma once

#include "SandboxServer.h"

#include <QStringList>

namespace velloxa::testing {

// The server the window tests talk to: database Gui (tables and views of gui.sql) and Bare
// (no tables), accounts tester/secret and open (empty password). extra adds fault options.
inline QStringList GuiServerArguments(const QStringList& extra = {})
{
    return QStringList{QStringLiteral("--database"), QStringLiteral("Gui=") + test::testDataPath(QStringLiteral("gui/gui.sql")),
                       QStringLiteral("--database"), QStringLiteral("Bare=") + test::testDataPath(QStringLiteral("gui/empty.sql")),
                       QStringLiteral("--account"), QStringLiteral("tester:secret"),
                       QStringLiteral("--account"), QStringLiteral("open:")}
        + extra;
}

// The tables of gui.sql as the Table chooser lists them, in catalogue order (tables, then
// views, each by schema and name): dbo.Customers, dbo.Orders, sales.Orders, dbo.CustomerCities.
// dbo is the login's default schema; a table of another schema shows it.
inline const QStringList GuiTables{QStringLiteral("Customers"), QStringLiteral("Orders"), QStringLiteral("Orders  (sales)"),
                                   QStringLiteral("CustomerCities")};

} // namespace velloxa::testing
