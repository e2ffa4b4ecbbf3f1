#include "ServerFunctions.h"

#include "Text.h"

#include <sqlite3.h>

namespace velloxa::sandbox {
namespace {

void resultText(sqlite3_context* context, const std::string& text)
{
    sqlite3_result_text(context, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
}

// The caller's default schema: every account here has dbo, the schema an unqualified name means.
void schemaName(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_text(context, "dbo", -1, SQLITE_STATIC);
}

void databaseName(sqlite3_context* context, int, sqlite3_value**)
{
    resultText(context, *static_cast<const std::string*>(sqlite3_user_data(context)));
}

// Says plainly what answers, so that nobody mistakes a log or a screenshot for a real server.
void versionText(sqlite3_context* context, int, sqlite3_value**)
{
    resultText(context, std::string("velloxa-sandbox - ") + kProductVersion + " (X64)\n\tA SQL Server stand-in for tests, over SQLite " + sqlite3_libversion());
}

// A property the server does not know is NULL, as on SQL Server.
void serverProperty(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string name = raw ? toLower(raw) : "";
    if (name == "productversion")
        resultText(context, kProductVersion);
    else if (name == "productmajorversion")
        resultText(context, "16");
    else if (name == "productlevel")
        resultText(context, "RTM");
    else if (name == "edition")
        resultText(context, "velloxa-sandbox");
    else if (name == "servername" || name == "machinename")
        resultText(context, "VELLOXA-SANDBOX");
    else if (name == "collation")
        resultText(context, "Latin1_General_CI_AS");
    else
        sqlite3_result_null(context);
}

} // namespace

void addServerFunctions(sqlite3* db, const std::string& database)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "SCHEMA_NAME", 0, flags, nullptr, schemaName, nullptr, nullptr);
    // The Database outlives every connection it opens, and with it its name.
    sqlite3_create_function(db, "DB_NAME", 0, flags, const_cast<std::string*>(&database), databaseName, nullptr, nullptr);
    sqlite3_create_function(db, "SERVERPROPERTY", 1, flags, nullptr, serverProperty, nullptr, nullptr);
    sqlite3_create_function(db, kVersionFunction, 0, flags, nullptr, versionText, nullptr, nullptr);
}

} // namespace velloxa::sandbox
